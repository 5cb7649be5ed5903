#pragma once

// Removing programs: shortcuts are first taken off the list (`按钮5`), then the
// removal is confirmed (`按钮6`): their lines leave the configuration and
// every file of the work tree named like a removed shortcut's target goes.

#include "text/text.h"

#include <string_view>

namespace tarnwell {

void TakeShortcutOffList();
void ConfirmRemoval();

// Deletes, in the directory and all its subdirectories (depth first, names
// beginning with "." not entered), every file named like one of the target
// file names in `编辑框8`, reading them from TempDir + "CED.ini". Files that
// match but could not be deleted are added to `stayed`.
void DeleteTargetFiles(std::string_view directory, TextList& stayed);

// The target file names of removed shortcut lines, one per kind prefix a
// line holds, in order; lines without a target file name give none.
TextList target_file_names(std::string_view removed_line);

}
