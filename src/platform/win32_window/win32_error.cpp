#include "platform/win32_window/win32_error.h"

#include <windows.h>

namespace tarnwell::win32 {

namespace {

    // The system's own words for the code, in English where the system has
    // them, without the line end it appends.
    std::string system_text(unsigned long code)
    {
        char buffer[512] {};
        DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
            MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), buffer, sizeof buffer, nullptr);
        if (length == 0)
            length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                buffer, sizeof buffer, nullptr);
        std::string text(buffer, length);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
            text.pop_back();
        return text;
    }

}

std::string describe_failure(char const* api, unsigned long code)
{
    std::string message = std::string(api) + " failed with error " + std::to_string(code);
    auto text = system_text(code);
    if (!text.empty())
        message += ": " + text;
    return message;
}

Win32Error::Win32Error(char const* api, unsigned long code)
    : std::runtime_error(describe_failure(api, code))
    , m_api(api)
    , m_code(code)
{
}

void throw_last_error(char const* api)
{
    throw Win32Error(api, GetLastError());
}

}
