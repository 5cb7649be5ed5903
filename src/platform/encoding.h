#pragma once

// Conversion of GBK texts at the platform boundary: to UTF-8 for Linux file
// names and the Qt window, to UTF-16 for the Win32 wide APIs and controls.
//
// Both directions use GB18030, which gives every GBK character GBK's own
// bytes and also encodes every other Unicode character (as four bytes). So
// a file name on disk that has no GBK form comes back as its GB18030 bytes
// and converts back to the same name: no name is silently corrupted.
//
// What cannot be converted at all: a GBK text with a broken byte sequence (a
// lead byte without a valid trail byte, a lone 0x80 or 0xFF) and a UTF-8 or
// UTF-16 text with an invalid sequence (a stray byte, a lone surrogate). Each
// such unit becomes U+FFFD (in GBK texts its GB18030 form, 84 31 A4 37); the
// rest of the text converts normally.

#include "text/text.h"

#include <string>
#include <string_view>

namespace tarnwell {

std::string utf8_from_gbk(std::string_view gbk);
Text gbk_from_utf8(std::string_view utf8);

// True where GB18030 is at hand (everywhere but under Wine, which lacks the
// code page: there GBK's code page is used, and a character without a GBK
// form becomes "_" on its way into a GBK text).
bool encoding_covers_all_unicode();

#ifdef _WIN32
std::wstring wide_from_gbk(std::string_view gbk);
Text gbk_from_wide(std::wstring_view wide);
#endif

}
