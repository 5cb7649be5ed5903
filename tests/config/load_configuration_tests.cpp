#include "config/load_configuration.h"
#include "handler_fixture.h"

#include <gtest/gtest.h>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

std::string const q_line = "LINK %QuickLaunch%\\资源管理器,%SystemRoot%\\explorer.exe";
std::string const d_line = "LINK %Desktop%\\记事本,%SystemRoot%\\SYSTEM32\\TOOL\\notepad2.exe";
std::string const p_line = "LINK %Programs%\\计算器,%SystemRoot%\\SYSTEM32\\TOOL\\calc.exe";

class LoadConfigurationTest : public HandlerTest {
protected:
    void SetUp() override
    {
        HandlerTest::SetUp();
        EventHandlers handlers;
        handlers.编辑框5_text_changed = LoadConfiguration;
        start(handlers);
        config = temp_dir() + "iso\\WXPE\\SYSTEM32\\PECMD.ini";
        make_folder(temp_dir() + "iso");
    }

    // What the unpacking does for one found file: the write of the path runs
    // the handler, and it is called once more.
    void load_twice()
    {
        window().编辑框5.set_text(config);
        LoadConfiguration();
    }

    std::string file() { return read_file(config).value_or("<missing>"); }
    TextList rows1() { return window().超级列表框1.rows(); }
    TextList rows2() { return window().超级列表框2.rows(); }
    Text block() { return window().编辑框6.text(); }

    Text config;
};

TEST_F(LoadConfigurationTest, CleansListsAndRegroupsTheWorkedExample)
{
    write_file(config, "A\r\n  \r\n" + q_line + "\r\n//old\r\nB\r\n" + d_line + "\r\nC\r\n" + p_line + "\r\nD");
    window().编辑框7.set_text("left over\r\n");
    window().编辑框5.set_text(config);

    std::string const expected_block = q_line + "\r\n" + d_line + "\r\n" + p_line + "\r\n";
    EXPECT_EQ(file(), "A\r\nB\r\n\r\n" + expected_block + "\r\nC\r\nD\r\n");
    EXPECT_EQ(rows1(), (TextList { "资源管理器", "记事本", "计算器" }));
    EXPECT_EQ(rows2(), (TextList { q_line, d_line, p_line }));
    EXPECT_EQ(block(), expected_block);
    EXPECT_EQ(window().编辑框7.text(), "");
    // The scratch copy is gone once used.
    EXPECT_FALSE(exists(temp_dir() + "iso\\PECMD3.INI"));
}

TEST_F(LoadConfigurationTest, SecondRunChangesNothing)
{
    std::string const two = "LINK %Programs%\\P,p.exe LINK %Desktop%\\D,d.exe";
    struct Case {
        char const* name;
        std::string text;
    } const cases[] = {
        { "well-formed", "A\r\n" + q_line + "\r\nB\r\n" + d_line + "\r\nC\r\n" },
        { "nothing before or after the block", d_line + "\r\n" + p_line + "\r\n" },
        { "line with two kind prefixes", "A\r\n" + two + "\r\nB\r\n" + d_line + "\r\n" },
    };
    for (auto const& c : cases) {
        write_file(config, c.text);
        load_twice();
        std::string first_file = file();
        TextList first_rows = rows2();
        Text first_block = block();
        load_twice();
        EXPECT_EQ(file(), first_file) << c.name;
        EXPECT_EQ(rows2(), first_rows) << c.name;
        EXPECT_EQ(block(), first_block) << c.name;
    }
}

TEST_F(LoadConfigurationTest, LineWithTwoPrefixesIsListedTwiceAndKeptOnce)
{
    std::string const two = "LINK %Programs%\\P,p.exe LINK %Desktop%\\D,d.exe";
    write_file(config, "A\r\n" + two + "\r\nB\r\n");
    for (int run = 0; run < 3; ++run)
        load_twice();
    EXPECT_EQ(rows1(), (TextList { "P", "LINK %Programs%\\P" }));
    EXPECT_EQ(rows2(), (TextList { two, two }));
    EXPECT_EQ(block(), two + "\r\n" + two + "\r\n");
    EXPECT_EQ(file(), "A\r\n\r\n" + two + "\r\n\r\nB\r\n");
}

TEST_F(LoadConfigurationTest, LineFeedOnlyFileConvergesAfterTwoRuns)
{
    write_file(config, "A\n\n" + d_line + "\n  \n//c\nB\n");
    load_twice();
    EXPECT_EQ(file(), "A\r\n\r\n" + d_line + "\r\n\r\nB\r\n");
    EXPECT_EQ(rows2(), (TextList { d_line }));
}

TEST_F(LoadConfigurationTest, KeepsEveryShortcutWithoutAProgramsOrDesktopLine)
{
    std::string const s_line = "LINK %SendTo%\\S,s.exe";
    write_file(config, "A\r\n" + q_line + "\r\nB\r\n" + s_line + "\r\n");
    load_twice();
    EXPECT_EQ(file(), "A\r\n\r\n" + q_line + "\r\n" + s_line + "\r\n\r\nB\r\n");
    EXPECT_EQ(rows2(), (TextList { q_line, s_line }));
}

TEST_F(LoadConfigurationTest, PutsTheBlockInOnceWhenTheFirstLineComesAgain)
{
    // In other letter case the longer line is no shortcut line, but it holds
    // the first line's text for a case-blind search.
    std::string const longer = "REM LINK %DESKTOP%\\记事本,%SystemRoot%\\SYSTEM32\\TOOL\\notepad2.exe and more";
    write_file(config, "A\r\n" + d_line + "\r\n" + longer + "\r\n" + d_line + "\r\n");
    load_twice();
    std::string const expected_block = d_line + "\r\n" + d_line + "\r\n";
    EXPECT_EQ(file(), "A\r\n\r\n" + expected_block + "\r\n" + longer + "\r\n");
    EXPECT_EQ(block(), expected_block);
}

TEST_F(LoadConfigurationTest, NeverTakesAConfigurationLineForTheMarker)
{
    write_file(config, "AABBCCDY\r\n" + d_line + "\r\nTEXT AABBCCDY\r\n");
    load_twice();
    EXPECT_EQ(file(), "AABBCCDY\r\n\r\n" + d_line + "\r\n\r\nTEXT AABBCCDY\r\n");
}

TEST_F(LoadConfigurationTest, LeavesAFileThatCannotBeReadWholeAsItWas)
{
    std::string const with_nul = "A\r\n\r\n" + d_line + "\r\nB" + std::string(1, '\0') + "C\r\n" + p_line + "\r\n";
    std::string const with_eof = "A\r\n//c\r\n" + d_line + "\r\n\x1A" + "tail\r\n";
    for (auto const& text : { with_nul, with_eof }) {
        write_file(config, text);
        load_twice();
        EXPECT_EQ(file(), text);
    }
}

TEST_F(LoadConfigurationTest, AFailedScratchCopyStopsTheRegrouping)
{
    // A folder where the scratch copy should go makes the copy fail.
    make_folder(temp_dir() + "iso\\PECMD3.INI");
    write_file(config, "A\r\n" + q_line + "\r\nB\r\n" + d_line + "\r\n");
    load_twice();
    EXPECT_EQ(file(), "A\r\n" + q_line + "\r\nB\r\n" + d_line + "\r\n");
    EXPECT_EQ(rows2(), (TextList { q_line, d_line }));
}

TEST_F(LoadConfigurationTest, ListsNothingWithoutAConfiguration)
{
    window().超级列表框1.add("old");
    window().超级列表框2.add("old");
    window().编辑框6.set_text("old\r\n");
    // No configuration found yet: the search ran and found nothing.
    LoadConfiguration();
    EXPECT_TRUE(rows1().empty());
    EXPECT_TRUE(rows2().empty());
    EXPECT_EQ(block(), "");
    // A path whose file has gone is not made anew.
    load_twice();
    EXPECT_FALSE(exists(config));
    EXPECT_TRUE(rows2().empty());
}

TEST_F(LoadConfigurationTest, FileWithoutShortcutLinesIsOnlyCleaned)
{
    write_file(config, "A\r\n\r\nB\r\n");
    load_twice();
    EXPECT_EQ(file(), "A\r\nB\r\n");
    EXPECT_TRUE(rows2().empty());
    // The scratch copy stays when no line qualified.
    EXPECT_TRUE(exists(temp_dir() + "iso\\PECMD3.INI"));
}

TEST_F(LoadConfigurationTest, EmptyDisplayTextGivesAnEmptyRowAndGoesOn)
{
    write_file(config, "LINK %Desktop%\\\r\n" + p_line + "\r\n");
    load_twice();
    EXPECT_EQ(rows1(), (TextList { "", "计算器" }));
    EXPECT_EQ(rows2(), (TextList { "LINK %Desktop%\\", p_line }));
}

}
