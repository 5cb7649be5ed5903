#pragma once

// Constants of the LZX bit-stream as cabinets carry it. The stream is a
// sequence of little-endian 16-bit words whose bits are read from the most
// significant end. It starts with a one-bit E8 flag (and, when set, the
// 32-bit translation size as two 16-bit halves, high half first), then holds
// blocks: a 3-bit type and a 24-bit uncompressed size (16 high bits, then 8
// low bits), followed by the block's trees and symbols or its raw bytes.

#include <array>
#include <cstddef>
#include <cstdint>

namespace tarnwell::tools::lzx {

// The window is 2^window_bits bytes; cabinets allow 15..21.
inline constexpr unsigned min_window_bits = 15;
inline constexpr unsigned max_window_bits = 21;

// Every 32 KiB of uncompressed data is one frame: one cabinet data block.
// After a frame the bit-stream is padded to a 16-bit boundary.
inline constexpr std::size_t frame_size = 32768;

// A cabinet data block may hold at most this many compressed bytes
// (the frame plus the 6 KiB the cabinet format allows for growth).
inline constexpr std::size_t max_compressed_frame_size = 32768 + 6144;

enum class BlockType : std::uint8_t {
    Verbatim = 1,
    AlignedOffset = 2,
    Uncompressed = 3,
};

inline constexpr unsigned block_type_bits = 3;
// The block size is 24 bits, written as 16 high bits and then 8 low bits.
inline constexpr unsigned block_size_high_bits = 16;
inline constexpr unsigned block_size_low_bits = 8;

inline constexpr unsigned min_match = 2;
inline constexpr unsigned max_match = 257;

inline constexpr unsigned literal_count = 256;
// A main symbol above the literals packs (position slot << 3) | length header;
// length header 7 means "more in the length tree".
inline constexpr unsigned length_headers = 8;
inline constexpr unsigned primary_lengths = 7;
inline constexpr unsigned length_tree_symbols = 249; // 257 - 2 - 7 + 1
inline constexpr unsigned aligned_tree_symbols = 8;
inline constexpr unsigned aligned_length_bits = 3;
inline constexpr unsigned pretree_symbols = 20;
inline constexpr unsigned pretree_length_bits = 4;

// Longest code lengths: the main and length trees are coded with lengths up
// to 16 by the pretree (lengths are taken modulo 17); the pretree's own
// lengths are 4-bit fields, the aligned tree's 3-bit fields.
inline constexpr unsigned max_code_length = 16;
inline constexpr unsigned max_pretree_code_length = 15;
inline constexpr unsigned max_aligned_code_length = 7;

// Pretree symbols: 0..16 are length deltas; 17..19 are runs.
inline constexpr unsigned pretree_zeros_short = 17; // 4 + 4 bits zeros
inline constexpr unsigned pretree_zeros_long = 18; // 20 + 5 bits zeros
inline constexpr unsigned pretree_same_run = 19; // 4 + 1 bit copies of one delta symbol
inline constexpr unsigned zeros_short_base = 4;
inline constexpr unsigned zeros_short_bits = 4;
inline constexpr unsigned zeros_long_base = 20;
inline constexpr unsigned zeros_long_bits = 5;
inline constexpr unsigned same_run_base = 4;
inline constexpr unsigned same_run_bits = 1;

// Position slots per window size (index: window_bits - 15). Each slot covers
// 2^extra_bits formatted offsets; slots 0..2 name the three repeated offsets.
inline constexpr std::array<unsigned, 7> position_slots_for_window { 30, 32, 34, 36, 38, 42, 50 };
inline constexpr unsigned max_position_slots = 50;
inline constexpr unsigned max_main_symbols = literal_count + max_position_slots * length_headers;
inline constexpr unsigned repeated_offsets = 3;

// A real offset is coded as formatted offset = offset + 2, so that slots
// 0..2 stay free for the repeated offsets.
inline constexpr unsigned formatted_offset_bias = 2;

// The extra bits of a slot grow by one every two slots from slot 4, up to 17.
constexpr unsigned slot_extra_bits(unsigned slot)
{
    if (slot < 4)
        return 0;
    unsigned bits = slot / 2 - 1;
    return bits > 17 ? 17 : bits;
}

constexpr std::array<std::uint8_t, max_position_slots> make_slot_extra_bits()
{
    std::array<std::uint8_t, max_position_slots> bits {};
    for (unsigned slot = 0; slot < max_position_slots; ++slot)
        bits[slot] = static_cast<std::uint8_t>(slot_extra_bits(slot));
    return bits;
}

// slot_extra_bits() as a table, for the decoder's symbol loop.
inline constexpr auto extra_bits_of_slot = make_slot_extra_bits();

constexpr std::array<std::uint32_t, max_position_slots + 1> make_slot_bases()
{
    std::array<std::uint32_t, max_position_slots + 1> bases {};
    for (unsigned slot = 0; slot < max_position_slots; ++slot)
        bases[slot + 1] = bases[slot] + (std::uint32_t { 1 } << slot_extra_bits(slot));
    return bases;
}

// First formatted offset of each slot; entry [slots] ends the last slot.
inline constexpr auto slot_base = make_slot_bases();

// In an aligned-offset block the low 3 bits of offsets with 3 or more extra
// bits come from the aligned tree.
inline constexpr unsigned aligned_low_bits = 3;

// E8 translation: only the first 2^30 bytes of a stream are translated, a
// frame of 10 bytes or fewer not at all, and the last 10 bytes of a frame
// never start a translated call.
inline constexpr std::uint64_t e8_translation_limit = 0x40000000;
inline constexpr std::size_t e8_frame_tail = 10;

// Repeated offsets start as 1 at the start of a stream.
inline constexpr std::uint32_t initial_repeated_offset = 1;

}
