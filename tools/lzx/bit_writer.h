#pragma once

// Writes the LZX bit-stream: bits gathered from the most significant end of
// little-endian 16-bit words, the mirror of BitReader.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tarnwell::tools::lzx {

class BitWriter {
public:
    // Appends `count` (0..32) low bits of `value`.
    void write(std::uint32_t value, unsigned count)
    {
        if (count == 0)
            return;
        m_buffer = (m_buffer << count) | (value & ((std::uint64_t { 1 } << count) - 1));
        m_bits += count;
        while (m_bits >= 16) {
            m_bits -= 16;
            auto word = static_cast<std::uint16_t>(m_buffer >> m_bits);
            m_bytes.push_back(static_cast<std::uint8_t>(word));
            m_bytes.push_back(static_cast<std::uint8_t>(word >> 8));
        }
    }

    // Pads with zero bits to the next 16-bit boundary (none when on one).
    void align_to_word()
    {
        if (m_bits > 0)
            write(0, 16 - m_bits);
    }

    // Pads 1..16 zero bits: what an uncompressed block header needs.
    void align_for_raw_bytes() { write(0, 16 - m_bits); }

    void write_bytes(std::span<std::uint8_t const> bytes) { m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end()); }

    void write_u32_le(std::uint32_t value)
    {
        for (unsigned i = 0; i < 4; ++i)
            m_bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }

    std::size_t bit_count() const { return m_bytes.size() * 8 + m_bits; }

    // The whole words written so far; the writer must be aligned.
    std::vector<std::uint8_t>& bytes() { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
    std::uint64_t m_buffer { 0 };
    unsigned m_bits { 0 };
};

}
