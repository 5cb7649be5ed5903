#include "platform/posix_paths.h"

#include "platform/encoding.h"
#include "platform/name_pattern.h"

#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace tarnwell::posix {

namespace {

    bool exists(std::string const& path)
    {
        struct stat info;
        return lstat(path.c_str(), &info) == 0;
    }

    // The first entry of `folder` whose name equals `name` without regard to
    // case, or `name` itself.
    std::string entry_ignoring_case(std::string const& folder, std::string const& name)
    {
        DIR* dir = opendir(folder.c_str());
        if (!dir)
            return name;
        std::string found = name;
        while (dirent* entry = readdir(dir)) {
            if (names_equal_ignoring_case(entry->d_name, name)) {
                found = entry->d_name;
                break;
            }
        }
        closedir(dir);
        return found;
    }

}

std::string literal_disk_path(std::string_view core)
{
    std::string path = utf8_from_gbk(core);
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    return path;
}

std::string resolve_ignoring_case(std::string const& path)
{
    if (path.empty() || exists(path))
        return path;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    bool absolute = path[0] == '/';
    std::string resolved = absolute ? "/" : "";
    auto join = [&](std::string const& part) {
        if (resolved.empty())
            return part;
        return resolved.back() == '/' ? resolved + part : resolved + "/" + part;
    };
    // Once a part is missing, the parts behind it cannot exist either.
    bool found_so_far = true;
    for (size_t i = absolute ? 1 : 0; i < parts.size(); ++i) {
        std::string const& part = parts[i];
        std::string next = part;
        if (found_so_far && !part.empty() && part != "." && part != "..") {
            if (!exists(join(part)))
                next = entry_ignoring_case(resolved.empty() ? "." : resolved, part);
            found_so_far = exists(join(next));
        }
        resolved = join(next);
        if (part.empty() && i + 1 == parts.size() && resolved.back() != '/')
            resolved += "/";
    }
    return resolved;
}

std::string disk_path(std::string_view core)
{
    return resolve_ignoring_case(literal_disk_path(core));
}

Text core_path(std::string_view disk)
{
    Text path = gbk_from_utf8(disk);
    // Only after the conversion: a GBK trail byte may be 0x2F or 0x5C.
    Text result;
    for (size_t i = 0; i < path.size(); ++i) {
        auto c = static_cast<unsigned char>(path[i]);
        if (c >= 0x80 && i + 1 < path.size()) {
            result.push_back(path[i]);
            result.push_back(path[++i]);
            continue;
        }
        result.push_back(c == '/' ? '\\' : path[i]);
    }
    return result;
}

}
