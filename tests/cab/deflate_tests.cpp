// Our deflate encoder and decoder, block by block as MSZIP uses them: every
// kind and size of input must come back unchanged through the pair, and the
// decoder must refuse damaged streams with the specific error.

#include "cab/mszip/deflate.h"
#include "cab/mszip/inflate.h"
#include "test_data.h"

#include <gtest/gtest.h>

using namespace tarnwell::tools;
using namespace tarnwell::tools::cab::deflate;
using tarnwell::test::DataKind;

namespace {

constexpr size_t block_size = 32768;

// Compresses `data` in 32 KiB blocks, each stored when it would not shrink.
std::vector<std::vector<std::uint8_t>> compress_blocks(std::vector<std::uint8_t> const& data)
{
    Deflater deflater;
    std::vector<std::vector<std::uint8_t>> streams;
    for (size_t at = 0; at < data.size() || (at == 0 && streams.empty()); at += block_size) {
        auto block = std::span(data).subspan(at, std::min(block_size, data.size() - at));
        std::vector<std::uint8_t> stream;
        if (deflater.compress(block, stream) == 0)
            write_stored_stream(block, stream);
        streams.push_back(stream);
        if (data.empty())
            break;
    }
    return streams;
}

struct RoundTripCase {
    DataKind kind;
    size_t size;
};

class DeflateRoundTrip : public testing::TestWithParam<RoundTripCase> { };

TEST_P(DeflateRoundTrip, ComesBackUnchanged)
{
    auto data = tarnwell::test::generate_data(GetParam().kind, GetParam().size);
    auto streams = compress_blocks(data);
    Inflater inflater;
    std::vector<std::uint8_t> output;
    size_t compressed = 0;
    for (size_t i = 0; i < streams.size(); ++i) {
        size_t at = i * block_size;
        std::vector<std::uint8_t> block(std::min(block_size, data.size() - at));
        auto decoded = inflater.decode_stream(streams[i], block);
        ASSERT_TRUE(decoded) << "block " << i << ": " << decoded.error().message();
        output.insert(output.end(), block.begin(), block.end());
        compressed += streams[i].size();
    }
    EXPECT_EQ(output, data);
    // Compressible input must shrink by a quarter at least; random input may grow by the stored
    // blocks' headers only.
    if (GetParam().kind != DataKind::Random && data.size() > 1000) {
        EXPECT_LT(compressed, data.size() * 3 / 4);
    }
    EXPECT_LE(compressed, data.size() + 5 * streams.size() + 2);
}

INSTANTIATE_TEST_SUITE_P(Sizes, DeflateRoundTrip,
    testing::Values(RoundTripCase { DataKind::Text, 0 }, RoundTripCase { DataKind::Text, 1 },
        RoundTripCase { DataKind::Text, 32767 }, RoundTripCase { DataKind::Text, 32768 },
        RoundTripCase { DataKind::Text, 32769 }, RoundTripCase { DataKind::Random, 32769 },
        RoundTripCase { DataKind::X86Code, 100000 }, RoundTripCase { DataKind::Zeros, 200000 },
        RoundTripCase { DataKind::Random, 100000 }, RoundTripCase { DataKind::Text, 300000 }),
    [](auto const& info) {
        return std::string(tarnwell::test::kind_name(info.param.kind)) + "_" + std::to_string(info.param.size);
    });

// A stream of the second block of repetitive text: its matches reach into
// the first block.
std::vector<std::uint8_t> second_block_stream()
{
    auto data = tarnwell::test::generate_data(DataKind::Text, 2 * block_size);
    return compress_blocks(data).at(1);
}

struct DamageCase {
    char const* name;
    std::vector<std::uint8_t> stream;
    size_t output_size;
    ErrorCode expected;
    char const* message_part;
};

std::vector<DamageCase> damage_cases()
{
    auto text = tarnwell::test::generate_data(DataKind::Text, 5000);
    auto whole = compress_blocks(text).at(0);
    auto cut = whole;
    cut.resize(cut.size() / 2);
    return {
        { "empty", {}, 10, ErrorCode::Truncated, "ends early" },
        { "reserved_block_type", { 0x07, 0, 0 }, 10, ErrorCode::Corrupt, "reserved deflate block type" },
        { "stored_length_check", { 0x01, 0x05, 0x00, 0x00, 0x00, 'a', 'b', 'c', 'd', 'e' }, 5, ErrorCode::Corrupt,
            "length check" },
        { "stored_longer_than_block", { 0x01, 0x05, 0x00, 0xFA, 0xFF, 'a', 'b', 'c', 'd', 'e' }, 4, ErrorCode::Corrupt,
            "more data than the block holds" },
        { "stored_cut_short", { 0x01, 0x05, 0x00, 0xFA, 0xFF, 'a', 'b' }, 5, ErrorCode::Truncated,
            "stored block ends early" },
        { "cut_in_half", cut, text.size(), ErrorCode::Truncated, "ends" },
        { "fewer_bytes_than_expected", whole, text.size() + 1, ErrorCode::Corrupt, "expected" },
        { "more_bytes_than_expected", whole, text.size() - 1, ErrorCode::Corrupt, "more data than the block holds" },
        { "match_before_the_first_byte", second_block_stream(), block_size, ErrorCode::Corrupt,
            "reaches before the start" },
    };
}

TEST(Inflate, RefusesDamagedStreams)
{
    for (auto const& c : damage_cases()) {
        SCOPED_TRACE(c.name);
        Inflater inflater;
        std::vector<std::uint8_t> output(c.output_size);
        auto result = inflater.decode_stream(c.stream, output);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().code, c.expected) << result.error().message();
        EXPECT_NE(result.error().message().find(c.message_part), std::string::npos) << result.error().message();
    }
}

TEST(Inflate, ErrorIsSticky)
{
    Inflater inflater;
    std::vector<std::uint8_t> output(5);
    std::vector<std::uint8_t> bad = { 0x07 };
    ASSERT_FALSE(inflater.decode_stream(bad, output));
    std::vector<std::uint8_t> good = { 0x01, 0x05, 0x00, 0xFA, 0xFF, 'a', 'b', 'c', 'd', 'e' };
    auto again = inflater.decode_stream(good, output);
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error().code, ErrorCode::Corrupt);
    inflater.reset();
    EXPECT_TRUE(inflater.decode_stream(good, output));
}

}
