#pragma once

// The mapping between the core's paths and paths on a POSIX disk.
//
// Core paths are GBK texts with "\" between their parts; on disk they are
// UTF-8 with "/". A core path that begins with "\" is absolute ("\tmp\x" is
// /tmp/x), every other one is relative to the current directory. "/" in a
// core path is taken as a separator as well, as Windows does.
//
// Windows finds names without regard to letter case, and the handlers build
// paths in one fixed spelling ("WXPE\SYSTEM32\TOOL" inside an
// image that may spell it "system32"). So a path that does not exist as
// spelled is looked up part by part: a missing part is replaced by the first
// entry of its folder (in the folder's own order) whose name equals it
// without regard to case. Parts that match nothing stay as spelled, so a new
// file is created under the name the core gave it.

#include "text/text.h"

#include <string>
#include <string_view>

namespace tarnwell::posix {

// The path on disk for a core path, with the case-blind lookup above.
std::string disk_path(std::string_view core_path);

// The path on disk for a core path, "\" turned into "/", without any lookup.
std::string literal_disk_path(std::string_view core_path);

// The case-blind lookup alone, on a UTF-8 path with "/".
std::string resolve_ignoring_case(std::string const& path);

// A path or name on disk as the core sees it.
Text core_path(std::string_view disk_path);

}
