// Our LZX codec on a file, streamed the way the cabinet tools use it, so
// that the process's peak memory is the codec's own.
//
//   lzx_bench compress INPUT OUTPUT.cab [window_bits passes nice_length depth block_frames insert_inside]
//       writes a one-file LZX cabinet (which the peers can expand)
//   lzx_bench expand INPUT.cab ORIGINAL
//       decodes the cabinet's data blocks and compares them with ORIGINAL
//
// Prints key=value lines; times are CPU seconds of this process.

#include "lzx/decoder.h"
#include "lzx/encoder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

using namespace tarnwell::tools;
using namespace tarnwell::tools::lzx;

namespace {

constexpr std::size_t cabinet_header_size = 36;
constexpr std::size_t folder_entry_size = 8;
constexpr std::size_t file_entry_fixed_size = 16;
constexpr std::size_t data_header_size = 8;
char const member_name[] = "data.bin";

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

double cpu_seconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

std::size_t data_offset()
{
    return cabinet_header_size + folder_entry_size + file_entry_fixed_size + sizeof member_name;
}

std::vector<std::uint8_t> cabinet_headers(
    std::uint64_t cabinet_size, std::uint32_t blocks, std::uint32_t member_size, unsigned window_bits)
{
    std::vector<std::uint8_t> out;
    put32(out, 0x4643534D);
    put32(out, 0);
    put32(out, static_cast<std::uint32_t>(cabinet_size));
    put32(out, 0);
    put32(out, static_cast<std::uint32_t>(cabinet_header_size + folder_entry_size));
    put32(out, 0);
    out.push_back(3);
    out.push_back(1);
    put16(out, 1);
    put16(out, 1);
    put16(out, 0);
    put16(out, 0);
    put16(out, 0);
    put32(out, static_cast<std::uint32_t>(data_offset()));
    put16(out, blocks);
    put16(out, 3 | (window_bits << 8));
    put32(out, member_size);
    put32(out, 0);
    put16(out, 0);
    put16(out, 0x21);
    put16(out, 0);
    put16(out, 0x20);
    out.insert(out.end(), member_name, member_name + sizeof member_name);
    return out;
}

int compress(char const* input_path, char const* output_path, unsigned window_bits, EncoderOptions options)
{
    std::ifstream in(input_path, std::ios::binary);
    std::ofstream out(output_path, std::ios::binary);
    if (!in || !out) {
        std::fprintf(stderr, "error: cannot open the files\n");
        return 1;
    }
    out.seekp(static_cast<std::streamoff>(data_offset()));
    std::uint64_t compressed = 0;
    std::uint64_t written = data_offset();
    std::uint32_t blocks = 0;
    FrameSink sink = [&](std::span<std::uint8_t const> bytes, std::uint32_t size) -> Result<void> {
        std::vector<std::uint8_t> header;
        put32(header, 0);
        put16(header, static_cast<std::uint32_t>(bytes.size()));
        put16(header, size);
        out.write(reinterpret_cast<char const*>(header.data()), static_cast<std::streamsize>(header.size()));
        out.write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        compressed += bytes.size();
        written += header.size() + bytes.size();
        ++blocks;
        return {};
    };
    auto encoder = Encoder::create(window_bits, options);
    if (!encoder) {
        std::fprintf(stderr, "error: %s\n", encoder.error().message().c_str());
        return 1;
    }
    std::vector<char> piece(1 << 20);
    std::uint64_t total = 0;
    double start = cpu_seconds();
    while (in) {
        in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
        auto count = static_cast<std::size_t>(in.gcount());
        if (count == 0)
            break;
        total += count;
        auto done = encoder->compress({ reinterpret_cast<std::uint8_t const*>(piece.data()), count }, sink);
        if (!done) {
            std::fprintf(stderr, "error: %s\n", done.error().message().c_str());
            return 1;
        }
    }
    if (auto done = encoder->finish(sink); !done) {
        std::fprintf(stderr, "error: %s\n", done.error().message().c_str());
        return 1;
    }
    double seconds = cpu_seconds() - start;
    auto headers = cabinet_headers(written, blocks, static_cast<std::uint32_t>(total), window_bits);
    out.seekp(0);
    out.write(reinterpret_cast<char const*>(headers.data()), static_cast<std::streamsize>(headers.size()));
    std::printf("input_bytes=%llu\ncompressed_bytes=%llu\nratio=%.4f\ncompress_cpu_seconds=%.2f\n"
                "compress_mb_per_s=%.2f\n",
        static_cast<unsigned long long>(total), static_cast<unsigned long long>(compressed),
        static_cast<double>(compressed) / static_cast<double>(total), seconds,
        static_cast<double>(total) / 1e6 / seconds);
    return 0;
}

int expand(char const* cabinet_path, char const* original_path)
{
    std::ifstream cabinet(cabinet_path, std::ios::binary);
    std::ifstream original(original_path, std::ios::binary);
    std::vector<char> header(data_offset());
    cabinet.read(header.data(), static_cast<std::streamsize>(header.size()));
    if (!cabinet || !original) {
        std::fprintf(stderr, "error: cannot read the files\n");
        return 1;
    }
    unsigned blocks = static_cast<std::uint8_t>(header[40]) | (static_cast<std::uint8_t>(header[41]) << 8);
    unsigned window_bits = static_cast<std::uint8_t>(header[43]) & 0x1f;
    auto decoder = Decoder::create(window_bits);
    if (!decoder) {
        std::fprintf(stderr, "error: %s\n", decoder.error().message().c_str());
        return 1;
    }
    std::vector<std::uint8_t> block(max_compressed_frame_size);
    std::vector<std::uint8_t> output(frame_size);
    std::vector<char> expected(frame_size);
    std::uint64_t total = 0;
    double decode_seconds = 0;
    bool same = true;
    for (unsigned i = 0; i < blocks; ++i) {
        std::uint8_t data_header[data_header_size];
        cabinet.read(reinterpret_cast<char*>(data_header), sizeof data_header);
        std::size_t compressed = data_header[4] | (data_header[5] << 8);
        std::size_t size = data_header[6] | (data_header[7] << 8);
        cabinet.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(compressed));
        double start = cpu_seconds();
        auto done = decoder->decode_frame(std::span(block).first(compressed), std::span(output).first(size));
        decode_seconds += cpu_seconds() - start;
        if (!done) {
            std::fprintf(stderr, "error: %s\n", done.error().message().c_str());
            return 1;
        }
        original.read(expected.data(), static_cast<std::streamsize>(size));
        same = same && std::memcmp(expected.data(), output.data(), size) == 0;
        total += size;
    }
    std::printf("expanded_bytes=%llu\ndecode_cpu_seconds=%.3f\ndecode_mb_per_s=%.1f\nroundtrip=%s\n",
        static_cast<unsigned long long>(total), decode_seconds, static_cast<double>(total) / 1e6 / decode_seconds,
        same ? "ok" : "MISMATCH");
    return same ? 0 : 1;
}

}

int main(int argc, char** argv)
{
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "compress" && argc >= 4) {
        EncoderOptions options;
        unsigned window_bits = argc > 4 ? static_cast<unsigned>(std::atoi(argv[4])) : 21;
        if (argc > 5)
            options.parse_passes = static_cast<unsigned>(std::atoi(argv[5]));
        if (argc > 6)
            options.nice_length = static_cast<unsigned>(std::atoi(argv[6]));
        if (argc > 7)
            options.max_search_depth = static_cast<unsigned>(std::atoi(argv[7]));
        if (argc > 8)
            options.max_block_frames = static_cast<unsigned>(std::atoi(argv[8]));
        if (argc > 9)
            options.insert_inside_long_matches = std::atoi(argv[9]) != 0;
        return compress(argv[2], argv[3], window_bits, options);
    }
    if (mode == "expand" && argc == 4)
        return expand(argv[2], argv[3]);
    std::fprintf(stderr,
        "usage: lzx_bench compress INPUT OUTPUT.cab [window_bits passes nice depth block_frames]\n"
        "       lzx_bench expand INPUT.cab ORIGINAL\n");
    return 2;
}
