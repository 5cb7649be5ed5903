#include "image/unpack_image.h"

#include "app/dialogs.h"
#include "app/program.h"
#include "config/load_configuration.h"
#include "image/unpacked_source.h"
#include "platform/files.h"
#include "platform/process.h"
#include "text/command_line.h"

namespace tarnwell {

namespace {

    // Expands and extracts the image; false when either left nothing behind, in
    // which case no half-made "pe.iso" stays to be taken for a finished one.
    bool expand_and_extract(Text const& image_file, Text const& temp_dir)
    {
        Text expanded = temp_dir + "pe.iso";
        RunAndWait("expand " + QuoteArgument(image_file) + " " + QuoteArgument(expanded));
        ChangeDirectory(temp_dir);
        if (FileExists(expanded))
            RunAndWait(QuoteArgument(temp_dir + "ucmd.cmd"));
        if (FileExists(expanded) && FileExists(temp_dir + "iso"))
            return true;
        DeleteFilePath(expanded);
        DeleteTree(temp_dir + "iso");
        return false;
    }

}

void UnpackImage()
{
    MainWindow& window = main_window();
    Text image_file = window.编辑框1.text();
    if (!image_file.empty()) {
        window.按钮2.set_enabled(true);
        window.按钮5.set_enabled(true);
        window.按钮6.set_enabled(true);
    }
    Text temp_dir = TempDir();
    // The work tree is reused only for the file it was unpacked from; one
    // left by another image (or another run) is unpacked afresh.
    if (!workspace_holds(image_file)) {
        discard_unpacked_image();
        if (!expand_and_extract(image_file, temp_dir)) {
            InfoBox("解析失败");
            return;
        }
        record_unpacked_source(image_file);
    }
    ChangeDirectory(temp_dir);
    FindConfigFile(temp_dir + "iso");
    LoadConfiguration();
    window.编辑框8.set_text("");
}

void FindConfigFile(std::string_view directory)
{
    ProcessEvents();
    Text folder(directory);
    if (TextRight(folder, 1) != "\\")
        folder += "\\";
    MainWindow& window = main_window();
    FileFinder finder;
    for (Text name = finder.FindFile(folder + "PECMD.ini", FindFilter::Files); !name.empty();
         name = finder.FindFile("", FindFilter::Files))
        window.编辑框5.set_text(folder + name);
    // Tested once, before the subdirectories are listed: a match found below
    // one of them does not stop the visits of its later siblings.
    if (window.编辑框5.text().empty()) {
        for (Text name = finder.FindFile(folder + "*.*", FindFilter::Directories); !name.empty();
             name = finder.FindFile("", FindFilter::Directories)) {
            if (TextLeft(name, 1) != ".")
                FindConfigFile(folder + name);
        }
    }
    finder.EndFind();
}

}
