#include "config/load_configuration.h"

#include "app/control_operations.h"
#include "app/globals.h"
#include "app/program.h"
#include "config/configuration_text.h"
#include "config/shortcut_line.h"
#include "platform/files.h"

namespace tarnwell {

namespace {

    // Writes the file only where the edit changed it; the file number used for
    // reading is closed by then, as the rewrite needs the file for itself alone.
    void rewrite_if_changed(std::string_view path, Text const& old_text, Text const& new_text)
    {
        if (new_text != old_text)
            WriteFileBytes(path, ToBytes(new_text));
    }

    void clean_up(std::string_view path)
    {
        auto text = ReadWholeFile(path);
        if (!text)
            return;
        rewrite_if_changed(path, *text, clean_configuration(*text));
    }

    void list_shortcuts(MainWindow& window, std::string_view path)
    {
        window.编辑框6.set_text("");
        ListViewClear(window.超级列表框1);
        ListViewClear(window.超级列表框2);
        window.编辑框7.set_text("");

        FileNumber file = OpenFile(path);
        while (!AtEnd(file)) {
            currentLine = ReadLine(file);
            // A cleaned file holds no comment line; one that could not be cleaned
            // may, and a disabled shortcut is never listed.
            if (is_comment_line(currentLine))
                continue;
            for (ShortcutKind kind : kinds_of_line(currentLine)) {
                ShortcutEntry entry = make_entry(currentLine, kind);
                lineFields = entry.fields;
                ListViewAdd(window.超级列表框1, entry.display_name());
                ListViewAdd(window.超级列表框2, currentLine);
                EditAppend(window.编辑框6, currentLine + Text(line_end));
            }
        }
        CloseFile(file);
    }

}

void LoadConfiguration()
{
    MainWindow& window = main_window();
    Text path = window.编辑框5.text();
    if (!path.empty())
        clean_up(path);
    list_shortcuts(window, path);
    RegroupShortcuts();
}

void RegroupShortcuts()
{
    MainWindow& window = main_window();
    Text path = window.编辑框5.text();
    if (path.empty())
        return;
    Text copy = TempDir() + "iso\\PECMD3.INI";
    // A copy that failed, or that cannot be read whole, stops the regrouping:
    // the configuration keeps its content.
    if (!CopyFileTo(path, copy))
        return;
    auto text = ReadWholeFile(copy);
    if (!text)
        return;
    auto regrouped = regroup_configuration(*text, window.编辑框6.text());
    if (!regrouped)
        return; // no shortcut line: the file stays, and so does the copy
    DeleteFilePath(copy);
    rewrite_if_changed(path, *text, *regrouped);
}

}
