#include "config/configuration_text.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace tarnwell;
using tarnwell::test::bytes;

namespace {

std::string const fullwidth_blank = bytes({ 0xA1, 0xA1 });

TEST(ReadLines, CutsAtLineFeedsAndDropsOneCarriageReturn)
{
    struct Case {
        std::string text;
        TextList expected;
    } const cases[] = {
        { "a\r\n\r\nb\r", { "a", "", "b" } },
        { "no line end", { "no line end" } },
        { "a\nb\n", { "a", "b" } },
        { "a\r\r\n", { "a\r" } },
        { "", {} },
    };
    for (auto const& c : cases)
        EXPECT_EQ(read_lines(c.text), c.expected);
}

TEST(CleanConfiguration, DropsBlankAndCommentLines)
{
    struct Case {
        char const* name;
        std::string text;
        std::string expected;
    } const cases[] = {
        { "blank lines of both blanks", "A\r\n  \r\n" + fullwidth_blank + " \r\nB\r\n", "A\r\nB\r\n" },
        { "a tab is content", "A\r\n\t\r\nB\r\n", "A\r\n\t\r\nB\r\n" },
        { "comment anywhere", "A\r\n//x\r\nLINK %Desktop%\\N,C:\\a//b.exe\r\nB\r\n", "A\r\nB\r\n" },
        { "last line gets its line end", "A\r\nB", "A\r\nB\r\n" },
        { "only blank and comment lines", "\r\n  \r\n// c\r\n", "" },
        { "empty file", "", "" },
        // The whole LF-only text is one CR LF piece; its final LF and the added
        // CR LF make one more empty line.
        { "LF-only blank lines stay on the first pass", "A\n\nB\n", "A\r\n\r\nB\r\n\r\n" },
        { "LF-only comments go on the first pass", "A\n//c\nB", "A\r\nB\r\n" },
        { "GBK text passes unchanged", "TEXT 桌面\r\n", "TEXT 桌面\r\n" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(clean_configuration(c.text), c.expected) << c.name;
}

TEST(CleanConfiguration, LineFeedOnlyFileConvergesOnTheSecondPass)
{
    std::string lf_only = "A\n  \nLINK %Desktop%\\N,n.exe\n\n//c\nB\n";
    std::string crlf = "A\r\n  \r\nLINK %Desktop%\\N,n.exe\r\n\r\n//c\r\nB\r\n";
    std::string twice = clean_configuration(clean_configuration(lf_only));
    EXPECT_EQ(twice, clean_configuration(crlf));
    EXPECT_EQ(twice, "A\r\nLINK %Desktop%\\N,n.exe\r\nB\r\n");
}

TEST(FileBlock, KeepsEachMultiKindLineOnce)
{
    std::string const two = "LINK %Programs%\\P,p.exe LINK %Desktop%\\D,d.exe";
    struct Case {
        char const* name;
        std::string block;
        std::string expected;
    } const cases[] = {
        { "single-kind lines unchanged", "LINK %Desktop%\\A,a\r\nLINK %Desktop%\\A,a\r\n",
            "LINK %Desktop%\\A,a\r\nLINK %Desktop%\\A,a\r\n" },
        { "two-kind line listed twice", "X\r\n" + two + "\r\n" + two + "\r\nY\r\n", "X\r\n" + two + "\r\nY\r\n" },
        { "two such lines in a row", two + "\r\n" + two + "\r\n" + two + "\r\n" + two + "\r\n",
            two + "\r\n" + two + "\r\n" },
        { "one of its rows taken off", two + "\r\n", two + "\r\n" },
        { "empty", "", "" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(file_block(c.block), c.expected) << c.name;
}

struct RegroupCase {
    char const* name;
    std::string text;
    std::string block;
    std::optional<std::string> expected;
};

TEST(RegroupConfiguration, GathersTheShortcutLinesIntoOneBlock)
{
    std::string const q = "LINK %QuickLaunch%\\Q,q.exe";
    std::string const d = "LINK %Desktop%\\X,x.exe";
    std::string const p = "LINK %Programs%\\Y,y.exe";
    std::string const s = "LINK %SendTo%\\S,s.exe";
    std::string const block = q + "\r\n" + d + "\r\n" + p + "\r\n";
    RegroupCase const cases[] = {
        { "the worked example", "A\r\n" + q + "\r\nB\r\n" + d + "\r\nC\r\n" + p + "\r\nD\r\n", block,
            "A\r\nB\r\n\r\n" + block + "\r\nC\r\nD\r\n" },
        { "nothing before the first line", d + "\r\nC\r\n", d + "\r\n", "\r\n" + d + "\r\n\r\nC\r\n" },
        { "nothing after it", "A\r\n" + d + "\r\n", d + "\r\n", "A\r\n\r\n" + d + "\r\n\r\n" },
        { "no shortcut line", "A\r\nB\r\n", "", std::nullopt },
        { "token without prefix stays", "EXEC %Desktop%\\a.exe\r\n" + d + "\r\n", d + "\r\n",
            "EXEC %Desktop%\\a.exe\r\n\r\n" + d + "\r\n\r\n" },
        { "other letter case stays", "LINK %desktop%\\a,a.exe\r\n" + d + "\r\n", d + "\r\n",
            "LINK %desktop%\\a,a.exe\r\n\r\n" + d + "\r\n\r\n" },
        // No Programs or Desktop line: the block goes where the first shortcut
        // line stood, so none is lost.
        { "only QuickLaunch and SendTo", "A\r\n" + q + "\r\nB\r\n" + s + "\r\n", q + "\r\n" + s + "\r\n",
            "A\r\n\r\n" + q + "\r\n" + s + "\r\n\r\nB\r\n" },
        // The first line's text again, in other case and inside a longer
        // line: the block goes in once, after the first line only.
        { "first line's text again", "A\r\n" + d + "\r\nB\r\nREM LINK %DESKTOP%\\X,X.EXE more\r\n" + d + "\r\n",
            d + "\r\n" + d + "\r\n",
            "A\r\n\r\n" + d + "\r\n" + d + "\r\n\r\nB\r\nREM LINK %DESKTOP%\\X,X.EXE more\r\n" },
        // A line of the configuration that looks like a marker is a line.
        { "marker-like line", "AABBCCDY\r\n" + d + "\r\nAABBCCDY\r\n", d + "\r\n",
            "AABBCCDY\r\n\r\n" + d + "\r\n\r\nAABBCCDY\r\n" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(regroup_configuration(c.text, c.block), c.expected) << c.name;
}

TEST(RegroupConfiguration, SecondRunChangesNothing)
{
    std::string const two = "LINK %Programs%\\P,p.exe LINK %Desktop%\\D,d.exe";
    struct Case {
        char const* name;
        std::string text;
        std::string block;
    } const cases[] = {
        { "well-formed", "A\r\nLINK %QuickLaunch%\\Q,q\r\nB\r\nLINK %Desktop%\\X,x\r\nC\r\n",
            "LINK %QuickLaunch%\\Q,q\r\nLINK %Desktop%\\X,x\r\n" },
        { "two-kind line", "A\r\n" + two + "\r\nB\r\n", two + "\r\n" + two + "\r\n" },
    };
    for (auto const& c : cases) {
        auto first = regroup_configuration(clean_configuration(c.text), c.block);
        ASSERT_TRUE(first) << c.name;
        auto second = regroup_configuration(clean_configuration(*first), c.block);
        ASSERT_TRUE(second) << c.name;
        EXPECT_EQ(*second, *first) << c.name;
        // The block as the file holds it stands there as one run of text.
        EXPECT_NE(first->find(file_block(c.block)), std::string::npos) << c.name;
    }
}

}

namespace {

TEST(RemoveShortcutLines, ReplacesTheBlockOrTakesOutEachRemovedLine)
{
    std::string const a = "LINK %Desktop%\\A,a.exe";
    std::string const b = "LINK %Programs%\\B,b.exe";
    std::string const c = "LINK %SendTo%\\C,c.exe";
    std::string const added = "LINK %Desktop%\\New,new.exe";
    std::string const two = "LINK %Programs%\\P,p.exe LINK %Desktop%\\D,d.exe";
    std::string const block = a + "\r\n" + b + "\r\n" + c + "\r\n";
    struct Case {
        char const* name;
        std::string text;
        std::string shortcut_block;
        std::string kept_block;
        std::optional<std::string> expected;
    } const cases[] = {
        { "contiguous block", "X\r\n\r\n" + block + "\r\nY\r\n", block, a + "\r\n" + c + "\r\n",
            "X\r\n\r\n" + a + "\r\n" + c + "\r\n\r\nY\r\n" },
        { "everything removed", "X\r\n\r\n" + block + "\r\nY\r\n", block, "", "X\r\n\r\n\r\nY\r\n" },
        // A line added inside the block since it was listed.
        { "block broken by an added line", "X\r\n\r\n" + a + "\r\n" + added + "\r\n\r\n" + b + "\r\n" + c + "\r\n\r\n",
            block, a + "\r\n", "X\r\n\r\n" + a + "\r\n" + added + "\r\n\r\n\r\n" },
        { "removed line gone from the file", "X\r\n" + a + "\r\n", block, a + "\r\n" + c + "\r\n", std::nullopt },
        // One of the two rows of a two-kind line taken off: the line stays.
        { "two-kind line half removed", "\r\n" + two + "\r\n\r\n", two + "\r\n" + two + "\r\n", two + "\r\n",
            "\r\n" + two + "\r\n\r\n" },
        { "two-kind line removed", "\r\n" + two + "\r\n\r\n", two + "\r\n" + two + "\r\n", "", "\r\n\r\n" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(remove_shortcut_lines(c.text, c.shortcut_block, c.kept_block), c.expected) << c.name;
}

}
