// Compresses a file with our LZX encoder into a one-file LZX cabinet (so that
// peers can expand it), decodes it again with our decoder, checks the bytes,
// and prints sizes, speeds and peak memory as key=value lines.
//
//   lzx_bench INPUT OUTPUT.cab [window_bits] [passes] [nice] [depth]

#include "lzx/decoder.h"
#include "lzx/encoder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace tarnwell::tools;
using namespace tarnwell::tools::lzx;

namespace {

void put16(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    put16(out, value & 0xffff);
    put16(out, value >> 16);
}

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long peak_rss_kib()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: lzx_bench INPUT OUTPUT.cab [window_bits] [passes] [nice] [depth]\n");
        return 2;
    }
    unsigned window_bits = argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 21;
    EncoderOptions options;
    if (argc > 4)
        options.parse_passes = static_cast<unsigned>(std::atoi(argv[4]));
    if (argc > 5)
        options.nice_length = static_cast<unsigned>(std::atoi(argv[5]));
    if (argc > 6)
        options.max_search_depth = static_cast<unsigned>(std::atoi(argv[6]));

    std::ifstream in(argv[1], std::ios::binary);
    std::vector<std::uint8_t> input { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    long rss_after_input = peak_rss_kib();

    // Compressed frames go straight into the cabinet's data area: 8 bytes of
    // CFDATA header each, then the bytes.
    std::vector<std::uint8_t> data_area;
    std::vector<std::pair<std::size_t, std::uint32_t>> frames; // offset in data_area, uncompressed size
    auto encoder = Encoder::create(window_bits, options);
    if (!encoder) {
        std::fprintf(stderr, "error: %s\n", encoder.error().message().c_str());
        return 1;
    }
    FrameSink sink = [&](std::span<std::uint8_t const> bytes, std::uint32_t size) -> Result<void> {
        frames.emplace_back(data_area.size(), size);
        put32(data_area, 0);
        put16(data_area, static_cast<std::uint32_t>(bytes.size()));
        put16(data_area, size);
        data_area.insert(data_area.end(), bytes.begin(), bytes.end());
        return {};
    };
    auto start = std::chrono::steady_clock::now();
    constexpr std::size_t piece = 1 << 20;
    for (std::size_t at = 0; at < input.size(); at += piece) {
        auto done = encoder->compress(std::span(input).subspan(at, std::min(piece, input.size() - at)), sink);
        if (!done) {
            std::fprintf(stderr, "error: %s\n", done.error().message().c_str());
            return 1;
        }
    }
    if (auto done = encoder->finish(sink); !done) {
        std::fprintf(stderr, "error: %s\n", done.error().message().c_str());
        return 1;
    }
    double compress_seconds = seconds_since(start);
    long rss_after_compress = peak_rss_kib();
    std::size_t compressed = data_area.size() - 8 * frames.size();

    start = std::chrono::steady_clock::now();
    auto decoder = Decoder::create(window_bits);
    std::vector<std::uint8_t> frame_out(frame_size);
    std::size_t position = 0;
    bool same = true;
    for (auto const& [offset, size] : frames) {
        std::size_t length = data_area[offset + 4] | (std::size_t { data_area[offset + 5] } << 8);
        auto done = decoder->decode_frame(std::span(data_area).subspan(offset + 8, length), std::span(frame_out).first(size));
        if (!done) {
            std::fprintf(stderr, "error: decoding: %s\n", done.error().message().c_str());
            return 1;
        }
        same = same && std::memcmp(frame_out.data(), input.data() + position, size) == 0;
        position += size;
    }
    double decompress_seconds = seconds_since(start);

    std::string name = "data.bin";
    std::size_t files_offset = 36 + 8;
    std::size_t data_offset = files_offset + 16 + name.size() + 1;
    std::vector<std::uint8_t> cabinet;
    put32(cabinet, 0x4643534D);
    put32(cabinet, 0);
    put32(cabinet, static_cast<std::uint32_t>(data_offset + data_area.size()));
    put32(cabinet, 0);
    put32(cabinet, static_cast<std::uint32_t>(files_offset));
    put32(cabinet, 0);
    cabinet.push_back(3);
    cabinet.push_back(1);
    put16(cabinet, 1);
    put16(cabinet, 1);
    put16(cabinet, 0);
    put16(cabinet, 0);
    put16(cabinet, 0);
    put32(cabinet, static_cast<std::uint32_t>(data_offset));
    put16(cabinet, static_cast<std::uint32_t>(frames.size()));
    put16(cabinet, 3 | (window_bits << 8));
    put32(cabinet, static_cast<std::uint32_t>(input.size()));
    put32(cabinet, 0);
    put16(cabinet, 0);
    put16(cabinet, 0x21);
    put16(cabinet, 0);
    put16(cabinet, 0x20);
    cabinet.insert(cabinet.end(), name.begin(), name.end());
    cabinet.push_back(0);
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<char const*>(cabinet.data()), static_cast<std::streamsize>(cabinet.size()));
    out.write(reinterpret_cast<char const*>(data_area.data()), static_cast<std::streamsize>(data_area.size()));

    double mb = static_cast<double>(input.size()) / 1e6;
    std::printf("input_bytes=%zu\ncompressed_bytes=%zu\nratio=%.4f\n", input.size(), compressed,
        static_cast<double>(compressed) / static_cast<double>(input.size()));
    std::printf("compress_seconds=%.2f\ncompress_mb_per_s=%.2f\n", compress_seconds, mb / compress_seconds);
    std::printf("decompress_seconds=%.3f\ndecompress_mb_per_s=%.1f\n", decompress_seconds, mb / decompress_seconds);
    std::printf("roundtrip=%s\n", same ? "ok" : "MISMATCH");
    // Peak memory beyond the input file held by the bench itself.
    std::printf("codec_peak_mib=%.1f\n", static_cast<double>(rss_after_compress - rss_after_input) / 1024.0);
    return same ? 0 : 1;
}
