#include "cabinet_walk.h"
#include "lzx/bit_writer.h"
#include "lzx/decoder.h"
#include "md5.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

namespace tarnwell::tools::lzx {
namespace {

    using test::md5_hex;
    using test::lzx::Cabinet;
    using test::lzx::DataBlock;
    using test::lzx::read_file;
    using test::lzx::walk_cabinet;

    constexpr unsigned type_lzx = 3;

    // Decodes every data block of one folder; the first error stops it.
    Result<std::vector<std::uint8_t>> decode_folder(unsigned window_bits, std::vector<DataBlock> const& blocks)
    {
        auto decoder = Decoder::create(window_bits);
        if (!decoder)
            return std::unexpected(decoder.error());
        std::vector<std::uint8_t> output;
        for (auto const& block : blocks) {
            std::size_t start = output.size();
            output.resize(start + block.uncompressed_size);
            auto decoded = decoder->decode_frame(block.compressed, std::span(output).subspan(start));
            if (!decoded)
                return std::unexpected(decoded.error());
        }
        return output;
    }

    // file name -> member name -> md5, from the shared EXPECTED.md5.
    std::map<std::string, std::map<std::string, std::string>> expected_md5s(std::filesystem::path const& dir)
    {
        std::map<std::string, std::map<std::string, std::string>> table;
        for (auto const& [file, members] : test::read_expected_md5(dir)) {
            for (auto const& member : members)
                table[file][member.path] = member.md5;
        }
        return table;
    }

    TEST(LzxDecoderRealCabinets, MembersOfLzxFoldersMatchTheirChecksums)
    {
        auto dir = test::shared_testdata_dir();
        if (!dir)
            GTEST_SKIP() << "no shared test data beside this clone";
        auto expected = expected_md5s(*dir);
        // Cabinets Microsoft's tools made with LZX folders, windows 15 and 18,
        // with E8 translation, data spanning two frames, and mixed folders.
        for (char const* name : { "test_read_format_cab_3.cab", "test_read_format_cab_lzx_16bit.cab",
                 "test_read_format_cab_lzx_e8.cab", "normal_2files_2folders.cab", "mszip_lzx_qtm.cab" }) {
            SCOPED_TRACE(name);
            auto bytes = read_file((*dir / name).string());
            auto cabinet = walk_cabinet(bytes);
            ASSERT_TRUE(cabinet) << cabinet.error().message();
            unsigned checked = 0;
            for (unsigned folder = 0; folder < cabinet->folders.size(); ++folder) {
                auto const& entry = cabinet->folders[folder];
                if (entry.compression_type != type_lzx)
                    continue;
                auto data = decode_folder(entry.window_bits, entry.blocks);
                ASSERT_TRUE(data) << data.error().message();
                for (auto const& member : cabinet->members) {
                    if (member.folder != folder)
                        continue;
                    ASSERT_LE(std::uint64_t { member.folder_offset } + member.size, data->size()) << member.name;
                    auto slice = std::span(*data).subspan(member.folder_offset, member.size);
                    std::string path = member.name;
                    std::replace(path.begin(), path.end(), '\\', '/');
                    EXPECT_EQ(md5_hex(slice), expected[name][path]) << member.name;
                    ++checked;
                }
            }
            EXPECT_GT(checked, 0u);
        }
    }

    TEST(LzxDecoderRealCabinets, BrokenStreamsGiveTheirSpecificError)
    {
        auto dir = test::shared_testdata_dir();
        if (!dir)
            GTEST_SKIP() << "no shared test data beside this clone";
        struct Case {
            char const* file;
            ErrorCode code;
            char const* context;
        };
        for (auto const& c : {
                 Case { "lzx-main-tree-no-lengths.cab", ErrorCode::Corrupt, "main tree: pretree has no code lengths" },
                 Case {
                     "cve-2015-4471-lzx-under-read.cab", ErrorCode::Truncated, "uncompressed block header cut short" },
             }) {
            SCOPED_TRACE(c.file);
            auto bytes = read_file((*dir / c.file).string());
            auto cabinet = walk_cabinet(bytes);
            ASSERT_TRUE(cabinet) << cabinet.error().message();
            ASSERT_FALSE(cabinet->folders.empty());
            auto const& folder = cabinet->folders[0];
            auto data = decode_folder(folder.window_bits ? folder.window_bits : 15, folder.blocks);
            ASSERT_FALSE(data);
            EXPECT_EQ(data.error().code, c.code) << data.error().message();
            EXPECT_NE(data.error().context.find(c.context), std::string::npos) << data.error().message();
        }
    }

    // The format document's own example: "abc" in an uncompressed block.
    std::vector<std::uint8_t> const uncompressed_abc { 0x00, 0x30, 0x30, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00,
        0x00, 0x01, 0x00, 0x00, 0x00, 0x61, 0x62, 0x63, 0x00 };

    TEST(LzxDecoder, DecodesTheDocumentedUncompressedExample)
    {
        auto decoder = Decoder::create(15);
        ASSERT_TRUE(decoder);
        std::vector<std::uint8_t> output(3);
        auto decoded = decoder->decode_frame(uncompressed_abc, output);
        ASSERT_TRUE(decoded) << decoded.error().message();
        EXPECT_EQ(std::string(output.begin(), output.end()), "abc");
    }

    TEST(LzxDecoder, EveryCutOfABlockIsTruncatedAndTheErrorSticks)
    {
        // Cut inside the header, the repeated offsets or the raw bytes.
        for (std::size_t cut = 0; cut + 1 < uncompressed_abc.size(); ++cut) {
            SCOPED_TRACE(cut);
            auto decoder = Decoder::create(15);
            ASSERT_TRUE(decoder);
            std::vector<std::uint8_t> output(3);
            auto decoded = decoder->decode_frame(std::span(uncompressed_abc).first(cut), output);
            ASSERT_FALSE(decoded);
            EXPECT_EQ(decoded.error().code, ErrorCode::Truncated);
            auto again = decoder->decode_frame(uncompressed_abc, output);
            ASSERT_FALSE(again);
            EXPECT_EQ(again.error().code, ErrorCode::Truncated);
        }
    }

    TEST(LzxDecoder, RejectsBadParameters)
    {
        for (unsigned bits : { 0u, 14u, 22u, 25u })
            EXPECT_EQ(Decoder::create(bits).error().code, ErrorCode::Unsupported) << bits;

        auto decoder = Decoder::create(15);
        ASSERT_TRUE(decoder);
        std::vector<std::uint8_t> too_big(frame_size + 1);
        EXPECT_EQ(decoder->decode_frame(uncompressed_abc, too_big).error().code, ErrorCode::LimitExceeded);

        // Only the last data block of a folder may be short.
        auto short_then_more = Decoder::create(15);
        ASSERT_TRUE(short_then_more);
        std::vector<std::uint8_t> output(3);
        ASSERT_TRUE(short_then_more->decode_frame(uncompressed_abc, output));
        EXPECT_EQ(short_then_more->decode_frame(uncompressed_abc, output).error().code, ErrorCode::Corrupt);
    }

    // An uncompressed block header (type 3) with its repeated offsets and raw
    // bytes, and the pad byte after an odd-sized block when `pad` is set.
    void write_uncompressed_block(BitWriter& writer, std::span<std::uint8_t const> raw, bool pad = true)
    {
        writer.write(3, block_type_bits);
        writer.write(static_cast<std::uint32_t>(raw.size() >> block_size_low_bits), block_size_high_bits);
        writer.write(static_cast<std::uint32_t>(raw.size() & 0xff), block_size_low_bits);
        writer.align_for_raw_bytes();
        for (unsigned i = 0; i < repeated_offsets; ++i)
            writer.write_u32_le(1);
        writer.write_bytes(raw);
        if (pad && raw.size() % 2 == 1)
            writer.write_bytes(std::vector<std::uint8_t> { 0 });
    }

    TEST(LzxDecoder, AnOddBlockEndingADataBlockLeavesItsPadByteToTheNext)
    {
        // Data block 1: 32767 raw bytes (odd, padded within the data block),
        // then 1 raw byte that ends the frame and the data block, so its pad
        // byte starts data block 2. Data block 2 then goes on in bit mode
        // from its second byte: a block of "xyz". A decoder that missed the
        // pad byte would read the next block header one byte off.
        std::vector<std::uint8_t> first_raw(frame_size - 1);
        for (std::size_t i = 0; i < first_raw.size(); ++i)
            first_raw[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
        std::vector<std::uint8_t> const one { 'Z' };
        std::vector<std::uint8_t> const xyz { 'x', 'y', 'z' };
        BitWriter first;
        first.write(0, 1); // no E8 translation
        write_uncompressed_block(first, first_raw);
        write_uncompressed_block(first, one, false);
        BitWriter second;
        second.write_bytes(std::vector<std::uint8_t> { 0 }); // the pad byte
        write_uncompressed_block(second, xyz);

        auto decoded = decode_folder(15,
            { DataBlock { first.bytes(), static_cast<std::uint16_t>(frame_size) }, DataBlock { second.bytes(), 3 } });
        ASSERT_TRUE(decoded) << decoded.error().message();
        auto expected = first_raw;
        expected.insert(expected.end(), one.begin(), one.end());
        expected.insert(expected.end(), xyz.begin(), xyz.end());
        EXPECT_EQ(*decoded, expected);

        // Without the pad byte data block 2 is cut short.
        auto cut = decode_folder(
            15, { DataBlock { first.bytes(), static_cast<std::uint16_t>(frame_size) }, DataBlock { {}, 3 } });
        ASSERT_FALSE(cut);
        EXPECT_EQ(cut.error().code, ErrorCode::Truncated);
    }

    TEST(LzxDecoder, RejectsUnknownBlockTypes)
    {
        // Header bit 0 (no E8), then block types 0 and 4..7 with size 3.
        for (unsigned type : { 0u, 4u, 5u, 6u, 7u }) {
            SCOPED_TRACE(type);
            std::uint16_t word = static_cast<std::uint16_t>(type << 12);
            std::vector<std::uint8_t> input { static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
                0x30, 0x00, 0, 0, 0, 0 };
            auto decoder = Decoder::create(15);
            ASSERT_TRUE(decoder);
            std::vector<std::uint8_t> output(3);
            auto decoded = decoder->decode_frame(input, output);
            ASSERT_FALSE(decoded);
            EXPECT_EQ(decoded.error().code, ErrorCode::Corrupt);
        }
    }

}
}
