// libFuzzer target: whatever goes into the encoder comes out of the decoder
// unchanged. The first byte picks the window and the encoder's options.

#include "lzx/decoder.h"
#include "lzx/encoder.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

using namespace tarnwell::tools;
using namespace tarnwell::tools::lzx;

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    if (size < 1)
        return 0;
    // Windows 15..17 only: a larger window costs the encoder megabytes of
    // tree memory to set up per run, which would slow the fuzzer tenfold;
    // the unit tests cover the larger windows.
    unsigned bits = min_window_bits + data[0] % 3;
    EncoderOptions options;
    options.parse_passes = 1 + (data[0] >> 3) % 2;
    options.max_block_frames = 1 + (data[0] >> 4) % 4;
    if (data[0] & 0x80)
        options.e8_translation_size = 0;
    options.insert_inside_long_matches = (data[0] & 0x04) != 0;
    std::span<std::uint8_t const> input(data + 1, size - 1);

    auto encoder = Encoder::create(bits, options);
    auto decoder = Decoder::create(bits);
    if (!encoder || !decoder)
        __builtin_trap();
    std::vector<std::uint8_t> output;
    FrameSink sink = [&](std::span<std::uint8_t const> bytes, std::uint32_t frame) -> Result<void> {
        if (bytes.size() > max_compressed_frame_size)
            __builtin_trap();
        std::size_t start = output.size();
        output.resize(start + frame);
        return decoder->decode_frame(bytes, std::span(output).subspan(start));
    };
    if (!encoder->compress(input, sink) || !encoder->finish(sink))
        __builtin_trap();
    if (output.size() != input.size() || (size > 1 && std::memcmp(output.data(), input.data(), input.size()) != 0))
        __builtin_trap();
    return 0;
}
