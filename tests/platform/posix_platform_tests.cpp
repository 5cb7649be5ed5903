// The rules the POSIX implementation carries to behave as Windows does:
// pattern matching, command-line splitting, case-blind paths, and the
// private temporary folder.

#include "platform/command_line.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/name_pattern.h"
#include "test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace tarnwell;

namespace {

TEST(NamePattern, MatchesAsTheWindowsListingDoes)
{
    struct Case {
        char const* pattern;
        char const* name;
        bool matches;
    };
    Case const cases[] = {
        { "*.*", "noext", true },
        { "*.*", ".profile", true },
        { "*.*", "a.b.c", true },
        { "*", "anything.at.all", true },
        { "*.txt", "x.y.txt", true },
        { "*.txt", "x.txt.bak", false },
        { "*.TXT", "readme.txt", true },
        { "*.", "noext", true },
        { "*.", "has.ext", false },
        { "a.*", "a", true },
        { "a.*", "a.b", true },
        { "a.*", "ab", false },
        { "a?", "a", true },
        { "a?", "ab", true },
        { "a?", "abc", false },
        { "a?b", "a.b", false }, // "?" never takes a dot
        { "a?.txt", "a.txt", true },
        { "??", "abc", false },
        { "b*a", "banana", true },
        { "*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false },
        { "PECMD.ini", "pecmd.INI", true },
        { "pecmd.ini", "pecmd.ini2", false },
        { "\xC3\x84*", "\xC3\xA4rger", true }, // Ä* against ärger
        { "\xD0\x96*", "\xD0\xB6\xD1\x83\xD0\xBA", true }, // Ж* against жук
        { "\xE4\xB8\xAD*", "\xE4\xB8\xAD\xE6\x96\x87", true }, // 中* against 中文
        { "x", "\xFFx", false },
    };
    for (auto const& item : cases)
        EXPECT_EQ(name_matches_pattern(item.pattern, item.name), item.matches) << item.pattern << " / " << item.name;
}

TEST(CommandLine, SplitsByTheWindowsRules)
{
    using Tokens = std::vector<std::string>;
    struct Case {
        char const* line;
        Tokens tokens;
    };
    Case const cases[] = {
        { "", {} },
        { "   ", {} },
        { "xcopy a b/s /e", { "xcopy", "a", "b/s", "/e" } },
        { "  prog\targ", { "prog", "arg" } },
        { "\"C:\\Program Files\\t.exe\" -x", { "C:\\Program Files\\t.exe", "-x" } },
        { "\"C:\\dir\\\\\" next", { "C:\\dir\\\\", "next" } }, // no escapes in the program
        { "p \"a b\" c", { "p", "a b", "c" } },
        { "p a\\\\b", { "p", "a\\\\b" } },
        { "p a\\\"b", { "p", "a\"b" } },
        { "p a\\\\\"b c\"", { "p", "a\\b c" } },
        { "p \"a\\\\\" b", { "p", "a\\", "b" } },
        { "p \"\"", { "p", "" } },
        { "p \"say \"\"hi\"\"\"", { "p", "say \"hi\"" } },
        { "p ab\"c d\"ef", { "p", "abc def" } },
        { "ultraiso -silent -in pe.iso -extract \"iso\"",
            { "ultraiso", "-silent", "-in", "pe.iso", "-extract", "iso" } },
    };
    for (auto const& item : cases)
        EXPECT_EQ(split_command_line(item.line), item.tokens) << item.line;
}

TEST(Encoding, ConvertsEveryNameBothWays)
{
    using test::bytes;
    struct Case {
        std::string gbk;
        std::string utf8;
    };
    Case const cases[] = {
        { "plain", "plain" }, { bytes({ 0xD6, 0xD0, 0xCE, 0xC4 }), "\xE4\xB8\xAD\xE6\x96\x87" }, // 中文
        { bytes({ 0x95, 0x5C }), "\xE6\x98\x9E" }, // a trail byte "\"
        { bytes({ 0x94, 0x39, 0xFC, 0x36 }), "\xF0\x9F\x98\x80" }, // no GBK form
        { bytes({ 0xA2, 0xE3 }), "\xE2\x82\xAC" }, // the euro sign
    };
    for (auto const& item : cases) {
        EXPECT_EQ(utf8_from_gbk(item.gbk), item.utf8);
        EXPECT_EQ(gbk_from_utf8(item.utf8), item.gbk);
    }
    // What has no valid form becomes U+FFFD, and the rest stays.
    EXPECT_EQ(utf8_from_gbk(bytes({ 'a', 0xFF, 'b' })),
        "a\xEF\xBF\xBD"
        "b");
    EXPECT_EQ(utf8_from_gbk(bytes({ 'a', 0xD6 })), "a\xEF\xBF\xBD");
    EXPECT_EQ(gbk_from_utf8("a\xC3"), "a" + bytes({ 0x84, 0x31, 0xA4, 0x37 }));
}

class PosixScratch : public ::testing::Test {
protected:
    Text at(std::string const& relative) const
    {
        std::string path = (m_scratch.path() / relative).string();
        std::replace(path.begin(), path.end(), '/', '\\');
        return gbk_from_utf8(path);
    }
    test::ScratchFolder m_scratch;
};

TEST_F(PosixScratch, PathsAreFoundWithoutRegardToCase)
{
    fs::create_directories(m_scratch.path() / "iso/WXPE/system32");
    std::ofstream(m_scratch.path() / "iso/PECMD.ini") << "cfg";
    EXPECT_TRUE(WriteFileBytes(at("ISO/wxpe/SYSTEM32/new.txt"), ToBytes("n")));
    EXPECT_TRUE(fs::exists(m_scratch.path() / "iso/WXPE/system32/new.txt"));
    FileNumber file = OpenFile(at("iso/pecmd.INI"));
    ASSERT_NE(file, 0);
    EXPECT_EQ(ReadRest(file), "cfg");
    CloseFile(file);
    // A part that matches nothing is made as spelled.
    EXPECT_TRUE(WriteFileBytes(at("iso/NewName.TXT"), ToBytes("x")));
    EXPECT_TRUE(fs::exists(m_scratch.path() / "iso/NewName.TXT"));
}

TEST_F(PosixScratch, WriteFileBytesSeesAnOpenThroughAnotherSpelling)
{
    std::ofstream(m_scratch.path() / "Config.ini") << "old";
    fs::create_symlink(m_scratch.path() / "Config.ini", m_scratch.path() / "link.ini");
    FileNumber file = OpenFile(at("config.INI"));
    ASSERT_NE(file, 0);
    EXPECT_FALSE(WriteFileBytes(at("link.ini"), ToBytes("new")));
    CloseFile(file);
    EXPECT_TRUE(WriteFileBytes(at("link.ini"), ToBytes("new")));
}

TEST_F(PosixScratch, ANameWithoutWildcardsGivesOneEntryEvenWhenCaseVariantsExist)
{
    for (auto name : { "readme", "README", "ReadMe" })
        std::ofstream(m_scratch.path() / name) << name;
    FileFinder finder;
    EXPECT_EQ(finder.FindFile(at("README"), FindFilter::Files), "README"); // the exact spelling first
    EXPECT_EQ(finder.FindFile("", FindFilter::Files), "");
    Text found = finder.FindFile(at("rEADME"), FindFilter::Files);
    EXPECT_TRUE(found == "readme" || found == "README" || found == "ReadMe") << found;
    EXPECT_EQ(finder.FindFile("", FindFilter::Files), "");
}

TEST_F(PosixScratch, ArchiveMeansEveryEntryThatIsNoFolder)
{
    std::ofstream(m_scratch.path() / "file") << "f";
    fs::create_directory(m_scratch.path() / "folder");
    fs::create_symlink(m_scratch.path() / "folder", m_scratch.path() / "link-to-folder");
    FileFinder finder;
    std::multiset<Text> names;
    for (Text name = finder.FindFile(at("*"), FindFilter::Archive); !name.empty();
         name = finder.FindFile("", FindFilter::Archive))
        names.insert(name);
    EXPECT_EQ(names, (std::multiset<Text> { "file" }));
}

TEST_F(PosixScratch, DeleteTreeRemovesLinksWithoutFollowingThem)
{
    fs::create_directories(m_scratch.path() / "outside");
    std::ofstream(m_scratch.path() / "outside/precious") << "p";
    fs::create_directories(m_scratch.path() / "tree");
    fs::create_directory_symlink(m_scratch.path() / "outside", m_scratch.path() / "tree/link");
    EXPECT_TRUE(DeleteTree(at("tree")));
    EXPECT_FALSE(fs::exists(m_scratch.path() / "tree"));
    EXPECT_TRUE(fs::exists(m_scratch.path() / "outside/precious"));
    // A link given as the tree itself is no folder to empty.
    fs::create_directory_symlink(m_scratch.path() / "outside", m_scratch.path() / "link");
    EXPECT_FALSE(DeleteTree(at("link")));
    EXPECT_TRUE(fs::exists(m_scratch.path() / "outside/precious"));
}

class TempDirTest : public PosixScratch {
protected:
    void SetUp() override
    {
        char const* old = std::getenv("TMPDIR");
        m_old = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("TMPDIR", m_scratch.path().c_str(), 1);
        m_private = m_scratch.path() / ("tarnwell-" + std::to_string(geteuid()));
    }
    void TearDown() override
    {
        if (m_old)
            setenv("TMPDIR", m_old->c_str(), 1);
        else
            unsetenv("TMPDIR");
    }
    std::optional<std::string> m_old;
    fs::path m_private;
};

TEST_F(TempDirTest, IsAPrivateFolderOfOurOwn)
{
    mode_t old_mask = ::umask(022);
    Text temp = TempDir();
    ::umask(old_mask);
    EXPECT_EQ(temp, at(m_private.filename().string()) + "\\");
    struct stat info;
    ASSERT_EQ(lstat(m_private.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(TempDir(), temp); // accepted when it is already there
}

TEST_F(TempDirTest, RefusesAFolderThatIsNotPrivate)
{
    fs::create_directory(m_private);
    chmod(m_private.c_str(), 0755);
    EXPECT_EQ(TempDir(), "");
    fs::remove(m_private);

    fs::create_directory(m_scratch.path() / "elsewhere");
    chmod((m_scratch.path() / "elsewhere").c_str(), 0700);
    fs::create_directory_symlink(m_scratch.path() / "elsewhere", m_private);
    EXPECT_EQ(TempDir(), "");
    fs::remove(m_private);

    std::ofstream(m_private) << "a file";
    EXPECT_EQ(TempDir(), "");
}

TEST_F(TempDirTest, RefusesAFolderOfAnotherUser)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can make a folder that belongs to another user";
    fs::create_directory(m_private);
    chmod(m_private.c_str(), 0700);
    ASSERT_EQ(chown(m_private.c_str(), 65534, 65534), 0);
    EXPECT_EQ(TempDir(), "");
}

TEST_F(TempDirTest, UsesTmpWhenTmpdirIsNotAnAbsolutePath)
{
    setenv("TMPDIR", "relative/dir", 1);
    Text temp = TempDir();
    EXPECT_EQ(temp, "\\tmp\\tarnwell-" + std::to_string(geteuid()) + "\\");
}

}
