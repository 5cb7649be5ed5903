#include "cab/mszip/huffman_builder.h"

#include "cab/mszip/deflate_tables.h"

#include <algorithm>
#include <array>
#include <vector>

namespace tarnwell::tools::cab::deflate {

namespace {

    // Plain Huffman depths by repeatedly joining the two lightest nodes.
    // Returns the largest depth.
    unsigned huffman_depths(std::span<std::uint32_t const> frequencies, std::span<std::uint8_t> lengths)
    {
        struct Node {
            std::uint64_t weight;
            int parent;
        };
        std::vector<Node> nodes;
        std::vector<std::pair<std::uint64_t, int>> heap;
        std::vector<int> leaf_of(frequencies.size(), -1);
        for (size_t symbol = 0; symbol < frequencies.size(); ++symbol) {
            if (frequencies[symbol] == 0)
                continue;
            leaf_of[symbol] = static_cast<int>(nodes.size());
            heap.emplace_back(frequencies[symbol], static_cast<int>(nodes.size()));
            nodes.push_back({ frequencies[symbol], -1 });
        }
        auto lighter = [](auto const& a, auto const& b) {
            return a.first > b.first || (a.first == b.first && a.second > b.second);
        };
        std::make_heap(heap.begin(), heap.end(), lighter);
        while (heap.size() > 1) {
            std::pop_heap(heap.begin(), heap.end(), lighter);
            auto a = heap.back();
            heap.pop_back();
            std::pop_heap(heap.begin(), heap.end(), lighter);
            auto b = heap.back();
            heap.pop_back();
            int joined = static_cast<int>(nodes.size());
            nodes.push_back({ a.first + b.first, -1 });
            nodes[static_cast<size_t>(a.second)].parent = joined;
            nodes[static_cast<size_t>(b.second)].parent = joined;
            heap.emplace_back(a.first + b.first, joined);
            std::push_heap(heap.begin(), heap.end(), lighter);
        }
        // Parents come after their children, so depths fill from the root down.
        std::vector<unsigned> depth(nodes.size(), 0);
        for (size_t i = nodes.size(); i-- > 0;) {
            if (nodes[i].parent >= 0)
                depth[i] = depth[static_cast<size_t>(nodes[i].parent)] + 1;
        }
        unsigned deepest = 0;
        for (size_t symbol = 0; symbol < frequencies.size(); ++symbol) {
            lengths[symbol]
                = leaf_of[symbol] < 0 ? 0 : static_cast<std::uint8_t>(depth[static_cast<size_t>(leaf_of[symbol])]);
            deepest = std::max<unsigned>(deepest, lengths[symbol]);
        }
        return deepest;
    }

}

void build_code_lengths(std::span<std::uint32_t const> frequencies, unsigned limit, std::span<std::uint8_t> lengths)
{
    std::vector<std::uint32_t> weights(frequencies.begin(), frequencies.end());
    unsigned used = 0;
    for (auto w : weights)
        used += w != 0;
    // Fewer than two symbols: give the used one (or symbol 0) and a
    // neighbour one bit each.
    if (used < 2) {
        std::fill(lengths.begin(), lengths.end(), 0);
        size_t first = 0;
        while (first < weights.size() && weights[first] == 0)
            ++first;
        if (first == weights.size())
            first = 0;
        lengths[first] = 1;
        lengths[first == 0 ? 1 : 0] = 1;
        return;
    }
    // Too deep a tree: flatten the weights and try again. Each round halves
    // the spread, so a handful of rounds always suffices.
    while (huffman_depths(weights, lengths) > limit) {
        for (auto& w : weights) {
            if (w != 0)
                w = (w >> 1) | 1;
        }
    }
}

void build_codes(std::span<std::uint8_t const> lengths, std::span<std::uint16_t> codes)
{
    std::array<unsigned, max_code_bits + 2> counts {};
    for (auto length : lengths)
        ++counts[length];
    counts[0] = 0;
    std::array<unsigned, max_code_bits + 2> next {};
    unsigned code = 0;
    for (unsigned bits = 1; bits <= max_code_bits; ++bits) {
        code = (code + counts[bits - 1]) << 1;
        next[bits] = code;
    }
    for (size_t symbol = 0; symbol < lengths.size(); ++symbol) {
        unsigned length = lengths[symbol];
        if (length == 0) {
            codes[symbol] = 0;
            continue;
        }
        unsigned value = next[length]++;
        unsigned reversed = 0;
        for (unsigned b = 0; b < length; ++b)
            reversed |= ((value >> b) & 1) << (length - 1 - b);
        codes[symbol] = static_cast<std::uint16_t>(reversed);
    }
}

}
