// tarnwell.exe: the program on its Win32 window.

#include "platform/encoding.h"
#include "platform/win32_window/win32_window_system.h"
#include "program/event_table.h"

#include <exception>
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    try {
        tarnwell::win32::Win32WindowSystem window_system;
        return tarnwell::run_program(window_system, tarnwell::tarnwell_event_handlers());
    } catch (std::exception const& failure) {
        // The window could not be made: say which call failed and why.
        std::wstring message = tarnwell::wide_from_gbk(failure.what());
        MessageBoxW(nullptr, message.c_str(), L"Tarnwell", MB_OK | MB_ICONERROR | MB_TASKMODAL);
        return 2;
    }
}
