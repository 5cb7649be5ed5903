#include "config/shortcut_line.h"

namespace tarnwell {

std::array<ShortcutKindInfo, 4> const shortcut_kinds { {
    { ShortcutKind::Programs, "LINK %Programs%", "LINK %Programs%\\", "%Programs%" },
    { ShortcutKind::Desktop, "LINK %Desktop%", "LINK %Desktop%\\", "%Desktop%" },
    { ShortcutKind::QuickLaunch, "LINK %QuickLaunch%", "LINK %QuickLaunch%\\", "%QuickLaunch%" },
    { ShortcutKind::SendTo, "LINK %SendTo%", "LINK %SendTo%\\", "%SendTo%" },
} };

ShortcutKindInfo const& info_for(ShortcutKind kind)
{
    return shortcut_kinds[static_cast<size_t>(kind)];
}

bool is_blank_line(std::string_view line)
{
    return StripAllSpaces(line).empty();
}

bool is_comment_line(std::string_view line)
{
    return FindText(line, "//") != -1;
}

std::vector<ShortcutKind> kinds_of_line(std::string_view line)
{
    std::vector<ShortcutKind> kinds;
    for (auto const& info : shortcut_kinds) {
        if (FindText(line, info.prefix) != -1)
            kinds.push_back(info.kind);
    }
    return kinds;
}

bool is_shortcut_line(std::string_view line)
{
    return !kinds_of_line(line).empty();
}

LineClass classify_line(std::string_view line)
{
    if (is_blank_line(line))
        return LineClass::Blank;
    if (is_comment_line(line))
        return LineClass::Comment;
    if (is_shortcut_line(line))
        return LineClass::Shortcut;
    if (FindText(line, marker_text) != -1)
        return LineClass::Marker;
    return LineClass::Other;
}

Text ShortcutEntry::display_name() const
{
    return fields.empty() ? Text() : fields[0];
}

Text ShortcutEntry::target() const
{
    return has_target() ? fields[1] : Text();
}

ShortcutEntry make_entry(std::string_view line, ShortcutKind kind)
{
    ShortcutEntry entry;
    entry.display_text = ReplaceAll(line, info_for(kind).removal_prefix, "");
    entry.fields = SplitText(entry.display_text, ",");
    return entry;
}

Text target_file_name(std::string_view target)
{
    TextList pieces = SplitText(target, "\\");
    return pieces.empty() ? Text() : pieces.back();
}

Text new_shortcut_line(ShortcutDestination destination, std::string_view display_name, std::string_view file_name)
{
    Text line = destination == ShortcutDestination::Desktop ? "LINK %Desktop%\\" : "LINK %Programs%\\";
    line.append(display_name);
    line.append(",%SystemRoot%\\SYSTEM32\\TOOL\\");
    line.append(file_name);
    return line;
}

}
