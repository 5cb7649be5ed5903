#pragma once

// The reading rules of the file primitives, shared by every implementation:
// they see a file only through a function that reads at an offset, and keep
// the position of a file number in a plain integer.
//
// A NUL or 0x1A byte counts as the end of the text: ReadRest and ReadLine
// stop on it (the position stays there), AtEnd is true there, and a whole
// read of a file that holds one gives nothing. So a loop that reads lines
// until AtEnd always ends.

#include "text/text.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace tarnwell::file_lines {

// Reads up to buffer.size() bytes at the offset: the count (0 at the end of
// the file), or nothing on a read error.
using ReadAt = std::function<std::optional<size_t>(std::uint64_t offset, std::span<char> buffer)>;

Text read_rest(ReadAt const&, std::uint64_t& position);
std::optional<Text> read_rest_whole(ReadAt const&, std::uint64_t& position);
Text read_line(ReadAt const&, std::uint64_t& position);
bool at_end(ReadAt const&, std::uint64_t position);

}
