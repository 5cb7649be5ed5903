// A file larger than one extent can hold goes through both rebuild steps
// and extraction: it is written as several records (the multi-extent flag
// on all but the last) in the ISO 9660 tree and in the Joliet tree, and must
// read back whole in xorriso, isoinfo and tarniso, with its bytes at their
// offsets on either side of each extent boundary. The file is sparse, and
// the images and the extracted copy keep its holes, so where the file system
// keeps holes the test writes a few megabytes, not three times 4 GiB.

#include "peer_support.h"
#include "test_support.h"

#include "iso/byte_source.h"
#include "iso/image_reader.h"
#include "iso/image_writer.h"

#include "common/file_io.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace fs = std::filesystem;
using namespace tarnwell::iso::test;

namespace {

constexpr std::int64_t source_time = 1614834367; // 2021-03-04 05:06:07 UTC
constexpr std::uint64_t mib = 1ull << 20;
constexpr std::uint64_t big_size = (4ull << 30) + 3 * mib;
// Where the file system keeps no holes, two images of the file exist at a
// time (the first is removed before extracting from the second).
constexpr std::uintmax_t space_needed = 9ull << 30;
constexpr std::uint64_t first_extent = tarnwell::iso::max_extent_length;

struct Marker {
    std::uint64_t offset;
    std::string bytes;
};

std::vector<Marker> markers()
{
    std::string const tail = "the very last bytes";
    return {
        { 0, "first bytes of the file" },
        { first_extent - 7, "across the first extent's end" },
        { 4ull << 30, "at four GiB" },
        { big_size - tail.size(), tail },
    };
}

std::string read_piece(fs::path const& path, std::uint64_t offset, size_t length)
{
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    std::string bytes(length, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(length));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

void make_sparse_file(fs::path const& path)
{
    std::ofstream(path, std::ios::binary).close();
    fs::resize_file(path, big_size);
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    for (auto const& marker : markers()) {
        file.seekp(static_cast<std::streamoff>(marker.offset));
        file.write(marker.bytes.data(), static_cast<std::streamsize>(marker.bytes.size()));
    }
}

int tarniso(std::string const& arguments)
{
    return run(std::string(TARNISO_PATH) + " -silent " + arguments);
}

// How xorriso is told to read one tree: Joliet (its choice for images
// without Rock Ridge) or the plain ISO 9660 one.
struct TreeView {
    char const* name;
    char const* options;
    char const* before_path;
    char const* huge_path;
    char const* after_path;
};

TreeView const views[] = {
    { "Joliet", "", "/BIG/a-before.txt", "/BIG/huge.bin", "/BIG/zz-after.txt" },
    { "ISO 9660", "-read_fs ecma119", "/BIG/A_BEFORE.TXT", "/BIG/HUGE.BIN", "/BIG/ZZ_AFTER.TXT" },
};

std::string xorriso_cut(fs::path const& image, TreeView const& view, std::string const& path, std::uint64_t offset,
    size_t length, fs::path const& scratch)
{
    auto out = scratch / "cut.bin";
    fs::remove(out);
    run("xorriso " + std::string(view.options) + " -osirrox on -indev " + quoted(image) + " -extract_cut "
        + quoted(fs::path(path)) + " " + std::to_string(offset) + " " + std::to_string(length) + " " + quoted(out)
        + " >/dev/null 2>&1");
    return fs::exists(out) ? tarnwell::test::read_whole_file(out) : "";
}

std::uint64_t xorriso_size(
    fs::path const& image, TreeView const& view, std::string const& path, fs::path const& scratch)
{
    auto out = scratch / "lsl.txt";
    run("xorriso " + std::string(view.options) + " -indev " + quoted(image) + " -lsl " + quoted(fs::path(path)) + " > "
        + quoted(out) + " 2>/dev/null");
    std::istringstream line(tarnwell::test::read_whole_file(out));
    std::string mode, links, owner, group;
    std::uint64_t size = 0;
    line >> mode >> links >> owner >> group >> size;
    return size;
}

// Where a peer says the pieces of a file lie in the image.
struct Section {
    std::uint64_t sector { 0 };
    std::uint64_t length { 0 };
};

std::vector<Section> xorriso_sections(
    fs::path const& image, TreeView const& view, std::string const& path, fs::path const& scratch)
{
    auto out = scratch / "sections.txt";
    run("xorriso " + std::string(view.options) + " -indev " + quoted(image) + " -find " + quoted(fs::path(path))
        + " -exec report_sections > " + quoted(out) + " 2>/dev/null");
    // "File data lba:  0 ,       27 ,  2097151 , 4294965248 , '/BIG/huge.bin'"
    std::istringstream text(tarnwell::test::read_whole_file(out));
    std::vector<Section> sections;
    std::string line;
    while (std::getline(text, line)) {
        if (!line.starts_with("File data lba:"))
            continue;
        std::istringstream fields(line.substr(line.find(':') + 1));
        std::uint64_t index = 0, blocks = 0;
        char comma = 0;
        Section section;
        fields >> index >> comma >> section.sector >> comma >> blocks >> comma >> section.length;
        sections.push_back(section);
    }
    return sections;
}

// The records that isoinfo lists for `name` (compared without letter case
// and version) in `folder`.
std::vector<Section> isoinfo_sections(fs::path const& image, char const* tree_option, std::string const& folder,
    std::string const& name, fs::path const& scratch)
{
    auto out = scratch / "isoinfo.txt";
    EXPECT_EQ(run("isoinfo -l " + std::string(tree_option) + " -i " + quoted(image) + " > " + quoted(out)), 0);
    // "----------   0    0    0      4294965248 Dec 11 2026 [     30 00]  HUGE.BIN;1 "
    std::istringstream text(tarnwell::test::read_whole_file(out));
    std::vector<Section> sections;
    std::string line;
    bool in_folder = false;
    while (std::getline(text, line)) {
        if (line.starts_with("Directory listing of ")) {
            in_folder = line == "Directory listing of " + folder;
            continue;
        }
        std::istringstream fields(line);
        std::string mode, links, owner, group, token, last;
        Section section;
        if (!in_folder || !(fields >> mode >> links >> owner >> group >> section.length))
            continue;
        while (fields >> token)
            last = token;
        last = last.substr(0, last.find(';'));
        std::transform(last.begin(), last.end(), last.begin(), [](unsigned char c) { return std::tolower(c); });
        if (last != name || line.find('[') == std::string::npos)
            continue;
        std::istringstream(line.substr(line.find('[') + 1)) >> section.sector;
        sections.push_back(section);
    }
    return sections;
}

// Bytes of the file the sections make up, read from the image itself.
std::string file_bytes(fs::path const& image, std::vector<Section> const& sections, std::uint64_t offset, size_t length)
{
    std::string bytes;
    for (auto const& section : sections) {
        if (bytes.size() == length)
            break;
        if (offset >= section.length) {
            offset -= section.length;
            continue;
        }
        size_t piece = static_cast<size_t>(std::min<std::uint64_t>(section.length - offset, length - bytes.size()));
        bytes += read_piece(image, section.sector * 2048 + offset, piece);
        offset = 0;
    }
    return bytes;
}

void expect_split_file(fs::path const& image, std::vector<Section> const& sections, std::string const& seen_by)
{
    SCOPED_TRACE(seen_by + " on " + image.filename().string());
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(sections[0].length, first_extent);
    EXPECT_EQ(sections[0].length + sections[1].length, big_size);
    for (auto const& marker : markers())
        EXPECT_EQ(file_bytes(image, sections, marker.offset, marker.bytes.size()), marker.bytes) << marker.offset;
}

void expect_whole_in_peers(fs::path const& image, fs::path const& scratch)
{
    for (auto const& view : views) {
        EXPECT_EQ(xorriso_size(image, view, view.huge_path, scratch), big_size) << view.name << " of " << image;
        expect_split_file(
            image, xorriso_sections(image, view, view.huge_path, scratch), std::string("xorriso (") + view.name + ")");
        // The records around the file's extents are files of their own.
        EXPECT_EQ(xorriso_cut(image, view, view.before_path, 0, 6, scratch), "before") << view.name << " of " << image;
        EXPECT_EQ(xorriso_cut(image, view, view.after_path, 0, 5, scratch), "after") << view.name << " of " << image;
    }
    for (auto const* tree : { "", "-J" })
        expect_split_file(
            image, isoinfo_sections(image, tree, "/BIG/", "huge.bin", scratch), std::string("isoinfo -l ") + tree);
}

void expect_whole_in_our_extraction(fs::path const& image, fs::path const& scratch)
{
    auto out = scratch / "extracted";
    ASSERT_EQ(tarniso("-in " + quoted(image) + " -extract " + quoted(out)), 0);
    auto huge = out / "BIG" / "huge.bin";
    EXPECT_EQ(fs::file_size(huge), big_size);
    for (auto const& marker : markers())
        EXPECT_EQ(read_piece(huge, marker.offset, marker.bytes.size()), marker.bytes) << "at " << marker.offset;
    EXPECT_EQ(tarnwell::test::read_whole_file(out / "BIG" / "zz-after.txt"), "after");
    fs::remove_all(out);
}

std::vector<std::string> root_names(fs::path const& image)
{
    std::vector<std::string> names;
    auto file = tarnwell::tools::InputFile::open(image.string());
    EXPECT_TRUE(file);
    if (!file)
        return names;
    tarnwell::iso::FileSource source(*file);
    auto read = tarnwell::iso::read_image(source);
    EXPECT_TRUE(read);
    if (!read)
        return names;
    for (auto const& child : read->image.root.children)
        names.push_back(child.name);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(IsoLargeFile, SplitIntoExtentsAndReadBackWhole)
{
    auto temp = fs::temp_directory_path();
    auto free_space = fs::space(temp).available;
    if (free_space < space_needed)
        GTEST_SKIP() << "needs " << (space_needed >> 30) << " GiB free in " << temp << " (has " << (free_space >> 20)
                     << " MiB) for images of a file over 4 GiB";
    tarnwell::test::ScratchFolder scratch;
    auto base_tree = scratch.path() / "base";
    write_file(base_tree / "keep.txt", "kept", source_time);
    write_file(base_tree / "drop.txt", "dropped", source_time);
    auto base = scratch.path() / "base.iso";
    ASSERT_EQ(run("genisoimage -J -o " + quoted(base) + " " + quoted(base_tree) + " >/dev/null 2>&1"), 0);
    auto big = scratch.path() / "BIG";
    write_file(big / "a-before.txt", "before", source_time);
    write_file(big / "zz-after.txt", "after", source_time);
    make_sparse_file(big / "huge.bin");

    // Added from the local folder.
    auto added = scratch.path() / "added.iso";
    ASSERT_EQ(
        tarniso("-in " + quoted(base) + " -f " + quoted(big) + " -jlong -imax -optimize -out " + quoted(added)), 0);
    fs::remove_all(big);
    expect_whole_in_peers(added, scratch.path());

    // Carried over from the extents of the source image.
    auto removed = scratch.path() / "removed.iso";
    ASSERT_EQ(tarniso("-in " + quoted(added) + " -rm /DROP.TXT -jlong -imax -optimize -out " + quoted(removed)), 0);
    fs::remove(added);
    EXPECT_EQ(root_names(removed), (std::vector<std::string> { "BIG", "keep.txt" }));
    expect_whole_in_peers(removed, scratch.path());
    // Once, xorriso reads the content itself: it reads from the file's start
    // (about ten seconds for 4 GiB), across the extent boundary to the end.
    auto const tail = markers().back();
    EXPECT_EQ(
        xorriso_cut(removed, views[0], views[0].huge_path, tail.offset, tail.bytes.size(), scratch.path()), tail.bytes);
    expect_whole_in_our_extraction(removed, scratch.path());
    // No temporary output is left behind.
    for (auto const& entry : fs::recursive_directory_iterator(scratch.path()))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}

}
