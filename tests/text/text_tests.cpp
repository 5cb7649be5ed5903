#include "test_support.h"
#include "text/text.h"

#include <climits>
#include <gtest/gtest.h>

using namespace tarnwell;
using tarnwell::test::bytes;

namespace {

// A two-byte GBK character whose trail byte is 0x5C ('\\').
std::string const backslash_trail = bytes({ 0x95, 0x5C });
// One whose trail byte is the letter 'a'.
std::string const letter_trail = bytes({ 0x81, 'a' });
std::string const fullwidth_blank = bytes({ 0xA1, 0xA1 });

struct FindCase {
    std::string text;
    std::string part;
    int expected;
};

TEST(FindText, FindsOnCharacterBoundariesOnly)
{
    FindCase const cases[] = {
        { "abc", "b", 2 },
        { "abcabc", "c", 3 },
        { "abc", "", 1 },
        { "", "", -1 },
        { "", "a", -1 },
        { "abc", "abcd", -1 },
        { "LINK %desktop%\\X", "LINK %Desktop%", -1 },
        { "x LINK %Desktop%\\X", "LINK %Desktop%", 3 },
        { "ab" + backslash_trail, "\\", -1 },
        { backslash_trail + "\\", "\\", 3 },
        { letter_trail + "a", "a", 3 },
        // A lead byte as the last byte: the scan stops there.
        { bytes({ 'a', 0x81 }), bytes({ 0x81 }), 2 },
        { bytes({ 'a', 0x81 }), bytes({ 0x81, 'x' }), -1 },
    };
    for (auto const& c : cases)
        EXPECT_EQ(FindText(c.text, c.part), c.expected) << '"' << c.text << "\" / \"" << c.part << '"';
}

struct ReplaceCase {
    std::string text;
    std::string part;
    std::string replacement;
    std::string expected;
};

TEST(ReplaceAll, FoldsAsciiLettersAndNeverRescans)
{
    ReplaceCase const cases[] = {
        { "aaa", "aa", "b", "ba" },
        { "xAx", "a", "aa", "xaax" },
        { "LINK %desktop%\\X", "LINK %Desktop%\\", "", "X" },
        { "LINK %DESKTOP%\\a,LINK %Desktop%\\b", "link %desktop%\\", "", "a,b" },
        { "abc", "", "x", "abc" },
        { "", "a", "x", "" },
        { "abc", "b", "", "ac" },
        // An inserted replacement is not searched again.
        { "ab", "a", "ab", "abb" },
        // A trail byte never starts a match...
        { "a" + backslash_trail + "\\", "\\", "/", "a" + backslash_trail + "/" },
        // ...but is folded like any byte inside a match.
        { letter_trail, bytes({ 0x81, 'A' }), "x", "x" },
        { "ab" + bytes({ 0x81 }), bytes({ 0x81 }), "z", "abz" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(ReplaceAll(c.text, c.part, c.replacement), c.expected) << '"' << c.text << '"';
}

struct SplitCase {
    std::string text;
    std::string separator;
    TextList expected;
};

TEST(SplitText, KeepsEmptyPiecesExceptAfterTheLastSeparator)
{
    SplitCase const cases[] = {
        { "a,b", ",", { "a", "b" } },
        { "a,,b", ",", { "a", "", "b" } },
        { ",a", ",", { "", "a" } },
        { "a,", ",", { "a" } },
        { ",", ",", { "" } },
        { "", ",", {} },
        { "abc", "", { "abc" } },
        { "a\r\nb\r\n", "\r\n", { "a", "b" } },
        { "a\r\n\r\nb", "\r\n", { "a", "", "b" } },
        { "x\\" + backslash_trail, "\\", { "x", backslash_trail } },
        { "x\\y\\", "\\", { "x", "y" } },
    };
    for (auto const& c : cases)
        EXPECT_EQ(SplitText(c.text, c.separator), c.expected) << '"' << c.text << '"';
}

TEST(StripAllSpaces, RemovesAsciiAndFullWidthBlanksOnly)
{
    struct Case {
        std::string text;
        std::string expected;
    } const cases[] = {
        { " a b ", "ab" },
        { fullwidth_blank + "a" + fullwidth_blank, "a" },
        { "\t\t", "\t\t" },
        { " \t ", "\t" },
        { "\r", "\r" },
        // A1 A1 that is not one character (it straddles two) stays.
        { bytes({ 0xB0, 0xA1, 0xA1, 0xB0 }), bytes({ 0xB0, 0xA1, 0xA1, 0xB0 }) },
        { bytes({ 'a', 0xA1 }), bytes({ 'a', 0xA1 }) },
    };
    for (auto const& c : cases)
        EXPECT_EQ(StripAllSpaces(c.text), c.expected);
}

TEST(TextLeftRight, CountPlainBytes)
{
    EXPECT_EQ(TextRight("ab" + backslash_trail, 1), "\\");
    EXPECT_EQ(TextLeft(backslash_trail, 1), bytes({ 0x95 }));
    EXPECT_EQ(TextLeft("abc", 5), "abc");
    EXPECT_EQ(TextRight("abc", 2), "bc");
    EXPECT_EQ(TextLeft("abc", 0), "");
    EXPECT_EQ(TextRight("abc", -1), "");
    EXPECT_EQ(TextRight("", 1), "");
}

TEST(Numbers, RoundTripAndParseLikeTheHandlersNeed)
{
    EXPECT_EQ(ToText(-1), "-1");
    EXPECT_EQ(ToText(0), "0");
    EXPECT_EQ(ToText(1234), "1234");
    struct Case {
        std::string text;
        int expected;
    } const cases[] = {
        { "-1", -1 },
        { "42", 42 },
        { "  7x", 7 },
        { "+3", 3 },
        { "", 0 },
        { "abc", 0 },
        { "-", 0 },
        { "99999999999999999999", INT_MAX },
        { "-99999999999999999999", INT_MIN },
    };
    for (auto const& c : cases)
        EXPECT_EQ(ToInt(c.text), c.expected) << '"' << c.text << '"';
}

TEST(ToBytes, GivesTheBytesWithoutTerminator)
{
    EXPECT_TRUE(ToBytes("").empty());
    EXPECT_EQ(ToBytes(bytes({ 'a', 0xB0, 0xA1 })), (ByteData { 'a', 0xB0, 0xA1 }));
}

TEST(Literals, AreCompiledToGbk)
{
    EXPECT_EQ(std::string("请先"), bytes({ 0xC7, 0xEB, 0xCF, 0xC8 }));
}

}
