#include "iso/names.h"
#include "iso/layout.h"

#include <array>

namespace tarnwell::iso {

namespace {

    std::string strip_version(std::string name)
    {
        auto separator = name.rfind(layout::version_separator);
        if (separator != std::string::npos)
            name.resize(separator);
        return name;
    }

}

std::string decode_primary_name(std::span<std::uint8_t const> bytes)
{
    std::string name;
    for (auto byte : bytes)
        append_utf8(name, byte);
    name = strip_version(std::move(name));
    if (!name.empty() && name.back() == '.')
        name.pop_back();
    return name;
}

std::string decode_joliet_name(std::span<std::uint8_t const> bytes)
{
    std::string name;
    size_t units = bytes.size() / 2;
    for (size_t i = 0; i < units; ++i) {
        char32_t unit = static_cast<char32_t>((bytes[2 * i] << 8) | bytes[2 * i + 1]);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units) {
            char32_t low = static_cast<char32_t>((bytes[2 * i + 2] << 8) | bytes[2 * i + 3]);
            if (low >= 0xDC00 && low < 0xE000) {
                append_utf8(name, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (unit >= 0xD800 && unit < 0xE000)
            unit = 0xFFFD;
        append_utf8(name, unit);
    }
    return strip_version(std::move(name));
}

std::u16string utf8_to_utf16(std::string const& text)
{
    std::u16string out;
    size_t i = 0;
    while (i < text.size()) {
        auto byte = static_cast<unsigned char>(text[i]);
        size_t length = byte < 0x80 ? 1
            : (byte & 0xE0) == 0xC0 ? 2
            : (byte & 0xF0) == 0xE0 ? 3
            : (byte & 0xF8) == 0xF0 ? 4
                                    : 0;
        char32_t code = 0xFFFD;
        if (length == 1) {
            code = byte;
        } else if (length > 1 && i + length <= text.size()) {
            code = byte & (0xFF >> (length + 1));
            for (size_t k = 1; k < length; ++k) {
                auto next = static_cast<unsigned char>(text[i + k]);
                if ((next & 0xC0) != 0x80) {
                    code = 0xFFFD;
                    length = k;
                    break;
                }
                code = (code << 6) | (next & 0x3F);
            }
        } else {
            length = 1;
        }
        if (code >= 0x10000 && code < 0x110000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(code < 0x110000 ? static_cast<char16_t>(code) : u'\uFFFD');
        }
        i += length;
    }
    return out;
}

std::string fold_case(std::string const& name)
{
    std::string folded = name;
    for (auto& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

namespace {

    // Names Windows maps to devices in every folder, with any extension.
    constexpr std::array<char const*, 22> windows_device_names { "con", "prn", "aux", "nul", "com1", "com2", "com3",
        "com4", "com5", "com6", "com7", "com8", "com9", "lpt1", "lpt2", "lpt3", "lpt4", "lpt5", "lpt6", "lpt7", "lpt8",
        "lpt9" };

    std::optional<std::string> windows_reason(std::string const& name)
    {
        for (auto c : name) {
            auto byte = static_cast<unsigned char>(c);
            if (byte < 0x20)
                return "holds a control character";
            if (c == ':')
                return "holds a drive or stream separator";
            if (c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*')
                return "holds a character Windows refuses in names";
        }
        if (name.back() == '.' || name.back() == ' ')
            return "ends in a dot or blank, which Windows drops";
        auto stem = fold_case(name.substr(0, name.find('.')));
        while (!stem.empty() && stem.back() == ' ')
            stem.pop_back();
        for (auto device : windows_device_names) {
            if (stem == device)
                return "is a Windows device name";
        }
        return std::nullopt;
    }

}

std::optional<std::string> unsafe_name_reason(std::string const& name, NamePolicy policy)
{
    if (name.empty())
        return "is empty";
    if (name == "." || name == "..")
        return "names the folder itself or its parent";
    for (auto c : name) {
        if (c == '/' || c == '\\')
            return "holds a path separator";
        if (c == '\0')
            return "holds a NUL byte";
    }
    if (policy == NamePolicy::Windows)
        return windows_reason(name);
    return std::nullopt;
}

}
