#pragma once

// The text primitives every handler works with. A text is a run of bytes in
// the system's ANSI code page (GBK): a byte of 0x80 or more is the lead byte
// of a two-byte character and the byte after it is its trail byte, whatever
// its value (a trail byte can equal '\\'). Lengths and positions count bytes;
// positions are 1-based. None of these functions fails or throws.

#include <string>
#include <string_view>
#include <vector>

namespace tarnwell {

using Text = std::string;
using TextList = std::vector<Text>;
using ByteData = std::vector<unsigned char>;

// 1-based position of the first occurrence of `part` that starts on a
// character boundary, or -1. Bytes compare exactly. An empty part gives 1 for
// a non-empty text and -1 for "".
int FindText(std::string_view text, std::string_view part);

// Every occurrence of `part` (A-Z folded byte by byte, every other byte
// exact), scanned from the front on character boundaries, replaced by
// `replacement`; the scan resumes behind the replaced bytes, so occurrences
// never overlap and replacements are never searched again.
Text ReplaceAll(std::string_view text, std::string_view part, std::string_view replacement);

// The pieces in front of every separator (empty ones included), plus the
// piece behind the last separator when it is not empty. "" gives no member;
// an empty separator gives the whole text as the one member.
TextList SplitText(std::string_view text, std::string_view separator);

// The text without ASCII blanks (0x20) and full-width blanks (A1 A1 where the
// pair is one character). Tabs and everything else stay.
Text StripAllSpaces(std::string_view text);

// The first / last n bytes (plain bytes, no character stepping).
Text TextLeft(std::string_view text, int n);
Text TextRight(std::string_view text, int n);

Text ToText(long long value);

// Leading blanks, an optional sign, then decimal digits up to the first other
// character; no digits gives 0. Values beyond the range of int saturate.
int ToInt(std::string_view text);

ByteData ToBytes(std::string_view text);

}
