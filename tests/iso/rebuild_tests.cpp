// The two rebuild command lines on images that xorriso makes with each kind
// of boot set-up: the results must read cleanly in xorriso, isoinfo and 7z,
// hold the expected trees, keep every boot entry and boot image, and boot
// in QEMU.

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
#include <sstream>

namespace fs = std::filesystem;
using namespace tarnwell::iso::test;

namespace {

constexpr std::int64_t source_time = 1614834367; // 2021-03-04 05:06:07 UTC

std::string utf8(char8_t const* text)
{
    return std::string(reinterpret_cast<char const*>(text));
}

std::string pseudo_random(size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string content(size, '\0');
    for (auto& c : content)
        c = static_cast<char>(generator());
    return content;
}

int tarniso(std::string const& arguments)
{
    return run(std::string(TARNISO_PATH) + " -silent " + arguments);
}

// A PE-like tree: "WXPE" with Chinese names, an empty folder and sector-
// boundary sizes, plus content outside it and the boot images.
void build_pe_tree(fs::path const& root)
{
    write_file(root / "WXPE" / "PECMD.INI", "LINK %Desktop%\\x\r\n", source_time);
    write_file(
        root / "WXPE" / "SYSTEM32" / utf8(u8"工具") / utf8(u8"程序（新版）.exe"), pseudo_random(5000, 1), source_time);
    write_file(root / "WXPE" / "SYSTEM32" / "edge-2048.bin", pseudo_random(2048, 2), source_time);
    make_folder(root / "WXPE" / "EMPTY", source_time);
    write_file(root / "README.TXT", "outside WXPE", source_time);
    write_file(root / "SOURCES" / "boot.wim", pseudo_random(70000, 3), source_time);
    fs::create_directories(root / "boot");
    fs::copy_file(TARNWELL_MARKER_BOOT_IMAGE, root / "boot" / "marker.bin");
    write_file(root / "EFI" / "efi.img", pseudo_random(10240, 4), source_time);
    for (auto const& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_directory())
            make_folder(entry.path().parent_path(), source_time);
    }
    for (auto const& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_directory())
            make_folder(entry.path(), source_time);
    }
}

// "El Torito" lines of xorriso's report, without the sectors (which move).
std::vector<std::string> el_torito_report(fs::path const& image, fs::path const& scratch)
{
    auto out = scratch / "report.txt";
    run("xorriso -indev " + quoted(image) + " -report_el_torito plain > " + quoted(out) + " 2>/dev/null");
    std::vector<std::string> lines;
    std::istringstream text(tarnwell::test::read_whole_file(out));
    std::string line;
    while (std::getline(text, line)) {
        if (!line.starts_with("El Torito") || line.starts_with("El Torito catalog"))
            continue;
        if (line.starts_with("El Torito boot img :") && line.find("LBA") == std::string::npos)
            line = line.substr(0, line.find_last_not_of(" 0123456789") + 1);
        lines.push_back(line);
    }
    return lines;
}

tarnwell::iso::ReadImage read_with_our_reader(fs::path const& image)
{
    auto file = tarnwell::tools::InputFile::open(image.string());
    EXPECT_TRUE(file);
    tarnwell::iso::FileSource source(*file);
    auto read = tarnwell::iso::read_image(source);
    EXPECT_TRUE(read);
    return std::move(*read);
}

// The bytes of every boot image, in catalog order, with the boot
// information table blanked (it is rewritten for the new layout).
std::vector<std::string> boot_images(fs::path const& image)
{
    auto read = read_with_our_reader(image);
    std::vector<std::string> images;
    if (!read.image.boot)
        return images;
    std::vector<tarnwell::iso::BootEntry> entries { read.image.boot->default_entry };
    for (auto const& section : read.image.boot->sections)
        entries.insert(entries.end(), section.entries.begin(), section.entries.end());
    std::string bytes = tarnwell::test::read_whole_file(image);
    for (auto const& entry : entries) {
        auto content = bytes.substr(std::uint64_t { entry.image.sector } * 2048, entry.image.length);
        if (entry.has_boot_info_table)
            std::fill(content.begin() + 8, content.begin() + 64, '\0');
        images.push_back(content);
    }
    return images;
}

// xorriso's warnings and errors when it loads the image.
std::vector<std::string> xorriso_complaints(fs::path const& image, fs::path const& scratch)
{
    auto out = scratch / "complaints.txt";
    EXPECT_EQ(run("xorriso -indev " + quoted(image) + " -find / > /dev/null 2> " + quoted(out)), 0) << image;
    std::vector<std::string> lines;
    std::istringstream text(tarnwell::test::read_whole_file(out));
    std::string line;
    while (std::getline(text, line)) {
        if (line.find("WARNING") != std::string::npos || line.find("SORRY") != std::string::npos
            || line.find("FAILURE") != std::string::npos)
            lines.push_back(line);
    }
    return lines;
}

// A rebuilt image draws no complaint that its source did not (libisofs
// warns about every hidden boot image, whoever wrote it).
void expect_peers_read_cleanly(fs::path const& image, fs::path const& source, fs::path const& scratch)
{
    EXPECT_EQ(xorriso_complaints(image, scratch), xorriso_complaints(source, scratch)) << image;
    EXPECT_EQ(
        run("isoinfo -d -i " + quoted(image) + " >/dev/null && isoinfo -l -J -i " + quoted(image) + " >/dev/null"), 0)
        << "isoinfo complains about " << image;
    EXPECT_EQ(run("7zz t " + quoted(image) + " >/dev/null"), 0) << "7z complains about " << image;
}

// `rewritten` names files whose content a rebuild changes on purpose: the
// boot catalog (new sectors) and a boot image's information table.
void expect_same_tree(Tree const& actual, Tree const& expected, std::set<std::string> const& rewritten)
{
    EXPECT_EQ(actual.size(), expected.size());
    for (auto const& [path, entry] : expected) {
        auto found = actual.find(path);
        ASSERT_NE(found, actual.end()) << "missing " << path;
        EXPECT_EQ(found->second.directory, entry.directory) << path;
        if (!rewritten.count(path)) {
            EXPECT_TRUE(found->second.content == entry.content) << "content of " << path;
        }
        EXPECT_EQ(found->second.modified, entry.modified) << "date of " << path;
    }
}

bool boots_in_qemu(fs::path const& image, fs::path const& scratch)
{
    auto serial = scratch / "serial.txt";
    std::string marker = TARNWELL_MARKER_BOOT_TEXT;
    // Polls the serial output and stops QEMU as soon as the marker shows.
    std::string script = "qemu-system-x86_64 -display none -no-reboot -m 64 -boot d -cdrom " + quoted(image)
        + " -serial file:" + quoted(serial) + " & pid=$!; for i in $(seq 150); do grep -q " + marker + " "
        + quoted(serial) + " 2>/dev/null && break; sleep 0.2; done; kill $pid; wait $pid; grep -q " + marker + " "
        + quoted(serial);
    return run("bash -c " + quoted(fs::path(script)), 60) == 0;
}

struct BootCase {
    char const* name;
    char const* boot_options;
    char const* boot_file; // visible boot image whose table is refilled, or ""
};

class IsoRebuild : public testing::TestWithParam<BootCase> { };

TEST_P(IsoRebuild, RemoveThenAddKeepsTreeAndBoot)
{
    tarnwell::test::ScratchFolder scratch;
    auto const& test_case = GetParam();
    auto source = scratch.path() / "source";
    build_pe_tree(source);
    auto pe = scratch.path() / "pe.iso";
    ASSERT_EQ(run("xorriso -as mkisofs -R -J -joliet-long " + std::string(test_case.boot_options) + " -o " + quoted(pe)
                  + " " + quoted(source) + " >/dev/null 2>&1"),
        0);
    auto original = peer_extraction(pe, scratch.path() / "original");

    // The workspace's road: extract, edit WXPE, take it out, put it back.
    auto tree = scratch.path() / "iso";
    ASSERT_EQ(tarniso("-in " + quoted(pe) + " -extract " + quoted(tree)), 0);
    write_file(tree / "WXPE" / utf8(u8"新程序") / "added.txt", "added", source_time);
    make_folder(tree / "WXPE" / utf8(u8"新程序"), source_time);
    make_folder(tree / "WXPE", source_time);
    fs::remove(tree / "WXPE" / "PECMD.INI");
    auto pe2 = scratch.path() / "pe2.iso";
    auto winpe = scratch.path() / "winpe.iso";
    ASSERT_EQ(
        tarniso("-in " + quoted(pe) + " -rm \"/WXPE\" -jlong -imax -optimize -volu winpe -out " + quoted(pe2)), 0);
    ASSERT_EQ(tarniso("-in " + quoted(pe2) + " -f " + quoted(tree / "WXPE")
                  + " -jlong -imax -optimize -volu winpe -out " + quoted(winpe)),
        0);

    for (auto const& image : { pe2, winpe }) {
        expect_peers_read_cleanly(image, pe, scratch.path());
        EXPECT_EQ(el_torito_report(image, scratch.path()), el_torito_report(pe, scratch.path())) << image;
        EXPECT_EQ(boot_images(image), boot_images(pe)) << image;
    }
    Tree without_wxpe;
    for (auto const& [path, entry] : original) {
        if (!path.starts_with("/WXPE"))
            without_wxpe[path] = entry;
    }
    std::set<std::string> refilled { "/boot.catalog" };
    if (*test_case.boot_file)
        refilled.insert(test_case.boot_file);
    expect_same_tree(peer_extraction(pe2, scratch.path() / "pe2"), without_wxpe, refilled);
    Tree with_local = without_wxpe;
    for (auto const& [path, entry] : read_tree(tree / "WXPE"))
        with_local["/WXPE" + path] = entry;
    with_local["/WXPE"] = read_tree(tree).at("/WXPE");
    expect_same_tree(peer_extraction(winpe, scratch.path() / "winpe"), with_local, refilled);

    if (std::string(test_case.boot_options).find("marker.bin") != std::string::npos) {
        EXPECT_TRUE(boots_in_qemu(winpe, scratch.path())) << "no marker from QEMU";
    }
}

INSTANTIATE_TEST_SUITE_P(BootSetups, IsoRebuild,
    testing::Values(
        BootCase { "bios_hidden",
            "-b boot/marker.bin -no-emul-boot -boot-load-size 4 -hide marker.bin -hide-joliet marker.bin", "" },
        BootCase { "bios_visible", "-b boot/marker.bin -no-emul-boot -boot-load-size 4", "" },
        BootCase { "bios_and_uefi",
            "-b boot/marker.bin -no-emul-boot -boot-load-size 4 -eltorito-alt-boot -e EFI/efi.img -no-emul-boot", "" },
        BootCase { "boot_info_table", "-b boot/marker.bin -no-emul-boot -boot-load-size 4 -boot-info-table",
            "/boot/marker.bin" }),
    [](auto const& info) { return std::string(info.param.name); });

TEST(IsoRebuild, OptimizeStoresEqualFilesOnce)
{
    tarnwell::test::ScratchFolder scratch;
    auto source = scratch.path() / "source";
    std::string shared = pseudo_random(1 << 20, 9);
    for (auto name : { "a.bin", "b.bin", "c.bin" })
        write_file(source / "DUP" / name, shared, source_time);
    write_file(source / "DUP" / "other.bin", pseudo_random(1 << 20, 10), source_time);
    // Equal to the shared content but for its last byte: alike as far as a
    // look at the first bytes goes, yet content of its own.
    std::string late = shared;
    late.back() = static_cast<char>(late.back() ^ 1);
    write_file(source / "DUP" / "late.bin", late, source_time);
    make_folder(scratch.path() / "empty", source_time);
    auto base = scratch.path() / "base.iso";
    ASSERT_EQ(
        run("genisoimage -J -o " + quoted(base) + " " + quoted(scratch.path() / "empty") + " >/dev/null 2>&1"), 0);
    auto plain = scratch.path() / "plain.iso";
    auto optimized = scratch.path() / "optimized.iso";
    ASSERT_EQ(tarniso("-in " + quoted(base) + " -f " + quoted(source / "DUP") + " -out " + quoted(plain)), 0);
    ASSERT_EQ(
        tarniso("-in " + quoted(base) + " -f " + quoted(source / "DUP") + " -optimize -out " + quoted(optimized)), 0);
    auto saved = static_cast<std::int64_t>(fs::file_size(plain)) - static_cast<std::int64_t>(fs::file_size(optimized));
    EXPECT_EQ(saved, 2 << 20);
    auto tree = peer_extraction(optimized, scratch.path() / "x");
    for (auto name : { "/DUP/a.bin", "/DUP/b.bin", "/DUP/c.bin" })
        EXPECT_TRUE(tree[name].content == shared) << name;
    EXPECT_EQ(tree["/DUP/other.bin"].content.size(), 1u << 20);
    EXPECT_FALSE(tree["/DUP/other.bin"].content == shared);
    EXPECT_TRUE(tree["/DUP/late.bin"].content == late);
}

TEST(IsoRebuild, RefusesWhatItCannotDoAndLeavesNoOutput)
{
    tarnwell::test::ScratchFolder scratch;
    auto source = scratch.path() / "source";
    write_file(source / "WXPE" / "x.txt", "x", source_time);
    auto image = scratch.path() / "pe.iso";
    ASSERT_EQ(run("genisoimage -J -o " + quoted(image) + " " + quoted(source) + " >/dev/null 2>&1"), 0);
    auto before = tarnwell::test::read_whole_file(image);
    struct Case {
        std::string arguments;
    };
    Case const cases[] = {
        { "-rm /NOPE" },
        { "-rm /WXPE/x.txt/deeper" },
        { "-f " + quoted(scratch.path() / "missing-folder") },
        { "-f " + quoted(source / "WXPE" / "x.txt") },
    };
    auto out = scratch.path() / "out.iso";
    for (auto const& test_case : cases) {
        EXPECT_NE(
            tarniso("-in " + quoted(image) + " " + test_case.arguments + " -out " + quoted(out) + " 2>/dev/null"), 0)
            << test_case.arguments;
        EXPECT_FALSE(fs::exists(out)) << test_case.arguments;
    }
    // Nothing half-written stays beside the output, and the input is untouched.
    for (auto const& entry : fs::directory_iterator(scratch.path()))
        EXPECT_FALSE(entry.path().extension() == ".tmp") << entry.path();
    EXPECT_TRUE(tarnwell::test::read_whole_file(image) == before);
    // Letter case does not matter for -rm, and "\" works as a separator.
    ASSERT_EQ(tarniso("-in " + quoted(image) + " -rm \"\\wxpe\\X.TXT\" -out " + quoted(out)), 0);
    auto tree = peer_extraction(out, scratch.path() / "x");
    EXPECT_EQ(tree.count("/WXPE"), 1u);
    EXPECT_EQ(tree.count("/WXPE/x.txt"), 0u);
}

}

namespace {

// A hybrid image (MBR with an EFI partition over the UEFI boot image, and a
// GPT): the partition follows its boot image into the new layout, the GPT
// that describes the old one is left out with a warning.
TEST(IsoRebuild, HybridPartitionFollowsItsBootImage)
{
    auto folder = tarnwell::test::shared_testdata_dir();
    if (!folder)
        GTEST_SKIP() << "no shared test input beside this clone";
    tarnwell::test::ScratchFolder scratch;
    auto out = scratch.path() / "out.iso";
    auto log = scratch.path() / "log.txt";
    ASSERT_EQ(
        tarniso("-in " + quoted(*folder / "embed-areas-2022-09.iso") + " -out " + quoted(out) + " 2> " + quoted(log)),
        0);
    EXPECT_NE(tarnwell::test::read_whole_file(log).find("GPT"), std::string::npos);
    auto bytes = tarnwell::test::read_whole_file(out);
    auto le32 = [&](size_t at) {
        return static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at]))
            | static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 1])) << 8
            | static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 2])) << 16
            | static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 3])) << 24;
    };
    auto read = read_with_our_reader(out);
    ASSERT_TRUE(read.image.boot);
    ASSERT_EQ(read.image.boot->sections.size(), 1u);
    auto efi_sector = read.image.boot->sections[0].entries[0].image.sector;
    size_t efi_partition = 446 + 16; // the second entry, type 0xEF
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[efi_partition + 4]), 0xEF);
    EXPECT_EQ(le32(efi_partition + 8), efi_sector * 4);
    EXPECT_NE(bytes.substr(512, 8), "EFI PART");
}

}
