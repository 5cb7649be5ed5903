#include "platform/file_lines.h"

#include <array>

namespace tarnwell::file_lines {

namespace {

    // Whole reads take large chunks; lines are short, so a line read takes
    // a small one and reads little past its LF.
    constexpr size_t chunk_size = 64 * 1024;
    constexpr size_t line_chunk_size = 4 * 1024;

    bool ends_text(char c)
    {
        return c == '\0' || c == '\x1A';
    }

    enum class Stop {
        AtEndOfText, // end of the file, a read error, or a NUL / 0x1A byte
        AfterLineFeed,
    };

    // Appends bytes from `position` to `out` until the end of the text or,
    // when `at_line_feed`, a LF; the position ends on the stopping byte (or
    // behind the LF).
    template<size_t Size> Stop collect(ReadAt const& read_at, std::uint64_t& position, Text& out, bool at_line_feed)
    {
        std::array<char, Size> buffer;
        while (true) {
            auto got = read_at(position, buffer);
            if (!got || *got == 0)
                return Stop::AtEndOfText;
            for (size_t i = 0; i < *got; ++i) {
                char c = buffer[i];
                if (ends_text(c)) {
                    out.append(buffer.data(), i);
                    position += i;
                    return Stop::AtEndOfText;
                }
                if (at_line_feed && c == '\n') {
                    out.append(buffer.data(), i);
                    position += i + 1;
                    return Stop::AfterLineFeed;
                }
            }
            out.append(buffer.data(), *got);
            position += *got;
        }
    }

}

Text read_rest(ReadAt const& read_at, std::uint64_t& position)
{
    Text text;
    collect<chunk_size>(read_at, position, text, false);
    return text;
}

std::optional<Text> read_rest_whole(ReadAt const& read_at, std::uint64_t& position)
{
    Text text;
    std::array<char, chunk_size> buffer;
    std::uint64_t offset = position;
    while (true) {
        auto got = read_at(offset, buffer);
        if (!got)
            return std::nullopt;
        if (*got == 0)
            break;
        for (size_t i = 0; i < *got; ++i) {
            if (ends_text(buffer[i]))
                return std::nullopt;
        }
        text.append(buffer.data(), *got);
        offset += *got;
    }
    position = offset;
    return text;
}

Text read_line(ReadAt const& read_at, std::uint64_t& position)
{
    Text line;
    collect<line_chunk_size>(read_at, position, line, true);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

bool at_end(ReadAt const& read_at, std::uint64_t position)
{
    char next = 0;
    auto got = read_at(position, std::span<char>(&next, 1));
    return !got || *got == 0 || ends_text(next);
}

}
