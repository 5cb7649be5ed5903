#pragma once

// Reads the LZX bit-stream: little-endian 16-bit words, bits taken from the
// most significant end. The reader keeps up to 64 bits in hand. Looking at
// bits past the end of the input is allowed for a table lookup only: the
// bits past the end read as zero there, but consuming them marks the reader
// as overrun, and the decoder turns that into a Truncated error before any
// value read from them reaches the output. Uncompressed blocks switch the
// reader to whole bytes.

#include <cstddef>
#include <cstdint>
#include <span>

namespace tarnwell::tools::lzx {

class BitReader {
public:
    void reset(std::span<std::uint8_t const> input)
    {
        m_input = input;
        m_position = 0;
        m_buffer = 0;
        m_bits = 0;
        m_overrun = false;
    }

    // Keeps at least 49 bits in hand while the input lasts: enough for a
    // whole match (main symbol, length symbol and 17 extra bits).
    void refill()
    {
        while (m_bits <= 48 && m_position + 2 <= m_input.size()) {
            std::uint64_t word = m_input[m_position] | (std::uint64_t { m_input[m_position + 1] } << 8);
            m_buffer |= word << (48 - m_bits);
            m_bits += 16;
            m_position += 2;
        }
    }

    // The next `count` (1..32) bits, for a lookup; see the note above.
    std::uint32_t peek(unsigned count)
    {
        if (m_bits < static_cast<int>(count))
            refill();
        return static_cast<std::uint32_t>(m_buffer >> (64 - count));
    }

    void consume(unsigned count)
    {
        m_buffer <<= count;
        m_bits -= static_cast<int>(count);
        if (m_bits < 0) {
            m_overrun = true;
            m_bits = 0;
        }
    }

    std::uint32_t read(unsigned count)
    {
        std::uint32_t value = peek(count);
        consume(count);
        return value;
    }

    // Whether any bit past the end of the input was consumed.
    bool overrun() const { return m_overrun; }

    // Byte offset in the input of the next word not yet taken in hand.
    std::size_t byte_position() const { return m_position; }

    // Leaves bit mode before raw bytes: drops 1..16 bits to reach a 16-bit
    // boundary (a full word when already on one, as real streams do) and
    // hands back the whole words still in hand.
    void align_to_bytes()
    {
        int drop = m_bits % 16;
        if (drop == 0)
            drop = 16;
        if (m_bits < drop)
            refill();
        consume(static_cast<unsigned>(drop));
        m_position -= static_cast<std::size_t>(m_bits / 8);
        m_buffer = 0;
        m_bits = 0;
    }

    std::size_t bytes_remaining() const { return m_input.size() - m_position; }

    // Raw bytes in byte mode; the caller checks bytes_remaining() first.
    std::span<std::uint8_t const> take_bytes(std::size_t count)
    {
        auto bytes = m_input.subspan(m_position, count);
        m_position += count;
        return bytes;
    }

private:
    std::span<std::uint8_t const> m_input;
    std::size_t m_position { 0 };
    std::uint64_t m_buffer { 0 };
    int m_bits { 0 };
    bool m_overrun { false };
};

}
