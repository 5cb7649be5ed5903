#pragma once

// UTF-8 <-> UTF-16 for the Windows edge of the tools (file names and the
// command line). Invalid sequences become U+FFFD rather than being dropped.

#include <string>

namespace tarnwell::tools {

std::wstring utf8_to_wide(std::string const&);
std::string wide_to_utf8(std::wstring const&);

// Appends the UTF-8 form of one code point.
void append_utf8(std::string& out, char32_t code);

}
