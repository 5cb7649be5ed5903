#include "platform/name_pattern.h"

#include <vector>

namespace tarnwell {

namespace {

    // The DOS wildcards of the Windows name matcher, kept outside Unicode's
    // range so no name character can be taken for one.
    constexpr char32_t any_run = 0x110000;
    constexpr char32_t run_before_last_dot = 0x110001;
    constexpr char32_t one_or_none = 0x110002;
    constexpr char32_t dot_or_end = 0x110003;
    // Bytes that are not valid UTF-8 become these, so each matches itself.
    constexpr char32_t stray_byte_base = 0x110100;

    std::u32string code_points(std::string_view text)
    {
        std::u32string result;
        size_t i = 0;
        while (i < text.size()) {
            auto lead = static_cast<unsigned char>(text[i]);
            size_t length = lead < 0x80 ? 1
                : (lead & 0xE0) == 0xC0 ? 2
                : (lead & 0xF0) == 0xE0 ? 3
                : (lead & 0xF8) == 0xF0 ? 4
                                        : 0;
            char32_t code = length == 1 ? lead : lead & (0x7F >> length);
            bool valid = length > 0 && i + length <= text.size();
            for (size_t k = 1; valid && k < length; ++k) {
                auto next = static_cast<unsigned char>(text[i + k]);
                valid = (next & 0xC0) == 0x80;
                code = (code << 6) | (next & 0x3F);
            }
            if (!valid) {
                result.push_back(stray_byte_base + lead);
                ++i;
                continue;
            }
            result.push_back(code);
            i += length;
        }
        return result;
    }

    std::u32string dos_pattern(std::u32string const& pattern)
    {
        std::u32string result;
        for (size_t i = 0; i < pattern.size(); ++i) {
            char32_t c = pattern[i];
            char32_t next = i + 1 < pattern.size() ? pattern[i + 1] : 0;
            if (c == U'?')
                result.push_back(one_or_none);
            else if (c == U'*')
                result.push_back(next == U'.' ? run_before_last_dot : any_run);
            else if (c == U'.' && (next == U'?' || next == U'*' || next == 0))
                result.push_back(dot_or_end);
            else
                result.push_back(fold_case(c));
        }
        return result;
    }

    class Matcher {
    public:
        Matcher(std::u32string pattern, std::u32string name)
            : m_pattern(std::move(pattern))
            , m_name(std::move(name))
            , m_seen((m_pattern.size() + 1) * (m_name.size() + 1), 0)
        {
            m_last_dot = m_name.rfind(U'.');
            for (auto& c : m_name)
                c = fold_case(c);
        }

        bool matches(size_t p, size_t n)
        {
            // Each (p, n) is decided once, so even "*a*a*a*b" stays linear in
            // the size of this table.
            auto& seen = m_seen[p * (m_name.size() + 1) + n];
            if (seen == 0)
                seen = decide(p, n) ? 1 : 2;
            return seen == 1;
        }

    private:
        bool decide(size_t p, size_t n)
        {
            if (p == m_pattern.size())
                return n == m_name.size();
            bool at_end = n == m_name.size();
            char32_t c = m_pattern[p];
            switch (c) {
            case any_run:
                return matches(p + 1, n) || (!at_end && matches(p, n + 1));
            case run_before_last_dot:
                if (matches(p + 1, n))
                    return true;
                return !at_end && n != m_last_dot && matches(p, n + 1);
            case one_or_none:
                if (at_end || m_name[n] == U'.') {
                    size_t q = p;
                    while (q < m_pattern.size() && m_pattern[q] == one_or_none)
                        ++q;
                    return matches(q, n);
                }
                return matches(p + 1, n + 1);
            case dot_or_end:
                if (at_end)
                    return matches(p + 1, n);
                return m_name[n] == U'.' && matches(p + 1, n + 1);
            default:
                return !at_end && m_name[n] == c && matches(p + 1, n + 1);
            }
        }

        std::u32string m_pattern;
        std::u32string m_name;
        size_t m_last_dot;
        std::vector<unsigned char> m_seen;
    };

}

char32_t fold_case(char32_t c)
{
    if (c >= U'a' && c <= U'z')
        return c - 0x20;
    if (c < 0x80)
        return c;
    // Latin-1: à..þ except ÷; ÿ has its capital in Latin Extended-A.
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return c - 0x20;
    if (c == 0xFF)
        return 0x178;
    // Latin Extended-A pairs capital/small on even/odd code points, except
    // between U+0138 and U+0148 and from U+0179, where the capital is odd.
    if (c >= 0x100 && c <= 0x137)
        return c & ~char32_t { 1 };
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c & 1) ? c : c - 1;
    if (c >= 0x14A && c <= 0x177)
        return c & ~char32_t { 1 };
    // Greek: α..ω (ς with σ), Cyrillic а..я and ѐ..џ, full-width ａ..ｚ.
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2)
        return c - 0x20;
    if (c == 0x3C2)
        return 0x3A3;
    if (c >= 0x430 && c <= 0x44F)
        return c - 0x20;
    if (c >= 0x450 && c <= 0x45F)
        return c - 0x50;
    if (c >= 0xFF41 && c <= 0xFF5A)
        return c - 0x20;
    return c;
}

bool has_wildcards(std::string_view pattern)
{
    return pattern.find_first_of("*?") != std::string_view::npos;
}

bool name_matches_pattern(std::string_view pattern, std::string_view name)
{
    Matcher matcher(dos_pattern(code_points(pattern)), code_points(name));
    return matcher.matches(0, 0);
}

bool names_equal_ignoring_case(std::string_view a, std::string_view b)
{
    auto left = code_points(a);
    auto right = code_points(b);
    if (left.size() != right.size())
        return false;
    for (size_t i = 0; i < left.size(); ++i) {
        if (fold_case(left[i]) != fold_case(right[i]))
            return false;
    }
    return true;
}

}
