#pragma once

// The controls of the program's main window as they are right after start:
// class, place and size in the client area, text, state and style bits. The
// driver finds a control by its class and rectangle, as a user finds it by
// its look.

#include "remote_window.h"

#include <cstddef>
#include <windows.h>

namespace tarnwell::test {

struct ExpectedControl {
    wchar_t const* name;
    wchar_t const* class_name;
    Rect rect;
    wchar_t const* text;
    bool visible;
    bool enabled;
    int checked; // BST_*, or -1 for a control without a check mark
    LONG required_style;
    LONG forbidden_style;
};

inline constexpr std::size_t g_control_count = 25;
extern ExpectedControl const g_controls[g_control_count];

// The child of the main window that matches the control, or nothing.
HWND find_control(HWND main_window, ExpectedControl const& expected);
HWND find_control(HWND main_window, wchar_t const* name);

}
