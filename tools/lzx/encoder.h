#pragma once

#include "common/error.h"
#include "lzx/block_writer.h"
#include "lzx/layout.h"
#include "lzx/match_finder.h"
#include "lzx/parser.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace tarnwell::tools::lzx {

// Receives one compressed frame (one cabinet data block) at a time, in order.
using FrameSink
    = std::function<Result<void>(std::span<std::uint8_t const> compressed, std::uint32_t uncompressed_size)>;

struct EncoderOptions {
    // The E8 translation size written in the stream header; 0 turns the
    // translation off. Cabinet writers use 12,000,000 by default.
    std::uint32_t e8_translation_size { 12000000 };
    // Parses per frame: the first priced with the previous frame's trees, each
    // further one with the trees of the parse before it.
    unsigned parse_passes { 1 };
    // Match finder limits (see encoder.cpp for what was measured).
    unsigned nice_length { 32 };
    unsigned max_search_depth { 8 };
    // Whether the positions inside a match of nice_length or more go into
    // the match finder (later matches may start there) or are passed over.
    bool insert_inside_long_matches { false };
    // Most frames one block may span (bounds the items kept in memory).
    unsigned max_block_frames { 8 };
};

// Compresses one cabinet folder's data to LZX, frame by frame.
class Encoder {
public:
    static Result<Encoder> create(unsigned window_bits, EncoderOptions = {});
    ~Encoder();
    Encoder(Encoder&&);
    Encoder& operator=(Encoder&&);

    // Takes the next piece of the folder's data, of any size; emits every
    // frame that is settled.
    Result<void> compress(std::span<std::uint8_t const> input, FrameSink const& sink);
    // Ends the folder: emits the frames still held back.
    Result<void> finish(FrameSink const& sink);

private:
    struct PendingFrame {
        std::uint32_t size;
        std::size_t first_item;
        std::size_t item_count;
        Statistics statistics;
    };
    struct State;

    explicit Encoder(std::unique_ptr<State>);
    Result<void> take_input(std::span<std::uint8_t const>& input);
    Result<void> encode_ready_frames(bool finishing, FrameSink const& sink);
    Result<void> encode_frame(std::uint32_t size, FrameSink const& sink);
    void find_matches(std::uint32_t start, std::uint32_t size);
    Result<void> add_to_block(ParsedFrame&, std::uint32_t size, FrameSink const& sink);
    Result<void> flush_block(FrameSink const& sink);
    Result<void> emit_stored_frame(
        std::uint32_t start, std::uint32_t size, RepeatedOffsets const&, FrameSink const& sink);
    Result<void> emit_frame(std::uint32_t size, FrameSink const& sink);
    std::uint64_t block_bits(Statistics const&, Trees const&) const;

    std::unique_ptr<State> m_state;
};

}
