#pragma once

// The edits the tool makes to the startup configuration, as pure functions
// over its whole text. The handlers read the file whole, apply one of these
// and write the result back once, so the file never passes through a
// half-edited state on disk.

#include "text/text.h"

#include <optional>
#include <string_view>

namespace tarnwell {

inline constexpr std::string_view line_end = "\r\n";

// The lines as a line-by-line read gives them: cut at LF, one CR before the
// LF (or at the very end) dropped; a final line without LF counts, an empty
// rest does not.
TextList read_lines(std::string_view text);

// Blank lines (pieces between CR LF pairs that hold nothing but blanks) and
// comment lines (holding "//") dropped, every remaining line ending in CR LF.
// A file whose lines end in LF alone has its blank lines dropped only by a
// second pass, when they have become CR LF lines.
Text clean_configuration(std::string_view text);

// The block as the configuration holds it. The listing puts a line into the
// block once per kind it names, so a line with two kind prefixes stands there
// twice in a row; the file keeps each such line once, or every regrouping
// would double it.
Text file_block(std::string_view shortcut_block);

// The configuration without the lines that the shortcut block holds and the
// kept block no longer does. Where the file holds the block as one run of
// text, that run is replaced by the kept block; where it does not (a program
// added since the listing put its line inside the block), each removed line
// is taken out where it stands, so no removed shortcut stays behind while its
// files go. Nothing when a removed line is not in the text at all.
std::optional<Text> remove_shortcut_lines(
    std::string_view text, std::string_view shortcut_block, std::string_view kept_block);

// The configuration with every shortcut line gathered into one block at the
// place of the first Programs or Desktop line (failing that, of the first
// shortcut line of any kind): the other lines in their order, CR LF line
// ends, the block with an empty line before and after it. Nothing when the
// text holds no shortcut line.
std::optional<Text> regroup_configuration(std::string_view text, std::string_view shortcut_block);

}
