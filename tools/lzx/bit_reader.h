#pragma once

// Reads the LZX bit-stream: little-endian 16-bit words, bits taken from the
// most significant end. Uncompressed blocks switch the reader to whole bytes.
//
// On reset the reader copies the input's words into a scratch buffer with
// the two bytes of each word swapped, followed by zeros. The bits then run
// in plain big-endian order, so a refill is one 8-byte load at any byte,
// without asking how many words fit: after it, 56..63 bits are in hand. Only
// whole words are bits; a last odd byte reads as zero in bit mode.
//
// Looking at bits past the end of the input is allowed for a table lookup
// only: they read as zero, but consuming them marks the reader as overrun,
// and the decoder turns that into a Truncated error before any value read
// from them reaches the output. The zeros after the copy are enough for
// every load until the reader has certainly overrun; from then on a refill
// loads nothing and the reader stays overrun.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace tarnwell::tools::lzx {

class BitReader {
public:
    // Zeros the scratch buffer keeps after the copied input.
    static constexpr std::size_t padding = 64;
    // After a refill this many bits are in hand unless the reader has
    // overrun: enough for a main symbol, a length symbol, and an offset's
    // extra bits with its aligned symbol (16 + 16 + 21).
    static constexpr int guaranteed_bits = 56;

    // `scratch` holds at least input.size() + padding bytes and stays with
    // the reader until the next reset; `base` is the input's own offset,
    // added to byte_position().
    void reset(std::span<std::uint8_t const> input, std::span<std::uint8_t> scratch, std::size_t base = 0)
    {
        m_input = input;
        m_base = base;
        std::size_t const words = input.size() / 2;
        std::uint8_t* const swapped = scratch.first(2 * words + padding).data();
        std::size_t i = 0;
        for (; i + 8 <= 2 * words; i += 8) {
            std::uint64_t eight;
            std::memcpy(&eight, input.data() + i, sizeof eight);
            constexpr std::uint64_t low_bytes = 0x00ff00ff00ff00ffull;
            eight = ((eight >> 8) & low_bytes) | ((eight & low_bytes) << 8);
            std::memcpy(swapped + i, &eight, sizeof eight);
        }
        for (; i < 2 * words; i += 2) {
            swapped[i] = input[i + 1];
            swapped[i + 1] = input[i];
        }
        std::memset(swapped + 2 * words, 0, padding);
        m_bytes = swapped;
        m_bit_limit = 16 * words;
        m_load_limit = 2 * words + padding - sizeof(std::uint64_t);
        m_position = 0;
        m_buffer = 0;
        m_bits = 0;
        m_overrun = false;
    }

    // Brings the bits in hand to 56..63 whatever their count now; a hot loop
    // calls it on every turn, without a branch on the count.
    void top_up()
    {
        if (m_position <= m_load_limit) [[likely]] {
            m_buffer |= load_big_endian(m_bytes + m_position) >> m_bits;
            m_position += (63 - m_bits) >> 3;
            m_bits |= 56;
            return;
        }
        // More than the padding past the input's end: every bit in hand and
        // any later one is a zero past the end.
        m_overrun = true;
        m_bits = 63;
    }

    // Tops up when fewer than `needed` (up to guaranteed_bits) are in hand.
    void refill(unsigned needed = guaranteed_bits)
    {
        if (m_bits < needed)
            top_up();
    }

    // The next 16 bits for a table lookup, without refilling: the caller has
    // refilled for everything it reads before the next refill.
    std::uint32_t peek16_in_hand() const { return static_cast<std::uint32_t>(m_buffer >> 48); }

    // The next `count` (1..32) bits, for a lookup; see the note above.
    std::uint32_t peek(unsigned count)
    {
        refill(count);
        return static_cast<std::uint32_t>(m_buffer >> (64 - count));
    }

    // `count` (0..32) bits the caller has refilled for.
    void consume(unsigned count)
    {
        m_buffer <<= count;
        m_bits -= count;
    }

    std::uint32_t read(unsigned count)
    {
        std::uint32_t value = peek(count);
        consume(count);
        return value;
    }

    // `count` (0..32) bits the caller has refilled for; no branch on a
    // count of 0.
    std::uint32_t read_in_hand(unsigned count)
    {
        auto value = static_cast<std::uint32_t>((m_buffer >> 1) >> (63 - count));
        consume(count);
        return value;
    }

    // Whether any bit past the end of the input was consumed.
    bool overrun() const { return m_overrun || consumed_bits() > m_bit_limit; }

    // Offset (plus the base) of the next input byte not yet consumed.
    std::size_t byte_position() const { return m_base + std::min(consumed_bits() / 8, m_input.size()); }

    // Leaves bit mode before raw bytes: drops 1..16 bits to reach a 16-bit
    // boundary (a full word when already on one, as real streams do) and
    // goes on from the next byte. An overrun stays overrun.
    void align_to_bytes()
    {
        if (overrun())
            return;
        std::size_t const aligned = (consumed_bits() / 16 + 1) * 16;
        if (aligned > m_bit_limit) {
            m_overrun = true;
            return;
        }
        m_position = aligned / 8;
        m_buffer = 0;
        m_bits = 0;
    }

    // Raw bytes in byte mode.
    std::size_t bytes_remaining() const { return m_overrun ? 0 : m_input.size() - m_position; }

    // Raw bytes in byte mode; the caller checks bytes_remaining() first.
    // Bit mode goes on after them, on the word boundary they end on.
    std::span<std::uint8_t const> take_bytes(std::size_t count)
    {
        auto bytes = m_input.subspan(m_position, count);
        m_position += count;
        return bytes;
    }

private:
    std::size_t consumed_bits() const { return 8 * m_position - m_bits; }

    static std::uint64_t load_big_endian(std::uint8_t const* bytes)
    {
        std::uint64_t value;
        std::memcpy(&value, bytes, sizeof value);
        if constexpr (std::endian::native == std::endian::little)
            value = std::byteswap(value);
        return value;
    }

    std::span<std::uint8_t const> m_input;
    std::uint8_t const* m_bytes { nullptr }; // the words, bytes swapped, then zeros
    std::size_t m_base { 0 };
    std::size_t m_bit_limit { 0 }; // bits of whole words in the input
    std::size_t m_load_limit { 0 }; // last position an 8-byte load may start at
    std::size_t m_position { 0 }; // next byte to load (bit mode) or take (byte mode)
    std::uint64_t m_buffer { 0 };
    unsigned m_bits { 0 };
    bool m_overrun { false };
};

}
