#include "platform/win32_window/dialog_texts.h"
#include "platform/encoding.h"

namespace tarnwell::win32 {

std::wstring open_file_filter(std::string_view filter)
{
    // "|" (0x7C) can be the trail byte of a GBK character, so the text is
    // converted first and split on its wide form, where "|" is only "|".
    std::wstring wide = wide_from_gbk(filter);
    for (auto& character : wide) {
        if (character == L'|')
            character = L'\0';
    }
    wide.push_back(L'\0');
    wide.push_back(L'\0');
    return wide;
}

std::wstring folder_without_trailing_separator(std::wstring path)
{
    bool drive_root = path.size() == 3 && path[1] == L':' && path[2] == L'\\';
    if (!drive_root) {
        while (!path.empty() && path.back() == L'\\')
            path.pop_back();
    }
    return path;
}

}
