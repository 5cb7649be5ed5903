#pragma once

// The fixed tables of the deflate format (RFC 1951, 3.2.5 and 3.2.6), shared
// by our decoder and encoder.

#include <array>
#include <cstdint>

namespace tarnwell::tools::cab::deflate {

inline constexpr unsigned window_size = 32768;
inline constexpr unsigned min_match = 3;
inline constexpr unsigned max_match = 258;
inline constexpr unsigned max_code_bits = 15;
inline constexpr unsigned max_code_length_bits = 7;
inline constexpr unsigned literal_length_symbols = 288; // 286 used, 2 reserved
inline constexpr unsigned distance_symbols = 32; // 30 used, 2 reserved
inline constexpr unsigned code_length_symbols = 19;
inline constexpr unsigned end_of_block = 256;

// RFC 1951 3.2.5: length codes 257..285.
inline constexpr std::array<std::uint16_t, 29> length_base = { 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31,
    35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258 };
inline constexpr std::array<std::uint8_t, 29> length_extra
    = { 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0 };

// RFC 1951 3.2.5: distance codes 0..29.
inline constexpr std::array<std::uint16_t, 30> distance_base = { 1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577 };
inline constexpr std::array<std::uint8_t, 30> distance_extra
    = { 0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13 };

// RFC 1951 3.2.7: the order in which code-length code lengths are sent.
inline constexpr std::array<std::uint8_t, 19> code_length_order
    = { 16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15 };

// RFC 1951 3.2.6: the fixed literal/length code lengths.
constexpr std::array<std::uint8_t, literal_length_symbols> fixed_literal_lengths()
{
    std::array<std::uint8_t, literal_length_symbols> lengths {};
    for (unsigned i = 0; i < literal_length_symbols; ++i)
        lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
    return lengths;
}

}
