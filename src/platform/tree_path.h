#pragma once

// The path check that DeleteTree makes on every platform before it touches
// anything: blanks at the front are ignored, and an empty path, a drive
// ("C:") or the root of one ("C:\", "\") is refused.

#include <optional>
#include <string_view>

namespace tarnwell {

// The path to delete, without its leading blanks; nothing when it may not
// be deleted.
std::optional<std::string_view> tree_to_delete(std::string_view path);

}
