// The Linux program: the portable program on the Qt window system, with our
// stand-ins for the Windows commands installed beside it.

#include "app/program.h"
#include "platform/qt/qt_window_system.h"
#include "program/event_table.h"

#include <cstdio>
#include <exception>

int main()
{
    try {
        tarnwell::QtWindowSystem window_system;
        return tarnwell::run_program(window_system, tarnwell::tarnwell_event_handlers());
    } catch (std::exception const& error) {
        std::fprintf(stderr, "tarnwell: %s\n", error.what());
    } catch (...) {
        std::fputs("tarnwell: unknown exception\n", stderr);
    }
    return 1;
}
