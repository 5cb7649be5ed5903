#include "lzx/huffman_encoder.h"

#include <algorithm>
#include <array>
#include <vector>

namespace tarnwell::tools::lzx {

namespace {

    constexpr unsigned deepest_tree = 32;

    // Depth of each leaf of a Huffman tree over `order` (symbols sorted by
    // ascending frequency), by the two-queue method: leaves and merged nodes are
    // both consumed in ascending weight order.
    std::array<std::uint32_t, deepest_tree + 1> depth_counts(
        std::vector<std::uint16_t> const& order, std::span<std::uint32_t const> frequencies)
    {
        std::size_t const leaves = order.size();
        std::vector<std::uint64_t> weight(leaves - 1);
        std::vector<std::uint32_t> parent(2 * leaves - 1);
        std::size_t next_leaf = 0;
        std::size_t next_node = 0;
        auto take = [&](std::size_t made) -> std::size_t {
            bool leaf = next_leaf < leaves && (next_node >= made || frequencies[order[next_leaf]] <= weight[next_node]);
            return leaf ? next_leaf++ : leaves + next_node++;
        };
        auto weight_of = [&](std::size_t index) -> std::uint64_t {
            return index < leaves ? frequencies[order[index]] : weight[index - leaves];
        };
        for (std::size_t made = 0; made < leaves - 1; ++made) {
            std::size_t first = take(made);
            std::size_t second = take(made);
            weight[made] = weight_of(first) + weight_of(second);
            parent[first] = static_cast<std::uint32_t>(leaves + made);
            parent[second] = static_cast<std::uint32_t>(leaves + made);
        }
        // Depths from the root (the last node made) downwards.
        std::vector<std::uint8_t> depth(2 * leaves - 1);
        std::array<std::uint32_t, deepest_tree + 1> counts {};
        for (std::size_t index = 2 * leaves - 2; index-- > 0;) {
            depth[index] = static_cast<std::uint8_t>(std::min<unsigned>(depth[parent[index]] + 1, deepest_tree));
            if (index < leaves)
                ++counts[depth[index]];
        }
        return counts;
    }

}

void build_code_lengths(
    std::span<std::uint32_t const> frequencies, unsigned max_length, std::span<std::uint8_t> lengths)
{
    std::fill(lengths.begin(), lengths.end(), 0);
    std::vector<std::uint16_t> order;
    for (std::size_t symbol = 0; symbol < frequencies.size(); ++symbol) {
        if (frequencies[symbol] != 0)
            order.push_back(static_cast<std::uint16_t>(symbol));
    }
    if (order.size() < 2) {
        // One or no symbol: two codes of one bit, the used one among them.
        lengths[0] = 1;
        lengths[order.empty() || order[0] == 0 ? 1 : order[0]] = 1;
        return;
    }
    std::stable_sort(
        order.begin(), order.end(), [&](std::uint16_t a, std::uint16_t b) { return frequencies[a] < frequencies[b]; });
    auto counts = depth_counts(order, frequencies);

    // Fold codes deeper than the limit into it, then restore the Kraft sum:
    // each turn drops one code at the limit and splits one shorter code in two.
    for (unsigned length = max_length + 1; length <= deepest_tree; ++length) {
        counts[max_length] += counts[length];
        counts[length] = 0;
    }
    std::uint64_t total = 0;
    for (unsigned length = 1; length <= max_length; ++length)
        total += std::uint64_t { counts[length] } << (max_length - length);
    while (total > (std::uint64_t { 1 } << max_length)) {
        --counts[max_length];
        for (unsigned length = max_length - 1; length > 0; --length) {
            if (counts[length] != 0) {
                --counts[length];
                counts[length + 1] += 2;
                break;
            }
        }
        --total;
    }
    // The most frequent symbols get the shortest codes.
    auto symbol = order.rbegin();
    for (unsigned length = 1; length <= max_length; ++length) {
        for (std::uint32_t i = 0; i < counts[length]; ++i)
            lengths[*symbol++] = static_cast<std::uint8_t>(length);
    }
}

void build_codes(std::span<std::uint8_t const> lengths, std::span<std::uint16_t> codes)
{
    std::array<std::uint32_t, deepest_tree + 1> counts {};
    for (auto length : lengths)
        ++counts[length];
    counts[0] = 0;
    std::array<std::uint32_t, deepest_tree + 1> next {};
    std::uint32_t code = 0;
    for (unsigned length = 1; length <= deepest_tree; ++length) {
        code = (code + counts[length - 1]) << 1;
        next[length] = code;
    }
    for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
        if (lengths[symbol] != 0)
            codes[symbol] = static_cast<std::uint16_t>(next[lengths[symbol]]++);
    }
}

}
