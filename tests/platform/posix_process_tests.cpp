// RunAndWait on POSIX: how the program of a command line is found, our
// interpreter of one-line ".cmd" scripts, and what the started program sees.

#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/posix_command.h"
#include "platform/process.h"
#include "test_support.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace tarnwell;

namespace {

std::vector<std::string> read_lines(fs::path const& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void write_file(fs::path const& path, std::string const& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

// Each test runs in its own scratch folder as the current directory.
class InScratch : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_before = fs::current_path();
        fs::current_path(m_scratch.path());
    }
    void TearDown() override { fs::current_path(m_before); }
    fs::path path(std::string const& relative) const { return m_scratch.path() / relative; }
    Text core(std::string const& relative) const
    {
        std::string text = path(relative).string();
        std::replace(text.begin(), text.end(), '/', '\\');
        return gbk_from_utf8(text);
    }

    test::ScratchFolder m_scratch;
    fs::path m_before;
};

class Resolve : public InScratch { };

TEST_F(Resolve, FindsProgramsAsWindowsWouldForThisProgram)
{
    fs::create_directories(path("standins"));
    fs::create_directories(path("bin"));
    fs::create_directories(path("sub dir"));
    for (auto name : { "standins/expand", "standins/xcopy", "bin/tool", "bin/plain.cmd", "Run.CMD", "sub dir/p.exe",
             "ultraiso.exe", "notexec", "local" }) {
        write_file(path(name), "#!/bin/sh\n");
    }
    fs::permissions(path("standins/expand"), fs::perms::owner_exec, fs::perm_options::add);
    fs::permissions(path("bin/tool"), fs::perms::owner_exec, fs::perm_options::add);
    fs::permissions(path("local"), fs::perms::owner_exec, fs::perm_options::add);
    posix::SearchPlaces places { path("standins").string(), "/nonexistent:" + path("bin").string() };

    struct Case {
        char const* token;
        std::optional<std::string> found; // relative to the scratch folder
        posix::ProgramKind kind;
    };
    using enum posix::ProgramKind;
    Case const cases[] = {
        { "expand", "standins/expand", Executable },
        { "EXPAND.EXE", "standins/expand", Executable },
        { "xcopy", "standins/xcopy", Executable },
        { "makecab", std::nullopt, Executable }, // a missing stand-in is never looked for elsewhere
        { "tool", "bin/tool", Executable },
        { "ultraiso", "./ultraiso.exe", Executable },
        { "run.cmd", "./Run.CMD", Script },
        { "local", "./local", Executable },
        { "notexec", std::nullopt, Executable },
        { "plain.cmd", std::nullopt, Script }, // PATH holds programs that may run
        { "sub dir\\p", "sub dir/p.exe", Executable },
        { "SUB DIR\\P.EXE", "sub dir/p.exe", Executable },
        { "nothing", std::nullopt, Executable },
    };
    for (auto const& item : cases) {
        SCOPED_TRACE(item.token);
        auto program = posix::resolve_program(item.token, places);
        ASSERT_EQ(program.has_value(), item.found.has_value());
        if (!program)
            continue;
        EXPECT_EQ(fs::weakly_canonical(program->path), fs::weakly_canonical(path(*item.found)));
        EXPECT_EQ(program->kind, item.kind);
    }
}

class Run : public InScratch { };

TEST_F(Run, TheChildGetsUtf8ArgumentsAndNoOtherDescriptors)
{
    fs::copy_file(CHILD_REPORT_PATH, path("child"));
    write_file(path("data"), "d");
    FileNumber held = OpenFile(core("data"));
    ASSERT_NE(held, 0);
    int leaked = ::open(path("data").c_str(), O_RDONLY); // not close-on-exec
    ASSERT_GE(leaked, 0);
    // GBK in the command line, UTF-8 in the child's arguments, as in names.
    EXPECT_TRUE(RunAndWait(core("child") + " 中文"));
    ::close(leaked);
    CloseFile(held);
    auto lines = read_lines(path("report.txt"));
    EXPECT_EQ(lines,
        (std::vector<std::string> {
            fs::canonical(m_scratch.path()).string(), "\xE4\xB8\xAD\xE6\x96\x87", "inherited:" }));
}

TEST_F(Run, AnExeWrittenWithoutTheExecuteBitStillStarts)
{
    // As the program writes its ISO tool: plain bytes, no execute bit.
    std::ifstream in(CHILD_REPORT_PATH, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    ASSERT_TRUE(WriteFileBytes(core("ultraiso.exe"), ToBytes(content.str())));
    write_file(path("ucmd.cmd"), "ultraiso -silent -in pe.iso -extract \"iso\"");
    ASSERT_TRUE(ChangeDirectory(core("")));

    EXPECT_TRUE(RunAndWait(core("ucmd.cmd")));
    auto lines = read_lines(path("report.txt"));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[1], "-silent");
    EXPECT_EQ(lines[5], "iso");
}

TEST_F(Run, FailsWithoutWaitingWhenNothingCanStart)
{
    write_file(path("broken.exe"), "not a program at all");
    write_file(path("self.cmd"), "self.cmd");
    write_file(path("missing.cmd"), "no-such-program here");
    EXPECT_FALSE(RunAndWait("broken.exe"));
    EXPECT_FALSE(RunAndWait("no-such-program"));
    EXPECT_FALSE(RunAndWait("absent.cmd"));
    // The interpreter itself started: true, as with the Windows one, even
    // when the script's line finds nothing or runs itself round.
    EXPECT_TRUE(RunAndWait("missing.cmd"));
    EXPECT_TRUE(RunAndWait("self.cmd"));
}

TEST_F(Run, TheXcopyStandInIsFoundBesideTheProgram)
{
    ASSERT_TRUE(fs::exists(fs::path(XCOPY_PATH)));
    fs::create_directories(path("prog/empty"));
    write_file(path("prog/main.exe"), "m");
    write_file(path("prog/.hidden"), "h");
    fs::create_directories(path("iso/WXPE/system32"));
    std::string line = "xcopy " + core("prog") + " " + core("iso") + "\\WXPE\\SYSTEM32\\TOOL/s /e /h /q /y /r /k";
    EXPECT_TRUE(RunAndWait(line));
    for (auto name : { "main.exe", ".hidden", "empty" })
        EXPECT_TRUE(fs::exists(path("iso/WXPE/system32/TOOL") / name)) << name;
}

}
