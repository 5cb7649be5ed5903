// Deflate encoding (RFC 1951) for MSZIP blocks.
//
// The document leaves the encoder free: any mix of stored, fixed and
// dynamic blocks that decodes to the input. Real MSZIP readers: each data
// block must be one whole stream with its final flag set, matches may reach
// into the previous 32 KiB of the folder, and some readers refuse a code
// that is not complete. What we do: hash chains over a 64 KiB buffer (the
// previous 32 KiB, then the block), lazy matching one byte ahead, one block
// per stream with the cheaper of dynamic and fixed codes, complete codes
// only, and a stored block when nothing shrinks.

#include "cab/mszip/deflate.h"

#include "cab/mszip/deflate_tables.h"
#include "cab/mszip/huffman_builder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace tarnwell::tools::cab::deflate {

namespace {

    constexpr unsigned hash_bits = 15;
    constexpr unsigned hash_size = 1u << hash_bits;
    constexpr size_t buffer_size = 2 * window_size;
    // Lets match comparison read 8 bytes at a time past a block's end.
    constexpr size_t compare_slack = max_match + 8;
    constexpr std::int32_t no_position = -1;
    // A 3-byte match further back than this costs more than its literals.
    constexpr unsigned too_far_for_three = 4096;

    struct CodeTables {
        std::array<std::uint8_t, max_match + 1> length_symbol {};
        std::array<std::uint8_t, 512> distance_symbol {};

        CodeTables()
        {
            for (unsigned code = 0; code < length_base.size(); ++code) {
                unsigned last = code + 1 < length_base.size() ? length_base[code + 1] : max_match + 1;
                for (unsigned length = length_base[code]; length < last && length <= max_match; ++length)
                    length_symbol[length] = static_cast<std::uint8_t>(code);
            }
            length_symbol[max_match] = 28;
            for (unsigned code = 0; code < distance_base.size(); ++code) {
                unsigned first = distance_base[code] - 1;
                unsigned count = 1u << distance_extra[code];
                for (unsigned d = first; d < first + count; ++d) {
                    if (d < 256)
                        distance_symbol[d] = static_cast<std::uint8_t>(code);
                    else
                        distance_symbol[256 + (d >> 7)] = static_cast<std::uint8_t>(code);
                }
            }
        }

        unsigned distance_code(unsigned distance) const
        {
            unsigned d = distance - 1;
            return d < 256 ? distance_symbol[d] : distance_symbol[256 + (d >> 7)];
        }
    };

    CodeTables const& code_tables()
    {
        static CodeTables const tables;
        return tables;
    }

    struct Symbol {
        std::uint16_t literal_or_length;
        std::uint16_t distance; // 0 for a literal
    };

    class BitWriter {
    public:
        explicit BitWriter(std::vector<std::uint8_t>& out)
            : m_out(out)
        {
        }
        void put(std::uint32_t value, unsigned count)
        {
            m_buffer |= std::uint64_t(value) << m_count;
            m_count += count;
            if (m_count >= 32) {
                for (int i = 0; i < 4; ++i)
                    m_out.push_back(static_cast<std::uint8_t>(m_buffer >> (8 * i)));
                m_buffer >>= 32;
                m_count -= 32;
            }
        }
        void flush()
        {
            while (m_count > 0) {
                m_out.push_back(static_cast<std::uint8_t>(m_buffer));
                m_buffer >>= 8;
                m_count = m_count > 8 ? m_count - 8 : 0;
            }
        }

    private:
        std::vector<std::uint8_t>& m_out;
        std::uint64_t m_buffer { 0 };
        unsigned m_count { 0 };
    };

    struct Code {
        std::array<std::uint8_t, literal_length_symbols> literal_lengths {};
        std::array<std::uint16_t, literal_length_symbols> literal_codes {};
        std::array<std::uint8_t, distance_symbols> distance_lengths {};
        std::array<std::uint16_t, distance_symbols> distance_codes {};
    };

    // The run-length form of the code lengths (RFC 1951 3.2.7): symbols
    // 0..18 with their extra bits.
    struct LengthRun {
        std::uint8_t symbol;
        std::uint8_t extra;
    };

    std::vector<LengthRun> run_length_code(std::span<std::uint8_t const> lengths)
    {
        std::vector<LengthRun> runs;
        for (size_t i = 0; i < lengths.size();) {
            std::uint8_t value = lengths[i];
            size_t run = 1;
            while (i + run < lengths.size() && lengths[i + run] == value)
                ++run;
            size_t left = run;
            if (value == 0) {
                while (left >= 11) {
                    size_t take = std::min<size_t>(left, 138);
                    runs.push_back({ 18, static_cast<std::uint8_t>(take - 11) });
                    left -= take;
                }
                if (left >= 3) {
                    runs.push_back({ 17, static_cast<std::uint8_t>(left - 3) });
                    left = 0;
                }
            } else {
                runs.push_back({ value, 0 });
                --left;
                while (left >= 3) {
                    size_t take = std::min<size_t>(left, 6);
                    runs.push_back({ 16, static_cast<std::uint8_t>(take - 3) });
                    left -= take;
                }
            }
            for (; left > 0; --left)
                runs.push_back({ value, 0 });
            i += run;
        }
        return runs;
    }

    unsigned run_extra_bits(unsigned symbol)
    {
        return symbol == 16 ? 2 : symbol == 17 ? 3 : symbol == 18 ? 7 : 0;
    }

}

struct Deflater::State {
    DeflateOptions options;
    std::vector<std::uint8_t> buffer;
    std::vector<std::int32_t> head;
    std::vector<std::int32_t> previous;
    std::vector<Symbol> symbols;
    std::array<std::uint32_t, literal_length_symbols> literal_frequencies {};
    std::array<std::uint32_t, distance_symbols> distance_frequencies {};
    size_t history { 0 };

    explicit State(DeflateOptions o)
        : options(o)
        , buffer(buffer_size + compare_slack, 0)
        , head(hash_size, no_position)
        , previous(buffer_size, no_position)
    {
        symbols.reserve(window_size + 1);
    }

    static std::uint32_t hash_at(std::uint8_t const* p)
    {
        std::uint32_t v = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
        return (v * 0x9E3779B1u) >> (32 - hash_bits);
    }

    std::int32_t insert(size_t position)
    {
        auto h = hash_at(buffer.data() + position);
        std::int32_t candidate = head[h];
        previous[position] = candidate;
        head[h] = static_cast<std::int32_t>(position);
        return candidate;
    }

    struct Match {
        unsigned length { 0 };
        unsigned distance { 0 };
    };

    // The longest earlier match for `position`, better than `best_so_far`.
    Match longest_match(size_t position, std::int32_t candidate, unsigned best_so_far, size_t end) const
    {
        unsigned max_length = static_cast<unsigned>(std::min<size_t>(max_match, end - position));
        if (max_length < min_match)
            return {};
        unsigned chain = best_so_far >= options.good_length ? options.max_chain / 4 : options.max_chain;
        std::int32_t const lowest = static_cast<std::int32_t>(position) - static_cast<std::int32_t>(window_size);
        std::uint8_t const* here = buffer.data() + position;
        Match best { best_so_far, 0 };
        while (candidate >= 0 && candidate >= lowest && chain-- > 0) {
            std::uint8_t const* there = buffer.data() + candidate;
            if (there[best.length] == here[best.length] && there[0] == here[0] && there[1] == here[1]) {
                unsigned length = 0;
                while (length < max_length) {
                    std::uint64_t a, b;
                    std::memcpy(&a, here + length, 8);
                    std::memcpy(&b, there + length, 8);
                    if (a != b) {
                        length += static_cast<unsigned>(std::countr_zero(a ^ b)) / 8;
                        break;
                    }
                    length += 8;
                }
                length = std::min(length, max_length);
                if (length > best.length) {
                    best = { length, static_cast<unsigned>(position - static_cast<size_t>(candidate)) };
                    if (length >= options.nice_length || length == max_length)
                        break;
                }
            }
            candidate = previous[static_cast<size_t>(candidate)];
        }
        if (best.distance == 0 || (best.length == min_match && best.distance > too_far_for_three))
            return {};
        return best;
    }

    void emit_literal(std::uint8_t value)
    {
        symbols.push_back({ value, 0 });
        ++literal_frequencies[value];
    }

    void emit_match(Match match)
    {
        symbols.push_back({ static_cast<std::uint16_t>(match.length), static_cast<std::uint16_t>(match.distance) });
        ++literal_frequencies[257 + code_tables().length_symbol[match.length]];
        ++distance_frequencies[code_tables().distance_code(match.distance)];
    }

    void find_symbols(size_t start, size_t end);
    void slide(size_t consumed);
};

// Lazy matching: a match found at one byte is held back while the next byte
// is tried; the longer of the two wins.
void Deflater::State::find_symbols(size_t start, size_t end)
{
    size_t position = start;
    Match held;
    bool pending = false;
    while (position < end) {
        std::int32_t candidate = position + min_match <= end ? insert(position) : no_position;
        Match current;
        if (held.length < options.lazy_length)
            current = longest_match(position, candidate, std::max<unsigned>(held.length, min_match - 1), end);
        if (held.length >= min_match && current.length <= held.length) {
            emit_match(held);
            size_t stop = position - 1 + held.length;
            for (size_t p = position + 1; p < stop; ++p) {
                if (p + min_match <= end)
                    insert(p);
            }
            position = stop;
            held = {};
            pending = false;
            continue;
        }
        if (pending)
            emit_literal(buffer[position - 1]);
        held = current;
        pending = true;
        ++position;
    }
    if (pending) {
        if (held.length >= min_match)
            emit_match(held);
        else
            emit_literal(buffer[position - 1]);
    }
}

// Moves the window forward by `consumed` bytes, keeping the last 32 KiB.
void Deflater::State::slide(size_t consumed)
{
    auto shift = static_cast<std::int32_t>(consumed);
    std::memmove(buffer.data(), buffer.data() + consumed, window_size);
    for (auto& entry : head)
        entry = entry >= shift ? entry - shift : no_position;
    for (size_t i = 0; i < window_size; ++i) {
        auto entry = previous[i + consumed];
        previous[i] = entry >= shift ? entry - shift : no_position;
    }
    history = std::min<size_t>(window_size, history + consumed);
}

namespace {

    size_t symbol_bits(std::span<Symbol const> symbols, Code const& code)
    {
        auto const& tables = code_tables();
        size_t bits = 0;
        for (auto symbol : symbols) {
            if (symbol.distance == 0) {
                bits += code.literal_lengths[symbol.literal_or_length];
                continue;
            }
            unsigned length_code = tables.length_symbol[symbol.literal_or_length];
            unsigned distance_code = tables.distance_code(symbol.distance);
            bits += code.literal_lengths[257 + length_code] + length_extra[length_code];
            bits += code.distance_lengths[distance_code] + distance_extra[distance_code];
        }
        return bits + code.literal_lengths[end_of_block];
    }

    void write_symbols(BitWriter& writer, std::span<Symbol const> symbols, Code const& code)
    {
        auto const& tables = code_tables();
        for (auto symbol : symbols) {
            if (symbol.distance == 0) {
                writer.put(
                    code.literal_codes[symbol.literal_or_length], code.literal_lengths[symbol.literal_or_length]);
                continue;
            }
            unsigned length_code = tables.length_symbol[symbol.literal_or_length];
            writer.put(code.literal_codes[257 + length_code], code.literal_lengths[257 + length_code]);
            writer.put(symbol.literal_or_length - length_base[length_code], length_extra[length_code]);
            unsigned distance_code = tables.distance_code(symbol.distance);
            writer.put(code.distance_codes[distance_code], code.distance_lengths[distance_code]);
            writer.put(symbol.distance - distance_base[distance_code], distance_extra[distance_code]);
        }
        writer.put(code.literal_codes[end_of_block], code.literal_lengths[end_of_block]);
    }

    Code const& fixed_code()
    {
        static Code const code = [] {
            Code c;
            c.literal_lengths = fixed_literal_lengths();
            c.distance_lengths.fill(5);
            build_codes(c.literal_lengths, c.literal_codes);
            build_codes(c.distance_lengths, c.distance_codes);
            return c;
        }();
        return code;
    }

    struct DynamicHeader {
        unsigned literal_count { 257 };
        unsigned distance_count { 1 };
        unsigned code_length_count { 4 };
        std::vector<LengthRun> runs;
        std::array<std::uint8_t, code_length_symbols> run_lengths {};
        std::array<std::uint16_t, code_length_symbols> run_codes {};

        size_t bits() const
        {
            size_t total = 5 + 5 + 4 + 3 * code_length_count;
            for (auto run : runs)
                total += run_lengths[run.symbol] + run_extra_bits(run.symbol);
            return total;
        }
    };

    DynamicHeader describe_code(Code const& code)
    {
        DynamicHeader header;
        header.literal_count = 286;
        while (header.literal_count > 257 && code.literal_lengths[header.literal_count - 1] == 0)
            --header.literal_count;
        header.distance_count = 30;
        while (header.distance_count > 1 && code.distance_lengths[header.distance_count - 1] == 0)
            --header.distance_count;
        std::vector<std::uint8_t> all(
            code.literal_lengths.begin(), code.literal_lengths.begin() + header.literal_count);
        all.insert(all.end(), code.distance_lengths.begin(), code.distance_lengths.begin() + header.distance_count);
        header.runs = run_length_code(all);
        std::array<std::uint32_t, code_length_symbols> frequencies {};
        for (auto run : header.runs)
            ++frequencies[run.symbol];
        build_code_lengths(frequencies, max_code_length_bits, header.run_lengths);
        build_codes(header.run_lengths, header.run_codes);
        header.code_length_count = code_length_symbols;
        while (header.code_length_count > 4 && header.run_lengths[code_length_order[header.code_length_count - 1]] == 0)
            --header.code_length_count;
        return header;
    }

    void write_dynamic_header(BitWriter& writer, DynamicHeader const& header)
    {
        writer.put(header.literal_count - 257, 5);
        writer.put(header.distance_count - 1, 5);
        writer.put(header.code_length_count - 4, 4);
        for (unsigned i = 0; i < header.code_length_count; ++i)
            writer.put(header.run_lengths[code_length_order[i]], 3);
        for (auto run : header.runs) {
            writer.put(header.run_codes[run.symbol], header.run_lengths[run.symbol]);
            writer.put(run.extra, run_extra_bits(run.symbol));
        }
    }

}

Deflater::Deflater(DeflateOptions options)
    : m_state(std::make_unique<State>(options))
{
}

Deflater::~Deflater() = default;
Deflater::Deflater(Deflater&&) noexcept = default;
Deflater& Deflater::operator=(Deflater&&) noexcept = default;

void Deflater::reset()
{
    std::fill(m_state->head.begin(), m_state->head.end(), no_position);
    std::fill(m_state->previous.begin(), m_state->previous.end(), no_position);
    m_state->history = 0;
}

size_t Deflater::compress(std::span<std::uint8_t const> input, std::vector<std::uint8_t>& output)
{
    auto& state = *m_state;
    size_t const length = std::min<size_t>(input.size(), window_size);
    size_t const start = window_size;
    std::memcpy(state.buffer.data() + start, input.data(), length);
    std::memset(state.buffer.data() + start + length, 0, compare_slack);
    state.symbols.clear();
    state.literal_frequencies.fill(0);
    state.distance_frequencies.fill(0);
    state.find_symbols(start, start + length);
    state.slide(length);
    ++state.literal_frequencies[end_of_block];

    Code dynamic;
    build_code_lengths(state.literal_frequencies, max_code_bits, dynamic.literal_lengths);
    build_code_lengths(state.distance_frequencies, max_code_bits, dynamic.distance_lengths);
    build_codes(dynamic.literal_lengths, dynamic.literal_codes);
    build_codes(dynamic.distance_lengths, dynamic.distance_codes);
    auto header = describe_code(dynamic);

    size_t dynamic_bits = 3 + header.bits() + symbol_bits(state.symbols, dynamic);
    size_t fixed_bits = 3 + symbol_bits(state.symbols, fixed_code());
    size_t best_bits = std::min(dynamic_bits, fixed_bits);
    size_t stored_bytes = length + 5;
    if ((best_bits + 7) / 8 >= stored_bytes || (best_bits + 7) / 8 >= length)
        return 0;

    output.clear();
    output.reserve((best_bits + 7) / 8 + 8);
    BitWriter writer(output);
    if (dynamic_bits <= fixed_bits) {
        writer.put(1 | (2 << 1), 3);
        write_dynamic_header(writer, header);
        write_symbols(writer, state.symbols, dynamic);
    } else {
        writer.put(1 | (1 << 1), 3);
        write_symbols(writer, state.symbols, fixed_code());
    }
    writer.flush();
    return output.size();
}

void write_stored_stream(std::span<std::uint8_t const> input, std::vector<std::uint8_t>& output)
{
    output.clear();
    auto length = static_cast<std::uint16_t>(input.size());
    std::uint16_t complement = static_cast<std::uint16_t>(~length);
    output.push_back(1); // final, stored; the rest of the byte is padding
    output.push_back(static_cast<std::uint8_t>(length));
    output.push_back(static_cast<std::uint8_t>(length >> 8));
    output.push_back(static_cast<std::uint8_t>(complement));
    output.push_back(static_cast<std::uint8_t>(complement >> 8));
    output.insert(output.end(), input.begin(), input.end());
}

}
