#include "app/globals.h"
#include "config/load_configuration.h"
#include "handler_fixture.h"
#include "software/add_software.h"
#include "software/remove_software.h"

#include <gtest/gtest.h>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

TEST(InsertAfterAnchor, PutsTheLineAfterEveryWholeAnchorLine)
{
    std::string const anchor = "LINK %Desktop%\\Notes,%SystemRoot%\\SYSTEM32\\TOOL\\notes.exe";
    std::string const added = "LINK %Desktop%\\Calc,%SystemRoot%\\SYSTEM32\\TOOL\\calc.exe";
    struct Case {
        char const* name;
        std::string text;
        std::string expected;
    } const cases[] = {
        { "after the anchor, an empty line follows", "A\r\n" + anchor + "\r\nB\r\n",
            "A\r\n" + anchor + "\r\n" + added + "\r\n\r\nB\r\n" },
        { "anchor twice", anchor + "\r\n" + anchor + "\r\n",
            anchor + "\r\n" + added + "\r\n\r\n" + anchor + "\r\n" + added + "\r\n\r\n" },
        { "other letter case", "link %DESKTOP%\\NOTES,%SystemRoot%\\SYSTEM32\\TOOL\\NOTES.EXE\r\n",
            "link %DESKTOP%\\NOTES,%SystemRoot%\\SYSTEM32\\TOOL\\NOTES.EXE\r\n" + added + "\r\n\r\n" },
        { "last line without line end", "A\r\n" + anchor, "A\r\n" + anchor + "\r\n" + added + "\r\n" },
        { "LF line end kept", anchor + "\nB\n", anchor + "\r\n" + added + "\r\n\nB\n" },
        // A longer line that holds the anchor's text is not cut apart.
        { "longer line left whole", "REM " + anchor + " old\r\n", "REM " + anchor + " old\r\n" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(insert_after_anchor(c.text, anchor, added), c.expected) << c.name;
}

TEST(TargetFileNames, OnePerKindPrefixAndNoneWithoutATarget)
{
    struct Case {
        std::string line;
        TextList expected;
    } const cases[] = {
        { "LINK %Desktop%\\Notes,%SystemRoot%\\SYSTEM32\\TOOL\\notes.exe", { "notes.exe" } },
        // The line keeps each removal for the kinds tested after it.
        { "LINK %Programs%\\P,p.exe LINK %Desktop%\\D,d.exe", { "D", "p.exe D" } },
        { "LINK %Desktop%\\A,C:\\Tools\\", { "Tools" } },
        { "LINK %Desktop%\\App,app.exe -s", { "app.exe -s" } },
        { "LINK %Desktop%\\NoTarget", {} },
        { "LINK %Desktop%\\Trailing,", {} },
        { "LINK %Desktop%\\Empty,,x.exe", {} },
        { "not a shortcut", {} },
    };
    CreateGlobals();
    for (auto const& c : cases)
        EXPECT_EQ(target_file_names(c.line), c.expected) << c.line;
    ReleaseGlobals();
}

class SoftwareTest : public HandlerTest {
protected:
    void SetUp() override
    {
        HandlerTest::SetUp();
        EventHandlers handlers;
        handlers.编辑框5_text_changed = LoadConfiguration;
        start(handlers);
        iso = temp_dir() + "iso\\";
        config = iso + "WXPE\\SYSTEM32\\PECMD.ini";
    }

    void load(std::string const& text)
    {
        write_file(config, text);
        window().编辑框5.set_text(config);
    }

    void take_off(int row)
    {
        window().超级列表框1.set_selection(row);
        program().run_handler(TakeShortcutOffList);
    }

    Text iso;
    Text config;
};

std::string const a = "LINK %Desktop%\\A,%SystemRoot%\\SYSTEM32\\TOOL\\a.exe";
std::string const b = "LINK %Programs%\\B,%SystemRoot%\\SYSTEM32\\TOOL\\b.exe";
std::string const c = "LINK %QuickLaunch%\\C,%SystemRoot%\\c.exe";
std::string const d = "LINK %SendTo%\\D,%SystemRoot%\\SYSTEM32\\d.exe";

TEST_F(SoftwareTest, RemovalsAccumulateUntilConfirmed)
{
    load(a + "\r\n" + b + "\r\n" + c + "\r\n" + d + "\r\n");
    take_off(2);
    take_off(0);
    EXPECT_EQ(window().编辑框8.text(), c + "\r\n" + a + "\r\n");
    EXPECT_EQ(window().编辑框7.text(), b + "\r\n" + d + "\r\n");
    EXPECT_EQ(window().超级列表框1.rows(), (TextList { "B", "D" }));
    EXPECT_EQ(window().超级列表框1.selection(), -1);
    EXPECT_EQ(window().超级列表框2.selection(), -1);
    EXPECT_EQ(window().按钮4.caption(), "重新解析");
    EXPECT_TRUE(screen().info_boxes().empty());

    // Nothing selected: nothing more put aside.
    program().run_handler(TakeShortcutOffList);
    EXPECT_EQ(window().标签3.caption(), "-1");
    EXPECT_EQ(screen().info_boxes(), (std::vector<Text> { "未选择" }));
    EXPECT_EQ(window().编辑框8.text(), c + "\r\n" + a + "\r\n");
}

TEST_F(SoftwareTest, LastRowAndEmptyListTellTheUser)
{
    load(a + "\r\n");
    take_off(0);
    EXPECT_EQ(screen().info_boxes(), (std::vector<Text> { "无内容" }));
    program().run_handler(TakeShortcutOffList);
    EXPECT_EQ(screen().info_boxes(), (std::vector<Text> { "无内容", "无内容", "未选择" }));
}

TEST_F(SoftwareTest, ConfirmedRemovalTakesLinesAndFilesEverywhere)
{
    load("X\r\n" + a + "\r\n" + b + "\r\n" + c + "\r\nY\r\n");
    write_file(iso + "WXPE\\SYSTEM32\\TOOL\\a.exe", "a");
    write_file(iso + "WXPE\\A.EXE", "a elsewhere");
    write_file(iso + "BOOT\\sub\\a.exe", "a deeper");
    write_file(iso + ".svn\\a.exe", "kept: not entered");
    write_file(iso + "WXPE\\b.exe", "b stays");
    make_folder(iso + "WXPE\\a.exe.d");
    make_folder(iso + "folder\\a.exe");
    take_off(0);
    program().run_handler(ConfirmRemoval);

    EXPECT_EQ(screen().info_boxes(), (std::vector<Text> { "删除成功" }));
    EXPECT_EQ(read_file(config), "X\r\n\r\n" + b + "\r\n" + c + "\r\n\r\nY\r\n");
    EXPECT_FALSE(exists(iso + "WXPE\\SYSTEM32\\TOOL\\a.exe"));
    EXPECT_FALSE(exists(iso + "WXPE\\A.EXE"));
    EXPECT_FALSE(exists(iso + "BOOT\\sub\\a.exe"));
    EXPECT_TRUE(exists(iso + ".svn\\a.exe"));
    EXPECT_TRUE(exists(iso + "WXPE\\b.exe"));
    EXPECT_TRUE(exists(iso + "folder\\a.exe"));
    EXPECT_EQ(read_file(temp_dir() + "CED.ini"), "a.exe\r\n");
    EXPECT_EQ(window().编辑框8.text(), "");
    EXPECT_EQ(window().编辑框6.text(), window().编辑框7.text());
    EXPECT_EQ(window().按钮4.caption(), "解析IS_");
    EXPECT_TRUE(window().按钮3.enabled());

    // Confirming again without new removals changes nothing.
    Text before = read_file(config).value();
    program().run_handler(ConfirmRemoval);
    EXPECT_EQ(screen().info_boxes().back(), "没有移出列表的项");
    EXPECT_EQ(read_file(config), before);
}

TEST_F(SoftwareTest, LinesWithoutTargetOrWithWildcardsDeleteNothing)
{
    std::string const no_target = "LINK %Desktop%\\NoTarget";
    std::string const wildcard = "LINK %Desktop%\\W,%SystemRoot%\\*.exe";
    load(a + "\r\n" + no_target + "\r\n" + wildcard + "\r\n");
    write_file(iso + "keep.exe", "k");
    take_off(2);
    take_off(1);
    program().run_handler(ConfirmRemoval);
    EXPECT_EQ(screen().info_boxes(), (std::vector<Text> { "删除成功" }));
    EXPECT_EQ(read_file(config), "\r\n" + a + "\r\n\r\n");
    EXPECT_TRUE(exists(iso + "keep.exe"));
}

TEST_F(SoftwareTest, UnreadableConfigurationKeepsEverything)
{
    load(a + "\r\n" + b + "\r\n");
    write_file(iso + "a.exe", "a");
    take_off(0);
    std::string with_nul = "\r\n" + a + "\r\n" + b + "\r\n" + std::string(1, '\0') + "\r\n";
    write_file(config, with_nul);
    program().run_handler(ConfirmRemoval);
    EXPECT_EQ(screen().info_boxes(), (std::vector<Text> { "删除失败" }));
    EXPECT_EQ(read_file(config), with_nul);
    EXPECT_TRUE(exists(iso + "a.exe"));
    EXPECT_EQ(window().编辑框8.text(), a + "\r\n");
}

TEST_F(SoftwareTest, AddRefusedWithoutAProgramFolder)
{
    load(a + "\r\n");
    Text before = read_file(config).value();
    window().编辑框2.set_text("x.exe");
    window().按钮7.set_enabled(true);
    program().run_handler(AddProgram);
    EXPECT_EQ(screen().info_boxes(), (std::vector<Text> { "请先选择添加目录" }));
    EXPECT_EQ(read_file(config), before);
    EXPECT_FALSE(exists(iso + "WXPE\\SYSTEM32\\TOOL"));
}

TEST_F(SoftwareTest, FolderListingStartsAtTheFirstArchiveEntry)
{
    ScratchFolder folder_root;
    auto folder = folder_root.path() / "prog";
    std::filesystem::create_directories(folder / "sub");
    for (auto const* name : { "one.exe", "two.dll" })
        write_file(gbk_path(folder / name), name);
    screen().answer_folder(gbk_path(folder));
    program().run_handler(ChooseProgramFolder);
    TextList items = window().列表框1.items();
    std::sort(items.begin(), items.end());
    EXPECT_EQ(items, (TextList { "one.exe", "two.dll" }));
    EXPECT_TRUE(window().列表框1.visible());
    EXPECT_FALSE(window().按钮3.enabled());

    // A second choice before the double-click adds behind the first.
    screen().answer_folder(gbk_path(folder));
    program().run_handler(ChooseProgramFolder);
    EXPECT_EQ(window().列表框1.items().size(), 4u);
    // Cancelled: the list stays.
    program().run_handler(ChooseProgramFolder);
    EXPECT_EQ(window().编辑框4.text(), "");
    EXPECT_EQ(window().列表框1.items().size(), 4u);
}

TEST_F(SoftwareTest, AddWritesTheLineAfterTheFirstDesktopLine)
{
    struct Case {
        int destination;
        std::string expected_line;
    } const cases[] = {
        { 0, "LINK %Desktop%\\新程序,%SystemRoot%\\SYSTEM32\\TOOL\\new.exe" },
        { 1, "LINK %Programs%\\新程序,%SystemRoot%\\SYSTEM32\\TOOL\\new.exe" },
    };
    for (auto const& c : cases) {
        load(b + "\r\n" + a + "\r\nZ\r\n");
        Text loaded = read_file(config).value();
        ScratchFolder program_folder;
        write_file(gbk_path(program_folder.path() / "new.exe"), "new");
        window().组合框1.set_selection(c.destination);
        window().编辑框4.set_text(gbk_path(program_folder.path()));
        window().编辑框2.set_text("new.exe");
        window().编辑框3.set_text("新程序");
        program().run_handler(AddProgram);
        Text expected = loaded;
        expected.insert(expected.find(a) + a.size() + 2, c.expected_line + "\r\n\r\n");
        EXPECT_EQ(read_file(config), expected) << c.destination;
        EXPECT_EQ(read_file(iso + "WXPE\\SYSTEM32\\TOOL\\new.exe"), "new");
        EXPECT_FALSE(window().按钮7.enabled());
        EXPECT_EQ(window().编辑框4.text(), "");
    }
}

TEST_F(SoftwareTest, AddWithoutADesktopLineWritesNoLine)
{
    load(b + "\r\n");
    Text before = read_file(config).value();
    ScratchFolder program_folder;
    write_file(gbk_path(program_folder.path() / "new.exe"), "new");
    window().编辑框4.set_text(gbk_path(program_folder.path()));
    window().编辑框2.set_text("new.exe");
    program().run_handler(AddProgram);
    EXPECT_EQ(read_file(config), before);
    EXPECT_EQ(read_file(iso + "WXPE\\SYSTEM32\\TOOL\\new.exe"), "new");
}

TEST_F(SoftwareTest, FilesThatStayAreNamedInTheMessage)
{
    load(a + "\r\n" + b + "\r\n");
    write_file(iso + "a.exe", "a");
    write_file(iso + "locked\\a.exe", "read-only");
    std::filesystem::permissions(
        disk_path(iso + "locked\\a.exe"), std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
    take_off(0);
    program().run_handler(ConfirmRemoval);
    ASSERT_EQ(screen().info_boxes().size(), 1u);
    Text message = screen().info_boxes().back();
    EXPECT_EQ(FindText(message, "删除成功"), 1);
    EXPECT_NE(FindText(message, iso + "locked\\a.exe"), -1);
    EXPECT_FALSE(exists(iso + "a.exe"));
    EXPECT_TRUE(exists(iso + "locked\\a.exe"));
}

}
