#include "platform/encoding.h"

#include <windows.h>

namespace tarnwell {

namespace {

    // GB18030, present since Windows XP (with the Chinese language support,
    // which every system of the program's kind has). Named explicitly so the
    // conversion never depends on the system's ANSI code page.
    constexpr UINT code_page_gb18030 = 54936;
    // Wine (8.0) has no GB18030 table; there GBK's own code page stands in,
    // and a name outside GBK cannot be given a form (encoding.h).
    constexpr UINT code_page_gbk = 936;

    UINT gbk_code_page()
    {
        static UINT const page = IsValidCodePage(code_page_gb18030) ? code_page_gb18030 : code_page_gbk;
        return page;
    }
    constexpr wchar_t replacement_character = 0xFFFD;

    std::wstring wide_from(UINT code_page, std::string_view text)
    {
        if (text.empty())
            return {};
        int length = MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        if (length <= 0)
            return std::wstring(text.size(), replacement_character);
        std::wstring wide(static_cast<size_t>(length), L'\0');
        MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
        return wide;
    }

    // Lone surrogates cannot be encoded in any code; they become U+FFFD first
    // so that the system's converter never substitutes a "?", which would be
    // a wildcard in a path.
    std::wstring without_lone_surrogates(std::wstring_view wide)
    {
        std::wstring clean(wide);
        for (size_t i = 0; i < clean.size(); ++i) {
            wchar_t c = clean[i];
            bool high = c >= 0xD800 && c <= 0xDBFF;
            bool low = c >= 0xDC00 && c <= 0xDFFF;
            if (high && i + 1 < clean.size() && clean[i + 1] >= 0xDC00 && clean[i + 1] <= 0xDFFF) {
                ++i;
                continue;
            }
            if (high || low)
                clean[i] = replacement_character;
        }
        return clean;
    }

    std::string narrow_to(UINT code_page, std::wstring_view text)
    {
        if (text.empty())
            return {};
        std::wstring clean = without_lone_surrogates(text);
        int size = static_cast<int>(clean.size());
        // Only GBK's code page can meet a character without a form; it then
        // gives "_" rather than its usual "?", which is a wildcard in paths.
        char const* stand_in = code_page == code_page_gbk ? "_" : nullptr;
        int length = WideCharToMultiByte(code_page, 0, clean.data(), size, nullptr, 0, stand_in, nullptr);
        if (length <= 0)
            return {};
        std::string narrow(static_cast<size_t>(length), '\0');
        WideCharToMultiByte(code_page, 0, clean.data(), size, narrow.data(), length, stand_in, nullptr);
        return narrow;
    }

}

std::wstring wide_from_gbk(std::string_view gbk)
{
    return wide_from(gbk_code_page(), gbk);
}

Text gbk_from_wide(std::wstring_view wide)
{
    return narrow_to(gbk_code_page(), wide);
}

std::string utf8_from_gbk(std::string_view gbk)
{
    return narrow_to(CP_UTF8, wide_from_gbk(gbk));
}

Text gbk_from_utf8(std::string_view utf8)
{
    return gbk_from_wide(wide_from(CP_UTF8, utf8));
}

bool encoding_covers_all_unicode()
{
    return gbk_code_page() == code_page_gb18030;
}

}
