#pragma once

// Length-limited canonical Huffman codes for the encoder.

#include <cstdint>
#include <span>

namespace tarnwell::tools::lzx {

// Fills `lengths` (same size as `frequencies`) with code lengths of at most
// `max_length` bits. Unused symbols get 0. The code is always complete: when
// fewer than two symbols are used, unused ones are given codes too, since a
// decoder cannot build a one-code tree.
void build_code_lengths(
    std::span<std::uint32_t const> frequencies, unsigned max_length, std::span<std::uint8_t> lengths);

// Canonical codes for the lengths, in the order the decoder assigns them.
void build_codes(std::span<std::uint8_t const> lengths, std::span<std::uint16_t> codes);

}
