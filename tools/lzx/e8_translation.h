#pragma once

// The x86 CALL translation of LZX. Before compression, the 32-bit relative
// target after each E8 byte of a frame becomes an absolute one (so that calls
// to one function look alike); the decoder turns it back after each frame.
// Only values that name a place inside [0, translation_size) move, and the
// two directions are exact inverses of each other over 32-bit values.

#include <cstdint>
#include <span>

namespace tarnwell::tools::lzx {

// `frame_offset` is the uncompressed offset of the frame in the stream.
void e8_encode_frame(std::span<std::uint8_t> frame, std::uint64_t frame_offset, std::uint32_t translation_size);
void e8_decode_frame(std::span<std::uint8_t> frame, std::uint64_t frame_offset, std::uint32_t translation_size);

}
