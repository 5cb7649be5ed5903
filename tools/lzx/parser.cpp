#include "lzx/parser.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tarnwell::tools::lzx {

namespace {

    // A symbol the current trees do not have is priced as if it had a long
    // code: it is possible, but the parse should prefer what the trees know.
    constexpr std::uint32_t unused_cost = 16;

    constexpr std::uint32_t infinite_cost = 0xffffffff;

    unsigned length_header(unsigned length)
    {
        return std::min(length - min_match, primary_lengths);
    }

    unsigned position_slot(std::uint32_t formatted)
    {
        if (formatted < 4)
            return formatted;
        // Slots pair up per power of two until the extra bits stop growing at
        // 17; from there on every slot covers 2^17 offsets.
        constexpr std::uint32_t fixed_width_start = 1u << 19;
        if (formatted >= fixed_width_start)
            return 38 + ((formatted - fixed_width_start) >> 17);
        unsigned high = std::bit_width(formatted) - 1;
        return 2 * high + ((formatted >> (high - 1)) & 1);
    }

    // The common prefix of `a` and `b`, up to `limit`: eight bytes at a time
    // while they last (most repeated offsets fail in the first word).
    unsigned common_length(std::uint8_t const* a, std::uint8_t const* b, unsigned limit)
    {
        unsigned length = 0;
        if constexpr (std::endian::native == std::endian::little) {
            while (length + 8 <= limit) {
                std::uint64_t x;
                std::uint64_t y;
                std::memcpy(&x, a + length, 8);
                std::memcpy(&y, b + length, 8);
                if (x != y)
                    return length + static_cast<unsigned>(std::countr_zero(x ^ y)) / 8;
                length += 8;
            }
        }
        while (length < limit && a[length] == b[length])
            ++length;
        return length;
    }

}

CostModel CostModel::from_trees(Trees const& trees, unsigned main_symbols)
{
    CostModel model;
    for (unsigned i = 0; i < main_symbols; ++i)
        model.main[i] = trees.main[i] ? trees.main[i] : unused_cost;
    for (unsigned length = min_match; length <= max_match; ++length) {
        if (length_header(length) < primary_lengths)
            continue;
        unsigned symbol = length - min_match - primary_lengths;
        model.length_part[length] = trees.length[symbol] ? trees.length[symbol] : unused_cost;
    }
    return model;
}

CostModel CostModel::initial(unsigned main_symbols)
{
    // Flat guesses: a literal about 8 bits, a match symbol a little more,
    // a long match's length symbol a few bits.
    constexpr std::uint32_t literal_guess = 8;
    constexpr std::uint32_t match_guess = 9;
    constexpr std::uint32_t length_guess = 6;
    CostModel model;
    for (unsigned i = 0; i < main_symbols; ++i)
        model.main[i] = i < literal_count ? literal_guess : match_guess;
    for (unsigned length = min_match + primary_lengths; length <= max_match; ++length)
        model.length_part[length] = length_guess;
    return model;
}

void Parser::parse(std::uint8_t const* frame, std::size_t frame_size, std::size_t history, FrameMatches const& found,
    CostModel const& costs, RepeatedOffsets const& repeated_before, unsigned nice_length, ParsedFrame& out)
{
    m_nodes.assign(frame_size + 1, Node { infinite_cost, 0, 0, {} });
    m_nodes[0] = Node { 0, 0, 0, repeated_before };
    auto relax = [&](std::size_t to, std::uint32_t cost, unsigned length, std::uint32_t formatted) {
        Node& node = m_nodes[to];
        if (cost < node.cost) {
            node.cost = cost;
            node.length = static_cast<std::uint16_t>(length);
            node.formatted = formatted;
        }
    };
    // Positions inside a match of at least `nice_length` are not expanded:
    // such a match is nearly always the best way through them, and
    // expanding every position of a long run costs quadratic time.
    std::size_t expand_from = 0;

    for (std::size_t i = 0; i < frame_size; ++i) {
        Node& node = m_nodes[i];
        if (i > 0) {
            // This node's arrivals are all known now: settle its offsets.
            RepeatedOffsets repeated = m_nodes[i - node.length].repeated;
            if (node.length > 1) {
                if (node.formatted >= repeated_offsets)
                    repeated = { node.formatted - formatted_offset_bias, repeated[0], repeated[1] };
                else
                    std::swap(repeated[0], repeated[node.formatted]);
            }
            node.repeated = repeated;
        }
        if (i < expand_from)
            continue;
        std::uint32_t const base = node.cost;
        std::uint8_t const* here = frame + i;
        unsigned const limit = static_cast<unsigned>(std::min<std::size_t>(max_match, frame_size - i));
        relax(i + 1, base + costs.main[*here], 1, 0);
        if (limit < min_match)
            continue;

        unsigned longest = 0;
        for (unsigned slot = 0; slot < repeated_offsets; ++slot) {
            std::uint32_t offset = node.repeated[slot];
            if (offset > history + i)
                continue;
            unsigned length = common_length(here, here - offset, limit);
            std::uint32_t const* row = &costs.main[literal_count + slot * length_headers];
            if (length >= nice_length) {
                relax(i + length, base + row[length_header(length)] + costs.length_part[length], length, slot);
                longest = std::max(longest, length);
                continue;
            }
            for (unsigned l = min_match; l <= length; ++l)
                relax(i + l, base + row[length_header(l)] + costs.length_part[l], l, slot);
        }

        unsigned covered = min_match - 1;
        for (std::uint32_t m = found.first[i]; m < found.first[i + 1]; ++m) {
            Match const& match = found.matches[m];
            std::uint32_t formatted = match.offset + formatted_offset_bias;
            unsigned slot = position_slot(formatted);
            std::uint32_t offset_cost = slot_extra_bits(slot);
            std::uint32_t const* row = &costs.main[literal_count + slot * length_headers];
            if (match.length >= nice_length) {
                unsigned l = match.length;
                relax(i + l, base + row[length_header(l)] + costs.length_part[l] + offset_cost, l, formatted);
                longest = std::max(longest, l);
                continue;
            }
            for (unsigned l = covered + 1; l <= match.length; ++l)
                relax(i + l, base + row[length_header(l)] + costs.length_part[l] + offset_cost, l, formatted);
            covered = match.length;
        }
        if (longest >= nice_length)
            expand_from = i + longest;
    }

    // Walk back from the end, then emit the items front to back.
    std::size_t count = 0;
    for (std::size_t i = frame_size; i > 0; i -= m_nodes[i].length)
        ++count;
    std::size_t first = out.items.size();
    out.items.resize(first + count);
    std::size_t slot_index = first + count;
    for (std::size_t i = frame_size; i > 0; i -= m_nodes[i].length) {
        Node const& node = m_nodes[i];
        Item item {};
        if (node.length == 1) {
            item.main_symbol = frame[i - 1];
        } else {
            unsigned slot = position_slot(node.formatted);
            item.main_symbol
                = static_cast<std::uint16_t>(literal_count + slot * length_headers + length_header(node.length));
            if (length_header(node.length) == primary_lengths)
                item.length_symbol = static_cast<std::uint16_t>(node.length - min_match - primary_lengths);
            item.offset_extra = slot >= repeated_offsets ? node.formatted - slot_base[slot] : 0;
        }
        out.items[--slot_index] = item;
    }
    for (std::size_t k = first; k < first + count; ++k)
        out.statistics.add(out.items[k]);
    // The offsets after the last item.
    RepeatedOffsets repeated
        = frame_size > 0 ? m_nodes[frame_size - m_nodes[frame_size].length].repeated : repeated_before;
    if (frame_size > 0 && m_nodes[frame_size].length > 1) {
        Node const& last = m_nodes[frame_size];
        if (last.formatted >= repeated_offsets)
            repeated = { last.formatted - formatted_offset_bias, repeated[0], repeated[1] };
        else
            std::swap(repeated[0], repeated[last.formatted]);
    }
    out.repeated_after = repeated;
}

}
