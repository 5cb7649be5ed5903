// Other tools read what our encoder writes: each stream goes into a one-file
// LZX cabinet, and cabextract and 7-Zip must give back the exact bytes.

#include "cabinet_walk.h"
#include "lzx/encoder.h"
#include "sample_data.h"
#include "sanitizer_scale.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace tarnwell::tools::lzx {
namespace {

    using test::lzx::make_sample;
    using test::lzx::read_file;
    using test::lzx::Sample;
    using test::lzx::sample_name;
    using test::lzx::write_lzx_cabinet;

    bool have_tool(char const* name)
    {
        return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
    }

    std::vector<std::uint8_t> cabinet_of(std::vector<std::uint8_t> const& data, unsigned window_bits)
    {
        auto encoder = Encoder::create(window_bits);
        EXPECT_TRUE(encoder);
        std::vector<std::pair<std::vector<std::uint8_t>, std::uint32_t>> blocks;
        FrameSink sink = [&](std::span<std::uint8_t const> bytes, std::uint32_t size) -> Result<void> {
            blocks.emplace_back(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), size);
            return {};
        };
        EXPECT_TRUE(encoder->compress(data, sink));
        EXPECT_TRUE(encoder->finish(sink));
        return write_lzx_cabinet("member.bin", window_bits, blocks);
    }

    struct Peer {
        char const* tool;
        char const* command; // %C the cabinet, %D the folder to extract into
    };

    std::string expand(std::string pattern, std::string const& cabinet, std::string const& folder)
    {
        for (auto [key, value] : { std::pair { "%C", cabinet }, std::pair { "%D", folder } }) {
            auto at = pattern.find(key);
            pattern.replace(at, 2, "'" + value + "'");
        }
        return pattern;
    }

    TEST(LzxPeers, CabextractAndSevenZipExtractOurStreams)
    {
        // Peers can hang on bad input: each runs under a time limit.
        std::vector<Peer> peers;
        for (auto peer : { Peer { "cabextract", "timeout 60 cabextract -q -d %D %C >/dev/null 2>&1" },
                 Peer { "7zz", "timeout 60 7zz x -y -o%D %C >/dev/null 2>&1" } }) {
            if (have_tool(peer.tool))
                peers.push_back(peer);
        }
        if (peers.empty())
            GTEST_SKIP() << "neither cabextract nor 7zz is installed";
        test::ScratchFolder scratch;
        for (unsigned bits = min_window_bits; bits <= max_window_bits; ++bits) {
            for (std::size_t size :
                std::initializer_list<std::size_t> { 0, 1, 32767, 32768, 32769, test::lzx::scaled(100000) }) {
                for (auto kind : { Sample::Random, Sample::Text, Sample::X86Code }) {
                    std::string label = std::to_string(bits) + "-" + std::to_string(size) + "-" + sample_name(kind);
                    SCOPED_TRACE(label);
                    auto data = make_sample(kind, size, bits + static_cast<unsigned>(size));
                    auto cabinet = cabinet_of(data, bits);
                    auto cabinet_path = (scratch.path() / (label + ".cab")).string();
                    std::ofstream(cabinet_path, std::ios::binary)
                        .write(reinterpret_cast<char const*>(cabinet.data()),
                            static_cast<std::streamsize>(cabinet.size()));
                    for (auto const& peer : peers) {
                        auto folder = scratch.path() / (label + "-" + peer.tool);
                        ASSERT_EQ(std::system(expand(peer.command, cabinet_path, folder.string()).c_str()), 0)
                            << peer.tool;
                        EXPECT_TRUE(read_file((folder / "member.bin").string()) == data) << peer.tool;
                    }
                }
            }
        }
    }

}
}
