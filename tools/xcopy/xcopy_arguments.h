#pragma once

// The command line of the xcopy stand-in: SOURCE DEST and switches, the
// switches in any case and in any place. As with Windows' xcopy, switches
// may be glued to the destination: in "C:\x\TOOL/s" the switches begin at
// the first "/" behind the last "\" (a token with "\" in it is a Windows
// path, whose parts never hold "/"). A token that is one of the switches
// below is a switch, even when a Linux path could be spelled so.

#include <optional>
#include <string>
#include <vector>

namespace tarnwell::xcopy {

struct Options {
    std::string source;
    std::string destination;
    bool subfolders { false }; // /s
    bool empty_folders { false }; // /e
    bool hidden { false }; // /h: hidden and system files too
    bool quiet { false }; // /q
    bool replace_read_only { false }; // /r
    bool keep_attributes { false }; // /k
    bool go_on_after_errors { false }; // /c
};

struct Parsed {
    std::optional<Options> options;
    std::string error; // when there are no options: the one-line reason
};

Parsed parse_arguments(std::vector<std::string> const& arguments);

}
