#pragma once

// Progress on the console: a line on standard error, rewritten in place,
// only when standard error is a terminal and the user did not ask for
// silence.

#include <cstdint>

namespace tarnwell::iso {

class Progress {
public:
    Progress(char const* verb, std::uint64_t total_bytes, bool silent);
    ~Progress();
    void advance(std::uint64_t bytes);

private:
    char const* m_verb;
    std::uint64_t m_total;
    std::uint64_t m_done { 0 };
    int m_last_percent { -1 };
    bool m_shown;
};

}
