#pragma once

// How the POSIX RunAndWait finds the program of a command line, the way
// Windows would find it for this program:
//   - "expand", "makecab" and "xcopy" (any case, with or without ".exe")
//     are our stand-ins in the program's own folder, never programs of the
//     same name elsewhere (coreutils has an unrelated "expand");
//   - a token with a folder part names the file itself, or that name with
//     ".exe" added;
//   - a bare name is looked up in the current directory (as spelled, then
//     with ".exe" added), then in the folders of PATH;
//   - a file ending in ".cmd" or ".bat" is a script for our interpreter.
// Names are found without regard to letter case where they are not spelled
// exactly (posix_paths.h).
//
// A file ending in ".exe" found in the current directory or by its path is
// started even without the execute permission (Windows runs any ".exe"):
// the owner's execute bit is added first, when the file is the user's own.
// The program writes its ISO editing tool into its temporary folder that way.

#include <optional>
#include <string>

namespace tarnwell::posix {

enum class ProgramKind {
    Executable,
    Script,
};

struct Program {
    std::string path; // on disk
    ProgramKind kind;
};

struct SearchPlaces {
    std::string stand_in_folder; // on disk, the folder of our stand-ins
    std::string path_variable; // PATH, ":"-separated
};

// `token` in UTF-8, "\" or "/" between its parts.
std::optional<Program> resolve_program(std::string const& token, SearchPlaces const&);

// Runs a UTF-8 command line; `depth` counts the scripts it runs inside.
bool run_command_line(std::string const& command_line, int depth);

}
