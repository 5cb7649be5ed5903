// The contract of the file primitives, written once against the interface:
// the same cases run against the POSIX implementation natively and against
// the Win32 one under Wine.

#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/process.h"
#include "test_support.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#ifdef _WIN32
#    include <windows.h>
#endif

namespace fs = std::filesystem;
using tarnwell::test::bytes;
using namespace tarnwell;

namespace {

// The core's form of a path on this machine: GBK, "\" between parts.
Text core(fs::path const& path)
{
#ifdef _WIN32
    return gbk_from_wide(path.wstring());
#else
    std::string utf8 = path.string();
    std::replace(utf8.begin(), utf8.end(), '/', '\\');
    return gbk_from_utf8(utf8);
#endif
}

void write_file(fs::path const& path, std::string const& content)
{
    std::ofstream out(path, std::ios::binary);
    out << content;
}

std::string read_file(fs::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}

void make_read_only(fs::path const& path)
{
#ifdef _WIN32
    // The read-only attribute itself: the C runtime's permissions do not
    // reach it everywhere.
    SetFileAttributesW(path.c_str(), GetFileAttributesW(path.c_str()) | FILE_ATTRIBUTE_READONLY);
    return;
#endif
    fs::permissions(
        path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write, fs::perm_options::remove);
}

std::multiset<Text> list(std::string_view pattern, FindFilter filter)
{
    std::multiset<Text> names;
    FileFinder finder;
    for (Text name = finder.FindFile(pattern, filter); !name.empty(); name = finder.FindFile("", filter))
        names.insert(name);
    finder.EndFind();
    return names;
}

class Contract : public ::testing::Test {
protected:
    Text at(std::string_view name) const { return core(m_scratch.path()) + "\\" + Text(name); }
    fs::path disk(std::string_view name) const { return m_scratch.path() / name; }

    test::ScratchFolder m_scratch;
};

TEST_F(Contract, NumbersThatAreNotOpenHaveFixedResults)
{
    write_file(disk("f"), "line\r\n");
    FileNumber closed = OpenFile(at("f"));
    ASSERT_NE(closed, 0);
    CloseFile(closed);
    CloseFile(closed); // a second close does nothing
    for (FileNumber number : { FileNumber { 0 }, closed, FileNumber { -7 } }) {
        SCOPED_TRACE(number);
        EXPECT_TRUE(AtEnd(number));
        EXPECT_EQ(ReadLine(number), "");
        EXPECT_EQ(ReadRest(number), "");
        EXPECT_FALSE(ReadRestWhole(number).has_value());
        EXPECT_FALSE(WriteText(number, "x"));
        CloseFile(number);
    }
    EXPECT_EQ(read_file(disk("f")), "line\r\n");
}

TEST_F(Contract, OpenFileNeverCreatesAndRefusesWhatItCannotOpenSo)
{
    fs::create_directory(disk("folder"));
    write_file(disk("locked"), "x");
    make_read_only(disk("locked"));
    for (Text path : { at("missing"), Text {}, at("folder"), at("locked") }) {
        SCOPED_TRACE(path);
        EXPECT_EQ(OpenFile(path), 0);
    }
    EXPECT_FALSE(fs::exists(disk("missing")));
}

TEST_F(Contract, ReadLinesUntilAtEnd)
{
    struct Case {
        std::string content;
        std::vector<Text> lines;
    };
    Case const cases[] = {
        { "a\r\n\r\nb\r", { "a", "", "b" } },
        { "no line feed", { "no line feed" } },
        { "x\ny\n", { "x", "y" } },
        { "", {} },
        // A NUL or 0x1A byte is the end of the text for lines and AtEnd.
        { bytes({ 'a', '\r', '\n', 'b', 0, 'c', '\n' }), { "a", "b" } },
        { bytes({ 'a', 0x1A, '\r', '\n', 'b' }), { "a" } },
        { bytes({ 0, 'a' }), {} },
        // A GBK character whose trail byte is "\" stays whole.
        { bytes({ 0x95, 0x5C, '\r', '\n' }), { bytes({ 0x95, 0x5C }) } },
    };
    for (auto const& item : cases) {
        SCOPED_TRACE(testing::PrintToString(item.content));
        write_file(disk("lines"), item.content);
        FileNumber file = OpenFile(at("lines"));
        ASSERT_NE(file, 0);
        std::vector<Text> lines;
        while (!AtEnd(file) && lines.size() < 10)
            lines.push_back(ReadLine(file));
        EXPECT_EQ(lines, item.lines);
        EXPECT_EQ(ReadLine(file), "");
        CloseFile(file);
    }
}

TEST_F(Contract, ReadRestStopsOnNulAndWholeReadsRefuseSuchFiles)
{
    write_file(disk("with-nul"), bytes({ 'a', 'b', 0, 'c' }));
    FileNumber file = OpenFile(at("with-nul"));
    ASSERT_NE(file, 0);
    EXPECT_EQ(ReadRest(file), "ab");
    EXPECT_TRUE(AtEnd(file));
    EXPECT_EQ(ReadRest(file), ""); // the position stays on the NUL
    CloseFile(file);

    file = OpenFile(at("with-nul"));
    EXPECT_FALSE(ReadRestWhole(file).has_value());
    EXPECT_EQ(ReadRest(file), "ab"); // a refused whole read does not move
    CloseFile(file);

    write_file(disk("clean"), "one\r\ntwo");
    file = OpenFile(at("clean"));
    EXPECT_EQ(ReadLine(file), "one");
    EXPECT_EQ(ReadRestWhole(file), Text("two"));
    EXPECT_TRUE(AtEnd(file));
    CloseFile(file);
}

TEST_F(Contract, WriteTextWritesAtThePosition)
{
    write_file(disk("w"), "hello\r\nworld");
    FileNumber file = OpenFile(at("w"));
    ASSERT_NE(file, 0);
    EXPECT_EQ(ReadLine(file), "hello");
    EXPECT_TRUE(WriteText(file, "WO"));
    EXPECT_EQ(ReadRest(file), "rld");
    EXPECT_TRUE(WriteText(file, "!"));
    CloseFile(file);
    EXPECT_EQ(read_file(disk("w")), "hello\r\nWOrld!");
}

TEST_F(Contract, WriteFileBytesFailsWhileTheFileIsOpenHere)
{
    write_file(disk("config"), "old");
    FileNumber file = OpenFile(at("config"));
    ASSERT_NE(file, 0);
    EXPECT_FALSE(WriteFileBytes(at("config"), ToBytes("new")));
    EXPECT_EQ(read_file(disk("config")), "old");
    EXPECT_EQ(ReadRest(file), "old");
    CloseFile(file);

    EXPECT_TRUE(WriteFileBytes(at("config"), ToBytes("new")));
    EXPECT_EQ(read_file(disk("config")), "new");
    EXPECT_TRUE(WriteFileBytes(at("config"), {}));
    EXPECT_TRUE(fs::exists(disk("config")));
    EXPECT_EQ(fs::file_size(disk("config")), 0u);
    EXPECT_TRUE(WriteFileBytes(at("created"), ToBytes("x")));
    EXPECT_EQ(read_file(disk("created")), "x");
    EXPECT_FALSE(WriteFileBytes("", ToBytes("x")));
}

TEST_F(Contract, WriteFileBytesLeavesReadOnlyFilesAndFolders)
{
    write_file(disk("ro"), "kept");
    make_read_only(disk("ro"));
    fs::create_directory(disk("folder"));
    EXPECT_FALSE(WriteFileBytes(at("ro"), ToBytes("x")));
    EXPECT_EQ(read_file(disk("ro")), "kept");
    EXPECT_FALSE(WriteFileBytes(at("folder"), ToBytes("x")));
    EXPECT_TRUE(fs::is_directory(disk("folder")));
}

TEST_F(Contract, CopyFileToReplacesTheDestination)
{
    write_file(disk("src"), "fresh");
    write_file(disk("dst"), "stale and longer");
    EXPECT_TRUE(CopyFileTo(at("src"), at("dst")));
    EXPECT_EQ(read_file(disk("dst")), "fresh");
    EXPECT_TRUE(CopyFileTo(at("src"), at("new")));
    EXPECT_EQ(read_file(disk("new")), "fresh");
    EXPECT_FALSE(CopyFileTo(at("missing"), at("dst")));
    EXPECT_EQ(read_file(disk("dst")), "fresh");
}

TEST_F(Contract, DeleteFilePathDeletesExactlyOneWritableFile)
{
    write_file(disk("a.txt"), "a");
    write_file(disk("b.txt"), "b");
    write_file(disk("ro.txt"), "r");
    make_read_only(disk("ro.txt"));
    fs::create_directory(disk("folder"));
    EXPECT_FALSE(DeleteFilePath(at("*.txt")));
    EXPECT_FALSE(DeleteFilePath(at("missing")));
    EXPECT_FALSE(DeleteFilePath(at("ro.txt")));
    EXPECT_FALSE(DeleteFilePath(at("folder")));
    EXPECT_FALSE(DeleteFilePath(""));
    EXPECT_TRUE(DeleteFilePath(at("a.txt")));
    EXPECT_FALSE(fs::exists(disk("a.txt")));
    for (auto name : { "b.txt", "ro.txt", "folder" })
        EXPECT_TRUE(fs::exists(disk(name))) << name;
}

TEST_F(Contract, DeleteTreeRemovesAWholeTree)
{
    fs::create_directories(disk("tree/sub/deeper/empty"));
    write_file(disk("tree/sub/deeper/f"), "f");
    write_file(disk("tree/top"), "t");
    EXPECT_TRUE(DeleteTree("  " + at("tree")));
    EXPECT_FALSE(fs::exists(disk("tree")));
    EXPECT_FALSE(DeleteTree(at("tree")));
}

// Names that begin with "." are files and folders like any other (a program
// folder copied into the image may hold them); left behind, they would turn
// up in the next image unpacked into the same work tree. Read-only files stay,
// and with them their folders.
TEST_F(Contract, DeleteTreeTakesDotNamesAndLeavesReadOnlyFilesWithTheirFolders)
{
    fs::create_directories(disk("tree/work/.svn"));
    write_file(disk("tree/work/.svn/entries"), "e");
    write_file(disk("tree/work/file"), "f");
    fs::create_directories(disk("tree/locked"));
    write_file(disk("tree/locked/ro"), "r");
    make_read_only(disk("tree/locked/ro"));
    write_file(disk("tree/locked/plain"), "p");
    fs::create_directories(disk("tree/gone/sub"));
    write_file(disk("tree/.profile"), "p");

    EXPECT_FALSE(DeleteTree(at("tree")));
    EXPECT_TRUE(fs::exists(disk("tree/locked/ro")));
    for (auto name : { "tree/work", "tree/locked/plain", "tree/gone", "tree/.profile" })
        EXPECT_FALSE(fs::exists(disk(name))) << name;

    fs::create_directories(disk("dotted/.hidden"));
    write_file(disk("dotted/.hidden/.cfg"), "c");
    EXPECT_TRUE(DeleteTree(at("dotted")));
    EXPECT_FALSE(fs::exists(disk("dotted")));
}

TEST_F(Contract, DeleteTreeRefusesEmptyPathsDrivesAndRoots)
{
    for (Text path : { "", "   ", "C:", "C:\\", "\\", "/" })
        EXPECT_FALSE(DeleteTree(path)) << path;
}

TEST_F(Contract, FindFileMatchesPatternsAsWindowsDoes)
{
    for (auto name : { "Alpha.TXT", "beta.txt", "noext", "gamma.txt.bak" })
        write_file(disk(name), "x");
    fs::create_directory(disk("Sub.dir"));
    fs::create_directory(disk("Sub.dir/inner"));
    using Names = std::multiset<Text>;
    EXPECT_EQ(list(at("*.txt"), FindFilter::Files), (Names { "Alpha.TXT", "beta.txt" }));
    EXPECT_EQ(list(at("*.TxT"), FindFilter::Files), (Names { "Alpha.TXT", "beta.txt" }));
    EXPECT_EQ(list(at("*.*"), FindFilter::Files), (Names { "Alpha.TXT", "beta.txt", "noext", "gamma.txt.bak" }));
    EXPECT_EQ(list(at("*"), FindFilter::Files), (Names { "Alpha.TXT", "beta.txt", "noext", "gamma.txt.bak" }));
    EXPECT_EQ(list(at("?ETA.txt"), FindFilter::Files), (Names { "beta.txt" }));
    EXPECT_EQ(list(at("aLPHA.txt"), FindFilter::Files), (Names { "Alpha.TXT" }));
    EXPECT_EQ(list(at("aLPHA.txt"), FindFilter::Directories), (Names {}));
    EXPECT_EQ(list(at("sub.DIR"), FindFilter::Directories), (Names { "Sub.dir" }));
    EXPECT_EQ(list(at("*.*"), FindFilter::Directories), (Names { ".", "..", "Sub.dir" }));
    EXPECT_EQ(list(at("Sub.dir\\*.*"), FindFilter::Directories), (Names { ".", "..", "inner" }));
    EXPECT_EQ(list(at("Sub.dir\\*.*"), FindFilter::Files), (Names {}));
    EXPECT_EQ(list(at("missing\\*.*"), FindFilter::Files), (Names {}));
    EXPECT_EQ(list(at("nothing*"), FindFilter::Files), (Names {}));
}

TEST_F(Contract, FilesThatTheProgramWritesHaveTheArchiveAttribute)
{
    EXPECT_TRUE(WriteFileBytes(at("written"), ToBytes("w")));
    write_file(disk("other"), "o");
    EXPECT_TRUE(CopyFileTo(at("other"), at("copied")));
    auto archived = list(at("*"), FindFilter::Archive);
    for (auto name : { "written", "other", "copied" })
        EXPECT_EQ(archived.count(name), 1u) << name;
}

TEST_F(Contract, FindFileWithoutAListingGivesNothing)
{
    write_file(disk("a"), "x");
    FileFinder finder;
    EXPECT_EQ(finder.FindFile("", FindFilter::Files), "");
    EXPECT_EQ(finder.FindFile(at("a"), FindFilter::Files), "a");
    EXPECT_EQ(finder.FindFile("", FindFilter::Files), "");
    EXPECT_EQ(finder.FindFile("", FindFilter::Files), "");
    EXPECT_EQ(finder.FindFile(at("*"), FindFilter::Files), "a");
    finder.EndFind();
    EXPECT_EQ(finder.FindFile("", FindFilter::Files), "");
}

TEST_F(Contract, EachFilterCallBringsItsOwnFilter)
{
    write_file(disk("a"), "x");
    write_file(disk("b"), "x");
    fs::create_directory(disk("d"));
    FileFinder finder;
    // Entries failing a call's filter are passed over for good, so the
    // names seen depend on the order; each must pass the filter of its call.
    std::vector<Text> seen;
    Text name = finder.FindFile(at("*"), FindFilter::Directories);
    while (!name.empty()) {
        seen.push_back(name);
        name = finder.FindFile("", FindFilter::Files);
        if (!name.empty()) {
            EXPECT_NE(name, "d");
        }
    }
    finder.EndFind();
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(seen[0] == "." || seen[0] == ".." || seen[0] == "d") << seen[0];
}

TEST_F(Contract, NestedListingsDoNotDisturbEachOther)
{
    fs::create_directory(disk("outer"));
    fs::create_directory(disk("inner"));
    for (auto name : { "1", "2", "3", "4" }) {
        write_file(disk("outer") / name, "x");
        write_file(disk("inner") / (std::string("i") + name), "x");
    }
    std::multiset<Text> outer;
    FileFinder finder;
    for (Text name = finder.FindFile(at("outer\\*"), FindFilter::Files); !name.empty();
         name = finder.FindFile("", FindFilter::Files)) {
        outer.insert(name);
        EXPECT_EQ(list(at("inner\\*"), FindFilter::Files).size(), 4u);
        FileFinder nested;
        EXPECT_EQ(nested.FindFile(at("inner\\i1"), FindFilter::Files), "i1");
    }
    finder.EndFind();
    EXPECT_EQ(outer, (std::multiset<Text> { "1", "2", "3", "4" }));
}

TEST_F(Contract, FileExistsForFilesFoldersAndPatterns)
{
    write_file(disk("file.txt"), "x");
    fs::create_directory(disk("folder"));
    EXPECT_TRUE(FileExists(at("file.txt")));
    EXPECT_TRUE(FileExists(at("FILE.TXT")));
    EXPECT_TRUE(FileExists(at("folder")));
    EXPECT_TRUE(FileExists(at("*.txt")));
    EXPECT_TRUE(FileExists(at("f?le.*")));
    EXPECT_FALSE(FileExists(at("*.doc")));
    EXPECT_FALSE(FileExists(at("missing")));
    EXPECT_FALSE(FileExists(""));
}

TEST_F(Contract, GbkNamesReachTheDiskAndComeBack)
{
    Text const name = "中文.txt"; // GBK bytes D6 D0 CE C4
    ASSERT_EQ(name.substr(0, 4), bytes({ 0xD6, 0xD0, 0xCE, 0xC4 }));
    EXPECT_TRUE(WriteFileBytes(at(name), ToBytes("x")));
    EXPECT_TRUE(fs::exists(m_scratch.path() / fs::path(u8"中文.txt")));
    EXPECT_EQ(list(at("*.txt"), FindFilter::Files), (std::multiset<Text> { name }));

    // A name without a GBK form comes back as its GB18030 bytes and opens.
    if (!encoding_covers_all_unicode())
        GTEST_SKIP() << "this system has no GB18030 code page (Wine 8), so names outside GBK have no form";
    write_file(m_scratch.path() / fs::path(u8"x\U0001F600"), "emoji");
    Text const emoji = bytes({ 'x', 0x94, 0x39, 0xFC, 0x36 });
    EXPECT_EQ(list(at("x*"), FindFilter::Files), (std::multiset<Text> { emoji }));
    FileNumber file = OpenFile(at(emoji));
    ASSERT_NE(file, 0);
    EXPECT_EQ(ReadRest(file), "emoji");
    CloseFile(file);
}

TEST_F(Contract, ChangeDirectoryAndRelativePaths)
{
    auto before = fs::current_path();
    fs::create_directory(disk("here"));
    write_file(disk("here") / "rel", "r");
    EXPECT_FALSE(ChangeDirectory(at("missing")));
    EXPECT_FALSE(ChangeDirectory(""));
    ASSERT_TRUE(ChangeDirectory(at("here")));
    EXPECT_TRUE(FileExists("rel"));
    EXPECT_TRUE(WriteFileBytes("made", ToBytes("m")));
    fs::current_path(before);
    EXPECT_EQ(read_file(disk("here") / "made"), "m");
}

TEST(ContractValues, TempDirEndsWithABackslashAndIsUsable)
{
    Text temp = TempDir();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
    Text probe = temp + "tarnwell-contract-probe";
    EXPECT_TRUE(WriteFileBytes(probe, ToBytes("p")));
    EXPECT_TRUE(FileExists(probe));
    EXPECT_TRUE(DeleteFilePath(probe));
}

TEST(ContractValues, RunDirIsTheFolderOfThisProgram)
{
    Text run = RunDir();
    ASSERT_FALSE(run.empty());
    EXPECT_NE(run.back(), '\\');
    EXPECT_TRUE(FileExists(run));
    EXPECT_TRUE(FileExists(run + "\\platform_contract_tests*"));
}

std::vector<std::string> read_lines(fs::path const& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST_F(Contract, AScriptStartsAProgramWithAQuotedPathHoldingBlanks)
{
    fs::create_directories(disk("my tools"));
    fs::copy_file(fs::path(CHILD_REPORT_PATH), disk("my tools") / "child report.exe");
    fs::create_directories(disk("work"));
    // The script's one line, without a line end, as the program writes it.
    // (Built by appending: GCC 12 at -O3 warns falsely on a chain of +.)
    Text line = "\"";
    line.append(at("my tools")).append("\\child report.exe\" \"arg one\" two \"");
    line.append(at("work")).append("\\\\\" end");
    write_file(disk("work") / "go.cmd", line);
    auto before = fs::current_path();
    ASSERT_TRUE(ChangeDirectory(at("work")));
    bool started = RunAndWait(at("work\\go.cmd"));
    fs::current_path(before);
    EXPECT_TRUE(started);

    auto lines = read_lines(disk("work") / "report.txt");
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_TRUE(fs::equivalent(lines[0], disk("work"))) << lines[0];
    std::vector<std::string> arguments(lines.begin() + 1, lines.end());
    EXPECT_EQ(arguments, (std::vector<std::string> { "arg one", "two", at("work") + "\\", "end", "inherited:" }));
}

TEST(ContractValues, RunAndWaitFailsAtOnceWhenNothingStarts)
{
    EXPECT_FALSE(RunAndWait(""));
    EXPECT_FALSE(RunAndWait("   "));
    EXPECT_FALSE(RunAndWait("tarnwell-no-such-program-anywhere --flag"));
    EXPECT_FALSE(RunAndWait("\"C:\\no such folder\\tool.exe\" x"));
}

TEST_F(Contract, FileStampsTellAChangedFile)
{
    write_file(disk("s"), "one");
    auto first = GetFileStamp(at("s"));
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->size, 3u);
    EXPECT_EQ(GetFileStamp(at("s")), first);
    EXPECT_FALSE(GetFileStamp(at("missing")).has_value());
}

}
