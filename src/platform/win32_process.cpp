// RunAndWait on Windows: CreateProcessW finds the program from the command
// line as the system does (a ".cmd" script through the command interpreter),
// no handle is inherited, and the wait has no time limit.

#include "platform/process.h"

#include "platform/encoding.h"
#include "platform/win32_handle.h"

#include <vector>

namespace tarnwell {

bool RunAndWait(std::string_view command_line)
{
    std::wstring wide = wide_from_gbk(command_line);
    if (wide.empty())
        return false;
    // CreateProcessW may write into its command line buffer.
    std::vector<wchar_t> buffer(wide.begin(), wide.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process {};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    win32::FileHandle process_handle(process.hProcess);
    win32::FileHandle thread_handle(process.hThread);
    WaitForSingleObject(process_handle.get(), INFINITE);
    return true;
}

}
