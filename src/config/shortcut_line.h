#pragma once

// The rules for the lines of the PE shell's startup configuration: which
// lines are blank, comments or shortcut ("LINK") lines, and what the tool
// derives from a shortcut line. Pure functions over GBK texts.

#include "text/text.h"

#include <array>
#include <string_view>
#include <vector>

namespace tarnwell {

enum class ShortcutKind {
    Programs,
    Desktop,
    QuickLaunch,
    SendTo,
};

struct ShortcutKindInfo {
    ShortcutKind kind;
    std::string_view prefix; // recognition, letter case significant
    std::string_view removal_prefix; // removed from the display text, case-blind
    std::string_view token; // what the regrouping's filter passes look for
};

// In the order in which the listing tests them.
extern std::array<ShortcutKindInfo, 4> const shortcut_kinds;

ShortcutKindInfo const& info_for(ShortcutKind);

// The marker line that the regrouping of the shortcut lines works with.
inline constexpr std::string_view marker_text = "AABBCCDY";

enum class LineClass {
    Blank,
    Comment,
    Shortcut,
    Marker,
    Other,
};

// Blank and comment take precedence, so a disabled shortcut ("//LINK ...")
// is a comment.
LineClass classify_line(std::string_view line);

bool is_blank_line(std::string_view line);
bool is_comment_line(std::string_view line);

// The kinds whose prefix the line holds, in table order; each kind counts by
// itself, so a line can hold several.
std::vector<ShortcutKind> kinds_of_line(std::string_view line);
bool is_shortcut_line(std::string_view line);

// One (line, kind) pair: the line with every removal prefix of the kind taken
// out, cut at commas.
struct ShortcutEntry {
    Text display_text;
    TextList fields;

    // Field 1, or "" when the display text has no field at all.
    Text display_name() const;
    // Field 2, or "" when there is none.
    Text target() const;
    bool has_target() const { return fields.size() >= 2; }
};

ShortcutEntry make_entry(std::string_view line, ShortcutKind kind);

// The last piece of the target cut at "\"; "" when the target has no piece.
Text target_file_name(std::string_view target);

enum class ShortcutDestination {
    Desktop = 0,
    StartMenu = 1,
};

// The line written for a program added to the image, without its line end.
Text new_shortcut_line(ShortcutDestination, std::string_view display_name, std::string_view file_name);

}
