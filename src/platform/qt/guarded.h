#pragma once

// Every slot and event handler that calls into the program runs through
// guarded(): no exception may unwind through Qt's event loop, which is not
// built for it. A failure is reported on stderr and the event counts as
// handled; the window stays usable.

#include <cstdio>
#include <exception>

namespace tarnwell::qt {

template<typename Callback> void guarded(char const* where, Callback&& callback) noexcept
{
    try {
        callback();
    } catch (std::exception const& error) {
        std::fprintf(stderr, "tarnwell: %s: %s\n", where, error.what());
    } catch (...) {
        std::fprintf(stderr, "tarnwell: %s: unknown exception\n", where);
    }
}

}
