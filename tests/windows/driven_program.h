#pragma once

// What both drivers need around the program they drive: starting it,
// waiting for its end, and reading the files it leaves in the temporary
// folder.

#include <string>
#include <windows.h>

namespace tarnwell::test {

struct Started {
    PROCESS_INFORMATION process {};
    bool ok { false };
};

// Starts the program with no arguments, its window shown normally.
Started start_program(std::wstring const& program);
// The exit code, or STILL_ACTIVE when the program has not ended within a
// minute.
DWORD wait_for_exit(HANDLE process);

// The temporary folder, ending in "\".
std::wstring temp_dir();
// The file's bytes, or "<missing>".
std::string file_bytes(std::wstring const& path);

}
