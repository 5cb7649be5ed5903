// Images that xorriso and genisoimage make from one source tree are extracted
// by tarniso and by xorriso; both trees must agree in every path, content and
// date. The images and trees are made here at run time.

#include "peer_support.h"
#include "test_support.h"

#include "iso/byte_source.h"
#include "iso/image_reader.h"
#include "iso/layout.h"

#include "common/file_io.h"

#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <set>

namespace fs = std::filesystem;
using namespace tarnwell::iso::test;

namespace {

constexpr std::int64_t source_time = 1614834367; // 2021-03-04 05:06:07 UTC

std::string pseudo_random(size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string content(size, '\0');
    for (auto& c : content)
        c = static_cast<char>(generator());
    return content;
}

// Names in UTF-8 (the test source is UTF-8; these literals are built from
// bytes so that the GBK execution character set does not touch them).
std::string utf8(char8_t const* text)
{
    return std::string(reinterpret_cast<char const*>(text));
}

void build_source_tree(fs::path const& root)
{
    make_folder(root, source_time);
    // Chinese names of the GBK range, and one long Joliet name (98 characters,
    // 158 bytes of UTF-8: under the 255 bytes a Linux name may have).
    write_file(root / utf8(u8"中文目录") / utf8(u8"说明文件（第一版）.txt"), "readme\r\n", source_time);
    std::string long_name;
    for (int i = 0; i < 5; ++i)
        long_name += utf8(u8"很长的文件名") + "-long-name-";
    write_file(root / utf8(u8"中文目录") / (long_name + "end.dat"), "long", source_time);
    // Files at and around sector boundaries, and an empty one.
    unsigned seed = 1;
    for (size_t size : { 0, 1, 2047, 2048, 2049, 4096, 100000 })
        write_file(
            root / "sizes" / ("file-" + std::to_string(size) + ".bin"), pseudo_random(size, seed++), source_time);
    // A tree deeper than ISO 9660's eight levels.
    fs::path deep = root;
    for (int level = 1; level <= 12; ++level)
        deep /= "level" + std::to_string(level);
    write_file(deep / "leaf.txt", "deep", source_time);
    make_folder(root / "empty", source_time);
    make_folder(root / "outer" / "inner-empty", source_time);
    write_file(root / "MixedCase.Name.txt", "case", source_time);
    // Folder dates are set last: writing into a folder changes its date.
    for (auto const& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_directory())
            make_folder(entry.path(), source_time);
    }
}

struct PeerCase {
    char const* name;
    char const* maker; // command up to the source folder, image written with -o
    // Paths only the peer shows: genisoimage's folder of relocated deep
    // folders exists in the Rock Ridge tree the peer reads, not in Joliet's.
    std::set<std::string> peer_only {};
};

class IsoPeerExtract : public testing::TestWithParam<PeerCase> { };

TEST_P(IsoPeerExtract, MatchesThePeerExtraction)
{
    tarnwell::test::ScratchFolder scratch;
    auto source = scratch.path() / "source";
    build_source_tree(source);
    auto image = scratch.path() / "image.iso";
    int made = run(std::string(GetParam().maker) + " -o " + quoted(image) + " " + quoted(source) + " >/dev/null 2>&1");
    ASSERT_EQ(made, 0) << GetParam().maker;
    auto expected = peer_extraction(image, scratch.path());
    ASSERT_FALSE(expected.empty());
    auto ours = scratch.path() / "ours";
    ASSERT_EQ(our_extraction(image, ours), 0);
    auto actual = read_tree(ours);
    for (auto const& path : GetParam().peer_only)
        EXPECT_EQ(expected.erase(path), 1u) << path;
    EXPECT_EQ(actual.size(), expected.size());
    for (auto const& [path, entry] : expected) {
        auto found = actual.find(path);
        ASSERT_NE(found, actual.end()) << "missing " << path;
        EXPECT_EQ(found->second.directory, entry.directory) << path;
        EXPECT_TRUE(found->second.content == entry.content) << "content of " << path;
        EXPECT_EQ(found->second.modified, entry.modified) << "date of " << path;
    }
}

INSTANTIATE_TEST_SUITE_P(Makers, IsoPeerExtract,
    testing::Values(PeerCase { "xorriso_joliet_rock_ridge", "xorriso -as mkisofs -R -J -joliet-long" },
        PeerCase { "xorriso_rock_ridge_only", "xorriso -as mkisofs -R" },
        PeerCase {
            "genisoimage_joliet_rock_ridge", "genisoimage -input-charset utf-8 -R -J -joliet-long", { "/rr_moved" } },
        PeerCase { "genisoimage_joliet_only", "genisoimage -input-charset utf-8 -J -joliet-long" }),
    [](auto const& info) { return std::string(info.param.name); });

TEST(IsoPeerExtract, EmptyTreeGivesAnEmptyFolder)
{
    tarnwell::test::ScratchFolder scratch;
    make_folder(scratch.path() / "source", source_time);
    auto image = scratch.path() / "empty.iso";
    // xorriso writes no session at all for an empty tree; genisoimage does.
    ASSERT_EQ(
        run("genisoimage -R -J -o " + quoted(image) + " " + quoted(scratch.path() / "source") + " >/dev/null 2>&1"), 0);
    auto ours = scratch.path() / "ours";
    ASSERT_EQ(our_extraction(image, ours), 0);
    EXPECT_TRUE(fs::is_directory(ours));
    EXPECT_TRUE(fs::is_empty(ours));
}

// A BIOS boot image hidden from the tree and a visible UEFI image: the
// extraction holds what xorriso's does, and the reader keeps both entries.
TEST(IsoPeerExtract, BootImagesHiddenAndVisible)
{
    tarnwell::test::ScratchFolder scratch;
    auto source = scratch.path() / "source";
    build_source_tree(source);
    write_file(source / "boot" / "bios.img", pseudo_random(4096, 77), source_time);
    write_file(source / "boot" / "efi.img", pseudo_random(8192, 78), source_time);
    auto image = scratch.path() / "boot.iso";
    ASSERT_EQ(run("xorriso -as mkisofs -R -J -joliet-long -b boot/bios.img -no-emul-boot -boot-load-size 4 -hide "
                  "bios.img -hide-joliet bios.img -eltorito-alt-boot -e boot/efi.img -no-emul-boot -o "
                  + quoted(image) + " " + quoted(source) + " >/dev/null 2>&1"),
        0);
    auto expected = peer_extraction(image, scratch.path());
    auto ours = scratch.path() / "ours";
    ASSERT_EQ(our_extraction(image, ours), 0);
    auto actual = read_tree(ours);
    EXPECT_EQ(actual.count("/boot/bios.img"), 0u);
    ASSERT_EQ(actual.size(), expected.size());
    for (auto const& [path, entry] : expected)
        EXPECT_TRUE(actual.count(path) && actual[path].content == entry.content) << path;

    auto file = tarnwell::tools::InputFile::open(image.string());
    ASSERT_TRUE(file);
    tarnwell::iso::FileSource bytes(*file);
    auto read = tarnwell::iso::read_image(bytes);
    ASSERT_TRUE(read);
    ASSERT_TRUE(read->image.boot);
    auto const& boot = *read->image.boot;
    EXPECT_EQ(boot.default_entry.emulation, tarnwell::iso::layout::catalog::emulation_none);
    EXPECT_EQ(boot.default_entry.sector_count, 4);
    EXPECT_FALSE(boot.default_entry.visible_path);
    EXPECT_GE(boot.default_entry.image.length, 4096u);
    ASSERT_EQ(boot.sections.size(), 1u);
    EXPECT_EQ(boot.sections[0].platform, tarnwell::iso::layout::catalog::platform_efi);
    ASSERT_EQ(boot.sections[0].entries.size(), 1u);
    EXPECT_EQ(boot.sections[0].entries[0].visible_path.value_or(""), "/boot/efi.img");
    EXPECT_EQ(boot.sections[0].entries[0].image.length, 8192u);
}

}
