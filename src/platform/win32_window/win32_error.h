#pragma once

// A failing Win32 call, named: the API that failed and the code it left in
// GetLastError (or the code it returned). Only the Win32 edge throws it; the
// window procedure and WinMain catch it, so it never crosses a Win32 callback
// and never reaches the handlers.

#include <stdexcept>
#include <string>

namespace tarnwell::win32 {

class Win32Error : public std::runtime_error {
public:
    Win32Error(char const* api, unsigned long code);
    char const* api() const { return m_api; }
    unsigned long code() const { return m_code; }

private:
    char const* m_api;
    unsigned long m_code;
};

// Throws a Win32Error for `api` with the calling thread's last error code.
[[noreturn]] void throw_last_error(char const* api);

// The value, when it is not null or zero; otherwise throws for `api`.
template<typename T> T checked(T value, char const* api)
{
    if (!value)
        throw_last_error(api);
    return value;
}

// "CreateWindowExW failed with error 1407: <the system's text>".
std::string describe_failure(char const* api, unsigned long code);

}
