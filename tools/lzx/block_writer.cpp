#include "lzx/block_writer.h"

#include "lzx/huffman_encoder.h"

#include <algorithm>

namespace tarnwell::tools::lzx {

namespace {

    unsigned main_slot(std::uint16_t main_symbol)
    {
        return (main_symbol - literal_count) >> 3;
    }

    struct PretreeSymbol {
        std::uint8_t symbol;
        std::uint8_t extra_bits;
        std::uint8_t extra;
    };

    // The pretree symbols for one part of a tree: long zero runs as 17/18, runs
    // of one unchanged delta as 19, the rest as single deltas.
    void code_lengths(
        std::span<std::uint8_t const> previous, std::span<std::uint8_t const> lengths, std::vector<PretreeSymbol>& out)
    {
        auto delta = [&](std::size_t i) { return static_cast<std::uint8_t>((previous[i] + 17 - lengths[i]) % 17); };
        std::size_t i = 0;
        while (i < lengths.size()) {
            std::size_t run = 1;
            while (i + run < lengths.size() && lengths[i + run] == lengths[i] && previous[i + run] == previous[i])
                ++run;
            if (lengths[i] == 0) {
                std::size_t zeros = 1;
                while (i + zeros < lengths.size() && lengths[i + zeros] == 0)
                    ++zeros;
                if (zeros >= zeros_short_base) {
                    std::size_t take = std::min<std::size_t>(zeros, zeros_long_base + 31);
                    if (take >= zeros_long_base)
                        out.push_back({ static_cast<std::uint8_t>(pretree_zeros_long), zeros_long_bits,
                            static_cast<std::uint8_t>(take - zeros_long_base) });
                    else
                        out.push_back({ static_cast<std::uint8_t>(pretree_zeros_short), zeros_short_bits,
                            static_cast<std::uint8_t>(take - zeros_short_base) });
                    i += take;
                    continue;
                }
            } else if (run >= same_run_base) {
                // The run symbol applies one delta to the whole run, so it is
                // used only where the previous lengths are the same too.
                std::size_t take = std::min<std::size_t>(run, same_run_base + 1);
                out.push_back({ static_cast<std::uint8_t>(pretree_same_run), same_run_bits,
                    static_cast<std::uint8_t>(take - same_run_base) });
                out.push_back({ delta(i), 0, 0 });
                i += take;
                continue;
            }
            out.push_back({ delta(i), 0, 0 });
            ++i;
        }
    }

    struct CodedPart {
        std::vector<PretreeSymbol> symbols;
        std::array<std::uint8_t, pretree_symbols> lengths {};
        std::array<std::uint16_t, pretree_symbols> codes {};
    };

    CodedPart code_part(std::span<std::uint8_t const> previous, std::span<std::uint8_t const> lengths)
    {
        CodedPart part;
        code_lengths(previous, lengths, part.symbols);
        std::array<std::uint32_t, pretree_symbols> frequencies {};
        for (auto const& symbol : part.symbols)
            ++frequencies[symbol.symbol];
        build_code_lengths(frequencies, max_pretree_code_length, part.lengths);
        build_codes(part.lengths, part.codes);
        return part;
    }

    std::uint64_t part_bits(CodedPart const& part)
    {
        std::uint64_t bits = pretree_symbols * pretree_length_bits;
        for (auto const& symbol : part.symbols)
            bits += part.lengths[symbol.symbol] + symbol.extra_bits;
        return bits;
    }

    void write_part(BitWriter& writer, CodedPart const& part)
    {
        for (auto length : part.lengths)
            writer.write(length, pretree_length_bits);
        for (auto const& symbol : part.symbols) {
            writer.write(part.codes[symbol.symbol], part.lengths[symbol.symbol]);
            writer.write(symbol.extra, symbol.extra_bits);
        }
    }

}

void Statistics::add(Item const& item)
{
    ++main[item.main_symbol];
    if (item.main_symbol < literal_count)
        return;
    if (((item.main_symbol - literal_count) & 7) == primary_lengths)
        ++length[item.length_symbol];
    unsigned slot = main_slot(item.main_symbol);
    unsigned extra = slot_extra_bits(slot);
    verbatim_extra_bits += extra;
    if (extra >= aligned_low_bits) {
        ++aligned[item.offset_extra & 7];
        aligned_high_bits += extra - aligned_low_bits;
    } else {
        aligned_high_bits += extra;
    }
}

void Statistics::add(Statistics const& other)
{
    for (std::size_t i = 0; i < main.size(); ++i)
        main[i] += other.main[i];
    for (std::size_t i = 0; i < length.size(); ++i)
        length[i] += other.length[i];
    for (std::size_t i = 0; i < aligned.size(); ++i)
        aligned[i] += other.aligned[i];
    verbatim_extra_bits += other.verbatim_extra_bits;
    aligned_high_bits += other.aligned_high_bits;
}

Trees build_trees(Statistics const& statistics, unsigned main_symbols)
{
    Trees trees;
    build_code_lengths(
        std::span(statistics.main).first(main_symbols), max_code_length, std::span(trees.main).first(main_symbols));
    build_code_lengths(statistics.length, max_code_length, trees.length);
    build_code_lengths(statistics.aligned, max_aligned_code_length, trees.aligned);
    return trees;
}

std::uint64_t item_bits(Statistics const& statistics, Trees const& trees, BlockType type, unsigned main_symbols)
{
    std::uint64_t bits = 0;
    for (unsigned i = 0; i < main_symbols; ++i)
        bits += std::uint64_t { statistics.main[i] } * trees.main[i];
    for (unsigned i = 0; i < length_tree_symbols; ++i)
        bits += std::uint64_t { statistics.length[i] } * trees.length[i];
    if (type == BlockType::AlignedOffset) {
        bits += statistics.aligned_high_bits;
        for (unsigned i = 0; i < aligned_tree_symbols; ++i)
            bits += std::uint64_t { statistics.aligned[i] } * trees.aligned[i];
    } else {
        bits += statistics.verbatim_extra_bits;
    }
    return bits;
}

BlockType choose_block_type(Statistics const& statistics, Trees const& trees, unsigned main_symbols)
{
    std::uint64_t verbatim = item_bits(statistics, trees, BlockType::Verbatim, main_symbols);
    std::uint64_t aligned = item_bits(statistics, trees, BlockType::AlignedOffset, main_symbols)
        + aligned_tree_symbols * aligned_length_bits;
    return aligned < verbatim ? BlockType::AlignedOffset : BlockType::Verbatim;
}

void BlockWriter::write_stream_header(std::uint32_t e8_translation_size)
{
    m_writer.write(e8_translation_size != 0, 1);
    if (e8_translation_size != 0) {
        m_writer.write(e8_translation_size >> 16, 16);
        m_writer.write(e8_translation_size & 0xffff, 16);
    }
}

std::uint64_t BlockWriter::tree_header_bits(Trees const& trees, BlockType type) const
{
    std::uint64_t bits = block_type_bits + block_size_high_bits + block_size_low_bits;
    if (type == BlockType::AlignedOffset)
        bits += aligned_tree_symbols * aligned_length_bits;
    std::span<std::uint8_t const> main(trees.main.data(), m_main_symbols);
    std::span<std::uint8_t const> previous(m_previous_main.data(), m_main_symbols);
    bits += part_bits(code_part(previous.first(literal_count), main.first(literal_count)));
    bits += part_bits(code_part(previous.subspan(literal_count), main.subspan(literal_count)));
    bits += part_bits(code_part(m_previous_length, trees.length));
    return bits;
}

void BlockWriter::write_block_header(BlockType type, std::uint32_t size, Trees const& trees)
{
    m_writer.write(static_cast<unsigned>(type), block_type_bits);
    m_writer.write(size >> block_size_low_bits, block_size_high_bits);
    m_writer.write(size & 0xff, block_size_low_bits);
    if (type == BlockType::AlignedOffset) {
        for (auto length : trees.aligned)
            m_writer.write(length, aligned_length_bits);
    }
    std::span<std::uint8_t const> main(trees.main.data(), m_main_symbols);
    std::span<std::uint8_t const> previous(m_previous_main.data(), m_main_symbols);
    write_part(m_writer, code_part(previous.first(literal_count), main.first(literal_count)));
    write_part(m_writer, code_part(previous.subspan(literal_count), main.subspan(literal_count)));
    write_part(m_writer, code_part(m_previous_length, trees.length));
    m_previous_main = trees.main;
    m_previous_length = trees.length;
}

void BlockWriter::write_items(std::span<Item const> items, Trees const& trees, BlockType type)
{
    std::array<std::uint16_t, max_main_symbols> main_codes {};
    std::array<std::uint16_t, length_tree_symbols> length_codes {};
    std::array<std::uint16_t, aligned_tree_symbols> aligned_codes {};
    build_codes(std::span(trees.main).first(m_main_symbols), main_codes);
    build_codes(trees.length, length_codes);
    build_codes(trees.aligned, aligned_codes);
    bool const aligned = type == BlockType::AlignedOffset;
    for (auto const& item : items) {
        m_writer.write(main_codes[item.main_symbol], trees.main[item.main_symbol]);
        if (item.main_symbol < literal_count)
            continue;
        if (((item.main_symbol - literal_count) & 7) == primary_lengths)
            m_writer.write(length_codes[item.length_symbol], trees.length[item.length_symbol]);
        unsigned extra = slot_extra_bits(main_slot(item.main_symbol));
        if (aligned && extra >= aligned_low_bits) {
            m_writer.write(item.offset_extra >> aligned_low_bits, extra - aligned_low_bits);
            unsigned low = item.offset_extra & 7;
            m_writer.write(aligned_codes[low], trees.aligned[low]);
        } else {
            m_writer.write(item.offset_extra, extra);
        }
    }
}

void BlockWriter::write_uncompressed_block(
    std::span<std::uint8_t const> bytes, std::array<std::uint32_t, repeated_offsets> const& repeated)
{
    auto size = static_cast<std::uint32_t>(bytes.size());
    m_writer.write(static_cast<unsigned>(BlockType::Uncompressed), block_type_bits);
    m_writer.write(size >> block_size_low_bits, block_size_high_bits);
    m_writer.write(size & 0xff, block_size_low_bits);
    m_writer.align_for_raw_bytes();
    for (auto offset : repeated)
        m_writer.write_u32_le(offset);
    m_writer.write_bytes(bytes);
    if (size & 1)
        m_writer.write_bytes(std::array<std::uint8_t, 1> { 0 });
}

std::vector<std::uint8_t>& BlockWriter::end_frame()
{
    m_writer.align_to_word();
    return m_writer.bytes();
}

}
