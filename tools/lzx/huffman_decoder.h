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
        std::uint32_t entry = lookup(reader.peek(max_code_length));
        reader.consume(entry_length(entry));
        return entry_symbol(entry);
    }

    // The same for a reader the caller has refilled, with the table width
    // it was built with as a constant: the symbol is found from the next 16
    // bits, and the reader never escapes to the slow path, so the caller
    // can keep it in registers.
    template<unsigned TableBits> unsigned decode_in_hand(BitReader& reader) const
    {
        std::uint32_t bits = reader.peek16_in_hand();
        std::uint32_t entry = m_table[bits >> (max_code_length - TableBits)];
        if (entry & long_code_flag) [[unlikely]]
            entry = lookup_long(bits);
        reader.consume(entry_length(entry));
        return entry_symbol(entry);
    }

    // The entry for the code at the top of `bits` (the next 16 bits): the
    // symbol and the code's length; an Empty tree gives `invalid_symbol`
    // with length 0.
    std::uint32_t lookup(std::uint32_t bits) const
    {
        std::uint32_t entry = m_table[bits >> (max_code_length - m_table_bits)];
        if (entry & long_code_flag) [[unlikely]]
            return lookup_long(bits);
        return entry;
    }
    static unsigned entry_symbol(std::uint32_t entry) { return entry >> symbol_shift; }
    static unsigned entry_length(std::uint32_t entry) { return entry & length_mask; }

    // Above every tree's symbols (the main tree has at most 656).
    static constexpr unsigned invalid_symbol = 0x3ff;

private:
    std::uint32_t lookup_long(std::uint32_t bits) const;

    static constexpr std::uint32_t length_mask = 0x1f;
    static constexpr std::uint32_t long_code_flag = 0x20;
    // An entry is 16 bits: the symbol (10 bits), the long-code flag and the
    // code's length (5 bits). The main tree's table is then 8 KiB, which
    // stays in the first-level cache beside the data being copied.
    static constexpr unsigned symbol_shift = 6;
    // Largest table: 11 bits for the main tree (see decoder.cpp).
    static constexpr unsigned max_table_bits = 11;

    std::array<std::uint16_t, 1u << max_table_bits> m_table {};
    unsigned m_table_bits { 0 };
    bool m_empty { true };
    // Canonical ranges for the long-code walk, per code length.
    std::array<std::uint32_t, max_code_length + 1> m_first_code {};
    std::array<std::uint16_t, max_code_length + 1> m_count {};
    std::array<std::uint16_t, max_code_length + 1> m_first_index {};
    std::array<std::uint16_t, max_main_symbols> m_sorted_symbols {};
};

}
