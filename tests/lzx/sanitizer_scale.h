#pragma once

// The sanitizer build is unoptimised and instrumented, which makes the
// encoder about a hundred times slower. There the round trips use a shallow
// search and one parse (every kind of block and item still occurs) and
// smaller inputs; the optimised builds run the full ones.

#include "lzx/encoder.h"

#include <cstddef>

namespace tarnwell::test::lzx {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool sanitized_build = true;
#else
inline constexpr bool sanitized_build = false;
#endif

inline tools::lzx::EncoderOptions round_trip_options()
{
    tools::lzx::EncoderOptions options;
    if (sanitized_build) {
        options.parse_passes = 1;
        options.max_search_depth = 4;
    }
    return options;
}

// `size` in the optimised builds, a quarter of it under the sanitizers.
inline std::size_t scaled(std::size_t size)
{
    return sanitized_build ? size / 4 : size;
}

}
