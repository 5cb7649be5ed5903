#include "platform/win32_window/input_rule.h"

#include <windows.h>

namespace tarnwell::win32 {

bool is_input_dropped_while_busy(unsigned message)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_DEADCHAR:
    case WM_IME_CHAR:
    case WM_IME_KEYDOWN:
    case WM_IME_KEYUP:
        return true;
    case WM_MOUSEMOVE:
        return false;
    default:
        // Buttons, double-clicks and wheels of the client area.
        return message >= WM_MOUSEFIRST && message <= WM_MOUSELAST;
    }
}

}
