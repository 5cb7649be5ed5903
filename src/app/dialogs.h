#pragma once

// The dialogs and the message pump as the handlers reach them: through the
// window system of the running program (see program.h).

#include "text/text.h"

#include <string_view>

namespace tarnwell {

class OpenFileDialog;

// A modal message box titled "信息：" with the text, one OK button, no icon.
void InfoBox(std::string_view text);

// The folder picker with the title above its tree: the chosen folder without
// a trailing "\" (a drive's root keeps it), "" on cancel.
Text BrowseForFolder(std::string_view title);

// Lets the window repaint and handle what is waiting. While a handler runs
// no click, key or close request starts another handler in here: clicks and
// keys are dropped, and a close request is carried out once the outermost
// handler has returned.
void ProcessEvents();

// Opens the open-file dialog modally. On OK its remembered file name becomes
// the chosen path and the result is true; on cancel it keeps the name.
bool ShowOpenFileDialog(OpenFileDialog&);

}
