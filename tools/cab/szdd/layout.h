#pragma once

// On-disk layout of the SZDD format (the old single-file compression of
// MS-DOS and Windows 3.x setup disks, written by COMPRESS.EXE). The format
// has no published document; the layout below is the one every reader and
// writer agrees on.

#include <cstddef>
#include <cstdint>

namespace tarnwell::tools::cab::szdd::layout {

inline constexpr std::uint8_t signature[8] = { 'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33 }; // +0
inline constexpr size_t mode = 8; // +8  u8, 'A': the LZSS below
inline constexpr size_t missing_character = 9; // +9  u8, last character of the original name, 0 if unknown
inline constexpr size_t uncompressed_size = 10; // +10 u32
inline constexpr size_t header_size = 14;
static_assert(uncompressed_size + 4 == header_size);

inline constexpr std::uint8_t mode_lzss = 'A';

// LZSS: a 4 KiB ring filled with spaces, written from 16 bytes before its
// end. Each control byte rules eight items, least significant bit first: a
// set bit is one literal byte, a clear bit a two-byte match of 3..18 bytes
// (position: low byte, then the high nibble of the second byte; length: its
// low nibble + 3).
inline constexpr size_t ring_size = 4096;
inline constexpr size_t ring_start = ring_size - 16;
inline constexpr std::uint8_t ring_fill = ' ';
inline constexpr unsigned min_match = 3;

}
