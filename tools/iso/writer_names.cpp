#include "iso/writer_names.h"
#include "iso/names.h"

#include <set>

namespace tarnwell::iso {

namespace {

    bool is_d_character(char c)
    {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    }

    char to_d_character(char c)
    {
        if (c >= 'a' && c <= 'z')
            return static_cast<char>(c - 'a' + 'A');
        return is_d_character(c) ? c : '_';
    }

    // Upper case d-characters; for files one dot before the extension.
    std::string iso_base(Node const& node)
    {
        std::string name;
        std::string const& source = node.name;
        auto dot = node.is_directory() ? std::string::npos : source.rfind('.');
        std::string stem = dot == std::string::npos ? source : source.substr(0, dot);
        std::string extension = dot == std::string::npos ? "" : source.substr(dot + 1);
        auto convert = [](std::string const& part) {
            std::string out;
            for (size_t i = 0; i < part.size(); ++i) {
                auto byte = static_cast<unsigned char>(part[i]);
                if (byte >= 0x80) {
                    // One "_" for a whole UTF-8 sequence.
                    while (i + 1 < part.size() && (static_cast<unsigned char>(part[i + 1]) & 0xC0) == 0x80)
                        ++i;
                    out.push_back('_');
                } else {
                    out.push_back(to_d_character(part[i]));
                }
            }
            return out;
        };
        stem = convert(stem);
        extension = convert(extension);
        if (node.is_directory())
            return stem.substr(0, iso_folder_name_limit);
        if (extension.size() > iso_file_name_limit / 2)
            extension.resize(iso_file_name_limit / 2);
        if (stem.size() + extension.size() > iso_file_name_limit - 1)
            stem.resize(iso_file_name_limit - 1 - extension.size());
        if (stem.empty() && extension.empty())
            stem = "_";
        // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict)
        // on chained string additions.
        stem.push_back('.');
        stem.append(extension);
        return stem;
    }

    std::u16string joliet_base(Node const& node, size_t limit)
    {
        std::u16string name = utf8_to_utf16(node.name);
        for (auto& unit : name) {
            // Joliet 3.1 forbids these and the control characters.
            if (unit < 0x20 || unit == u'*' || unit == u'/' || unit == u':' || unit == u';' || unit == u'?'
                || unit == u'\\')
                unit = u'_';
        }
        if (name.size() <= limit)
            return name;
        auto dot = node.is_directory() ? std::u16string::npos : name.rfind(u'.');
        std::u16string extension
            = dot == std::u16string::npos || name.size() - dot > limit / 2 ? u"" : name.substr(dot);
        name = name.substr(0, limit - extension.size()) + extension;
        return name;
    }

    // Replaces the end of the stem with "~N" until the name is free.
    template<typename Text> Text numbered(Text const& base, size_t counter, size_t limit, bool has_extension)
    {
        auto dot = has_extension ? base.rfind(static_cast<typename Text::value_type>('.')) : Text::npos;
        Text stem = dot == Text::npos ? base : base.substr(0, dot);
        Text extension = dot == Text::npos ? Text() : base.substr(dot);
        std::string suffix_ascii = std::to_string(counter);
        Text suffix(1, static_cast<typename Text::value_type>('~'));
        suffix.append(suffix_ascii.begin(), suffix_ascii.end());
        size_t room = limit > extension.size() + suffix.size() ? limit - extension.size() - suffix.size() : 0;
        if (stem.size() > room)
            stem.resize(room);
        return stem + suffix + extension;
    }

    std::string ucs2_bytes(std::u16string const& name)
    {
        std::string bytes;
        for (char16_t unit : name) {
            bytes.push_back(static_cast<char>(unit >> 8));
            bytes.push_back(static_cast<char>(unit & 0xFF));
        }
        return bytes;
    }

    std::u16string fold_utf16(std::u16string name)
    {
        for (auto& unit : name) {
            if (unit >= u'a' && unit <= u'z')
                unit = static_cast<char16_t>(unit - u'a' + u'A');
        }
        return name;
    }

}

std::vector<std::string> identifiers_for(Node const& folder, NameStyle style, NameRules const& rules)
{
    std::vector<std::string> result;
    if (style == NameStyle::Iso9660) {
        std::set<std::string> taken;
        for (auto const& child : folder.children) {
            std::string base = iso_base(child);
            std::string name = base;
            size_t limit = child.is_directory() ? iso_folder_name_limit : iso_file_name_limit;
            for (size_t counter = 1; !taken.insert(name).second; ++counter)
                name = numbered(base, counter, limit, !child.is_directory());
            result.push_back(child.is_directory() ? name : name + ";1");
        }
        return result;
    }
    // Joliet readers on Windows match names regardless of case.
    std::set<std::u16string> taken;
    for (auto const& child : folder.children) {
        std::u16string base = joliet_base(child, rules.joliet_limit);
        std::u16string name = base;
        for (size_t counter = 1; !taken.insert(fold_utf16(name)).second; ++counter)
            name = numbered(base, counter, rules.joliet_limit, !child.is_directory());
        result.push_back(ucs2_bytes(child.is_directory() ? name : name + u";1"));
    }
    return result;
}

std::string iso_volume_identifier(std::string const& label)
{
    std::string result;
    for (char c : label) {
        if (result.size() == 32)
            break;
        result.push_back(to_d_character(c));
    }
    return result;
}

}
