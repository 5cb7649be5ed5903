#include "software/remove_software.h"

#include "app/control_operations.h"
#include "app/dialogs.h"
#include "app/globals.h"
#include "app/program.h"
#include "config/configuration_text.h"
#include "config/shortcut_line.h"
#include "platform/files.h"

namespace tarnwell {

namespace {

    // How many files that stayed the message names before it only counts them.
    constexpr size_t named_files_limit = 20;

    Text list_file_path()
    {
        return TempDir() + "CED.ini";
    }

    bool holds_wildcard(std::string_view name)
    {
        return FindText(name, "*") != -1 || FindText(name, "?") != -1;
    }

    Text kept_block_of(MainWindow& window)
    {
        Text kept;
        int count = ListViewCount(window.超级列表框2);
        for (int i = 0; i < count; ++i) {
            window.超级列表框1.set_selection(i);
            kept += ListViewItemText(window.超级列表框2, i) + Text(line_end);
            window.超级列表框2.set_selection(-1);
            window.超级列表框1.set_selection(-1);
        }
        return kept;
    }

    // Takes the removed lines out of the configuration; false when it cannot
    // be read whole or written, or no longer holds a removed line.
    bool remove_lines_from_configuration(MainWindow& window)
    {
        Text config_file = window.编辑框5.text();
        auto text = ReadWholeFile(config_file);
        if (!text)
            return false;
        auto updated = remove_shortcut_lines(*text, window.编辑框6.text(), window.编辑框7.text());
        if (!updated)
            return false;
        return *updated == *text || WriteFileBytes(config_file, ToBytes(*updated));
    }

    // The removed lines in `编辑框8` become their target file names, passing
    // through the list file as lines are read back from it.
    void turn_removed_lines_into_names(MainWindow& window)
    {
        WriteFileBytes(list_file_path(), ToBytes(window.编辑框8.text()));
        window.编辑框8.set_text("");
        FileNumber list = OpenFile(list_file_path());
        while (!AtEnd(list)) {
            for (Text const& name : target_file_names(ReadLine(list)))
                EditAppend(window.编辑框8, name + Text(line_end));
        }
        CloseFile(list);
        DeleteFilePath(list_file_path());
    }

    Text outcome_message(TextList const& stayed)
    {
        if (stayed.empty())
            return "删除成功";
        Text message = "删除成功,但以下文件未能删除:";
        for (size_t i = 0; i < stayed.size() && i < named_files_limit; ++i)
            message += Text(line_end) + stayed[i];
        if (stayed.size() > named_files_limit)
            message += Text(line_end) + "等" + ToText(static_cast<long long>(stayed.size())) + "个文件";
        return message;
    }

}

TextList target_file_names(std::string_view removed_line)
{
    TextList names;
    Text line(removed_line);
    for (auto const& kind : shortcut_kinds) {
        if (FindText(line, kind.prefix) == -1)
            continue;
        line = ReplaceAll(line, kind.removal_prefix, "");
        lineFields = SplitText(line, ",");
        // A line without a target has no file name: its line leaves the
        // configuration, but no file is looked for.
        if (lineFields.size() < 2)
            continue;
        Text name = target_file_name(lineFields[1]);
        if (!name.empty())
            names.push_back(name);
    }
    return names;
}

void TakeShortcutOffList()
{
    MainWindow& window = main_window();
    window.按钮4.set_caption("重新解析");
    window.标签1.set_caption("移出列表后,单击确认删除才会删除软件,移出错误可单击重新解析.");
    window.标签3.set_caption(ToText(window.超级列表框1.selection()));
    ListViewDelete(window.超级列表框1, window.超级列表框1.selection());
    if (window.标签3.caption() != "-1") {
        int row = ToInt(window.标签3.caption());
        EditAppend(window.编辑框8, ListViewItemText(window.超级列表框2, row) + Text(line_end));
    }
    ListViewDelete(window.超级列表框2, ToInt(window.标签3.caption()));
    window.编辑框7.set_text("");
    Text kept = kept_block_of(window);
    if (!kept.empty())
        EditAppend(window.编辑框7, kept);
    else
        InfoBox("无内容");
    if (window.标签3.caption() == ToText(-1))
        InfoBox("未选择");
}

void ConfirmRemoval()
{
    MainWindow& window = main_window();
    window.按钮4.set_caption("解析IS_");
    window.按钮3.set_enabled(true);
    window.标签1.set_caption("删除后可直接封装成IS_文件,也可继续操作");
    if (window.编辑框8.text().empty()) {
        InfoBox("没有移出列表的项");
        return;
    }
    // A configuration that cannot be read whole or rewritten keeps its lines,
    // so no target file may go either: the removals stay put aside.
    if (!remove_lines_from_configuration(window)) {
        InfoBox("删除失败");
        return;
    }
    window.编辑框6.set_text(window.编辑框7.text());
    turn_removed_lines_into_names(window);
    TextList stayed;
    DeleteTargetFiles(TempDir() + "iso", stayed);
    window.编辑框8.set_text("");
    InfoBox(outcome_message(stayed));
}

void DeleteTargetFiles(std::string_view directory, TextList& stayed)
{
    // Every level writes the list and reads it through a file number of its
    // own; below the outermost level the write fails, as the levels above
    // still hold the file open, and the list stays as it is.
    WriteFileBytes(list_file_path(), ToBytes(main_window().编辑框8.text()));
    FileNumber list = OpenFile(list_file_path());
    ProcessEvents();
    Text folder(directory);
    if (TextRight(folder, 1) != "\\")
        folder += "\\";
    FileFinder finder;
    while (!AtEnd(list)) {
        Text name = ReadLine(list);
        // An empty name would list the folder itself; a wildcard would match
        // files that no removed shortcut names.
        if (name.empty() || holds_wildcard(name))
            continue;
        for (Text entry = finder.FindFile(folder + name, FindFilter::Files); !entry.empty();
             entry = finder.FindFile("", FindFilter::Files)) {
            if (!DeleteFilePath(folder + entry))
                stayed.push_back(folder + entry);
        }
    }
    for (Text entry = finder.FindFile(folder + "*.*", FindFilter::Directories); !entry.empty();
         entry = finder.FindFile("", FindFilter::Directories)) {
        if (TextLeft(entry, 1) != ".")
            DeleteTargetFiles(folder + entry, stayed);
    }
    CloseFile(list);
    finder.EndFind();
}

}
