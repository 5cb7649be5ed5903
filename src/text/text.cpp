#include "text/text.h"

#include <climits>

namespace tarnwell {

namespace {

    bool is_lead_byte(char c)
    {
        return static_cast<unsigned char>(c) >= 0x80;
    }

    // Length of the character that starts at `pos`: two bytes behind a lead byte,
    // but never past the end (a lead byte that is the last byte stands alone).
    size_t character_length(std::string_view text, size_t pos)
    {
        if (is_lead_byte(text[pos]) && pos + 1 < text.size())
            return 2;
        return 1;
    }

    char fold_ascii(char c)
    {
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }

    bool matches_folded(std::string_view text, size_t pos, std::string_view part)
    {
        if (text.size() - pos < part.size())
            return false;
        for (size_t i = 0; i < part.size(); ++i) {
            if (fold_ascii(text[pos + i]) != fold_ascii(part[i]))
                return false;
        }
        return true;
    }

    bool matches_exact(std::string_view text, size_t pos, std::string_view part)
    {
        return text.size() - pos >= part.size() && text.compare(pos, part.size(), part) == 0;
    }

    // Position of the first exact occurrence of `part` at or behind `from` that
    // starts on a character boundary (`from` is one), or npos.
    size_t find_on_boundary(std::string_view text, std::string_view part, size_t from)
    {
        for (size_t pos = from; pos < text.size(); pos += character_length(text, pos)) {
            if (matches_exact(text, pos, part))
                return pos;
        }
        return std::string_view::npos;
    }

}

int FindText(std::string_view text, std::string_view part)
{
    if (text.empty())
        return -1;
    if (part.empty())
        return 1;
    size_t pos = find_on_boundary(text, part, 0);
    return pos == std::string_view::npos ? -1 : static_cast<int>(pos + 1);
}

Text ReplaceAll(std::string_view text, std::string_view part, std::string_view replacement)
{
    if (text.empty() || part.empty())
        return Text(text);
    Text result;
    result.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        if (matches_folded(text, pos, part)) {
            result.append(replacement);
            pos += part.size();
            continue;
        }
        size_t length = character_length(text, pos);
        result.append(text.substr(pos, length));
        pos += length;
    }
    return result;
}

TextList SplitText(std::string_view text, std::string_view separator)
{
    TextList pieces;
    if (text.empty())
        return pieces;
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    size_t start = 0;
    for (;;) {
        size_t found = find_on_boundary(text, separator, start);
        if (found == std::string_view::npos)
            break;
        pieces.emplace_back(text.substr(start, found - start));
        start = found + separator.size();
    }
    if (start < text.size())
        pieces.emplace_back(text.substr(start));
    return pieces;
}

Text StripAllSpaces(std::string_view text)
{
    Text result;
    result.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        size_t length = character_length(text, pos);
        std::string_view character = text.substr(pos, length);
        bool blank = character == " " || character == "\xA1\xA1";
        if (!blank)
            result.append(character);
        pos += length;
    }
    return result;
}

Text TextLeft(std::string_view text, int n)
{
    if (n <= 0)
        return {};
    return Text(text.substr(0, static_cast<size_t>(n)));
}

Text TextRight(std::string_view text, int n)
{
    if (n <= 0)
        return {};
    size_t count = static_cast<size_t>(n);
    if (count >= text.size())
        return Text(text);
    return Text(text.substr(text.size() - count));
}

Text ToText(long long value)
{
    return std::to_string(value);
}

int ToInt(std::string_view text)
{
    size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    long long value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = value * 10 + (text[pos] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    return static_cast<int>(value);
}

ByteData ToBytes(std::string_view text)
{
    return ByteData(text.begin(), text.end());
}

}
