#pragma once

// The tool's command line: option words are matched regardless of case, and
// every path may be written with "\" or "/".

#include "common/error.h"

#include <optional>
#include <string>
#include <vector>

namespace tarnwell::iso {

struct Options {
    bool help { false };
    bool silent { false };
    std::optional<std::string> input;
    std::optional<std::string> extract_to;
    std::optional<std::string> output;
    std::optional<std::string> volume_label;
    std::vector<std::string> remove_paths; // image paths, "/" separated
    std::vector<std::string> add_folders; // local paths
    bool joliet_long_names { false };
    bool relaxed_names { false };
    bool optimize { false };
};

tools::Result<Options> parse_options(std::vector<std::string> const& arguments);

// A local path as this platform writes it: on POSIX "\" becomes "/" (so a
// path that starts with "\" is absolute); Windows takes both as they are.
std::string local_path(std::string const& path);

// An image path ("\WXPE", "/wxpe/") as "/"-separated parts without empty ones.
std::vector<std::string> image_path_parts(std::string const& path);

char const* usage_text();

}
