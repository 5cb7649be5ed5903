#include "iso/progress.h"

#include <cstdio>
#ifdef _WIN32
#    include <io.h>
#else
#    include <unistd.h>
#endif

namespace tarnwell::iso {

namespace {

    bool stderr_is_terminal()
    {
#ifdef _WIN32
        return _isatty(_fileno(stderr)) != 0;
#else
        return ::isatty(2) != 0;
#endif
    }

}

Progress::Progress(char const* verb, std::uint64_t total_bytes, bool silent)
    : m_verb(verb)
    , m_total(total_bytes)
    , m_shown(!silent && stderr_is_terminal())
{
}

Progress::~Progress()
{
    if (m_shown && m_last_percent >= 0)
        std::fputc('\n', stderr);
}

void Progress::advance(std::uint64_t bytes)
{
    m_done += bytes;
    if (!m_shown)
        return;
    int percent = m_total == 0 ? 100 : static_cast<int>(m_done * 100 / m_total);
    if (percent == m_last_percent)
        return;
    m_last_percent = percent;
    std::fprintf(stderr, "\r%s: %3d%% (%llu of %llu MiB)", m_verb, percent,
        static_cast<unsigned long long>(m_done >> 20), static_cast<unsigned long long>(m_total >> 20));
    std::fflush(stderr);
}

}
