// The pure parts of the Win32 window system: the open-file filter, the
// folder path it reports, and which messages wait while a handler runs.

#include "platform/win32_window/dialog_texts.h"
#include "platform/win32_window/input_rule.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace tarnwell::win32 {

// The whole literal, its inner NUL characters included.
template<std::size_t N> std::wstring with_nuls(wchar_t const (&text)[N])
{
    return std::wstring(text, N - 1);
}

TEST(OpenFileFilter, parts_are_separated_by_nul_and_ended_by_two)
{
    struct Case {
        char const* filter;
        std::wstring expected;
    };
    Case const cases[] = {
        { "IS_文件（*.IS_）|*.IS_", with_nuls(L"IS_文件（*.IS_）\0*.IS_\0\0") },
        { "A|*.a|B|*.b", with_nuls(L"A\0*.a\0B\0*.b\0\0") },
        // 亅 is 81 7C in GBK: its trail byte is "|" and must not split it.
        { "亅|*.x", with_nuls(L"亅\0*.x\0\0") },
        { "", with_nuls(L"\0\0") },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(open_file_filter(c.filter), c.expected);
    }
}

TEST(ChosenFolder, keeps_the_separator_of_a_drive_root_only)
{
    struct Case {
        wchar_t const* path;
        wchar_t const* expected;
    };
    Case const cases[] = {
        { L"C:\\", L"C:\\" },
        { L"D:\\Tools\\", L"D:\\Tools" },
        { L"D:\\Tools", L"D:\\Tools" },
        { L"\\\\server\\share\\", L"\\\\server\\share" },
        { L"", L"" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(folder_without_trailing_separator(c.path), c.expected)
            << testing::PrintToString(std::wstring(c.path));
}

TEST(InputWhileBusy, drops_keys_and_clicks_and_keeps_the_rest)
{
    struct Case {
        UINT message;
        bool dropped;
    };
    Case const cases[] = {
        { WM_LBUTTONDOWN, true },
        { WM_LBUTTONUP, true },
        { WM_LBUTTONDBLCLK, true },
        { WM_RBUTTONDOWN, true },
        { WM_MOUSEWHEEL, true },
        { WM_KEYDOWN, true },
        { WM_CHAR, true },
        { WM_MOUSEMOVE, false },
        { WM_PAINT, false },
        { WM_TIMER, false },
        // The frame's input: moving the window, its close button, Alt+F4.
        { WM_NCLBUTTONDOWN, false },
        { WM_SYSKEYDOWN, false },
        { WM_CLOSE, false },
    };
    for (auto const& c : cases)
        EXPECT_EQ(is_input_dropped_while_busy(c.message), c.dropped) << "message 0x" << std::hex << c.message;
}

}
