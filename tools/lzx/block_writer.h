#pragma once

// The encoder's side of blocks: items (literals and matches already in the
// form they are coded in), their symbol statistics, the trees made from
// them, and the writer that puts blocks, trees and items into the bit-stream.

#include "lzx/bit_writer.h"
#include "lzx/layout.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace tarnwell::tools::lzx {

struct Item {
    std::uint16_t main_symbol;
    std::uint16_t length_symbol; // used when the length header is 7
    std::uint32_t offset_extra; // value of the offset's extra bits
};

struct Statistics {
    std::array<std::uint32_t, max_main_symbols> main {};
    std::array<std::uint32_t, length_tree_symbols> length {};
    std::array<std::uint32_t, aligned_tree_symbols> aligned {};
    std::uint64_t verbatim_extra_bits { 0 }; // every extra bit, sent as is
    std::uint64_t aligned_high_bits { 0 }; // what stays verbatim in an aligned block

    void add(Item const&);
    void add(Statistics const&);
};

struct Trees {
    std::array<std::uint8_t, max_main_symbols> main {};
    std::array<std::uint8_t, length_tree_symbols> length {};
    std::array<std::uint8_t, aligned_tree_symbols> aligned {};
};

// Builds the trees for the statistics; `main_symbols` depends on the window.
Trees build_trees(Statistics const&, unsigned main_symbols);

// Bits the items of `statistics` take under `trees`, in a block of `type`.
std::uint64_t item_bits(Statistics const&, Trees const&, BlockType, unsigned main_symbols);

// The better of verbatim and aligned-offset for these statistics and trees.
BlockType choose_block_type(Statistics const&, Trees const&, unsigned main_symbols);

class BlockWriter {
public:
    explicit BlockWriter(unsigned main_symbols)
        : m_main_symbols(main_symbols)
    {
    }

    void write_stream_header(std::uint32_t e8_translation_size);
    void write_block_header(BlockType, std::uint32_t size, Trees const&);
    void write_items(std::span<Item const>, Trees const&, BlockType);
    void write_uncompressed_block(std::span<std::uint8_t const>, std::array<std::uint32_t, repeated_offsets> const&);

    // Bits the trees' lengths take in a block header, given the lengths of
    // the block before (which the header codes its lengths against).
    std::uint64_t tree_header_bits(Trees const&, BlockType) const;

    // Ends a frame: pads to 16 bits and hands over its bytes.
    std::vector<std::uint8_t>& end_frame();

private:
    unsigned m_main_symbols;
    BitWriter m_writer;
    // The lengths the next block's trees are coded against.
    std::array<std::uint8_t, max_main_symbols> m_previous_main {};
    std::array<std::uint8_t, length_tree_symbols> m_previous_length {};
};

}
