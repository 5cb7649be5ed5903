#pragma once

// Chooses how to code one frame: the cheapest path from its first byte to
// its last through literals, the three repeated offsets and the matches the
// match finder reported, priced with the code lengths of a cost model. The
// repeated offsets along the path are tracked exactly, so a match that
// reuses an offset is priced (and coded) as the cheaper repeat.

#include "lzx/block_writer.h"
#include "lzx/match_finder.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace tarnwell::tools::lzx {

using RepeatedOffsets = std::array<std::uint32_t, repeated_offsets>;

// Costs in bits of every symbol and extra bit, from a set of trees.
struct CostModel {
    std::array<std::uint32_t, max_main_symbols> main {};
    std::array<std::uint32_t, max_match + 1> length_part {}; // the length tree's share, by match length

    // Prices from trees; symbols the trees leave out get `unused_cost`.
    static CostModel from_trees(Trees const&, unsigned main_symbols);
    // Prices before any statistics exist: flat guesses.
    static CostModel initial(unsigned main_symbols);
};

struct FrameMatches {
    std::vector<Match> matches;
    std::vector<std::uint32_t> first; // matches of position i: [first[i], first[i + 1])
};

struct ParsedFrame {
    std::vector<Item> items;
    Statistics statistics;
    RepeatedOffsets repeated_after {};
};

class Parser {
public:
    // `frame` is the frame's bytes; `history` reaches back from the frame's
    // first byte as far as offsets may (and as far as the stream goes).
    void parse(std::uint8_t const* frame, std::size_t frame_size, std::size_t history, FrameMatches const&,
        CostModel const&, RepeatedOffsets const& repeated_before, ParsedFrame& out);

private:
    struct Node {
        std::uint32_t cost;
        std::uint16_t length; // of the item that arrives here; 1 = literal
        std::uint32_t formatted; // its formatted offset: 0..2 repeated, else offset + 2
        RepeatedOffsets repeated;
    };
    std::vector<Node> m_nodes;
};

}
