#include "driven_program.h"

namespace tarnwell::test {

Started start_program(std::wstring const& program)
{
    Started started;
    std::wstring command = L"\"" + program + L"\"";
    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    started.ok = CreateProcessW(
        program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started.process);
    return started;
}

DWORD wait_for_exit(HANDLE process)
{
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process, &code);
    return code;
}

std::wstring temp_dir()
{
    wchar_t path[MAX_PATH] {};
    GetTempPathW(MAX_PATH, path);
    return path;
}

std::string file_bytes(std::wstring const& path)
{
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

}
