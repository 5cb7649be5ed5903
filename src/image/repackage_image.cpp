#include "image/repackage_image.h"

#include "app/control_operations.h"
#include "app/dialogs.h"
#include "app/program.h"
#include "platform/files.h"
#include "platform/process.h"
#include "text/command_line.h"

namespace tarnwell {

namespace {

    Text compression_command(MainWindow const& window)
    {
        if (window.选择框1.checked())
            return "makecab /d compressiontype=lzx /d compressionmemory=21";
        return "makecab";
    }

    // Runs the two rebuild scripts: "pe2.iso" without the image's "WXPE" folder,
    // then "winpe.iso" with the work tree's. Results of an earlier run are
    // removed first, so that a rebuild that fails now cannot pass off an old
    // image as the new one.
    void rebuild_image(Text const& temp_dir)
    {
        DeleteFilePath(temp_dir + "iso\\PECMD3.INI");
        DeleteFilePath(temp_dir + "pe2.iso");
        DeleteFilePath(temp_dir + "winpe.iso");
        ChangeDirectory(temp_dir);
        RunAndWait(QuoteArgument(temp_dir + "pcmd2.cmd"));
        ChangeDirectory(temp_dir);
        RunAndWait(QuoteArgument(temp_dir + "pcmd.cmd"));
    }

    // True only when this run wrote a non-empty result.
    bool compress_image(Text const& command, Text const& temp_dir, Text const& run_dir)
    {
        Text transient = run_dir + "\\winpe.iso";
        Text result = run_dir + "\\WINPE.IS_";
        if (!CopyFileTo(temp_dir + "winpe.iso", transient))
            return false;
        auto before = GetFileStamp(result);
        bool started = RunAndWait(command + " " + QuoteArgument(transient) + " " + QuoteArgument(result));
        auto after = GetFileStamp(result);
        return started && after && after->size > 0 && after != before;
    }

    void reset_window(MainWindow& window)
    {
        window.编辑框2.set_text("");
        window.编辑框3.set_text("");
        window.编辑框4.set_text("");
        window.编辑框1.set_text("");
        window.编辑框3.set_enabled(false);
        window.按钮3.set_enabled(false);
        window.按钮2.set_enabled(false);
        window.按钮5.set_enabled(false);
        window.按钮6.set_enabled(false);
        window.按钮7.set_enabled(false);
        window.按钮4.set_enabled(false);
        window.标签1.set_caption("请先打开PE里的IS_文件");
        ListViewClear(window.超级列表框1);
        ListViewClear(window.超级列表框2);
        window.编辑框8.set_text("");
        window.编辑框7.set_text("");
        window.编辑框6.set_text("");
        window.选择框2.set_checked(false);
    }

}

void RepackageImage()
{
    MainWindow& window = main_window();
    Text command = compression_command(window);
    Text temp_dir = TempDir();
    Text run_dir = RunDir();
    rebuild_image(temp_dir);
    // The backup is taken before makecab runs, so it holds the chosen image
    // as it was, also when that image is the "WINPE.IS_" about to be replaced.
    if (window.选择框2.checked())
        CopyFileTo(window.编辑框1.text(), run_dir + "\\winpe.bak");
    if (compress_image(command, temp_dir, run_dir)) {
        InfoBox("添加成功,自动生成在" + run_dir + "\\WINPE.IS_\r\n"
            + "若选择了自动备份,备份文件为运行目录的winpe.bak\r\n" + "备份会覆盖上次的备份文件");
    } else {
        InfoBox("添加失败");
    }
    DeleteFilePath(run_dir + "\\winpe.iso");
    reset_window(window);
}

}
