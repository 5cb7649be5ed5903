// Deflate decoding (RFC 1951).
//
// The document: a stream is a series of blocks (stored, fixed Huffman,
// dynamic Huffman), the last one flagged; matches reach back at most 32 KiB.
// Real MSZIP files: every data block holds one complete stream ending in a
// final block, and its matches may reach into the preceding data blocks of
// the folder (MS-MCI 2.1). What we do: decode one stream per call into an
// output of the exact expected size; anything that would write past that
// size, reach before the folder's first byte, use an unassigned code or run
// out of input is an error, never a guess. Codes of up to 10 bits are found
// with one table look-up; longer ones (rare) are decoded canonically.

#include "cab/mszip/inflate.h"

#include "cab/mszip/deflate_tables.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace tarnwell::tools::cab::deflate {

namespace {

    constexpr unsigned table_bits = 10;
    constexpr unsigned table_size = 1u << table_bits;
    // Slack past the block so that match copies may move 8 bytes at a time.
    constexpr size_t copy_slack = 16;

    // Reads bits LSB first (RFC 1951 3.1.1). The buffer holds `m_count`
    // valid bits; asking for more than are left is Truncated.
    class BitReader {
    public:
        BitReader(std::span<std::uint8_t const> data)
            : m_data(data.data())
            , m_size(data.size())
        {
        }

        void refill()
        {
            if (m_size - m_position >= 8) {
                std::uint64_t word;
                std::memcpy(&word, m_data + m_position, 8);
                if constexpr (std::endian::native == std::endian::big)
                    word = __builtin_bswap64(word);
                m_buffer |= word << m_count;
                m_position += (63 - m_count) >> 3;
                m_count |= 56;
                return;
            }
            while (m_count <= 56 && m_position < m_size) {
                m_buffer |= std::uint64_t(m_data[m_position++]) << m_count;
                m_count += 8;
            }
        }

        std::uint64_t peek() const { return m_buffer; }
        unsigned count() const { return m_count; }
        void consume(unsigned n)
        {
            m_buffer >>= n;
            m_count -= n;
        }

        // Up to 32 bits; refills as needed.
        Result<std::uint32_t> bits(unsigned n)
        {
            if (m_count < n)
                refill();
            if (m_count < n)
                return fail(ErrorCode::Truncated, offset(), "deflate stream ends early");
            auto value = static_cast<std::uint32_t>(m_buffer & ((std::uint64_t(1) << n) - 1));
            consume(n);
            return value;
        }

        void align_to_byte() { consume(m_count & 7); }

        // Whole bytes after aligning: first those in the buffer, then the
        // rest of the input directly.
        Result<void> copy_bytes(std::uint8_t* out, size_t length)
        {
            while (length > 0 && m_count >= 8) {
                *out++ = static_cast<std::uint8_t>(m_buffer);
                consume(8);
                --length;
            }
            if (length > m_size - m_position)
                return fail(ErrorCode::Truncated, offset(), "stored block ends early");
            if (length > 0)
                std::memcpy(out, m_data + m_position, length);
            m_position += length;
            m_buffer = 0;
            m_count = 0;
            return {};
        }

        std::uint64_t offset() const { return m_position - m_count / 8; }

    private:
        std::uint8_t const* m_data;
        size_t m_size;
        size_t m_position { 0 };
        std::uint64_t m_buffer { 0 };
        unsigned m_count { 0 };
    };

    // The low `bits` (1..15) bits of `code` in reverse order: deflate sends
    // codes from their most significant bit, and the table is indexed by
    // the bits as they arrive.
    unsigned reverse_bits(unsigned code, unsigned bits)
    {
        unsigned v = code;
        v = ((v >> 1) & 0x5555) | ((v & 0x5555) << 1);
        v = ((v >> 2) & 0x3333) | ((v & 0x3333) << 2);
        v = ((v >> 4) & 0x0F0F) | ((v & 0x0F0F) << 4);
        v = ((v >> 8) & 0x00FF) | ((v & 0x00FF) << 8);
        return v >> (16 - bits);
    }

    // A canonical Huffman code (RFC 1951 3.2.2). Table entries hold the
    // symbol in the low 16 bits and the code length above; 0 marks a prefix
    // of a longer code.
    struct HuffmanTable {
        std::array<std::uint32_t, table_size> fast {};
        std::array<std::uint16_t, max_code_bits + 1> counts {};
        std::array<std::uint16_t, literal_length_symbols> sorted {};
        unsigned symbol_count { 0 };

        Result<void> build(std::span<std::uint8_t const> lengths, bool allow_single_incomplete)
        {
            counts.fill(0);
            for (auto length : lengths)
                ++counts[length];
            counts[0] = 0;
            int left = 1;
            unsigned used = 0;
            for (unsigned bits = 1; bits <= max_code_bits; ++bits) {
                left = (left << 1) - counts[bits];
                if (left < 0)
                    return fail(ErrorCode::Corrupt, 0, "over-subscribed Huffman code");
                used += counts[bits];
            }
            // An incomplete code is allowed only for the one-distance case
            // (RFC 1951 3.2.7) or for no codes at all.
            if (left > 0 && used != 0 && !(allow_single_incomplete && used == 1))
                return fail(ErrorCode::Corrupt, 0, "incomplete Huffman code");
            symbol_count = static_cast<unsigned>(lengths.size());

            std::array<std::uint16_t, max_code_bits + 2> offsets {};
            for (unsigned bits = 1; bits <= max_code_bits; ++bits)
                offsets[bits + 1] = static_cast<std::uint16_t>(offsets[bits] + counts[bits]);
            for (unsigned symbol = 0; symbol < lengths.size(); ++symbol) {
                if (lengths[symbol] != 0)
                    sorted[offsets[lengths[symbol]]++] = static_cast<std::uint16_t>(symbol);
            }

            fast.fill(0);
            unsigned code = 0;
            unsigned index = 0;
            for (unsigned bits = 1; bits <= max_code_bits; ++bits) {
                for (unsigned n = 0; n < counts[bits]; ++n, ++index, ++code) {
                    if (bits > table_bits)
                        continue;
                    unsigned reversed = reverse_bits(code, bits);
                    std::uint32_t entry = sorted[index] | (bits << 16);
                    for (unsigned slot = reversed; slot < table_size; slot += 1u << bits)
                        fast[slot] = entry;
                }
                code <<= 1;
            }
            return {};
        }

        Result<unsigned> decode(BitReader& reader) const
        {
            if (reader.count() < max_code_bits)
                reader.refill();
            auto entry = fast[reader.peek() & (table_size - 1)];
            unsigned length = entry >> 16;
            if (length != 0) {
                if (length > reader.count())
                    return fail(ErrorCode::Truncated, reader.offset(), "deflate stream ends inside a code");
                reader.consume(length);
                return entry & 0xFFFF;
            }
            return decode_long(reader);
        }

        // The entry (symbol | length << 16) for a code longer than the
        // table, from at least 15 bits in hand; length 0 for an unassigned
        // code.
        std::uint32_t lookup_long(std::uint64_t bits_value) const
        {
            unsigned code = 0;
            unsigned first = 0;
            unsigned index = 0;
            for (unsigned length = 1; length <= max_code_bits; ++length) {
                code |= static_cast<unsigned>((bits_value >> (length - 1)) & 1);
                unsigned count = counts[length];
                if (code - first < count)
                    return sorted[index + code - first] | (length << 16);
                index += count;
                first = (first + count) << 1;
                code <<= 1;
            }
            return 0;
        }

        Result<unsigned> decode_long(BitReader& reader) const
        {
            auto bits_value = reader.peek();
            int code = 0;
            int first = 0;
            int index = 0;
            for (unsigned length = 1; length <= max_code_bits; ++length) {
                if (length > reader.count())
                    return fail(ErrorCode::Truncated, reader.offset(), "deflate stream ends inside a code");
                code |= static_cast<int>((bits_value >> (length - 1)) & 1);
                int count = counts[length];
                if (code - first < count) {
                    reader.consume(length);
                    return sorted[static_cast<size_t>(index + code - first)];
                }
                index += count;
                first = (first + count) << 1;
                code <<= 1;
            }
            return fail(ErrorCode::Corrupt, reader.offset(), "unassigned Huffman code");
        }
    };

    struct Tables {
        HuffmanTable literals;
        HuffmanTable distances;
    };

    Tables const& fixed_tables()
    {
        static Tables const tables = [] {
            Tables t;
            auto literal_lengths = fixed_literal_lengths();
            (void)t.literals.build(literal_lengths, false);
            std::array<std::uint8_t, distance_symbols> distance_lengths;
            distance_lengths.fill(5);
            (void)t.distances.build(distance_lengths, false);
            return t;
        }();
        return tables;
    }

    Result<void> read_dynamic_tables(BitReader& reader, Tables& tables)
    {
        auto header = reader.bits(14);
        if (!header)
            return std::unexpected(header.error());
        unsigned literal_count = (*header & 0x1F) + 257;
        unsigned distance_count = ((*header >> 5) & 0x1F) + 1;
        unsigned code_length_count = ((*header >> 10) & 0xF) + 4;
        if (literal_count > 286 || distance_count > 30)
            return fail(ErrorCode::Corrupt, reader.offset(), "too many Huffman codes in a dynamic block");

        std::array<std::uint8_t, code_length_symbols> code_length_lengths {};
        for (unsigned i = 0; i < code_length_count; ++i) {
            auto value = reader.bits(3);
            if (!value)
                return std::unexpected(value.error());
            code_length_lengths[code_length_order[i]] = static_cast<std::uint8_t>(*value);
        }
        HuffmanTable code_lengths;
        if (auto built = code_lengths.build(code_length_lengths, false); !built)
            return fail(ErrorCode::Corrupt, reader.offset(), "bad code-length code");

        std::array<std::uint8_t, 286 + 30> lengths {};
        unsigned total = literal_count + distance_count;
        for (unsigned i = 0; i < total;) {
            auto symbol = code_lengths.decode(reader);
            if (!symbol)
                return std::unexpected(symbol.error());
            if (*symbol < 16) {
                lengths[i++] = static_cast<std::uint8_t>(*symbol);
                continue;
            }
            std::uint8_t value = 0;
            unsigned repeat = 0;
            if (*symbol == 16) {
                if (i == 0)
                    return fail(ErrorCode::Corrupt, reader.offset(), "repeat with no previous length");
                value = lengths[i - 1];
                auto extra = reader.bits(2);
                if (!extra)
                    return std::unexpected(extra.error());
                repeat = 3 + *extra;
            } else {
                auto extra = reader.bits(*symbol == 17 ? 3 : 7);
                if (!extra)
                    return std::unexpected(extra.error());
                repeat = (*symbol == 17 ? 3 : 11) + *extra;
            }
            if (i + repeat > total)
                return fail(ErrorCode::Corrupt, reader.offset(), "code lengths overrun their count");
            std::fill_n(lengths.begin() + i, repeat, value);
            i += repeat;
        }
        if (lengths[end_of_block] == 0)
            return fail(ErrorCode::Corrupt, reader.offset(), "no code for the end of the block");
        auto literal_span = std::span<std::uint8_t const>(lengths.data(), literal_count);
        if (auto built = tables.literals.build(literal_span, false); !built)
            return fail(ErrorCode::Corrupt, reader.offset(), "bad literal/length code");
        auto distance_span = std::span<std::uint8_t const>(lengths.data() + literal_count, distance_count);
        if (auto built = tables.distances.build(distance_span, true); !built)
            return fail(ErrorCode::Corrupt, reader.offset(), "bad distance code");
        return {};
    }

    // Bits one symbol may take: a 15-bit literal/length code with 5 extra
    // bits, a 15-bit distance code with 13 extra bits.
    constexpr unsigned symbol_bits = 48;

    // Copies a match; the slack after the block lets the last chunk of a
    // copy from 8 or more bytes back spill over.
    inline void copy_match(std::uint8_t* destination, size_t distance, size_t length)
    {
        std::uint8_t const* source = destination - distance;
        if (distance >= 8) {
            for (size_t done = 0; done < length; done += 8)
                std::memcpy(destination + done, source + done, 8);
        } else {
            for (size_t i = 0; i < length; ++i)
                destination[i] = source[i];
        }
    }

    enum class FastResult { EndOfBlock, NearInputEnd, Damaged };

    // The hot loop of MSZIP expansion, kept whole: symbols while a refill
    // leaves a whole symbol's bits in hand, so that no read inside needs a
    // check. The reader is a local the window's stores cannot alias, and
    // the tables are looked up without calls; the checked loop below takes
    // over for the last bytes of the input. `damage` names a fault.
    FastResult decode_fast(BitReader& shared_reader, Tables const& tables, std::uint8_t* window, size_t floor,
        size_t& position, size_t end, char const*& damage)
    {
        BitReader reader = shared_reader;
        size_t out = position;
        FastResult result = FastResult::NearInputEnd;
        for (;;) {
            reader.refill();
            if (reader.count() < symbol_bits)
                break;
            std::uint32_t entry = tables.literals.fast[reader.peek() & (table_size - 1)];
            if ((entry >> 16) == 0) [[unlikely]]
                entry = tables.literals.lookup_long(reader.peek());
            if ((entry >> 16) == 0) [[unlikely]] {
                damage = "unassigned Huffman code";
                result = FastResult::Damaged;
                break;
            }
            reader.consume(entry >> 16);
            unsigned symbol = entry & 0xFFFF;
            if (symbol < 256) {
                if (out >= end) [[unlikely]] {
                    damage = "more data than the block holds";
                    result = FastResult::Damaged;
                    break;
                }
                window[out++] = static_cast<std::uint8_t>(symbol);
                continue;
            }
            if (symbol == end_of_block) {
                result = FastResult::EndOfBlock;
                break;
            }
            unsigned length_index = symbol - 257;
            if (length_index >= length_base.size()) [[unlikely]] {
                damage = "bad length code";
                result = FastResult::Damaged;
                break;
            }
            unsigned extra = length_extra[length_index];
            size_t length = length_base[length_index] + (reader.peek() & ((std::uint64_t { 1 } << extra) - 1));
            reader.consume(extra);

            entry = tables.distances.fast[reader.peek() & (table_size - 1)];
            if ((entry >> 16) == 0) [[unlikely]]
                entry = tables.distances.lookup_long(reader.peek());
            unsigned distance_symbol = entry & 0xFFFF;
            if ((entry >> 16) == 0 || distance_symbol >= distance_base.size()) [[unlikely]] {
                damage = (entry >> 16) == 0 ? "unassigned Huffman code" : "bad distance code";
                result = FastResult::Damaged;
                break;
            }
            reader.consume(entry >> 16);
            extra = distance_extra[distance_symbol];
            size_t distance = distance_base[distance_symbol] + (reader.peek() & ((std::uint64_t { 1 } << extra) - 1));
            reader.consume(extra);
            if (distance > out - floor || length > end - out) [[unlikely]] {
                damage = distance > out - floor ? "match reaches before the start of the data"
                                                : "more data than the block holds";
                result = FastResult::Damaged;
                break;
            }
            copy_match(window + out, distance, length);
            out += length;
        }
        shared_reader = reader;
        position = out;
        return result;
    }

    // Decodes the symbols of one Huffman block into `window` from `*position`
    // up to `end`. Matches may reach back to `floor` (the oldest byte still
    // in the window). The fast loop does nearly all; this checked one, read
    // by read, finishes the input's last bytes.
    Result<void> decode_huffman_block(
        BitReader& reader, Tables const& tables, std::uint8_t* window, size_t floor, size_t* position, size_t end)
    {
        char const* damage = nullptr;
        switch (decode_fast(reader, tables, window, floor, *position, end, damage)) {
        case FastResult::EndOfBlock:
            return {};
        case FastResult::Damaged:
            return fail(ErrorCode::Corrupt, reader.offset(), damage);
        case FastResult::NearInputEnd:
            break;
        }
        size_t out = *position;
        for (;;) {
            auto symbol = tables.literals.decode(reader);
            if (!symbol)
                return std::unexpected(symbol.error());
            if (*symbol < 256) {
                if (out >= end)
                    return fail(ErrorCode::Corrupt, reader.offset(), "more data than the block holds");
                window[out++] = static_cast<std::uint8_t>(*symbol);
                continue;
            }
            if (*symbol == end_of_block)
                break;
            unsigned length_index = *symbol - 257;
            if (length_index >= length_base.size())
                return fail(ErrorCode::Corrupt, reader.offset(), "bad length code");
            auto length_extra_bits = reader.bits(length_extra[length_index]);
            if (!length_extra_bits)
                return std::unexpected(length_extra_bits.error());
            size_t length = length_base[length_index] + *length_extra_bits;

            auto distance_symbol = tables.distances.decode(reader);
            if (!distance_symbol)
                return std::unexpected(distance_symbol.error());
            if (*distance_symbol >= distance_base.size())
                return fail(ErrorCode::Corrupt, reader.offset(), "bad distance code");
            auto distance_extra_bits = reader.bits(distance_extra[*distance_symbol]);
            if (!distance_extra_bits)
                return std::unexpected(distance_extra_bits.error());
            size_t distance = distance_base[*distance_symbol] + *distance_extra_bits;

            if (distance > out - floor)
                return fail(ErrorCode::Corrupt, reader.offset(), "match reaches before the start of the data");
            if (length > end - out)
                return fail(ErrorCode::Corrupt, reader.offset(), "more data than the block holds");
            copy_match(window + out, distance, length);
            out += length;
        }
        *position = out;
        return {};
    }

}

Inflater::Inflater()
    : m_window(2 * window_size + copy_slack)
{
}

void Inflater::reset()
{
    m_history = 0;
    m_error.reset();
}

Result<void> Inflater::decode_stream(std::span<std::uint8_t const> input, std::span<std::uint8_t> output)
{
    if (m_error)
        return std::unexpected(*m_error);
    if (output.size() > window_size) {
        m_error = Error { ErrorCode::LimitExceeded, 0, "block larger than 32 KiB" };
        return std::unexpected(*m_error);
    }
    BitReader reader(input);
    std::uint8_t* window = m_window.data();
    size_t const start = window_size;
    size_t const end = start + output.size();
    size_t position = start;
    size_t const floor = start - m_history;
    auto failed = [&](Error error) -> Result<void> {
        m_error = error;
        return std::unexpected(error);
    };

    bool last = false;
    Tables dynamic;
    while (!last) {
        auto header = reader.bits(3);
        if (!header)
            return failed(header.error());
        last = (*header & 1) != 0;
        unsigned type = *header >> 1;
        if (type == 0) {
            reader.align_to_byte();
            auto lengths = reader.bits(32);
            if (!lengths)
                return failed(lengths.error());
            unsigned length = *lengths & 0xFFFF;
            if ((*lengths >> 16) != (~length & 0xFFFF))
                return failed(Error { ErrorCode::Corrupt, reader.offset(), "stored block length check fails" });
            if (length > end - position)
                return failed(Error { ErrorCode::Corrupt, reader.offset(), "more data than the block holds" });
            if (auto copied = reader.copy_bytes(window + position, length); !copied)
                return failed(copied.error());
            position += length;
            continue;
        }
        if (type == 3)
            return failed(Error { ErrorCode::Corrupt, reader.offset(), "reserved deflate block type" });
        Tables const* tables = &fixed_tables();
        if (type == 2) {
            if (auto read = read_dynamic_tables(reader, dynamic); !read)
                return failed(read.error());
            tables = &dynamic;
        }
        if (auto decoded = decode_huffman_block(reader, *tables, window, floor, &position, end); !decoded)
            return failed(decoded.error());
    }
    if (position != end)
        return failed(Error { ErrorCode::Corrupt, reader.offset(),
            "block yields " + std::to_string(position - start) + " bytes, expected " + std::to_string(output.size()) });

    if (!output.empty())
        std::memcpy(output.data(), window + start, output.size());
    // Keep the last 32 KiB of everything produced so far.
    std::memmove(window, window + output.size(), window_size);
    m_history = static_cast<std::uint32_t>(std::min<size_t>(window_size, m_history + output.size()));
    return {};
}

}
