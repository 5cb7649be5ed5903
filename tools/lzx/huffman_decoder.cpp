#include "lzx/huffman_decoder.h"

#include <string>

namespace tarnwell::tools::lzx {

Result<TreeState> HuffmanTable::build(std::span<std::uint8_t const> lengths, unsigned table_bits, char const* name)
{
    m_table_bits = table_bits;
    m_count.fill(0);
    for (auto length : lengths) {
        if (length > max_code_length)
            return fail(ErrorCode::Corrupt, 0, std::string(name) + " has a code longer than 16 bits");
        ++m_count[length];
    }
    m_count[0] = 0;

    // Kraft sum in units of 2^-16: a complete code fills exactly 2^16.
    std::uint32_t used = 0;
    for (unsigned length = 1; length <= max_code_length; ++length)
        used += std::uint32_t { m_count[length] } << (max_code_length - length);
    if (used == 0) {
        m_empty = true;
        m_table.fill(long_code_flag);
        return TreeState::Empty;
    }
    if (used != (1u << max_code_length))
        return fail(ErrorCode::Corrupt, 0,
            std::string(name) + (used > (1u << max_code_length) ? " is over-subscribed" : " is incomplete"));
    m_empty = false;

    // Canonical codes: shorter codes first, equal lengths by symbol order.
    std::uint32_t code = 0;
    std::uint16_t index = 0;
    for (unsigned length = 1; length <= max_code_length; ++length) {
        m_first_code[length] = code;
        m_first_index[length] = index;
        code = (code + m_count[length]) << 1;
        index = static_cast<std::uint16_t>(index + m_count[length]);
    }
    auto next_index = m_first_index;
    for (unsigned symbol = 0; symbol < lengths.size(); ++symbol) {
        if (lengths[symbol] != 0)
            m_sorted_symbols[next_index[lengths[symbol]]++] = static_cast<std::uint16_t>(symbol);
    }

    // Short codes fill every table slot that starts with them; the slots of
    // prefixes of long codes send the lookup to the walk.
    m_table.fill(long_code_flag);
    for (unsigned length = 1; length <= table_bits; ++length) {
        for (unsigned i = 0; i < m_count[length]; ++i) {
            unsigned symbol = m_sorted_symbols[m_first_index[length] + i];
            std::uint32_t first_slot = (m_first_code[length] + i) << (table_bits - length);
            std::uint32_t slots = 1u << (table_bits - length);
            for (std::uint32_t slot = 0; slot < slots; ++slot)
                m_table[first_slot + slot] = static_cast<std::uint16_t>((symbol << symbol_shift) | length);
        }
    }
    return TreeState::Complete;
}

std::uint32_t HuffmanTable::lookup_long(std::uint32_t bits) const
{
    std::uint32_t const not_found = invalid_symbol << symbol_shift;
    if (m_empty)
        return not_found;
    for (unsigned length = m_table_bits + 1; length <= max_code_length; ++length) {
        std::uint32_t code = bits >> (max_code_length - length);
        std::uint32_t offset = code - m_first_code[length];
        if (offset < m_count[length])
            return (std::uint32_t { m_sorted_symbols[m_first_index[length] + offset] } << symbol_shift) | length;
    }
    // Unreachable for a complete code; kept as a defined result.
    return not_found;
}

}
