// The xcopy stand-in: its command line, and the copy that the add of a
// program folder relies on, run as the program runs it.

#include "test_support.h"
#include "xcopy_arguments.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace fs = std::filesystem;
using namespace tarnwell;

namespace {

TEST(XcopyArguments, SplitsPathsAndSwitchesGluedOrNot)
{
    struct Case {
        std::vector<std::string> arguments;
        std::string source;
        std::string destination;
        bool subfolders;
        bool read_only;
    };
    Case const cases[] = {
        { { "C:\\prog", "C:\\tmp\\iso\\WXPE\\SYSTEM32\\TOOL/s", "/e", "/h", "/q", "/y", "/r", "/k" }, "C:\\prog",
            "C:\\tmp\\iso\\WXPE\\SYSTEM32\\TOOL", true, true },
        { { "\\tmp\\a", "\\tmp\\b/S/E", "/R" }, "\\tmp\\a", "\\tmp\\b", true, true },
        { { "/S", "/tmp/a", "/tmp/b" }, "/tmp/a", "/tmp/b", true, false }, { { "src" }, "src", ".", false, false },
        { { "a\\dir/with", "b" }, "a\\dir/with", "b", false, false }, // "/with" is no switch
    };
    for (auto const& item : cases) {
        auto parsed = xcopy::parse_arguments(item.arguments);
        ASSERT_TRUE(parsed.options.has_value()) << item.arguments[0] << ": " << parsed.error;
        EXPECT_EQ(parsed.options->source, item.source);
        EXPECT_EQ(parsed.options->destination, item.destination);
        EXPECT_EQ(parsed.options->subfolders, item.subfolders);
        EXPECT_EQ(parsed.options->replace_read_only, item.read_only);
    }
    EXPECT_FALSE(xcopy::parse_arguments({}).options.has_value());
    EXPECT_FALSE(xcopy::parse_arguments({ "a", "b", "c" }).options.has_value());
    EXPECT_FALSE(xcopy::parse_arguments({ "a", "b", "/z" }).options.has_value());
}

class Xcopy : public ::testing::Test {
protected:
    fs::path at(std::string const& relative) const { return m_scratch.path() / relative; }
    std::string windows(std::string const& relative) const
    {
        std::string path = at(relative).string();
        std::replace(path.begin(), path.end(), '/', '\\');
        return path;
    }
    void write(std::string const& relative, std::string const& content)
    {
        fs::create_directories(at(relative).parent_path());
        std::ofstream(at(relative), std::ios::binary) << content;
    }
    std::string read(std::string const& relative) const
    {
        std::ifstream in(at(relative), std::ios::binary);
        return { std::istreambuf_iterator<char>(in), {} };
    }
    // Exit status, with stderr kept in m_errors.
    int run(std::string const& arguments)
    {
        std::string command = std::string("timeout 60 '") + XCOPY_PATH + "' " + arguments + " >/dev/null 2>'"
            + at("errors.txt").string() + "'";
        int status = std::system(command.c_str());
        m_errors = read("errors.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    test::ScratchFolder m_scratch;
    std::string m_errors;
};

TEST_F(Xcopy, CopiesTheWholeFolderWithTheSwitchGluedToTheDestination)
{
    write("prog/app.exe", "app");
    write("prog/.config", "hidden");
    write("prog/data/deep/file.dat", "deep");
    fs::create_directories(at("prog/empty/emptier"));
    fs::permissions(at("prog/app.exe"), fs::perms(0751));
    write("prog/ro.txt", "read only");
    fs::permissions(at("prog/ro.txt"), fs::perms(0444));

    EXPECT_EQ(run("'" + windows("prog") + "' '" + windows("out\\TOOL") + "/s' /e /h /q /y /r /k"), 0) << m_errors;
    EXPECT_EQ(read("out/TOOL/app.exe"), "app");
    EXPECT_EQ(read("out/TOOL/.config"), "hidden");
    EXPECT_EQ(read("out/TOOL/data/deep/file.dat"), "deep");
    EXPECT_TRUE(fs::is_directory(at("out/TOOL/empty/emptier")));
    EXPECT_EQ(fs::status(at("out/TOOL/app.exe")).permissions(), fs::perms(0751));
    EXPECT_EQ(fs::status(at("out/TOOL/ro.txt")).permissions(), fs::perms(0444));
    EXPECT_FALSE(fs::exists(at("out/TOOL/s")));

    // Again over the copy: same-named files, read-only ones too, replaced.
    write("prog/ro.txt.new", "x");
    fs::permissions(at("prog/ro.txt"), fs::perms(0644));
    write("prog/ro.txt", "second version");
    fs::permissions(at("prog/ro.txt"), fs::perms(0444));
    EXPECT_EQ(run("'" + windows("prog") + "' '" + windows("out\\TOOL") + "/S/E/H/Q/Y/R/K'"), 0) << m_errors;
    EXPECT_EQ(read("out/TOOL/ro.txt"), "second version");
}

TEST_F(Xcopy, SwitchesDecideWhatIsCopied)
{
    write("prog/top.txt", "t");
    write("prog/.hidden", "h");
    write("prog/sub/inner.txt", "i");
    fs::create_directories(at("prog/empty"));
    EXPECT_EQ(run("'" + windows("prog") + "' '" + windows("plain") + "' /q"), 0) << m_errors;
    EXPECT_TRUE(fs::exists(at("plain/top.txt")));
    EXPECT_FALSE(fs::exists(at("plain/.hidden")));
    EXPECT_FALSE(fs::exists(at("plain/sub")));

    EXPECT_EQ(run("'" + windows("prog") + "' '" + windows("with_s") + "' /s"), 0) << m_errors;
    EXPECT_TRUE(fs::exists(at("with_s/sub/inner.txt")));
    EXPECT_FALSE(fs::exists(at("with_s/empty")));
}

TEST_F(Xcopy, AReadOnlyTargetNeedsR)
{
    write("prog/f.txt", "new");
    write("out/f.txt", "old");
    fs::permissions(at("out/f.txt"), fs::perms(0444));
    EXPECT_NE(run("'" + windows("prog") + "' '" + windows("out") + "' /y"), 0);
    EXPECT_EQ(read("out/f.txt"), "old");
    EXPECT_EQ(run("'" + windows("prog") + "' '" + windows("out") + "' /y /r"), 0) << m_errors;
    EXPECT_EQ(read("out/f.txt"), "new");
}

TEST_F(Xcopy, FailsClearlyWhenTheSourceIsMissingOrTheCopyIsCyclic)
{
    EXPECT_EQ(run("'" + windows("missing") + "' '" + windows("out") + "' /s"), 4);
    EXPECT_EQ(m_errors, "xcopy: file not found - " + windows("missing") + "\n");
    EXPECT_FALSE(fs::exists(at("out")));

    write("prog/f", "f");
    EXPECT_EQ(run("'" + windows("prog") + "' '" + windows("prog\\inside") + "' /s"), 4);
    EXPECT_NE(m_errors.find("into itself"), std::string::npos) << m_errors;
    EXPECT_EQ(run("a b /z"), 4);
    EXPECT_EQ(m_errors, "xcopy: invalid switch - /z\n");
}

TEST_F(Xcopy, APatternCopiesTheMatchingFiles)
{
    write("prog/a.TXT", "a");
    write("prog/b.txt", "b");
    write("prog/c.doc", "c");
    EXPECT_EQ(run("'" + windows("prog") + "\\*.txt' '" + windows("out") + "'"), 0) << m_errors;
    EXPECT_TRUE(fs::exists(at("out/a.TXT")));
    EXPECT_TRUE(fs::exists(at("out/b.txt")));
    EXPECT_FALSE(fs::exists(at("out/c.doc")));
}

}
