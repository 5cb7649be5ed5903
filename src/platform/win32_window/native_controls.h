#pragma once

// How each kind of control of the model is made as a standard Win32 control:
// its window class and styles, and its text as the control shows it.

#include "platform/window/controls.h"

#include <windows.h>

namespace tarnwell::win32 {

struct NativeStyle {
    wchar_t const* class_name;
    DWORD style;
    DWORD extended_style;
};

// The class and styles of the control as the window is built with it,
// WS_VISIBLE and WS_DISABLED included.
NativeStyle native_style(Control const&);

// The caption of a label, button or check box, the text of an edit box;
// null for the kinds without one.
Text const* shown_text(Control const&);

}
