// The XP generation has no GetTickCount64, yet the static thread runtime of
// the i686 compiler (winpthreads) imports it, which would keep the program
// from loading there. This object defines the import slot itself, so the
// linker takes ours and never asks kernel32 for the function. Only the i686
// build needs it; for x86_64 this file is empty.

#include <windows.h>

#if defined(__i386__)

namespace {

// GetTickCount wraps after 49.7 days; counting the wraps makes it 64 bits
// wide for as long as it is called at least once per wrap, which the runtime
// does whenever it measures a wait. The program has one thread.
ULONGLONG WINAPI tick_count_64()
{
    static DWORD last = 0;
    static ULONGLONG wraps = 0;
    DWORD now = GetTickCount();
    if (now < last)
        ++wraps;
    last = now;
    return (wraps << 32) | now;
}

}

extern "C" {
// The import slot under the name the runtime refers to.
ULONGLONG(WINAPI* tarnwell_get_tick_count_64)() asm("__imp__GetTickCount64@0") = tick_count_64;
}

#endif
