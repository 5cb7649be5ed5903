#pragma once

// Finds matches over the whole window with binary trees: one tree per hash
// of the next three bytes, each node a position, ordered by the bytes that
// follow it. A search walks down one tree from the newest position, reports
// every match longer than the ones before it, and re-roots the tree at the
// position searched, so older positions stay reachable until they leave the
// window. Positions are absolute offsets in the stream.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarnwell::tools::lzx {

struct Match {
    std::uint16_t length;
    std::uint32_t offset;
};

class MatchFinder {
public:
    // `max_offset` is the farthest a match may reach back.
    MatchFinder(unsigned window_bits, std::uint32_t max_offset);

    // The caller's buffer holds the stream from `buffer_start` on; it must
    // keep the bytes [position - max_offset, position + max_length) of every
    // search in it.
    void set_buffer(std::uint8_t const* buffer, std::uint32_t buffer_start)
    {
        m_buffer = buffer;
        m_buffer_start = buffer_start;
    }

    // Appends the matches at `position`, ascending in length, up to
    // `max_length` (reported lengths are cut to `report_limit`). Returns the
    // longest length found.
    unsigned find(std::uint32_t position, unsigned max_length, unsigned report_limit, std::vector<Match>& matches);

    // Inserts `position` without reporting matches (inside a long match).
    void skip(std::uint32_t position, unsigned max_length);

    // Search limits; see encoder.cpp for the values chosen and why.
    unsigned nice_length { 32 };
    unsigned max_depth { 24 };

private:
    template<bool report>
    unsigned search(std::uint32_t position, unsigned max_length, unsigned report_limit, std::vector<Match>* matches);

    static constexpr unsigned hash_bits = 17;
    static constexpr std::uint32_t none = 0xffffffff;

    std::uint8_t const* m_buffer { nullptr };
    std::uint32_t m_buffer_start { 0 };
    std::uint32_t m_window_mask;
    std::uint32_t m_max_offset;
    std::vector<std::uint32_t> m_heads;
    std::vector<std::uint32_t> m_children; // [2 * (position & mask)]: smaller, larger
};

}
