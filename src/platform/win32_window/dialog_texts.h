#pragma once

// The texts that the common dialogs take and give, in the form the wide
// APIs want them. Pure functions, so the tests can check them on their own.

#include <string>
#include <string_view>

namespace tarnwell::win32 {

// "shown|pattern|shown|pattern" (GBK) as the open-file dialog's filter: the
// parts separated by NUL characters and the whole ended by two.
std::wstring open_file_filter(std::string_view filter);

// A chosen folder as the program reports it: without a trailing "\", except
// for the root of a drive ("C:\"), which keeps it.
std::wstring folder_without_trailing_separator(std::wstring path);

}
