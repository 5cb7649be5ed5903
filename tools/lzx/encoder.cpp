// LZX encoding for cabinet folders.
//
// The input is split into 32 KiB frames, each one cabinet data block. Each
// frame is E8-translated, then every position of it is searched for matches
// over the whole window (binary trees) and the frame is parsed by cost: the
// cheapest path through literals, repeated offsets and matches under the
// code lengths of the previous frame (with more passes, again under the code
// lengths the parse before produced). Matches never cross a frame's end, so every frame's
// items are its own.
//
// Blocks: a block starts at a frame and grows by whole frames as long as one
// set of trees for the frames together costs no more bits (items and tree
// headers counted exactly) than closing the block and starting a new one.
// A frame whose own trees would not make it smaller than its raw bytes is
// sent as an uncompressed block. Per block, verbatim or aligned-offset is
// chosen by the exact size of its items under both.
//
// Measured (compressed bytes; 10 MiB and 30 MB slices of the PE-like bench
// image at 120 MiB, window 21; `lzx_bench compress` with the options shown):
// - Frames per block at most (2 passes, nice 48, depth 16), 10 MiB slice:
//   1: 2,411,264   2: 2,403,992   4: 2,402,446   8: 2,402,406
//   32: 2,402,936  128: 2,402,936. Joining frames gains 0.36%; beyond 8
//   the greedy joining starts to cost a little, so blocks stop at 8 frames
//   (which also bounds the items held back to 256 KiB of input).
// - Passes / nice length / search depth, 30 MB slice (wimlib's LZX with
//   2 MiB chunks: 7,178,024), CPU seconds on a shared, busy machine:
//   2/32/16: 7,137,884 12.3 s     2/48/16: 7,097,856 12.6 s
//   3/32/16: 7,126,418 14.4 s     2/64/24: 7,057,374 16.4 s
//   1/48/16: 7,160,338 11.5 s     2/24/8:  7,266,756  9.1 s
//   A second parse gains 0.9%, a third nothing.
// - Speed against size on the whole 319 MB bench image (bench/cab/bench.sh's
//   image; wimlib's LZX with 2 MiB chunks, one thread: 102,519,784 bytes,
//   61 CPU seconds). Most of the time goes to the match finder's walks
//   through 16 MiB of trees, each step a cache miss; positions inside a
//   match of nice length or more ("insert": put in the trees, or passed
//   over) cost as much as the searches. passes/nice/depth/insert:
//   2/48/16/yes: 96,789,932 112 s   1/32/8/no: 99,162,080 60 s
//   2/48/8/no:   98,616,260  70 s   2/32/6/no: 99,750,978 55 s
//   2/32/4/yes: 100,715,440  57 s   2/32/4/no: 101,047,548 44..58 s
//   1/32/4/no:  101,322,810  38 s
//   On a 24 MB slice with repeats (2/48/16), passing over the positions
//   inside long matches costs 0.6% in size and saves a third of the time.
// - With searches cut short in data that gives no matches (see
//   barren_after), on 40 MB slices of the image's compressed files, text
//   and programs together (bytes; user seconds on one core; wimlib's LZX
//   with 2 MiB chunks: 47,731,365 bytes in 22.7 s):
//   2/32/6: 45,015,279 12.3 s    1/32/6:  45,053,203  8.4 s
//   1/24/8: 44,957,419  9.5 s    1/32/8:  44,850,965  9.9 s
//   1/48/10: 44,630,419 10.7 s   2/48/10: 44,579,993 15.6 s
//   1/64/12: 44,505,959 12.6 s
//   A deeper search gains more than a second parse, at less cost. We take
//   1 pass, nice 32, depth 8, passing over: smaller than 2/32/6 and a fifth
//   faster (bench/cab/bench.sh gives the ratios against wimlib).

#include "lzx/encoder.h"

#include "lzx/e8_translation.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace tarnwell::tools::lzx {

namespace {

    // Input kept beyond the window: the frames waiting to be coded plus the one
    // after them (whose bytes the match finder may look at). 1 MiB keeps the
    // cost of sliding the window down (a move of the whole window) small.
    constexpr std::size_t input_reserve = 1u << 20;

    // A frame is coded only once the next frame is complete in the buffer, so
    // that its E8 translation is final before the match finder compares it.
    constexpr std::size_t frames_ahead = 2;

    // Data that gives no matches (compressed files inside the image) makes
    // every search walk its tree through random, uncached positions and find
    // nothing. After this many searches in a row without a match of at least
    // `productive_length`, searches go only `barren_depth` steps deep, until
    // one finds such a match again.
    constexpr unsigned barren_after = 256;
    constexpr unsigned barren_depth = 1;
    constexpr unsigned productive_length = 4;

}

struct Encoder::State {
    unsigned window_bits;
    unsigned main_symbols;
    std::uint32_t max_offset;
    EncoderOptions options;

    std::vector<std::uint8_t> buffer;
    std::uint32_t buffer_start { 0 }; // stream position of buffer[0]
    std::uint32_t buffer_end { 0 }; // stream position after the last byte
    std::uint32_t translated_end { 0 };
    std::uint32_t next_frame { 0 };

    MatchFinder finder;
    unsigned barren_run { 0 }; // searches in a row that found no match worth having
    Parser parser;
    FrameMatches found;
    CostModel model;
    RepeatedOffsets repeated { initial_repeated_offset, initial_repeated_offset, initial_repeated_offset };

    BlockWriter writer;
    bool header_written { false };
    std::vector<PendingFrame> block_frames;
    std::vector<Item> block_items;
    Statistics block_statistics;
    std::uint32_t block_size { 0 };

    State(unsigned bits, EncoderOptions const& chosen)
        : window_bits(bits)
        , main_symbols(literal_count + position_slots_for_window[bits - min_window_bits] * length_headers)
        , max_offset((1u << bits) - 3)
        , options(chosen)
        , buffer((std::size_t { 1 } << bits) + input_reserve)
        , finder(bits, (1u << bits) - 3)
        , model(CostModel::initial(main_symbols))
        , writer(main_symbols)
    {
        finder.nice_length = options.nice_length;
        finder.max_depth = options.max_search_depth;
        finder.set_buffer(buffer.data(), 0);
    }
};

Encoder::Encoder(std::unique_ptr<State> state)
    : m_state(std::move(state))
{
}

Encoder::~Encoder() = default;
Encoder::Encoder(Encoder&&) = default;
Encoder& Encoder::operator=(Encoder&&) = default;

Result<Encoder> Encoder::create(unsigned window_bits, EncoderOptions options)
{
    if (window_bits < min_window_bits || window_bits > max_window_bits)
        return fail(ErrorCode::Unsupported, 0, "LZX window of 2^" + std::to_string(window_bits) + " bytes");
    if (options.parse_passes == 0 || options.max_block_frames == 0 || options.nice_length < 3
        || options.max_search_depth == 0)
        return fail(ErrorCode::Usage, 0, "LZX encoder options out of range");
    options.nice_length = std::min(options.nice_length, max_match);
    return Encoder(std::make_unique<State>(window_bits, options));
}

Result<void> Encoder::compress(std::span<std::uint8_t const> input, FrameSink const& sink)
{
    while (!input.empty()) {
        if (auto taken = take_input(input); !taken)
            return taken;
        if (auto encoded = encode_ready_frames(false, sink); !encoded)
            return encoded;
    }
    return {};
}

Result<void> Encoder::finish(FrameSink const& sink)
{
    if (auto encoded = encode_ready_frames(true, sink); !encoded)
        return encoded;
    return flush_block(sink);
}

Result<void> Encoder::take_input(std::span<std::uint8_t const>& input)
{
    State& s = *m_state;
    if (std::uint64_t { s.buffer_end } + input.size() > 0xffffffffu - input_reserve)
        return fail(ErrorCode::LimitExceeded, s.buffer_end, "LZX: folder larger than 4 GiB");
    if (s.buffer_end - s.buffer_start == s.buffer.size()) {
        // Slide: keep the window behind the next frame and what follows it.
        std::uint32_t keep_from = s.next_frame > s.max_offset ? s.next_frame - s.max_offset : 0;
        keep_from = std::max(keep_from, s.buffer_start);
        std::memmove(s.buffer.data(), s.buffer.data() + (keep_from - s.buffer_start), s.buffer_end - keep_from);
        s.buffer_start = keep_from;
        s.finder.set_buffer(s.buffer.data(), s.buffer_start);
    }
    std::size_t room = s.buffer.size() - (s.buffer_end - s.buffer_start);
    std::size_t count = std::min(room, input.size());
    std::memcpy(s.buffer.data() + (s.buffer_end - s.buffer_start), input.data(), count);
    s.buffer_end += static_cast<std::uint32_t>(count);
    input = input.subspan(count);
    // Whole frames are translated as soon as they are complete.
    while (s.buffer_end - s.translated_end >= frame_size) {
        e8_encode_frame(std::span(s.buffer).subspan(s.translated_end - s.buffer_start, frame_size), s.translated_end,
            s.options.e8_translation_size);
        s.translated_end += frame_size;
    }
    return {};
}

Result<void> Encoder::encode_ready_frames(bool finishing, FrameSink const& sink)
{
    State& s = *m_state;
    if (finishing && s.translated_end < s.buffer_end) {
        e8_encode_frame(std::span(s.buffer).subspan(s.translated_end - s.buffer_start, s.buffer_end - s.translated_end),
            s.translated_end, s.options.e8_translation_size);
        s.translated_end = s.buffer_end;
    }
    while (s.next_frame < s.buffer_end) {
        std::uint32_t available = s.buffer_end - s.next_frame;
        if (!finishing && available < frames_ahead * frame_size)
            break;
        auto size = static_cast<std::uint32_t>(std::min<std::size_t>(available, frame_size));
        if (auto encoded = encode_frame(size, sink); !encoded)
            return encoded;
    }
    return {};
}

void Encoder::find_matches(std::uint32_t start, std::uint32_t size)
{
    State& s = *m_state;
    s.found.matches.clear();
    s.found.first.assign(size + 1, 0);
    unsigned skip_until = 0;
    for (std::uint32_t i = 0; i < size; ++i) {
        std::uint32_t position = start + i;
        auto lookahead = static_cast<unsigned>(std::min<std::uint32_t>(max_match, s.buffer_end - position));
        s.found.first[i] = static_cast<std::uint32_t>(s.found.matches.size());
        if (i < skip_until) {
            if (s.options.insert_inside_long_matches)
                s.finder.skip(position, lookahead);
            continue;
        }
        unsigned report_limit = std::min<unsigned>(max_match, size - i);
        s.finder.max_depth = s.barren_run >= barren_after ? barren_depth : s.options.max_search_depth;
        unsigned longest = s.finder.find(position, lookahead, report_limit, s.found.matches);
        s.barren_run = longest >= productive_length ? 0 : s.barren_run + 1;
        // Past a match at least `nice_length` long the positions inside it
        // are only inserted, or (by default) passed over: the parse will
        // take the long match anyway, and the data it repeats is already in
        // the trees where it first occurred.
        if (longest >= s.finder.nice_length)
            skip_until = i + std::min(longest, report_limit);
    }
    s.found.first[size] = static_cast<std::uint32_t>(s.found.matches.size());
}

Result<void> Encoder::encode_frame(std::uint32_t size, FrameSink const& sink)
{
    State& s = *m_state;
    std::uint32_t start = s.next_frame;
    find_matches(start, size);
    std::uint8_t const* frame = s.buffer.data() + (start - s.buffer_start);
    std::size_t history = std::min<std::uint32_t>(start, s.max_offset);

    ParsedFrame parsed;
    CostModel costs = s.model;
    for (unsigned pass = 0; pass < s.options.parse_passes; ++pass) {
        parsed = ParsedFrame {};
        s.parser.parse(frame, size, history, s.found, costs, s.repeated, s.options.nice_length, parsed);
        Trees trees = build_trees(parsed.statistics, s.main_symbols);
        costs = CostModel::from_trees(trees, s.main_symbols);
    }
    s.model = costs;
    s.next_frame += size;

    auto result = add_to_block(parsed, size, sink);
    s.repeated = parsed.repeated_after;
    return result;
}

std::uint64_t Encoder::block_bits(Statistics const& statistics, Trees const& trees) const
{
    State const& s = *m_state;
    BlockType type = choose_block_type(statistics, trees, s.main_symbols);
    return item_bits(statistics, trees, type, s.main_symbols) + s.writer.tree_header_bits(trees, type);
}

Result<void> Encoder::add_to_block(ParsedFrame& parsed, std::uint32_t size, FrameSink const& sink)
{
    State& s = *m_state;
    Trees own_trees = build_trees(parsed.statistics, s.main_symbols);
    std::uint64_t own_bits = block_bits(parsed.statistics, own_trees);
    // Not smaller than its raw bytes (with an uncompressed block's 16-byte
    // header): send it raw.
    if (own_bits / 8 >= size) {
        if (auto flushed = flush_block(sink); !flushed)
            return flushed;
        return emit_stored_frame(s.next_frame - size, size, parsed.repeated_after, sink);
    }
    if (!s.block_frames.empty()) {
        bool merge = s.block_frames.size() < s.options.max_block_frames;
        if (merge) {
            Statistics merged = s.block_statistics;
            merged.add(parsed.statistics);
            Trees merged_trees = build_trees(merged, s.main_symbols);
            Trees block_trees = build_trees(s.block_statistics, s.main_symbols);
            merge = block_bits(merged, merged_trees) <= block_bits(s.block_statistics, block_trees) + own_bits;
            // Every frame must still fit a cabinet data block under the
            // shared trees.
            BlockType type = choose_block_type(merged, merged_trees, s.main_symbols);
            auto fits = [&](Statistics const& frame) {
                return item_bits(frame, merged_trees, type, s.main_symbols) / 8 + 1024 < max_compressed_frame_size;
            };
            merge = merge && fits(parsed.statistics)
                && std::all_of(s.block_frames.begin(), s.block_frames.end(),
                    [&](PendingFrame const& frame) { return fits(frame.statistics); });
        }
        if (!merge) {
            if (auto flushed = flush_block(sink); !flushed)
                return flushed;
        }
    }
    s.block_frames.push_back(PendingFrame { size, s.block_items.size(), parsed.items.size(), parsed.statistics });
    s.block_items.insert(s.block_items.end(), parsed.items.begin(), parsed.items.end());
    s.block_statistics.add(parsed.statistics);
    s.block_size += size;
    return {};
}

Result<void> Encoder::flush_block(FrameSink const& sink)
{
    State& s = *m_state;
    if (s.block_frames.empty())
        return {};
    if (!s.header_written) {
        s.writer.write_stream_header(s.options.e8_translation_size);
        s.header_written = true;
    }
    Trees trees = build_trees(s.block_statistics, s.main_symbols);
    BlockType type = choose_block_type(s.block_statistics, trees, s.main_symbols);
    s.writer.write_block_header(type, s.block_size, trees);
    for (auto const& frame : s.block_frames) {
        s.writer.write_items(std::span(s.block_items).subspan(frame.first_item, frame.item_count), trees, type);
        if (auto emitted = emit_frame(frame.size, sink); !emitted)
            return emitted;
    }
    s.block_frames.clear();
    s.block_items.clear();
    s.block_statistics = Statistics {};
    s.block_size = 0;
    return {};
}

Result<void> Encoder::emit_stored_frame(
    std::uint32_t start, std::uint32_t size, RepeatedOffsets const& repeated, FrameSink const& sink)
{
    State& s = *m_state;
    if (!s.header_written) {
        s.writer.write_stream_header(s.options.e8_translation_size);
        s.header_written = true;
    }
    // The decoder takes its repeated offsets from this header; they are the
    // ones the next frame's parse started from.
    s.writer.write_uncompressed_block(std::span(s.buffer).subspan(start - s.buffer_start, size), repeated);
    return emit_frame(size, sink);
}

Result<void> Encoder::emit_frame(std::uint32_t size, FrameSink const& sink)
{
    auto& bytes = m_state->writer.end_frame();
    if (bytes.size() > max_compressed_frame_size)
        return fail(ErrorCode::LimitExceeded, 0, "LZX: frame grew past the data block limit");
    auto sent = sink(bytes, size);
    bytes.clear();
    return sent;
}

}
