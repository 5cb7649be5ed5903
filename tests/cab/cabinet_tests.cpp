// Cabinets written and read back in memory: several files in one folder,
// every method this build writes, block boundaries, and the faults a reader
// must name: damaged checksums, cut files, inputs too large for a folder.

#include "cab/cabinet/block_encoder.h"
#include "cab/cabinet/layout.h"
#include "cab/cabinet/reader.h"
#include "cab/cabinet/writer.h"
#include "cab/tool_files.h"
#include "test_data.h"

#include <gtest/gtest.h>

using namespace tarnwell::tools;
using namespace tarnwell::tools::cab;
using tarnwell::test::DataKind;

namespace {

std::vector<std::uint8_t> write_in_memory(
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> const& files, Compression compression)
{
    std::vector<MemorySource> sources;
    sources.reserve(files.size());
    std::vector<WriterInput> inputs;
    for (auto const& [name, data] : files) {
        sources.emplace_back(data);
        inputs.push_back({ name, &sources.back(), 0x5A21, 0x6000, layout::attribute_archive });
    }
    MemorySink sink;
    auto written = write_cabinet(inputs, compression, sink);
    EXPECT_TRUE(written) << (written ? "" : written.error().message());
    return sink.data();
}

Result<std::vector<std::uint8_t>> extract(std::vector<std::uint8_t> const& cabinet_bytes, size_t index)
{
    MemorySource source(cabinet_bytes);
    auto cabinet = read_cabinet(source);
    if (!cabinet)
        return std::unexpected(cabinet.error());
    MemorySink sink;
    if (auto extracted = extract_file(source, *cabinet, cabinet->files.at(index), sink); !extracted)
        return std::unexpected(extracted.error());
    return sink.data();
}

std::vector<Compression> writable_compressions()
{
    std::vector<Compression> result = { { Method::None, 0, 0 }, { Method::Mszip, 0, 0 } };
    if (can_encode(Method::Lzx)) {
        for (unsigned bits = 15; bits <= 21; ++bits)
            result.push_back({ Method::Lzx, bits, 0 });
    }
    return result;
}

TEST(CabinetRoundTrip, EverySizeAroundTheBlockBoundary)
{
    for (auto compression : writable_compressions()) {
        for (size_t size : { 0u, 1u, 32767u, 32768u, 32769u, 100000u }) {
            SCOPED_TRACE(std::string(method_name(compression.method)) + ":" + std::to_string(compression.window_bits)
                + " size " + std::to_string(size));
            auto data = tarnwell::test::generate_data(DataKind::X86Code, size);
            auto bytes = write_in_memory({ { "data.bin", data } }, compression);
            auto back = extract(bytes, 0);
            ASSERT_TRUE(back) << back.error().message();
            EXPECT_EQ(*back, data);
            MemorySource source(bytes);
            auto cabinet = read_cabinet(source);
            ASSERT_TRUE(cabinet);
            EXPECT_EQ(cabinet->folders[0].block_count, (size + 32767) / 32768);
            EXPECT_EQ(cabinet->declared_size, bytes.size());
        }
    }
}

TEST(CabinetRoundTrip, SeveralFilesShareOneFolder)
{
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files = {
        { "first.txt", tarnwell::test::generate_data(DataKind::Text, 40000, 1) },
        { "empty", {} },
        { "sub\\second.bin", tarnwell::test::generate_data(DataKind::Random, 30000, 2) },
        { "caf\xC3\xA9.txt", tarnwell::test::generate_data(DataKind::Text, 7, 3) },
    };
    auto bytes = write_in_memory(files, { Method::Mszip, 0, 0 });
    MemorySource source(bytes);
    auto cabinet = read_cabinet(source);
    ASSERT_TRUE(cabinet) << cabinet.error().message();
    ASSERT_EQ(cabinet->files.size(), files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(cabinet->files[i].name, files[i].first);
        auto back = extract(bytes, i);
        ASSERT_TRUE(back) << back.error().message();
        EXPECT_EQ(*back, files[i].second) << files[i].first;
    }
    EXPECT_EQ(cabinet->files[0].dos_date, 0x5A21);
    EXPECT_EQ(cabinet->files[3].attributes & layout::attribute_name_is_utf, layout::attribute_name_is_utf);
    EXPECT_EQ(cabinet->files[0].attributes & layout::attribute_name_is_utf, 0);
}

struct DamageCase {
    char const* name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    ErrorCode expected;
    char const* message_part;
};

TEST(CabinetReader, NamesEachDamage)
{
    auto data = tarnwell::test::generate_data(DataKind::Text, 50000);
    auto good = write_in_memory({ { "a.txt", data } }, { Method::Mszip, 0, 0 });
    MemorySource good_source(good);
    auto directory = read_cabinet(good_source);
    ASSERT_TRUE(directory);
    size_t first_block = directory->folders[0].first_block_offset;

    std::vector<DamageCase> cases = {
        { "signature", [](auto& b) { b[0] = 'X'; }, ErrorCode::BadSignature, "MSCF" },
        { "header_cut", [](auto& b) { b.resize(20); }, ErrorCode::Truncated, "header cut short" },
        { "data_cut", [](auto& b) { b.resize(b.size() - 100); }, ErrorCode::Truncated, "the file has" },
        { "data_byte_flipped", [&](auto& b) { b[first_block + 100] ^= 0x40; }, ErrorCode::BadChecksum, "checksum" },
        { "checksum_flipped", [&](auto& b) { b[first_block] ^= 1; }, ErrorCode::BadChecksum, "checksum" },
        { "no_folders", [](auto& b) { b[layout::header_folder_count] = 0; }, ErrorCode::Corrupt, "no folders" },
        { "folder_index", [](auto& b) { b[layout::header_size + layout::folder_size + layout::file_folder_index] = 3; },
            ErrorCode::Corrupt, "names folder 3" },
        { "continued_file",
            [](auto& b) {
                b[layout::header_size + layout::folder_size + layout::file_folder_index] = 0xFD;
                b[layout::header_size + layout::folder_size + layout::file_folder_index + 1] = 0xFF;
            },
            ErrorCode::Unsupported, "another cabinet" },
        { "quantum", [](auto& b) { b[layout::header_size + layout::folder_compression] = 2; }, ErrorCode::Unsupported,
            "Quantum" },
        { "block_oversized",
            [&](auto& b) {
                b[first_block + layout::data_uncompressed_size] = 0x01;
                b[first_block + layout::data_uncompressed_size + 1] = 0x81;
            },
            ErrorCode::Corrupt, "beyond 32 KiB" },
        { "fewer_blocks_than_data", [](auto& b) { b[layout::header_size + layout::folder_block_count] = 1; },
            ErrorCode::Truncated, "before its files do" },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        auto bytes = good;
        c.damage(bytes);
        auto result = extract(bytes, 0);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().code, c.expected) << result.error().message();
        EXPECT_NE(result.error().message().find(c.message_part), std::string::npos) << result.error().message();
    }
}

TEST(CabinetReader, ZeroChecksumMeansNone)
{
    auto data = tarnwell::test::generate_data(DataKind::Text, 1000);
    auto bytes = write_in_memory({ { "a.txt", data } }, { Method::None, 0, 0 });
    MemorySource source(bytes);
    auto cabinet = read_cabinet(source);
    ASSERT_TRUE(cabinet);
    size_t block = cabinet->folders[0].first_block_offset;
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(block), 4, 0);
    auto back = extract(bytes, 0);
    ASSERT_TRUE(back) << back.error().message();
    EXPECT_EQ(*back, data);
}

// A source that claims a size without holding the bytes.
class HugeSource final : public ByteSource {
public:
    explicit HugeSource(std::uint64_t size)
        : m_size(size)
    {
    }
    std::uint64_t size() const override { return m_size; }
    Result<void> read_at(std::uint64_t, std::span<std::uint8_t>) const override
    {
        ADD_FAILURE() << "read before the size check";
        return fail(ErrorCode::Io, 0, "not readable");
    }

private:
    std::uint64_t m_size;
};

TEST(CabinetWriter, RefusesWhatOneFolderCannotHoldBeforeWriting)
{
    HugeSource fits(layout::max_folder_uncompressed);
    HugeSource too_big(layout::max_folder_uncompressed + 1);
    std::vector<WriterInput> ok_inputs = { { "big.iso", &fits, 0, 0, 0 } };
    EXPECT_TRUE(check_writer_inputs(ok_inputs, { Method::Mszip, 0, 0 }));

    std::vector<WriterInput> inputs = { { "big.iso", &too_big, 0, 0, 0 } };
    MemorySink sink;
    auto result = write_cabinet(inputs, { Method::Mszip, 0, 0 }, sink);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().code, ErrorCode::LimitExceeded);
    EXPECT_NE(result.error().message().find("one cabinet folder"), std::string::npos);
    EXPECT_TRUE(sink.data().empty());
}

TEST(CabinetWriter, RefusesBadNamesAndWindows)
{
    std::vector<std::uint8_t> data = { 1, 2, 3 };
    MemorySource source(data);
    struct Case {
        std::string name;
        Compression compression;
        ErrorCode expected;
    };
    std::vector<Case> cases = {
        { "", { Method::Mszip, 0, 0 }, ErrorCode::Usage },
        { std::string(256, 'a'), { Method::Mszip, 0, 0 }, ErrorCode::Usage },
        { std::string("a\0b", 3), { Method::Mszip, 0, 0 }, ErrorCode::Usage },
        { "ok", { Method::Quantum, 10, 0 }, ErrorCode::Unsupported },
    };
    if (can_encode(Method::Lzx)) {
        cases.push_back({ "ok", { Method::Lzx, 14, 0 }, ErrorCode::Usage });
        cases.push_back({ "ok", { Method::Lzx, 22, 0 }, ErrorCode::Usage });
    }
    for (auto const& c : cases) {
        std::vector<WriterInput> inputs = { { c.name, &source, 0, 0, 0 } };
        auto checked = check_writer_inputs(inputs, c.compression);
        ASSERT_FALSE(checked) << c.name;
        EXPECT_EQ(checked.error().code, c.expected) << checked.error().message();
    }
}

TEST(MemberPaths, StayInsideTheDestination)
{
    std::string s(1, native_separator());
    struct Case {
        char const* stored;
        std::optional<std::string> expected;
    };
    std::vector<Case> cases = {
        { "plain.c", "plain.c" },
        { "1\\2\\3\\4.c", "1" + s + "2" + s + "3" + s + "4.c" },
        { "a/b", "a" + s + "b" },
        { "a\\\\.\\b", "a" + s + "b" },
        { "..\\evil", std::nullopt },
        { "a\\..\\..\\evil", std::nullopt },
        { "\\absolute", std::nullopt },
        { "C:\\windows", std::nullopt },
        { "", std::nullopt },
    };
    for (auto const& c : cases) {
        auto result = safe_member_path(c.stored);
        if (c.expected) {
            ASSERT_TRUE(result) << c.stored << ": " << result.error().message();
            EXPECT_EQ(*result, *c.expected);
        } else {
            EXPECT_FALSE(result) << c.stored << " became " << *result;
        }
    }
}

TEST(MemberPaths, WildcardsIgnoreCase)
{
    struct Case {
        char const* pattern;
        char const* text;
        bool matches;
    };
    std::vector<Case> cases = {
        { "*", "anything", true },
        { "*.ISO", "winpe.iso", true },
        { "win?e.*", "WINPE.IS_", true },
        { "*.txt", "notes.txt.bak", false },
        { "a*b*c", "axxbyyc", true },
        { "a*b*c", "axxbyy", false },
        { "", "", true },
        { "?", "", false },
    };
    for (auto const& c : cases)
        EXPECT_EQ(wildcard_match(c.pattern, c.text), c.matches) << c.pattern << " vs " << c.text;
}

}
