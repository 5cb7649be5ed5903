// The cabinets and the SZDD file of the shared test input, made by other
// tools: every valid one expands to the checksums listed with it, and every
// broken one is refused with its own error.

#include "cab/cabinet/reader.h"
#include "cab/szdd/reader.h"
#include "cab/tool_files.h"
#include "md5.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

using namespace tarnwell::tools;
using namespace tarnwell::tools::cab;

namespace {

std::vector<std::uint8_t> read_whole(std::filesystem::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

// Member names as EXPECTED.md5 writes them: "/" between folders.
std::string slashed(std::string name)
{
    for (auto& c : name) {
        if (c == '\\')
            c = '/';
    }
    return name;
}

// Valid cabinets that this reader refuses on purpose, with the reason.
std::map<std::string, std::pair<ErrorCode, std::string>> const refused_valid = {
    { "search_basic.cab", { ErrorCode::BadSignature, "MSCF" } }, // cabinets embedded after filler bytes
    { "cabd_multi_basic_pt1.cab", { ErrorCode::Unsupported, "another cabinet" } },
    { "test_read_format_cab_multi.p1.cab", { ErrorCode::Unsupported, "another cabinet" } },
};

TEST(RealCabinets, ValidOnesGiveTheListedChecksums)
{
    auto dir = tarnwell::test::shared_testdata_dir();
    if (!dir)
        GTEST_SKIP() << "no shared test input beside this clone";
    auto expected = tarnwell::test::read_expected_md5(*dir);
    size_t checked = 0;
    for (auto const& [file, members] : expected) {
        if (file.ends_with(".iso") || !file.ends_with(".cab"))
            continue;
        SCOPED_TRACE(file);
        auto bytes = read_whole(*dir / file);
        MemorySource source(bytes);
        auto cabinet = read_cabinet(source);
        if (auto refused = refused_valid.find(file); refused != refused_valid.end()) {
            ASSERT_FALSE(cabinet);
            EXPECT_EQ(cabinet.error().code, refused->second.first);
            EXPECT_NE(cabinet.error().message().find(refused->second.second), std::string::npos);
            continue;
        }
        bool all_fail = std::all_of(members.begin(), members.end(), [](auto const& m) { return m.md5 == "FAIL"; });
        if (all_fail && !cabinet)
            continue; // refused at its directory: the broken-cabinet table names the error
        ASSERT_TRUE(cabinet) << cabinet.error().message();
        ASSERT_EQ(cabinet->files.size(), members.size());
        for (size_t i = 0; i < members.size(); ++i) {
            auto const& file_entry = cabinet->files[i];
            EXPECT_EQ(slashed(file_entry.name), members[i].path);
            MemorySink sink;
            auto extracted = extract_file(source, *cabinet, file_entry, sink);
            bool quantum = cabinet->folders[file_entry.folder_index].compression.method == Method::Quantum;
            if (members[i].md5 == "FAIL" || quantum) {
                ASSERT_FALSE(extracted) << members[i].path;
                if (quantum) {
                    EXPECT_NE(extracted.error().message().find("unsupported compression: Quantum"), std::string::npos);
                }
                continue;
            }
            ASSERT_TRUE(extracted) << members[i].path << ": " << extracted.error().message();
            EXPECT_EQ(tarnwell::test::md5_hex(sink.data()), members[i].md5) << members[i].path;
            ++checked;
        }
    }
    EXPECT_GT(checked, 30u);
}

TEST(RealCabinets, BrokenOnesAreRefusedWithTheirError)
{
    auto dir = tarnwell::test::shared_testdata_dir();
    if (!dir)
        GTEST_SKIP() << "no shared test input beside this clone";
    struct Case {
        char const* file;
        ErrorCode expected;
        char const* message_part;
    };
    std::vector<Case> cases = {
        { "bad_signature.cab", ErrorCode::BadSignature, "no cabinet signature" },
        { "bad_nofolders.cab", ErrorCode::Corrupt, "no folders" },
        { "bad_folderindex.cab", ErrorCode::Corrupt, "names folder 1 of 1" },
        { "partial_shortheader.cab", ErrorCode::Truncated, "header cut short" },
        { "partial_nodata.cab", ErrorCode::Truncated, "cabinet says it has 253 bytes" },
        { "partial_str_nofname.cab", ErrorCode::Truncated, "cabinet says it has 156 bytes" },
        { "hidden-file-beyond-eof.cab", ErrorCode::Truncated, "cabinet says it has 200 bytes" },
        { "filename-read-violation-1.cab", ErrorCode::Corrupt, "empty name" },
        { "cve-2010-2800-mszip-infinite-loop.cab", ErrorCode::Truncated, "stored block ends early" },
        { "cve-2014-9556-qtm-infinite-loop.cab", ErrorCode::Corrupt, "past a folder's limit" },
        { "cve-2015-4471-lzx-under-read.cab", ErrorCode::Truncated, "cabinet says it has 220 bytes" },
        { "cve-2018-18584-qtm-max-size-block.cab", ErrorCode::Unsupported, "unsupported compression: Quantum" },
#ifdef TARNWELL_HAVE_LZX
        { "lzx-main-tree-no-lengths.cab", ErrorCode::Corrupt, "LZX" },
#endif
        { "test_read_format_cab_lzx_oob.cab", ErrorCode::Unsupported, "cabinet format version 0.228" },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.file);
        auto bytes = read_whole(*dir / c.file);
        ASSERT_FALSE(bytes.empty());
        MemorySource source(bytes);
        auto cabinet = read_cabinet(source);
        Error error;
        if (!cabinet) {
            error = cabinet.error();
        } else {
            Result<void> all_files;
            MemorySink sink;
            for (auto const& file : cabinet->files) {
                all_files = extract_file(source, *cabinet, file, sink);
                if (!all_files)
                    break;
            }
            ASSERT_FALSE(all_files) << "every member extracted";
            error = all_files.error();
        }
        EXPECT_EQ(error.code, c.expected) << error.message();
        EXPECT_NE(error.message().find(c.message_part), std::string::npos) << error.message();
    }
}

TEST(RealSzdd, ExpandsToTheListedChecksum)
{
    auto dir = tarnwell::test::shared_testdata_dir();
    if (!dir)
        GTEST_SKIP() << "no shared test input beside this clone";
    auto bytes = read_whole(*dir / "test.compressed");
    MemorySource source(bytes);
    auto header = szdd::read_header(source);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->missing_character, 0);
    MemorySink sink;
    auto expanded = szdd::expand(source, sink);
    ASSERT_TRUE(expanded) << expanded.error().message();
    EXPECT_EQ(
        tarnwell::test::md5_hex(sink.data()), tarnwell::test::read_expected_md5(*dir)["test.compressed"].at(0).md5);

    struct Case {
        char const* name;
        size_t keep;
        int patch_at;
        std::uint8_t value;
        ErrorCode expected;
    };
    std::vector<Case> damage = {
        { "header_cut", 10, -1, 0, ErrorCode::Truncated },
        { "data_cut", 30, -1, 0, ErrorCode::Truncated },
        { "mode_other_than_A", bytes.size(), 8, 'B', ErrorCode::Unsupported },
        { "declared_size_smaller", bytes.size(), 10, 5, ErrorCode::Corrupt },
        { "declared_size_larger", bytes.size(), 10, 200, ErrorCode::Truncated },
    };
    for (auto const& c : damage) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> broken(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(c.keep));
        if (c.patch_at >= 0)
            broken[static_cast<size_t>(c.patch_at)] = c.value;
        MemorySource broken_source(broken);
        MemorySink broken_sink;
        auto result = szdd::expand(broken_source, broken_sink);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().code, c.expected) << result.error().message();
    }
}

}
