#include "software/add_software.h"

#include "app/control_operations.h"
#include "app/dialogs.h"
#include "app/program.h"
#include "config/shortcut_line.h"
#include "platform/files.h"
#include "platform/process.h"
#include "text/command_line.h"

namespace tarnwell {

namespace {

    bool equal_ignoring_ascii_case(std::string_view a, std::string_view b)
    {
        return a.size() == b.size() && ReplaceAll(a, b, "").empty();
    }

    // The first line that holds "LINK %Desktop%" (letter case significant).
    std::optional<Text> find_anchor_line(std::string_view config_file)
    {
        FileNumber file = OpenFile(config_file);
        std::optional<Text> anchor;
        while (!anchor && !AtEnd(file)) {
            Text line = ReadLine(file);
            if (FindText(line, info_for(ShortcutKind::Desktop).prefix) != -1)
                anchor = line;
        }
        CloseFile(file);
        return anchor;
    }

    void write_shortcut_line(MainWindow& window)
    {
        Text config_file = window.编辑框5.text();
        Text copy = TempDir() + "iso\\PECMD3.INI";
        bool copied = CopyFileTo(config_file, copy);
        auto anchor = find_anchor_line(config_file);
        if (!anchor)
            return; // no line is written, and the copy stays
        // The text comes through the scratch copy; when the copy fails it is read
        // from the configuration itself, never from an old or missing copy.
        auto text = copied ? ReadWholeFile(copy) : std::nullopt;
        if (!text)
            text = ReadWholeFile(config_file);
        if (!text)
            return;
        auto destination
            = window.组合框1.selection() == 1 ? ShortcutDestination::StartMenu : ShortcutDestination::Desktop;
        Text line = new_shortcut_line(destination, window.编辑框3.text(), window.编辑框2.text());
        DeleteFilePath(copy);
        WriteFileBytes(config_file, ToBytes(insert_after_anchor(*text, *anchor, line)));
    }

}

Text insert_after_anchor(std::string_view text, std::string_view anchor, std::string_view new_line)
{
    Text result;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t lf = text.find('\n', pos);
        size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
        std::string_view line = text.substr(pos, end - pos);
        std::string_view content = line;
        if (!content.empty() && content.back() == '\n')
            content.remove_suffix(1);
        if (!content.empty() && content.back() == '\r')
            content.remove_suffix(1);
        if (equal_ignoring_ascii_case(content, anchor)) {
            result += content;
            result += "\r\n";
            result += new_line;
            result += "\r\n";
            result += line.substr(content.size());
        } else {
            result += line;
        }
        pos = end;
    }
    return result;
}

void ChooseProgramFolder()
{
    MainWindow& window = main_window();
    window.按钮3.set_enabled(false);
    window.编辑框4.set_text(BrowseForFolder("请选择您要添加程序的目录:"));
    FileFinder finder;
    if (!window.编辑框4.text().empty()) {
        // The first call takes the first entry with the archive attribute;
        // the later ones take files, with or without it.
        Text pattern = window.编辑框4.text() + "\\" + "*.*";
        for (Text name = finder.FindFile(pattern, FindFilter::Archive); !name.empty();
             name = finder.FindFile("", FindFilter::Files)) {
            if (name != "." && name != "..")
                ListBoxAdd(window.列表框1, name);
        }
        window.列表框1.set_visible(true);
        window.标签1.set_caption("请在左边的列表框选择添加软件的主执行文件,如.exe等,然后双击.");
    }
    finder.EndFind();
}

void PickMainExecutable()
{
    MainWindow& window = main_window();
    window.编辑框2.set_text(ListBoxItemText(window.列表框1, window.列表框1.selection()));
    window.列表框1.set_visible(false);
    window.编辑框3.set_text("输入桌面显示文件名");
    window.标签1.set_caption("请输入您所添加软件在PE桌面上显示的文件名,无误后点击确认添加等待即可");
    window.编辑框3.set_enabled(true);
    ListBoxClear(window.列表框1);
    if (!window.编辑框1.text().empty() || !window.编辑框4.text().empty())
        window.按钮7.set_enabled(true);
}

void AddProgram()
{
    MainWindow& window = main_window();
    // Without a program folder there is nothing to copy: the add is refused
    // rather than writing a shortcut to a program that is not in the image.
    if (window.编辑框4.text().empty()) {
        InfoBox("请先选择添加目录");
        return;
    }
    window.按钮3.set_enabled(true);
    window.标签1.set_caption("单击选择添加目录,可继续添加,若完毕,也可单击封装");
    Text tool_folder = TempDir() + "iso\\WXPE\\SYSTEM32\\TOOL\\";
    RunAndWait(
        "xcopy " + QuoteArgument(window.编辑框4.text()) + " " + QuoteArgument(tool_folder) + " /s /e /h /q /y /r /k");
    write_shortcut_line(window);
    window.按钮7.set_enabled(false);
    window.编辑框2.set_text("");
    window.编辑框3.set_text("");
    window.编辑框4.set_text("");
    ListBoxClear(window.列表框1);
}

}
