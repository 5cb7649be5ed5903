#include "lzx/match_finder.h"

#include <cstring>

namespace tarnwell::tools::lzx {

namespace {

    std::uint32_t hash3(std::uint8_t const* bytes, unsigned bits)
    {
        std::uint32_t value = bytes[0] | (std::uint32_t { bytes[1] } << 8) | (std::uint32_t { bytes[2] } << 16);
        // Multiplicative hashing: the golden-ratio constant spreads the 24 bits
        // over the top bits of the product.
        return (value * 0x9E3779B1u) >> (32 - bits);
    }

}

MatchFinder::MatchFinder(unsigned window_bits, std::uint32_t max_offset)
    : m_window_mask((std::uint32_t { 1 } << window_bits) - 1)
    , m_max_offset(max_offset)
    , m_heads(std::size_t { 1 } << hash_bits, none)
    , m_children(std::size_t { 2 } << window_bits, none)
{
}

unsigned MatchFinder::find(
    std::uint32_t position, unsigned max_length, unsigned report_limit, std::vector<Match>& matches)
{
    return search<true>(position, max_length, report_limit, &matches);
}

void MatchFinder::skip(std::uint32_t position, unsigned max_length)
{
    search<false>(position, max_length, 0, nullptr);
}

template<bool report>
unsigned MatchFinder::search(
    std::uint32_t position, unsigned max_length, unsigned report_limit, std::vector<Match>* matches)
{
    if (max_length < 3)
        return 0;
    std::uint8_t const* const here = m_buffer + (position - m_buffer_start);
    std::uint32_t& head = m_heads[hash3(here, hash_bits)];
    std::uint32_t candidate = head;
    head = position;

    std::uint32_t* pending_smaller = &m_children[2 * (position & m_window_mask)];
    std::uint32_t* pending_larger = pending_smaller + 1;
    unsigned smaller_length = 0;
    unsigned larger_length = 0;
    unsigned best = 2;
    unsigned reported = 2;
    unsigned nice = max_length < nice_length ? max_length : nice_length;
    for (unsigned depth = max_depth;; --depth) {
        if (candidate == none || position - candidate > m_max_offset || depth == 0) {
            *pending_smaller = none;
            *pending_larger = none;
            return best;
        }
        std::uint8_t const* const other = m_buffer + (candidate - m_buffer_start);
        unsigned length = smaller_length < larger_length ? smaller_length : larger_length;
        while (length < max_length && other[length] == here[length])
            ++length;
        std::uint32_t* node = &m_children[2 * (candidate & m_window_mask)];
        if (length > best) {
            best = length;
            if constexpr (report) {
                unsigned cut = length < report_limit ? length : report_limit;
                if (cut > reported) {
                    matches->push_back(Match { static_cast<std::uint16_t>(cut), position - candidate });
                    reported = cut;
                }
            }
            if (length >= nice) {
                // Long enough: this position takes the candidate's place.
                *pending_smaller = node[0];
                *pending_larger = node[1];
                return best;
            }
        }
        if (other[length] < here[length]) {
            *pending_smaller = candidate;
            pending_smaller = &node[1];
            candidate = *pending_smaller;
            smaller_length = length;
        } else {
            *pending_larger = candidate;
            pending_larger = &node[0];
            candidate = *pending_larger;
            larger_length = length;
        }
    }
}

}
