#pragma once

// The modal dialogs of the Linux program, made of Qt's own widgets (never
// the desktop's native dialogs), so that they behave alike on every desktop
// and a test can answer them through their widgets.

#include "platform/window/controls.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <string_view>

class QWidget;

namespace tarnwell::qt {

// The open-file dialog's filter entries as Qt spells them, from the model's
// "shown text|pattern|shown text|pattern" form. The shown text stays as it
// is; each pattern matches names without regard to the case of A-Z, as
// Windows does ("*.IS_" also lists "a.is_").
QStringList name_filters(std::string_view filter);
QString case_blind_pattern(QString const& pattern);

// The chosen existing file as a core path, or nothing on cancel.
std::optional<Text> run_open_file_dialog(QWidget* owner, OpenFileDialog const&);
// The chosen folder as a core path ("\" for the root), "" on cancel.
Text run_folder_picker(QWidget* owner, std::string_view title);
// Titled "信息：", the text, one OK button, no icon, blocking every window.
void run_info_box(std::string_view text);

}
