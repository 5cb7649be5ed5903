#pragma once

// The two ends of the temporary workspace: the fixed-name files directly
// under TempDir that a run works in.

#include "text/text.h"

#include <span>

namespace tarnwell {

// Writes the ISO editing tool to TempDir + "ultraiso.exe" and its three
// one-line scripts "pcmd.cmd", "ucmd.cmd" and "pcmd2.cmd". Silent on failure.
void PrepareWorkspace();

// Deletes the run's files and folders under TempDir. Silent on failure.
void ClearWorkspace();

// The ISO editing tool's executable for the platform this program is built
// for, carried inside the program.
std::span<unsigned char const> EmbeddedIsoTool();

// The content of "pcmd.cmd" for the workspace under `temp_dir`.
Text RebuildScriptFor(std::string_view temp_dir);

}
