#pragma once

// Our deflate decoder (RFC 1951), shaped for MSZIP: the caller hands in one
// data block's deflate stream and its exact uncompressed size, and the
// decoder keeps the last 32 KiB of everything it produced as the window of
// the next block.

#include "common/error.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tarnwell::tools::cab::deflate {

class Inflater {
public:
    Inflater();

    // Decodes one complete deflate stream (up to and including its final
    // block) into `output`, which must come out exactly full. Matches may
    // reach back into earlier streams. After an error every further call
    // fails with the same error.
    Result<void> decode_stream(std::span<std::uint8_t const> input, std::span<std::uint8_t> output);

    // Forgets the window (a new folder starts).
    void reset();

private:
    std::vector<std::uint8_t> m_window;
    std::uint32_t m_history { 0 };
    std::optional<Error> m_error;
};

}
