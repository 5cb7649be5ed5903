#include "iso/dates.h"
#include "iso/names.h"
#include "iso/options.h"

#include <gtest/gtest.h>

using namespace tarnwell::iso;

namespace {

std::vector<std::uint8_t> ucs2(std::u16string const& text)
{
    std::vector<std::uint8_t> bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
        bytes.push_back(static_cast<std::uint8_t>(unit));
    }
    return bytes;
}

TEST(IsoNames, DecodesStoredNames)
{
    struct Case {
        std::vector<std::uint8_t> stored;
        bool joliet;
        std::string expected;
    };
    Case const cases[] = {
        { { 'R', 'E', 'A', 'D', 'M', 'E', '.', 'T', 'X', 'T', ';', '1' }, false, "README.TXT" },
        { { 'N', 'O', 'E', 'X', 'T', '.', ';', '1' }, false, "NOEXT" },
        { { 'E', 'X', 'A', 'C', 'T' }, false, "EXACT" },
        { { 0xE9 }, false, "\xC3\xA9" },
        { ucs2(u"\u4E2D\u6587\u540D.txt;1"), true, "\xE4\xB8\xAD\xE6\x96\x87\xE5\x90\x8D.txt" },
        { ucs2(u"\U0001F600"), true, "\xF0\x9F\x98\x80" },
        { ucs2(u"\xD800x"), true, "\xEF\xBF\xBDx" },
        { { 0x00, 0x41, 0x00 }, true, "A" },
    };
    for (auto const& test_case : cases) {
        auto decoded = test_case.joliet ? decode_joliet_name(test_case.stored) : decode_primary_name(test_case.stored);
        EXPECT_EQ(decoded, test_case.expected);
    }
}

TEST(IsoNames, RefusesNamesThatLeaveTheFolder)
{
    struct Case {
        std::string name;
        bool posix_safe;
        bool windows_safe;
    };
    Case const cases[] = {
        { "plain.txt", true, true },
        { "\xE4\xB8\xAD\xE6\x96\x87", true, true },
        { "", false, false },
        { ".", false, false },
        { "..", false, false },
        { "a/b", false, false },
        { "a\\b", false, false },
        { std::string("a\0b", 3), false, false },
        { "C:", true, false },
        { "con", true, false },
        { "Com1.txt", true, false },
        { "LPT9", true, false },
        { "console", true, true },
        { "trailing.", true, false },
        { "what?", true, false },
        { "tab\there", true, false },
    };
    for (auto const& test_case : cases) {
        EXPECT_EQ(!unsafe_name_reason(test_case.name, NamePolicy::Posix), test_case.posix_safe) << test_case.name;
        EXPECT_EQ(!unsafe_name_reason(test_case.name, NamePolicy::Windows), test_case.windows_safe) << test_case.name;
    }
}

TEST(IsoDates, RecordingTimesRoundTrip)
{
    struct Case {
        std::array<std::uint8_t, 7> stored;
        std::int64_t unix_time;
    };
    Case const cases[] = {
        { { 70, 1, 1, 0, 0, 0, 0 }, 0 },
        { { 120, 6, 15, 0, 0, 0, 0 }, 1592179200 },
        { { 124, 2, 29, 23, 59, 59, 0 }, 1709251199 },
        { { 199, 12, 31, 12, 0, 0, 0 }, 4102401600 },
    };
    for (auto const& test_case : cases) {
        EXPECT_EQ(unix_time_from_recording_time(test_case.stored), test_case.unix_time);
        EXPECT_EQ(recording_time_from_unix_time(test_case.unix_time), test_case.stored);
    }
    // +8 hours (32 steps of 15 minutes): the same instant as 00:00 UTC.
    std::array<std::uint8_t, 7> beijing { 120, 6, 15, 8, 0, 0, 32 };
    EXPECT_EQ(unix_time_from_recording_time(beijing), 1592179200);
}

TEST(IsoOptions, AcceptsTheWorkspaceCommandLines)
{
    auto extract = parse_options({ "-silent", "-in", "pe.iso", "-extract", "iso" });
    ASSERT_TRUE(extract);
    EXPECT_TRUE(extract->silent);
    EXPECT_EQ(*extract->extract_to, "iso");

    auto remove = parse_options(
        { "-in", "pe.iso", "-rm", "/WXPE", "-jlong", "-imax", "-optimize", "-volu", "winpe", "-out", "pe2.iso" });
    ASSERT_TRUE(remove);
    EXPECT_EQ(remove->remove_paths, std::vector<std::string> { "/WXPE" });
    EXPECT_TRUE(remove->joliet_long_names && remove->relaxed_names && remove->optimize);
    EXPECT_EQ(*remove->volume_label, "winpe");

    auto add = parse_options({ "-IN", "pe2.iso", "-F", "C:\\TEMP\\iso\\WXPE", "-JLong", "-out", "winpe.iso" });
    ASSERT_TRUE(add);
    EXPECT_EQ(add->add_folders, std::vector<std::string> { "C:\\TEMP\\iso\\WXPE" });
}

TEST(IsoOptions, RefusesBadCommandLines)
{
    std::vector<std::string> const cases[] = {
        { "-in" },
        { "-in", "a.iso" },
        { "-extract", "dir" },
        { "-in", "a.iso", "-extract", "d", "-out", "b.iso" },
        { "-in", "a.iso", "-extract", "d", "-rm", "/X" },
        { "-in", "a.iso", "-in", "b.iso", "-extract", "d" },
        { "-in", "a.iso", "-out", "a.iso" },
        { "-in", "a.iso", "-rm", "/", "-out", "b.iso" },
        { "-in", "a.iso", "-bogus", "-extract", "d" },
    };
    for (auto const& arguments : cases) {
        auto parsed = parse_options(arguments);
        ASSERT_FALSE(parsed) << testing::PrintToString(arguments);
        EXPECT_EQ(parsed.error().code, tarnwell::tools::ErrorCode::Usage);
    }
}

TEST(IsoOptions, ReadsPathsInEitherForm)
{
    EXPECT_EQ(image_path_parts("\\WXPE\\System32\\"), (std::vector<std::string> { "WXPE", "System32" }));
    EXPECT_EQ(image_path_parts("/wxpe"), std::vector<std::string> { "wxpe" });
#ifndef _WIN32
    EXPECT_EQ(local_path("\\tmp\\iso\\WXPE"), "/tmp/iso/WXPE");
#endif
}

}
