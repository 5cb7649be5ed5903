// LZX decoding as cabinets use it.
//
// What the format documents say, what real files do, and what we do:
// - Block header: a 3-bit type and a 24-bit size. The cabinet document
//   describes the aligned-offset block as trees in the order main, length,
//   aligned; real streams carry the aligned tree (eight 3-bit lengths) first,
//   right after the size, and then the main and length trees. We read the
//   aligned tree first.
// - Tree lengths are sent as deltas from the previous block's lengths,
//   through a pretree that is sent anew (20 x 4 bits) before each of the
//   three parts: main tree symbols 0..255, the rest of the main tree, and the
//   length tree. For a run symbol 19 the one delta that follows is taken
//   against the first length of the run and that result fills the whole run;
//   we do the same.
// - Uncompressed blocks: the documents say "pad to 16 bits"; real encoders
//   write 1..16 bits of padding, a whole word when the stream is already on
//   a 16-bit boundary. Then R0, R1, R2 and the raw bytes, and one pad byte
//   after an odd-sized block. We drop 1..16 bits, and take the pad byte from
//   this data block, or from the next one when this one has ended.
// - Frames: every 32 KiB of output ends a frame; the bit-stream is padded to
//   16 bits there, and a cabinet data block holds exactly one frame. Each call
//   gets one data block, so every frame starts on a fresh word. Blocks and
//   even single matches may run on into the next frame; we allow both, but a
//   match may not run past the end of the window (a multiple of the window
//   size in the stream), as in a decoder that keeps a circular window.
// - History: we keep the decoded data in one straight buffer of four window
//   sizes and room for a frame, the last window's worth moved back to the
//   front when the next frame would not fit. So a match never wraps, and a
//   copy may write a few bytes past the match's end: nothing ahead of the
//   decoding position is data yet.
// - E8 translation: the documents describe it over the whole stream; real
//   decoders undo it per frame, only while the frame starts below 1 GiB,
//   never in frames of 10 bytes or fewer, never from the last 10 bytes of a
//   frame. We do exactly that, on the copy handed to the caller, never in
//   the window that later matches read.
// - Damaged input: a tree that is over-subscribed or incomplete, a main tree
//   with no lengths at all, a match before the start of the data or past the
//   end of its block, and running out of input are errors (Corrupt or
//   Truncated). An all-zero length or aligned tree is allowed until a symbol
//   is read from it.

#include "lzx/decoder.h"

#include "lzx/e8_translation.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace tarnwell::tools::lzx {

namespace {

    // Lookup-table widths: the main tree's codes are mostly 11 bits or
    // shorter, so one 4 KiB table resolves nearly every symbol in one step
    // and stays in the first-level cache (a 12-bit table cost as many cache
    // misses as it saved walks); the length and pretree tables are smaller
    // since they have fewer, shorter codes; the aligned tree's codes are at
    // most 7 bits, so its table is exact.
    constexpr unsigned main_table_bits = 11;
    constexpr unsigned length_table_bits = 10;
    constexpr unsigned aligned_table_bits = 7;
    constexpr unsigned pretree_table_bits = 8;

    // Bytes a match copy may write past the match's end; the history keeps
    // this much room after any match (see make_room_for_frame).
    constexpr std::size_t copy_overshoot = 32;
    // Room after a frame: a match starting at its last byte, and the
    // overshoot.
    constexpr std::size_t frame_room = max_match + copy_overshoot;

    template<std::size_t Size> void copy_bytes(std::uint8_t* destination, std::uint8_t const* source)
    {
        std::uint8_t chunk[Size];
        std::memcpy(chunk, source, Size);
        std::memcpy(destination, chunk, Size);
    }

    // Copies a match of `length` (2..257) bytes from `offset` bytes back,
    // writing up to copy_overshoot bytes past its end. A source 16 or more
    // bytes back goes 16 bytes at a time, at least 32 (most matches are
    // shorter, and the copy then takes no branch on the length); one 8..15
    // bytes back goes 8 at a time. Each read then takes only bytes already
    // written. A source closer than 8 bytes repeats a period of `offset`
    // bytes: after the first 8 bytes the copy reads from a whole number of
    // periods 8..14 bytes back, never before the match's source.
    inline void copy_match(std::uint8_t* destination, std::uint32_t offset, unsigned length)
    {
        std::uint8_t const* source = destination - offset;
        if (offset >= 16) [[likely]] {
            copy_bytes<16>(destination, source);
            copy_bytes<16>(destination + 16, source + 16);
            for (unsigned done = 32; done < length; done += 16)
                copy_bytes<16>(destination + done, source + done);
            return;
        }
        if (offset >= 8) {
            for (unsigned done = 0; done < length; done += 8)
                copy_bytes<8>(destination + done, source + done);
            return;
        }
        for (unsigned i = 0; i < 8; ++i)
            destination[i] = source[i];
        unsigned const back = (8 + offset - 1) / offset * offset;
        for (unsigned done = 8; done < length; done += 8)
            copy_bytes<8>(destination + done, destination + done - back);
    }

}

Decoder::Decoder(unsigned window_bits)
    : m_window_bits(window_bits)
    , m_window_size(std::size_t { 1 } << window_bits)
    , m_main_symbols(literal_count + position_slots_for_window[window_bits - min_window_bits] * length_headers)
    , m_history(std::make_unique_for_overwrite<std::uint8_t[]>(4 * m_window_size + frame_size + frame_room))
    , m_history_size(4 * m_window_size + frame_size + frame_room)
    , m_reader_scratch(max_compressed_frame_size + BitReader::padding)
{
}

Result<Decoder> Decoder::create(unsigned window_bits)
{
    if (window_bits < min_window_bits || window_bits > max_window_bits)
        return fail(ErrorCode::Unsupported, 0, "LZX window of 2^" + std::to_string(window_bits) + " bytes");
    return Decoder(window_bits);
}

std::unexpected<Error> Decoder::error_here(ErrorCode code, char const* context) const
{
    return fail(code, m_input_offset + m_reader.byte_position(), std::string("LZX: ") + context);
}

Result<void> Decoder::check_overrun() const
{
    if (m_reader.overrun()) [[unlikely]]
        return error_here(ErrorCode::Truncated, "data block ends inside the bit-stream");
    return {};
}

Result<void> Decoder::decode_frame(std::span<std::uint8_t const> input, std::span<std::uint8_t> output)
{
    if (m_error)
        return std::unexpected(*m_error);
    auto fail_sticky = [&](Error error) -> Result<void> {
        m_error = error;
        return std::unexpected(std::move(error));
    };
    if (output.size() > frame_size)
        return fail_sticky(
            Error { ErrorCode::LimitExceeded, m_input_offset, "LZX: data block of more than 32768 bytes" });
    if (m_last_frame_seen)
        return fail_sticky(Error { ErrorCode::Corrupt, m_input_offset, "LZX: data block after the short last one" });
    if (output.size() < frame_size)
        m_last_frame_seen = true;

    // An odd-sized uncompressed block that ended with the last data block
    // left its pad byte to this one; the bits start after it.
    std::size_t skip = 0;
    if (m_pad_byte_pending) {
        if (input.empty())
            return fail_sticky(Error {
                ErrorCode::Truncated, m_input_offset, "LZX: data block ends before an uncompressed block's pad byte" });
        skip = 1;
        m_pad_byte_pending = false;
    }
    if (m_reader_scratch.size() < input.size() + BitReader::padding)
        m_reader_scratch.resize(input.size() + BitReader::padding);
    m_reader.reset(input.subspan(skip), m_reader_scratch, skip);
    make_room_for_frame();
    auto decoded = decode_until(m_frame_index + output.size());
    if (!decoded)
        return fail_sticky(decoded.error());

    std::memcpy(output.data(), m_history.get() + m_frame_index, output.size());
    e8_decode_frame(output, m_frame_offset, m_e8_translation_size);
    m_frame_offset += output.size();
    m_frame_index += output.size();
    m_input_offset += input.size();
    return {};
}

// Moves the last window's worth before the frame, and whatever a match
// already decoded into the frame, to the front when the frame and its room
// would not fit after them.
void Decoder::make_room_for_frame()
{
    if (m_frame_index + frame_size + frame_room <= m_history_size)
        return;
    std::size_t const shift = m_frame_index - m_window_size;
    std::memmove(m_history.get(), m_history.get() + shift, m_position - shift);
    m_frame_index -= shift;
    m_position -= shift;
}

Result<void> Decoder::decode_until(std::size_t frame_end)
{
    if (!m_header_read) {
        if (auto header = read_stream_header(); !header)
            return header;
    }
    while (m_position < frame_end) {
        if (m_block_remaining == 0) {
            if (auto header = read_block_header(); !header)
                return header;
            continue;
        }
        std::size_t run_end = std::min<std::size_t>(frame_end, m_position + m_block_remaining);
        auto run = m_block_type == BlockType::Uncompressed ? copy_uncompressed(run_end) : decode_compressed(run_end);
        if (!run)
            return run;
    }
    return {};
}

Result<void> Decoder::read_stream_header()
{
    if (m_reader.read(1)) {
        std::uint32_t high = m_reader.read(16);
        std::uint32_t low = m_reader.read(16);
        m_e8_translation_size = (high << 16) | low;
    }
    if (auto overrun = check_overrun(); !overrun)
        return overrun;
    m_header_read = true;
    return {};
}

Result<void> Decoder::read_block_header()
{
    unsigned type = m_reader.read(block_type_bits);
    std::uint32_t size = m_reader.read(block_size_high_bits) << block_size_low_bits;
    size |= m_reader.read(block_size_low_bits);
    if (auto overrun = check_overrun(); !overrun)
        return overrun;
    if (type < 1 || type > 3)
        return error_here(ErrorCode::Corrupt, ("unknown block type " + std::to_string(type)).c_str());
    m_block_type = static_cast<BlockType>(type);
    m_block_size = size;
    m_block_remaining = size;

    if (m_block_type != BlockType::Uncompressed)
        return read_trees(m_block_type);

    m_reader.align_to_bytes();
    if (auto overrun = check_overrun(); !overrun)
        return overrun;
    if (m_reader.bytes_remaining() < 4 * repeated_offsets)
        return error_here(ErrorCode::Truncated, "uncompressed block header cut short");
    auto bytes = m_reader.take_bytes(4 * repeated_offsets);
    for (unsigned i = 0; i < repeated_offsets; ++i) {
        auto const* field = &bytes[4 * i];
        m_repeated[i] = field[0] | (std::uint32_t { field[1] } << 8) | (std::uint32_t { field[2] } << 16)
            | (std::uint32_t { field[3] } << 24);
    }
    if (size == 0)
        return finish_uncompressed_block();
    return {};
}

Result<void> Decoder::read_trees(BlockType type)
{
    if (type == BlockType::AlignedOffset) {
        for (auto& length : m_aligned_lengths)
            length = static_cast<std::uint8_t>(m_reader.read(aligned_length_bits));
        if (auto overrun = check_overrun(); !overrun)
            return overrun;
        if (auto built = m_aligned_table.build(m_aligned_lengths, aligned_table_bits, "aligned tree"); !built)
            return error_here(ErrorCode::Corrupt, built.error().context.c_str());
    }
    std::span<std::uint8_t> main_lengths(m_main_lengths.data(), m_main_symbols);
    if (auto read = read_lengths(main_lengths.first(literal_count), "main tree"); !read)
        return read;
    if (auto read = read_lengths(main_lengths.subspan(literal_count), "main tree"); !read)
        return read;
    auto main_state = m_main_table.build(main_lengths, main_table_bits, "main tree");
    if (!main_state)
        return error_here(ErrorCode::Corrupt, main_state.error().context.c_str());
    if (*main_state == TreeState::Empty)
        return error_here(ErrorCode::Corrupt, "main tree has no code lengths");

    if (auto read = read_lengths(m_length_lengths, "length tree"); !read)
        return read;
    if (auto built = m_length_table.build(m_length_lengths, length_table_bits, "length tree"); !built)
        return error_here(ErrorCode::Corrupt, built.error().context.c_str());
    return {};
}

Result<void> Decoder::read_lengths(std::span<std::uint8_t> lengths, char const* name)
{
    std::array<std::uint8_t, pretree_symbols> pretree_lengths {};
    for (auto& length : pretree_lengths)
        length = static_cast<std::uint8_t>(m_reader.read(pretree_length_bits));
    if (auto overrun = check_overrun(); !overrun)
        return overrun;
    auto state = m_pretree_table.build(pretree_lengths, pretree_table_bits, "pretree");
    if (!state)
        return error_here(ErrorCode::Corrupt, (std::string(name) + ": " + state.error().context).c_str());

    auto delta = [](std::uint8_t previous, unsigned symbol) {
        return static_cast<std::uint8_t>((previous + 17 - symbol) % 17);
    };
    std::size_t index = 0;
    while (index < lengths.size()) {
        unsigned symbol = m_pretree_table.decode(m_reader);
        std::size_t run = 0;
        std::uint8_t value = 0;
        if (symbol == pretree_zeros_short) {
            run = zeros_short_base + m_reader.read(zeros_short_bits);
        } else if (symbol == pretree_zeros_long) {
            run = zeros_long_base + m_reader.read(zeros_long_bits);
        } else if (symbol == pretree_same_run) {
            run = same_run_base + m_reader.read(same_run_bits);
            unsigned repeated = m_pretree_table.decode(m_reader);
            if (repeated > 16)
                return error_here(ErrorCode::Corrupt, (std::string(name) + ": bad symbol after a run").c_str());
            value = delta(lengths[index], repeated);
        } else if (symbol <= 16) {
            run = 1;
            value = delta(lengths[index], symbol);
        } else {
            return error_here(ErrorCode::Corrupt, (std::string(name) + ": pretree has no code lengths").c_str());
        }
        if (auto overrun = check_overrun(); !overrun)
            return overrun;
        if (run > lengths.size() - index)
            return error_here(ErrorCode::Corrupt, (std::string(name) + ": length run past the end").c_str());
        std::fill_n(lengths.begin() + static_cast<std::ptrdiff_t>(index), run, value);
        index += run;
    }
    return {};
}

Result<void> Decoder::copy_uncompressed(std::size_t run_end)
{
    std::size_t count = run_end - m_position;
    if (m_reader.bytes_remaining() < count)
        return error_here(ErrorCode::Truncated, "data block ends inside an uncompressed block");
    std::memcpy(m_history.get() + m_position, m_reader.take_bytes(count).data(), count);
    m_position += count;
    m_stream_position += count;
    m_block_remaining -= static_cast<std::uint32_t>(count);
    if (m_block_remaining == 0)
        return finish_uncompressed_block();
    return {};
}

Result<void> Decoder::finish_uncompressed_block()
{
    if ((m_block_size & 1) == 0)
        return {};
    if (m_reader.bytes_remaining() > 0)
        m_reader.take_bytes(1);
    else
        m_pad_byte_pending = true;
    return {};
}

// The symbol loop: one literal or match per turn. It is kept in one piece
// (longer than our usual functions) because it runs once per symbol of the
// whole stream. Its state (the bit reader, the repeated offsets, the
// position) lives in locals that the history's byte stores cannot alias, so
// the compiler keeps them in registers; they go back to the members on every
// way out. Each turn tops the reader up before the main and length symbols
// (at most 32 bits) and again before the offset's bits (at most 21). The
// choices that depend on the data and not on the block (a repeated offset or
// a new one, which repeated offset) are made by selecting values rather than
// by branching. Bits read past the end of the input are zeros that may
// reach the history (never the output): the overrun is checked once the run
// ends, and before any other error, so that a cut stream is reported as
// Truncated.
Result<void> Decoder::decode_compressed(std::size_t run_end)
{
    std::uint8_t* const history = m_history.get();
    bool const aligned = m_block_type == BlockType::AlignedOffset;
    BitReader reader = m_reader;
    std::uint32_t r0 = m_repeated[0], r1 = m_repeated[1], r2 = m_repeated[2];
    std::size_t const start = m_position;
    std::size_t position = start;
    // A match may reach back to the start of the data and never further
    // than the window: until the history is first moved, an index in it is
    // a stream position; after that, every index is at least the window
    // size. So min(position, window) is how far back a match may reach.
    std::size_t const window_size = m_window_size;
    // A match may not run past its block's end nor the window's.
    std::size_t const to_window_end = window_size - static_cast<std::size_t>(m_stream_position & (window_size - 1));
    std::size_t const match_end_limit = start + std::min<std::size_t>(m_block_remaining, to_window_end);
    // Every way out leaves the loop (a damaged stream with its reason set)
    // so that the locals are stored once, after it.
    char const* damage = nullptr;

    while (position < run_end) {
        reader.top_up();
        unsigned symbol = m_main_table.decode_in_hand<main_table_bits>(reader);
        if (symbol < literal_count) {
            history[position++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        symbol -= literal_count;
        unsigned length = (symbol & (length_headers - 1)) + min_match;
        unsigned const slot = symbol >> 3;
        if (length == primary_lengths + min_match) {
            unsigned extra_length = m_length_table.decode_in_hand<length_table_bits>(reader);
            if (extra_length == HuffmanTable::invalid_symbol) [[unlikely]] {
                damage = "length symbol read from an empty length tree";
                break;
            }
            length += extra_length;
        }
        std::uint32_t offset;
        if (slot < repeated_offsets) {
            offset = slot == 0 ? r0 : slot == 1 ? r1 : r2;
            if (slot == 1)
                r1 = r0;
            else if (slot == 2)
                r2 = r0;
            r0 = offset;
        } else {
            unsigned extra = extra_bits_of_slot[slot];
            std::uint32_t formatted = slot_base[slot];
            if (aligned && extra >= aligned_low_bits) {
                formatted += reader.read_in_hand(extra - aligned_low_bits) << aligned_low_bits;
                unsigned low = m_aligned_table.decode_in_hand<aligned_table_bits>(reader);
                if (low == HuffmanTable::invalid_symbol) [[unlikely]] {
                    damage = "aligned symbol read from an empty aligned tree";
                    break;
                }
                formatted += low;
            } else {
                formatted += reader.read_in_hand(extra);
            }
            offset = formatted - formatted_offset_bias;
            r2 = r1;
            r1 = r0;
            r0 = offset;
        }
        // offset 0 wraps to the largest value and fails here too.
        if (offset - 1 >= std::min(position, window_size)) [[unlikely]] {
            damage = "match reaches before the start of the data";
            break;
        }
        if (position + length > match_end_limit) [[unlikely]] {
            damage = position + length > start + to_window_end ? "match runs past the end of the window"
                                                               : "match runs past the end of its block";
            break;
        }
        copy_match(history + position, offset, length);
        position += length;
    }
    m_reader = reader;
    m_repeated = { r0, r1, r2 };
    m_stream_position += position - start;
    m_block_remaining -= static_cast<std::uint32_t>(position - start);
    m_position = position;
    if (auto overrun = check_overrun(); !overrun)
        return overrun;
    if (damage)
        return error_here(ErrorCode::Corrupt, damage);
    return {};
}

}
