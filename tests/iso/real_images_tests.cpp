// The ISO images of the shared test input (made by other tools, some broken
// or hostile) against the extraction results listed beside them.

#include "peer_support.h"
#include "test_support.h"

#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace fs = std::filesystem;
using namespace tarnwell::iso::test;

namespace {

// Expected path -> md5 of the regular files, from EXPECTED.md5.
std::map<std::string, std::string> expected_files(fs::path const& folder, std::string const& image)
{
    std::map<std::string, std::string> files;
    std::ifstream in(folder / "EXPECTED.md5");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string file, md5, size, path;
        if (line.starts_with("#") || !std::getline(fields, file, '\t') || file != image)
            continue;
        std::getline(fields, md5, '\t');
        std::getline(fields, size, '\t');
        std::getline(fields, path, '\t');
        if (md5 != "symlink" && md5 != "device")
            files["/" + path] = md5;
    }
    return files;
}

std::string md5_of(fs::path const& file)
{
    tarnwell::test::ScratchFolder scratch;
    auto out = scratch.path() / "md5";
    run("md5sum " + quoted(file) + " > " + quoted(out));
    std::ifstream in(out);
    std::string md5;
    in >> md5;
    return md5;
}

struct RealCase {
    char const* image;
    int exit_status;
    // Files we write that the reference does not (Joliet names win, so a
    // Rock Ridge link shows as the empty file Joliet records for it).
    std::set<std::string> extra;
    // Reference files we leave out with an error (zisofs content).
    std::set<std::string> missing;
};

class IsoRealImages : public testing::TestWithParam<RealCase> { };

TEST_P(IsoRealImages, ExtractLikeTheReference)
{
    auto folder = tarnwell::test::shared_testdata_dir();
    if (!folder)
        GTEST_SKIP() << "no shared test input beside this clone";
    auto const& test_case = GetParam();
    tarnwell::test::ScratchFolder scratch;
    auto ours = scratch.path() / "out";
    EXPECT_EQ(our_extraction(*folder / test_case.image, ours), test_case.exit_status);
    auto expected = expected_files(*folder, test_case.image);
    std::set<std::string> seen;
    if (fs::exists(ours)) {
        for (auto const& entry : fs::recursive_directory_iterator(ours)) {
            if (!entry.is_regular_file())
                continue;
            auto path = "/" + fs::relative(entry.path(), ours).generic_string();
            seen.insert(path);
            if (test_case.extra.count(path))
                continue;
            auto found = expected.find(path);
            ASSERT_NE(found, expected.end()) << "unexpected " << path;
            EXPECT_EQ(md5_of(entry.path()), found->second) << path;
        }
    }
    for (auto const& [path, md5] : expected)
        EXPECT_TRUE(seen.count(path) || test_case.missing.count(path)) << "missing " << path;
}

INSTANTIATE_TEST_SUITE_P(Shared, IsoRealImages,
    testing::Values(RealCase { "joliet.iso", 0, {}, {} }, RealCase { "copying-rr.iso", 0, {}, {} },
        RealCase { "copying.iso", 0, {}, {} }, RealCase { "multi_extent_8k.iso", 0, {}, {} },
        RealCase { "deep-directory.iso", 0, {}, {} }, RealCase { "test-udf1.iso", 0, {}, {} },
        RealCase { "test_read_format_iso_joliet_rockridge.iso", 0, { "/symlink" }, {} },
        RealCase { "test_read_format_iso_zisofs.iso", 1, {}, { "/file", "/hardlink" } },
        RealCase { "embed-areas-2022-09.iso", 0, {}, {} }, RealCase { "embed-areas-2020-09.iso", 0, {}, {} },
        RealCase { "embed-areas-2023-03.s390x.iso", 0, {}, {} }, RealCase { "ISO.iso", 1, {}, {} },
        RealCase { "bad-dir.iso", 0, {}, {} },
        RealCase { "test_read_format_iso_joliet_utf16be_overflow.iso", 0, {}, {} }),
    [](auto const& info) {
        std::string name = info.param.image;
        for (auto& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        }
        return name;
    });

}
