#pragma once

// Every tool implements tool_main(); the shared entry point hands it the
// arguments (without the program name) as UTF-8 on every platform and
// returns its exit status. On Windows the wide command line is converted.

#include <string>
#include <vector>

int tool_main(std::vector<std::string> const& arguments);
