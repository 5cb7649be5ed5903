#pragma once

// Length-limited Huffman code lengths and their canonical codes, for the
// deflate encoder.

#include <cstdint>
#include <span>

namespace tarnwell::tools::cab::deflate {

// Code lengths for `frequencies` with no length above `limit`. Unused
// symbols get 0. At least two symbols always get a code, so that the code is
// complete and every decoder takes it (RFC 1951 allows less, not all
// decoders do).
void build_code_lengths(std::span<std::uint32_t const> frequencies, unsigned limit, std::span<std::uint8_t> lengths);

// Canonical codes (RFC 1951 3.2.2), bit-reversed for LSB-first output.
void build_codes(std::span<std::uint8_t const> lengths, std::span<std::uint16_t> codes);

}
