#include "app/dialogs.h"
#include "app/program.h"

namespace tarnwell {

void InfoBox(std::string_view text)
{
    window_system().info_box(text);
}

Text BrowseForFolder(std::string_view title)
{
    return window_system().browse_for_folder(title);
}

void ProcessEvents()
{
    window_system().process_events();
}

bool ShowOpenFileDialog(OpenFileDialog& dialog)
{
    auto chosen = window_system().choose_open_file(dialog);
    if (!chosen)
        return false;
    dialog.set_file_name(*chosen);
    return true;
}

}
