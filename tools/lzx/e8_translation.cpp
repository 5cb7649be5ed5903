#include "lzx/e8_translation.h"

#include "lzx/layout.h"

#include <cstring>

namespace tarnwell::tools::lzx {

namespace {

    std::int64_t load_i32(std::uint8_t const* bytes)
    {
        std::uint32_t value = bytes[0] | (std::uint32_t { bytes[1] } << 8) | (std::uint32_t { bytes[2] } << 16)
            | (std::uint32_t { bytes[3] } << 24);
        return static_cast<std::int32_t>(value);
    }

    void store_i32(std::uint8_t* bytes, std::int64_t value)
    {
        auto bits = static_cast<std::uint32_t>(value);
        bytes[0] = static_cast<std::uint8_t>(bits);
        bytes[1] = static_cast<std::uint8_t>(bits >> 8);
        bytes[2] = static_cast<std::uint8_t>(bits >> 16);
        bytes[3] = static_cast<std::uint8_t>(bits >> 24);
    }

    enum class Direction { Encode, Decode };

    template<Direction direction>
    void translate(std::span<std::uint8_t> frame, std::uint64_t frame_offset, std::uint32_t translation_size)
    {
        if (translation_size == 0 || frame_offset >= e8_translation_limit || frame.size() <= e8_frame_tail)
            return;
        std::int64_t const size = translation_size;
        std::size_t const end = frame.size() - e8_frame_tail;
        std::uint8_t* const bytes = frame.data();
        for (std::size_t i = 0; i < end;) {
            // Calls are a few in a hundred bytes even in code: the library's
            // vectorised search skips the bytes between them.
            auto const* found = static_cast<std::uint8_t*>(std::memchr(bytes + i, 0xE8, end - i));
            if (!found)
                break;
            i = static_cast<std::size_t>(found - bytes);
            std::int64_t position = static_cast<std::int64_t>(frame_offset + i);
            std::int64_t value = load_i32(&frame[i + 1]);
            // Both directions act on the same range of values, [-position, size),
            // which makes them inverses.
            if (value >= -position && value < size) {
                if constexpr (direction == Direction::Encode)
                    store_i32(&frame[i + 1], value < size - position ? value + position : value - size);
                else
                    store_i32(&frame[i + 1], value >= 0 ? value - position : value + size);
            }
            // The four bytes after an E8 byte are never the start of a call.
            i += 5;
        }
    }

}

void e8_encode_frame(std::span<std::uint8_t> frame, std::uint64_t frame_offset, std::uint32_t translation_size)
{
    translate<Direction::Encode>(frame, frame_offset, translation_size);
}

void e8_decode_frame(std::span<std::uint8_t> frame, std::uint64_t frame_offset, std::uint32_t translation_size)
{
    translate<Direction::Decode>(frame, frame_offset, translation_size);
}

}
