#pragma once

// Adding a program: choose its folder (`按钮2`), pick its main executable
// (double-click in `列表框1`), then copy the folder into the image tree and
// write its shortcut line into the configuration (`按钮7`).

#include "text/text.h"

#include <string_view>

namespace tarnwell {

void ChooseProgramFolder();
void PickMainExecutable();
void AddProgram();

// The configuration text with `new_line` after every line that equals the
// anchor line (letter case of A-Z ignored); a line that only contains the
// anchor's text is left whole. Each anchor line keeps its own line end after
// the inserted CR LF, new line and CR LF.
Text insert_after_anchor(std::string_view text, std::string_view anchor, std::string_view new_line);

}
