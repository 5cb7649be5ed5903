#pragma once

// Reads the LZX bit-stream: little-endian 16-bit words, bits taken from the
// most significant end. The reader keeps up to 64 bits in hand, the bits
// below the count in hand always zero. Looking at bits past the end of the
// input is allowed for a table lookup only: they read as zero there, but
// consuming them marks the reader as overrun (the count in hand goes
// negative), and the decoder turns that into a Truncated error before any
// value read from them reaches the output. Uncompressed blocks switch the
// reader to whole bytes.
//
// refill() takes whole words from the input: four at a time with one 8-byte
// load while at least 8 bytes are left, one at a time near the end. Every
// load is checked against the input's size.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace tarnwell::tools::lzx {

class BitReader {
public:
    // After a refill that takes any words this many bits are in hand unless
    // the input has ended: enough for a main symbol, a length symbol and 17
    // extra bits.
    static constexpr int guaranteed_bits = 49;

    void reset(std::span<std::uint8_t const> input)
    {
        m_input = input;
        m_position = 0;
        m_buffer = 0;
        m_bits = 0;
    }

    // Takes words when fewer than `needed` (up to guaranteed_bits) are in
    // hand. A hot loop asks only for what its next reads need, so that most
    // calls return at once.
    void refill(int needed = guaranteed_bits)
    {
        // Enough in hand, or overrun (negative, seen as a large unsigned
        // count): nothing to take.
        if (static_cast<unsigned>(m_bits) >= static_cast<unsigned>(needed))
            return;
        if (m_input.size() - m_position >= 8) [[likely]] {
            unsigned const words = static_cast<unsigned>(64 - m_bits) / 16;
            unsigned const spare = static_cast<unsigned>(64 - m_bits) % 16;
            std::uint64_t const in_order = load_words(m_input.data() + m_position);
            m_buffer |= (in_order >> m_bits) & (~std::uint64_t { 0 } << spare);
            m_bits += static_cast<int>(16 * words);
            m_position += 2 * words;
            return;
        }
        while (m_bits < guaranteed_bits && m_input.size() - m_position >= 2) {
            std::uint64_t word = m_input[m_position] | (std::uint64_t { m_input[m_position + 1] } << 8);
            m_buffer |= word << (48 - m_bits);
            m_bits += 16;
            m_position += 2;
        }
    }

    // The next 16 bits for a table lookup, without refilling: the caller has
    // refilled for everything it reads before the next refill.
    std::uint32_t peek16_in_hand() const { return static_cast<std::uint32_t>(m_buffer >> 48); }

    // The next `count` (1..32) bits, for a lookup; see the note above.
    std::uint32_t peek(unsigned count)
    {
        if (m_bits < static_cast<int>(count))
            refill();
        return static_cast<std::uint32_t>(m_buffer >> (64 - count));
    }

    // `count` is at most 32.
    void consume(unsigned count)
    {
        m_buffer <<= count;
        m_bits -= static_cast<int>(count);
    }

    std::uint32_t read(unsigned count)
    {
        std::uint32_t value = peek(count);
        consume(count);
        return value;
    }

    // `count` (0..32) bits the caller has refilled for.
    std::uint32_t read_in_hand(unsigned count)
    {
        if (count == 0)
            return 0;
        auto value = static_cast<std::uint32_t>(m_buffer >> (64 - count));
        consume(count);
        return value;
    }

    // Whether any bit past the end of the input was consumed.
    bool overrun() const { return m_bits < 0; }

    // Byte offset in the input of the next word not yet taken in hand.
    std::size_t byte_position() const { return m_position; }

    // Leaves bit mode before raw bytes: drops 1..16 bits to reach a 16-bit
    // boundary (a full word when already on one, as real streams do) and
    // hands back the whole words still in hand. An overrun stays overrun.
    void align_to_bytes()
    {
        if (m_bits < 0)
            return;
        int drop = m_bits % 16;
        if (drop == 0)
            drop = 16;
        if (m_bits < drop)
            refill();
        consume(static_cast<unsigned>(drop));
        if (m_bits < 0)
            return;
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
    // Four stream words from 8 bytes, the first word in the top 16 bits.
    static std::uint64_t load_words(std::uint8_t const* bytes)
    {
        std::uint64_t value = 0;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&value, bytes, sizeof value);
        } else {
            for (int i = 7; i >= 0; --i)
                value = (value << 8) | bytes[i];
        }
        value = (value << 32) | (value >> 32);
        return ((value & 0x0000ffff0000ffffull) << 16) | ((value >> 16) & 0x0000ffff0000ffffull);
    }

    std::span<std::uint8_t const> m_input;
    std::size_t m_position { 0 };
    std::uint64_t m_buffer { 0 };
    int m_bits { 0 };
};

}
