#pragma once

#include "common/error.h"
#include "lzx/bit_reader.h"
#include "lzx/huffman_decoder.h"
#include "lzx/layout.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace tarnwell::tools::lzx {

// Decodes the LZX stream of one cabinet folder, one data block (one 32 KiB
// frame) per call. State carries over from call to call; the first error is
// returned again by every later call.
class Decoder {
public:
    static Result<Decoder> create(unsigned window_bits);

    // `input` is one data block's compressed bytes, `output` its exact
    // uncompressed size: 32768, or less for the folder's last block.
    Result<void> decode_frame(std::span<std::uint8_t const> input, std::span<std::uint8_t> output);

private:
    explicit Decoder(unsigned window_bits);

    Result<void> decode_until(std::size_t frame_end);
    Result<void> read_stream_header();
    Result<void> read_block_header();
    Result<void> read_trees(BlockType);
    Result<void> read_lengths(std::span<std::uint8_t> lengths, char const* name);
    Result<void> decode_compressed(std::size_t run_end);
    Result<void> copy_uncompressed(std::size_t run_end);
    Result<void> finish_uncompressed_block();
    Result<void> check_overrun() const;
    std::unexpected<Error> error_here(ErrorCode, char const* context) const;

    void make_room_for_frame();

    unsigned m_window_bits;
    std::size_t m_window_size;
    unsigned m_main_symbols;
    // The decoded data, in stream order: the window's worth before the
    // current frame, the frame, and room after it (see decoder.cpp).
    // Left uninitialised: only decoded bytes are ever read from it.
    std::unique_ptr<std::uint8_t[]> m_history;
    std::size_t m_history_size;
    std::size_t m_position { 0 }; // index in m_history of the next byte to decode
    std::size_t m_frame_index { 0 }; // index in m_history of the current frame
    std::uint64_t m_stream_position { 0 }; // uncompressed bytes decoded so far
    std::uint64_t m_frame_offset { 0 }; // stream offset of the current frame
    std::uint64_t m_input_offset { 0 }; // compressed bytes of earlier frames
    bool m_last_frame_seen { false };

    BitReader m_reader;
    std::vector<std::uint8_t> m_reader_scratch;
    bool m_header_read { false };
    std::uint32_t m_e8_translation_size { 0 };

    BlockType m_block_type { BlockType::Verbatim };
    std::uint32_t m_block_size { 0 };
    std::uint32_t m_block_remaining { 0 };
    bool m_pad_byte_pending { false };
    std::array<std::uint32_t, repeated_offsets> m_repeated { initial_repeated_offset, initial_repeated_offset,
        initial_repeated_offset };

    std::array<std::uint8_t, max_main_symbols> m_main_lengths {};
    std::array<std::uint8_t, length_tree_symbols> m_length_lengths {};
    std::array<std::uint8_t, aligned_tree_symbols> m_aligned_lengths {};
    HuffmanTable m_main_table;
    HuffmanTable m_length_table;
    HuffmanTable m_aligned_table;
    HuffmanTable m_pretree_table;

    std::optional<Error> m_error;
};

}
