#include "platform/tree_path.h"

namespace tarnwell {

namespace {

    bool is_drive_or_root(std::string_view path)
    {
        bool drive = path.size() >= 2 && path[1] == ':'
            && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
        if (drive)
            path.remove_prefix(2);
        return path.find_first_not_of("\\/") == std::string_view::npos && (drive || !path.empty());
    }

}

std::optional<std::string_view> tree_to_delete(std::string_view path)
{
    while (!path.empty() && path.front() == ' ')
        path.remove_prefix(1);
    if (path.empty() || is_drive_or_root(path))
        return std::nullopt;
    return path;
}

}
