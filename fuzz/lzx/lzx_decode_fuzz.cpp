// libFuzzer target: the LZX decoder on arbitrary frames. Any error is fine;
// a crash, a sanitizer report or a hang is a finding.

#include "lzx/decoder.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

using namespace tarnwell::tools::lzx;

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    if (size < 1)
        return 0;
    auto decoder = Decoder::create(min_window_bits + data[0] % 7);
    if (!decoder)
        __builtin_trap();
    std::span<std::uint8_t const> rest(data + 1, size - 1);
    std::vector<std::uint8_t> output(frame_size);
    while (rest.size() >= 4) {
        std::size_t compressed = rest[0] | (std::size_t { rest[1] } << 8);
        std::size_t uncompressed = rest[2] | (std::size_t { rest[3] } << 8);
        uncompressed = uncompressed == 0 ? frame_size : uncompressed;
        rest = rest.subspan(4);
        if (compressed > rest.size())
            compressed = rest.size();
        // Exactly the block's bytes, so that any read past them is caught.
        std::vector<std::uint8_t> block(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(compressed));
        rest = rest.subspan(compressed);
        if (!decoder->decode_frame(block, std::span(output).first(uncompressed)))
            break;
    }
    return 0;
}
