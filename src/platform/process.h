#pragma once

// Starting outside programs. The command line follows the Windows rules on
// every platform; on Linux a ".cmd" script runs through our own interpreter
// and "expand", "makecab" and "xcopy" resolve to our stand-ins beside the
// program.

#include <string_view>

namespace tarnwell {

// Starts the command line in the current directory, with the environment and
// no other open handles, and waits for it without a time limit. True when the
// process was started; false at once when it could not be.
bool RunAndWait(std::string_view command_line);

}
