#pragma once

// Canonical Huffman decoding for the LZX trees. Codes up to `TableBits`
// long are found with one lookup; longer ones (rare: at most 16 bits) are
// found by walking the canonical code ranges length by length.

#include "common/error.h"
#include "lzx/bit_reader.h"
#include "lzx/layout.h"

#include <array>
#include <cstdint>
#include <span>

namespace tarnwell::tools::lzx {

enum class TreeState : std::uint8_t {
    Empty, // every length is zero: allowed, but no symbol can be read
    Complete,
};

class HuffmanTable {
public:
    // Builds the table from code lengths (0 = unused symbol). Over-full or
    // incomplete codes are Corrupt; an all-zero set of lengths gives Empty.
    Result<TreeState> build(std::span<std::uint8_t const> lengths, unsigned table_bits, char const* name);

    // Decodes one symbol. Reading from an Empty tree yields `invalid_symbol`.
    unsigned decode(BitReader& reader) const
    {
        std::uint32_t bits = reader.peek(max_code_length);
        std::uint32_t entry = m_table[bits >> (max_code_length - m_table_bits)];
        if (entry & long_code_flag) [[unlikely]]
            return decode_long(reader, bits);
        reader.consume(entry & length_mask);
        return entry >> symbol_shift;
    }

    static constexpr unsigned invalid_symbol = 0xffff;

private:
    unsigned decode_long(BitReader& reader, std::uint32_t bits) const;

    static constexpr std::uint32_t length_mask = 0x1f;
    static constexpr std::uint32_t long_code_flag = 0x20;
    static constexpr unsigned symbol_shift = 8;
    // Largest table: 12 bits for the main tree (see decoder.cpp).
    static constexpr unsigned max_table_bits = 12;

    std::array<std::uint32_t, 1u << max_table_bits> m_table {};
    unsigned m_table_bits { 0 };
    bool m_empty { true };
    // Canonical ranges for the long-code walk, per code length.
    std::array<std::uint32_t, max_code_length + 1> m_first_code {};
    std::array<std::uint16_t, max_code_length + 1> m_count {};
    std::array<std::uint16_t, max_code_length + 1> m_first_index {};
    std::array<std::uint16_t, max_main_symbols> m_sorted_symbols {};
};

}
