#include "config/shortcut_line.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace tarnwell;
using tarnwell::test::bytes;

namespace {

TEST(ClassifyLine, TakesBlankAndCommentBeforeShortcut)
{
    struct Case {
        std::string line;
        LineClass expected;
    } const cases[] = {
        { "", LineClass::Blank },
        { "   ", LineClass::Blank },
        { bytes({ ' ', 0xA1, 0xA1, ' ' }), LineClass::Blank },
        { "\t", LineClass::Other },
        { "//LINK %Desktop%\\A,a.exe", LineClass::Comment },
        { "LINK %Desktop%\\A,X:\\a//b.exe", LineClass::Comment },
        { "LINK %Desktop%\\A,a.exe", LineClass::Shortcut },
        { "EXEC x & LINK %SendTo%\\A,a.exe", LineClass::Shortcut },
        { "LINK %desktop%\\A,a.exe", LineClass::Other },
        { "LINK %DESKTOP%\\A,a.exe", LineClass::Other },
        { "EXEC %Desktop%\\x.exe", LineClass::Other },
        { "AABBCCDY", LineClass::Marker },
        { "TEXT hello", LineClass::Other },
    };
    for (auto const& c : cases)
        EXPECT_EQ(classify_line(c.line), c.expected) << '"' << c.line << '"';
}

TEST(KindsOfLine, ListsEveryPrefixInTableOrder)
{
    using K = ShortcutKind;
    struct Case {
        std::string line;
        std::vector<K> expected;
    } const cases[] = {
        { "LINK %Programs%\\A,a", { K::Programs } },
        { "LINK %QuickLaunch%\\A,a", { K::QuickLaunch } },
        { "LINK %Desktop%\\A,a LINK %Programs%\\B,b", { K::Programs, K::Desktop } },
        { "LINK %SendTo%\\A,a;LINK %QuickLaunch%\\B,b", { K::QuickLaunch, K::SendTo } },
        { "LINK %Desktop%", { K::Desktop } },
        { "LINK %programs%\\A,a", {} },
    };
    for (auto const& c : cases)
        EXPECT_EQ(kinds_of_line(c.line), c.expected) << '"' << c.line << '"';
}

TEST(MakeEntry, DerivesDisplayNameTargetAndFileName)
{
    struct Case {
        std::string line;
        ShortcutKind kind;
        std::string display_name;
        std::string target;
        std::string file_name;
    } const cases[] = {
        { "LINK %Desktop%\\Notes,%SystemRoot%\\SYSTEM32\\TOOL\\notes.exe", ShortcutKind::Desktop, "Notes",
            "%SystemRoot%\\SYSTEM32\\TOOL\\notes.exe", "notes.exe" },
        // The removal prefix goes wherever it stands, in any letter case.
        { "LINK %Desktop%\\A,X:\\link %DESKTOP%\\b.exe", ShortcutKind::Desktop, "A", "X:\\b.exe", "b.exe" },
        // Without its backslash the prefix stays in the display text.
        { "LINK %Desktop%,x.exe", ShortcutKind::Desktop, "LINK %Desktop%", "x.exe", "x.exe" },
        { "LINK %Desktop%\\,x.exe", ShortcutKind::Desktop, "", "x.exe", "x.exe" },
        // Each kind of a two-prefix line is derived from the whole line.
        { "LINK %Programs%\\P,p.exe LINK %Desktop%\\D,d.exe", ShortcutKind::Desktop, "LINK %Programs%\\P", "p.exe D",
            "p.exe D" },
        // A trailing backslash: the last folder is the file name.
        { "LINK %Desktop%\\A,C:\\Tools\\", ShortcutKind::Desktop, "A", "C:\\Tools\\", "Tools" },
        // A trail byte 0x5C is no separator.
        { "LINK %Desktop%\\A,C:\\" + bytes({ 0x95, 0x5C }) + ".exe", ShortcutKind::Desktop, "A",
            "C:\\" + bytes({ 0x95, 0x5C }) + ".exe", bytes({ 0x95, 0x5C }) + ".exe" },
        { "LINK %Desktop%\\App,app.exe -s", ShortcutKind::Desktop, "App", "app.exe -s", "app.exe -s" },
        // Nothing but the removal prefix: no field, an empty name, no target.
        { "LINK %Desktop%\\", ShortcutKind::Desktop, "", "", "" },
        { "LINK %Desktop%\\LINK %Desktop%\\", ShortcutKind::Desktop, "", "", "" },
        { "LINK %Desktop%\\NoComma", ShortcutKind::Desktop, "NoComma", "", "" },
        { "LINK %Desktop%\\Name,", ShortcutKind::Desktop, "Name", "", "" },
        { "LINK %Desktop%\\Name,,x.exe", ShortcutKind::Desktop, "Name", "", "" },
    };
    for (auto const& c : cases) {
        ShortcutEntry entry = make_entry(c.line, c.kind);
        EXPECT_EQ(entry.display_name(), c.display_name) << c.line;
        EXPECT_EQ(entry.target(), c.target) << c.line;
        EXPECT_EQ(target_file_name(entry.target()), c.file_name) << c.line;
    }
}

TEST(MakeEntry, KeepsEveryFieldForLaterUse)
{
    ShortcutEntry entry = make_entry("LINK %SendTo%\\A,b.exe,,icon.ico", ShortcutKind::SendTo);
    EXPECT_EQ(entry.display_text, "A,b.exe,,icon.ico");
    EXPECT_EQ(entry.fields, (TextList { "A", "b.exe", "", "icon.ico" }));
    EXPECT_TRUE(make_entry("LINK %Desktop%\\", ShortcutKind::Desktop).fields.empty());
}

TEST(NewShortcutLine, WritesTheTwoFieldsAsTheyStand)
{
    EXPECT_EQ(new_shortcut_line(ShortcutDestination::Desktop, "Calc", "calc.exe"),
        "LINK %Desktop%\\Calc,%SystemRoot%\\SYSTEM32\\TOOL\\calc.exe");
    EXPECT_EQ(new_shortcut_line(ShortcutDestination::StartMenu, "Calc", "calc.exe"),
        "LINK %Programs%\\Calc,%SystemRoot%\\SYSTEM32\\TOOL\\calc.exe");
    EXPECT_EQ(
        new_shortcut_line(ShortcutDestination::Desktop, "", ""), "LINK %Desktop%\\,%SystemRoot%\\SYSTEM32\\TOOL\\");
    // A comma typed into the name moves the rest of the name into the target.
    auto line = new_shortcut_line(ShortcutDestination::Desktop, "A,B", "a.exe");
    auto entry = make_entry(line, ShortcutKind::Desktop);
    EXPECT_EQ(entry.display_name(), "A");
    EXPECT_EQ(entry.target(), "B");
    // A Chinese display name survives byte for byte.
    auto chinese = new_shortcut_line(ShortcutDestination::Desktop, "记事本", "n.exe");
    EXPECT_EQ(make_entry(chinese, ShortcutKind::Desktop).display_name(), "记事本");
}

}
