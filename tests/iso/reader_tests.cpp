// The reader and the extraction on small hand-built images, each showing one
// fault of a broken or hostile image.

#include "test_image.h"
#include "test_support.h"

#include "iso/extractor.h"
#include "iso/image_reader.h"
#include "iso/layout.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

using namespace tarnwell::iso;
using tarnwell::iso::test::TestImage;
using tarnwell::iso::test::TestRecord;
using tarnwell::tools::ErrorCode;

namespace {

constexpr std::uint32_t root_sector = 20;
constexpr std::uint8_t directory = layout::record::flag_directory;

// A root with one file "A.TXT;1" (sector 30, 5 bytes) and one folder "SUB"
// (sector 21) holding "B.TXT;1" (sector 31, 3000 bytes over two sectors).
TestImage good_image()
{
    TestImage image(40);
    image.put_descriptors(root_sector, 2048);
    image.put_folder(root_sector, root_sector, { { "A.TXT;1", 30, 5 }, { "SUB", 21, 2048, directory } });
    image.put_folder(21, root_sector, { { "B.TXT;1", 31, 3000 } });
    image.put_text(30 * 2048, "hello");
    return image;
}

bool has_anomaly(Anomalies const& anomalies, AnomalyKind kind, std::string const& path)
{
    for (auto const& anomaly : anomalies) {
        if (anomaly.kind == kind && (path.empty() || anomaly.path == path))
            return true;
    }
    return false;
}

TEST(IsoReader, ReadsNamesSizesAndFolders)
{
    auto image = good_image();
    MemorySource source(image.bytes());
    auto read = read_image(source);
    ASSERT_TRUE(read) << read.error().message();
    auto const& root = read->image.root;
    ASSERT_EQ(root.children.size(), 2u);
    EXPECT_EQ(root.children[0].name, "A.TXT");
    EXPECT_EQ(root.children[0].size, 5u);
    EXPECT_EQ(root.children[1].name, "SUB");
    ASSERT_EQ(root.children[1].children.size(), 1u);
    EXPECT_EQ(root.children[1].children[0].size, 3000u);
    EXPECT_EQ(read->image.volume_id, "TEST");
    EXPECT_TRUE(read->anomalies.empty());
}

struct WholeImageCase {
    char const* name;
    std::function<void(TestImage&)> damage;
    ErrorCode expected;
};

TEST(IsoReader, RefusesImagesThatCannotBeRead)
{
    WholeImageCase const cases[] = {
        { "cut inside the descriptors", [](TestImage& image) { image.truncate(16 * 2048 + 100); },
            ErrorCode::Truncated },
        { "root past the end", [](TestImage& image) { image.truncate(20 * 2048); }, ErrorCode::Truncated },
        { "no descriptor", [](TestImage& image) { image.sector(16)[1] = 'X'; }, ErrorCode::BadSignature },
        { "files only in UDF",
            [](TestImage& image) {
                image.sector(16)[1] = 0;
                std::memcpy(image.sector(16) + 1, "BEA01", 5);
                std::memcpy(image.sector(17) + 1, "NSR02", 5);
                std::memcpy(image.sector(18) + 1, "TEA01", 5);
            },
            ErrorCode::Unsupported },
    };
    for (auto const& test_case : cases) {
        auto image = good_image();
        test_case.damage(image);
        MemorySource source(image.bytes());
        auto read = read_image(source);
        ASSERT_FALSE(read) << test_case.name;
        EXPECT_EQ(read.error().code, test_case.expected) << test_case.name << ": " << read.error().message();
    }
}

struct EntryCase {
    char const* name;
    std::function<void(TestImage&)> damage;
    AnomalyKind expected;
    char const* path;
};

TEST(IsoReader, LeavesOutAndNamesDamagedEntries)
{
    EntryCase const cases[] = {
        { "folder that contains its parent",
            [](TestImage& image) {
                image.put_folder(
                    21, root_sector, { { "B.TXT;1", 31, 3000 }, { "LOOP", root_sector, 2048, directory } });
            },
            AnomalyKind::SelfLinkedDirectory, "/SUB/LOOP" },
        { "file past the end",
            [](TestImage& image) {
                image.put_folder(
                    root_sector, root_sector, { { "BIG;1", 30, 100 * 2048 }, { "SUB", 21, 2048, directory } });
            },
            AnomalyKind::ExtentPastEnd, "/BIG" },
        { "folder past the end",
            [](TestImage& image) {
                image.put_folder(root_sector, root_sector, { { "FAR", 9999, 2048, directory } });
            },
            AnomalyKind::ExtentPastEnd, "/FAR" },
        { "record shorter than its fields", [](TestImage& image) { image.sector(21)[68] = 10; },
            AnomalyKind::BadDirectoryRecord, "/SUB" },
        { "garbage boot catalog",
            [](TestImage& image) {
                image.put_descriptors(root_sector, 2048, 35);
                image.put_text(35 * 2048, "not a catalog at all");
            },
            AnomalyKind::BadBootCatalog, "" },
        { "boot catalog past the end", [](TestImage& image) { image.put_descriptors(root_sector, 2048, 5000); },
            AnomalyKind::BadBootCatalog, "" },
    };
    for (auto const& test_case : cases) {
        auto image = good_image();
        test_case.damage(image);
        MemorySource source(image.bytes());
        auto read = read_image(source);
        ASSERT_TRUE(read) << test_case.name << ": " << read.error().message();
        EXPECT_TRUE(has_anomaly(read->anomalies, test_case.expected, test_case.path)) << test_case.name;
    }
}

TEST(IsoReader, StopsAtTheDepthLimit)
{
    constexpr std::uint32_t depth = limits::max_depth + 5;
    TestImage image(root_sector + depth + 2);
    image.put_descriptors(root_sector, 2048);
    for (std::uint32_t level = 0; level < depth; ++level) {
        std::uint32_t here = root_sector + level;
        image.put_folder(here, level == 0 ? here : here - 1, { { "D", here + 1, 2048, directory } });
    }
    image.put_folder(root_sector + depth, root_sector + depth - 1, {});
    MemorySource source(image.bytes());
    auto read = read_image(source);
    ASSERT_TRUE(read);
    EXPECT_TRUE(has_anomaly(read->anomalies, AnomalyKind::TooDeep, ""));
}

TEST(IsoReader, RockRidgeContinuationLoopEnds)
{
    TestImage image(40);
    image.put_descriptors(root_sector, 2048);
    // The file's CE names sector 32, whose CE names itself again.
    auto file_use = tarnwell::iso::test::nm_entry("looping-name");
    auto continuation = tarnwell::iso::test::ce_entry(32, 0, 28);
    file_use.insert(file_use.end(), continuation.begin(), continuation.end());
    image.put_folder(
        root_sector, root_sector, { { "LOOP.TXT;1", 30, 5, 0, file_use } }, tarnwell::iso::test::sp_entry());
    image.put_bytes(32 * 2048, tarnwell::iso::test::ce_entry(32, 0, 28));
    MemorySource source(image.bytes());
    auto read = read_image(source);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->image.root.children.size(), 1u);
    EXPECT_EQ(read->image.root.children[0].name, "looping-name");
    EXPECT_EQ(read->image.names, NameSource::RockRidge);
    EXPECT_TRUE(has_anomaly(read->anomalies, AnomalyKind::ContinuationLimit, ""));
}

TEST(IsoReader, JoinsMultiExtentFiles)
{
    TestImage image(40);
    image.put_descriptors(root_sector, 2048);
    image.put_folder(root_sector, root_sector,
        { { "PARTS;1", 30, 2048, layout::record::flag_multi_extent }, { "PARTS;1", 33, 10 } });
    MemorySource source(image.bytes());
    auto read = read_image(source);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->image.root.children.size(), 1u);
    auto const& file = read->image.root.children[0];
    EXPECT_EQ(file.size, 2058u);
    ASSERT_EQ(file.extents.size(), 2u);
    EXPECT_EQ(file.extents[1].sector, 33u);
}

// Names the reader passes through are written only when they stay inside
// the destination: nothing may appear beside it.
TEST(IsoExtract, NeverWritesOutsideTheDestination)
{
    struct Case {
        std::string stored;
        NamePolicy policy;
    };
    Case const cases[] = {
        { "..", NamePolicy::Posix },
        { "A/../../ESCAPED", NamePolicy::Posix },
        { "..\\ESCAPED", NamePolicy::Windows },
        { "C:ESCAPED", NamePolicy::Windows },
        { "CON.TXT", NamePolicy::Windows },
        { std::string("NUL\0X", 5), NamePolicy::Posix },
    };
    for (auto const& test_case : cases) {
        TestImage image(40);
        image.put_descriptors(root_sector, 2048);
        // Rock Ridge names may hold any byte; that is where hostile ones come from.
        std::string const& stored = test_case.stored;
        image.put_folder(root_sector, root_sector,
            { { "X;1", 30, 5, 0, tarnwell::iso::test::nm_entry(stored) }, { "OK;1", 30, 5 } },
            tarnwell::iso::test::sp_entry());
        MemorySource source(image.bytes());
        auto read = read_image(source);
        ASSERT_TRUE(read);
        tarnwell::test::ScratchFolder scratch;
        auto destination = scratch.path() / "out";
        Progress progress("test", 0, true);
        auto summary = extract_tree(source, read->image.root, destination.string(), test_case.policy, progress);
        ASSERT_TRUE(summary);
        EXPECT_TRUE(has_anomaly(summary->problems, AnomalyKind::UnsafeName, "")) << stored;
        EXPECT_EQ(summary->files, 1u) << stored;
        size_t beside = 0;
        for (auto const& entry : std::filesystem::recursive_directory_iterator(scratch.path())) {
            auto relative = std::filesystem::relative(entry.path(), destination).string();
            if (relative.starts_with(".."))
                ++beside;
        }
        EXPECT_EQ(beside, 0u) << stored;
    }
}

TEST(IsoExtract, WritesContentAndDates)
{
    auto image = good_image();
    MemorySource source(image.bytes());
    auto read = read_image(source);
    ASSERT_TRUE(read);
    tarnwell::test::ScratchFolder scratch;
    Progress progress("test", 0, true);
    auto summary = extract_tree(source, read->image.root, scratch.path().string(), native_name_policy(), progress);
    ASSERT_TRUE(summary);
    EXPECT_TRUE(summary->problems.empty());
    EXPECT_EQ(std::filesystem::file_size(scratch.path() / "A.TXT"), 5u);
    EXPECT_EQ(std::filesystem::file_size(scratch.path() / "SUB" / "B.TXT"), 3000u);
    // 2020-06-15 00:00:00 UTC, as the records say.
    auto written = std::filesystem::last_write_time(scratch.path() / "A.TXT");
    auto seconds
        = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::file_clock::to_sys(written).time_since_epoch());
    EXPECT_EQ(seconds.count(), 1592179200);
}

TEST(IsoExtract, SkipsOneOfTwoEntriesThatLandOnOneFile)
{
    TestImage image(40);
    image.put_descriptors(root_sector, 2048);
    image.put_folder(root_sector, root_sector,
        { { "X;1", 30, 5, 0, tarnwell::iso::test::nm_entry("Same") },
            { "Y;1", 30, 5, 0, tarnwell::iso::test::nm_entry("same") } },
        tarnwell::iso::test::sp_entry());
    MemorySource source(image.bytes());
    auto read = read_image(source);
    ASSERT_TRUE(read);
    for (auto policy : { NamePolicy::Posix, NamePolicy::Windows }) {
        tarnwell::test::ScratchFolder scratch;
        Progress progress("test", 0, true);
        auto summary = extract_tree(source, read->image.root, scratch.path().string(), policy, progress);
        ASSERT_TRUE(summary);
        EXPECT_EQ(has_anomaly(summary->problems, AnomalyKind::DuplicateName, "/same"), policy == NamePolicy::Windows);
    }
}

}

namespace {

// Joliet records Rock Ridge links as empty files whose sector may be
// anything; an empty file has nothing to read and extracts as empty.
TEST(IsoExtract, EmptyFileMayNameAnySector)
{
    TestImage image(40);
    image.put_descriptors(root_sector, 2048);
    image.put_folder(root_sector, root_sector, { { "EMPTY;1", 0xFFFFFF00u, 0 } });
    MemorySource source(image.bytes());
    auto read = read_image(source);
    ASSERT_TRUE(read);
    tarnwell::test::ScratchFolder scratch;
    Progress progress("test", 0, true);
    auto summary = extract_tree(source, read->image.root, scratch.path().string(), native_name_policy(), progress);
    ASSERT_TRUE(summary);
    EXPECT_TRUE(summary->problems.empty());
    EXPECT_EQ(std::filesystem::file_size(scratch.path() / "EMPTY"), 0u);
}

}
