#include "window_controls.h"

#include <commctrl.h>
#include <string>

namespace tarnwell::test {

namespace {

    constexpr LONG list_view_style = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
    constexpr LONG list_view_forbidden = LVS_SORTASCENDING | LVS_SORTDESCENDING | LVS_NOCOLUMNHEADER;
    constexpr LONG many_lines = ES_MULTILINE | WS_VSCROLL | WS_HSCROLL;
    constexpr LONG one_line_label = SS_CENTERIMAGE;

}

// The window right after start: the created handler has disabled the
// buttons that need an image and hidden 列表框1.
ExpectedControl const g_controls[g_control_count] = {
    { L"标签1", L"Static", { 3, 8, 185, 49 }, L"请先打开PE里的IS_文件", true, true, -1, 0, SS_CENTERIMAGE },
    { L"编辑框1", L"Edit", { 302, 13, 184, 28 }, L"", true, false, -1, 0, ES_MULTILINE },
    { L"按钮1", L"Button", { 495, 10, 80, 32 }, L"选择IS_文件", true, true, -1, 0, 0 },
    { L"编辑框4", L"Edit", { 4, 67, 184, 28 }, L"", true, false, -1, 0, ES_MULTILINE },
    { L"按钮2", L"Button", { 194, 63, 80, 32 }, L"选择添加目录", true, false, -1, 0, 0 },
    { L"按钮4", L"Button", { 299, 62, 80, 32 }, L"解析IS_", true, false, -1, 0, 0 },
    { L"编辑框3", L"Edit", { 4, 109, 184, 24 }, L"", true, false, -1, 0, ES_MULTILINE },
    { L"组合框1", L"ComboBox", { 195, 110, 96, 20 }, L"添加到桌面", true, true, -1, CBS_DROPDOWNLIST, CBS_SORT },
    { L"超级列表框1", L"SysListView32", { 301, 105, 275, 162 }, L"", true, true, -1, list_view_style,
        list_view_forbidden },
    { L"编辑框2", L"Edit", { 4, 142, 184, 24 }, L"", true, false, -1, 0, ES_MULTILINE },
    { L"列表框1", L"ListBox", { 4, 183, 184, 78 }, L"", false, true, -1, WS_VSCROLL,
        LBS_SORT | LBS_MULTIPLESEL | LBS_EXTENDEDSEL },
    { L"按钮7", L"Button", { 55, 280, 80, 32 }, L"确认添加", true, false, -1, 0, 0 },
    { L"按钮3", L"Button", { 225, 327, 80, 32 }, L"封装成IS_", true, false, -1, 0, 0 },
    { L"按钮5", L"Button", { 323, 280, 80, 32 }, L"移除列表", true, false, -1, 0, 0 },
    { L"按钮6", L"Button", { 467, 280, 80, 32 }, L"确认删除", true, false, -1, 0, 0 },
    { L"选择框2", L"Button", { 336, 319, 88, 24 }, L"自动备份", true, true, BST_UNCHECKED, 0, 0 },
    { L"选择框1", L"Button", { 336, 336, 106, 33 }, L"使用最大压缩率", true, true, BST_CHECKED, 0, 0 },
    { L"标签2", L"Static", { 509, 349, 72, 16 }, L"by-rk4756rk", true, true, -1, one_line_label, 0 },
    // Never shown: they hold the handlers' state.
    { L"编辑框5", L"Edit", { 880, 8, 64, 32 }, L"", false, false, -1, 0, ES_MULTILINE },
    { L"编辑框6", L"Edit", { 704, 40, 336, 160 }, L"", false, true, -1, many_lines, 0 },
    { L"编辑框7", L"Edit", { 664, 200, 328, 144 }, L"", false, true, -1, many_lines, 0 },
    { L"编辑框8", L"Edit", { 752, 344, 176, 136 }, L"", false, true, -1, many_lines, 0 },
    { L"标签3", L"Static", { 896, 120, 56, 32 }, L"", false, true, -1, one_line_label, 0 },
    { L"标签4", L"Static", { 904, 152, 32, 24 }, L"1", false, true, -1, one_line_label, 0 },
    { L"超级列表框2", L"SysListView32", { 864, 240, 328, 176 }, L"", false, true, -1, list_view_style,
        list_view_forbidden },
};

HWND find_control(HWND main_window, ExpectedControl const& expected)
{
    for (HWND child : direct_children(main_window)) {
        if (_wcsicmp(class_name(child).c_str(), expected.class_name) == 0 && rect_in_parent(child) == expected.rect)
            return child;
    }
    return nullptr;
}

HWND find_control(HWND main_window, wchar_t const* name)
{
    for (auto const& expected : g_controls) {
        if (std::wstring(expected.name) == name)
            return find_control(main_window, expected);
    }
    return nullptr;
}

}
