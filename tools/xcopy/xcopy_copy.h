#pragma once

// The file-system side of the xcopy stand-in, one implementation per
// platform. Paths are UTF-8 on both; on POSIX a path may use "\" and is
// found without regard to letter case, as on Windows.

#include "xcopy_arguments.h"

#include <string>
#include <vector>

namespace tarnwell::xcopy {

enum class Kind {
    Missing,
    File,
    Folder,
};

struct Entry {
    std::string name;
    bool folder;
    bool hidden; // Windows: hidden or system attribute; POSIX: a name beginning with "."
};

enum class CopyResult {
    Copied,
    ReadOnlyTarget, // the target is read-only and /r was not given
    Failed,
};

// The path as the platform's calls take it.
std::string native_path(std::string const& argument);
std::string join(std::string const& folder, std::string const& name);
Kind kind_of(std::string const& path);
// The folder's entries in the file system's order, without "." and "..";
// false when it cannot be read.
bool list_folder(std::string const& path, std::vector<Entry>& entries);
bool make_folder(std::string const& path);
// Replaces an existing target; keeps the permissions (/k: also the
// read-only state, which is cleared otherwise, as Windows' xcopy does).
CopyResult copy_file(std::string const& source, std::string const& target, Options const&);
// True when `inner` is `outer` or lies inside it (a copy into itself).
bool is_inside(std::string const& inner, std::string const& outer);

}
