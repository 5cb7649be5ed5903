// Writes seed inputs for the LZX fuzz targets into a folder: our encoder's
// streams of a few small generated inputs (every window, E8 calls, text,
// runs and random bytes) in the decode target's layout, and the raw inputs
// for the round-trip target.

#include "fuzz_input.h"
#include "lzx/encoder.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <string>

using namespace tarnwell::tools;
using namespace tarnwell::tools::lzx;

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_seeds DECODE_SEED_DIR ROUND_TRIP_SEED_DIR\n");
        return 2;
    }
    std::mt19937 random(1);
    for (unsigned bits = min_window_bits; bits <= max_window_bits; ++bits) {
        for (unsigned kind = 0; kind < 4; ++kind) {
            std::vector<std::uint8_t> raw(1 + 2000 + 9000 * kind);
            raw[0] = static_cast<std::uint8_t>(bits - min_window_bits);
            for (std::size_t i = 1; i < raw.size(); ++i) {
                switch (kind) {
                case 0:
                    raw[i] = static_cast<std::uint8_t>("call the function "[i % 18]);
                    break;
                case 1:
                    raw[i] = (i % 7 == 0) ? 0xE8 : static_cast<std::uint8_t>(i / 7);
                    break;
                case 2:
                    raw[i] = static_cast<std::uint8_t>(random());
                    break;
                default:
                    raw[i] = static_cast<std::uint8_t>((i / 4000) * 3);
                    break;
                }
            }
            std::vector<std::uint8_t> seed { raw[0] };
            auto encoder = Encoder::create(bits);
            FrameSink sink = [&](std::span<std::uint8_t const> bytes, std::uint32_t size) -> Result<void> {
                tarnwell::fuzz::lzx::append_frame(seed, bytes.data(), bytes.size(), size);
                return {};
            };
            if (!encoder || !encoder->compress(std::span(raw).subspan(1), sink) || !encoder->finish(sink))
                return 1;
            std::string name = "/seed-" + std::to_string(bits) + "-" + std::to_string(kind);
            std::ofstream(argv[1] + name, std::ios::binary)
                .write(reinterpret_cast<char const*>(seed.data()), static_cast<std::streamsize>(seed.size()));
            std::ofstream(argv[2] + name, std::ios::binary)
                .write(reinterpret_cast<char const*>(raw.data()), static_cast<std::streamsize>(raw.size()));
        }
    }
    return 0;
}
