// The whole road of a run on the sample PE image, on the headless window
// system with the real file primitives, our stand-ins for expand, makecab
// and xcopy, and our ISO editing tool: choose, unpack, add, remove, re-parse,
// repackage; the new image is then read back with peer tools and booted.

#include "app/globals.h"
#include "app/workspace.h"
#include "handler_fixture.h"
#include "image/repackage_image.h"
#include "image/unpack_image.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "program/event_table.h"
#include "software/add_software.h"
#include "software/remove_software.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

using namespace tarnwell;
using namespace tarnwell::test;
namespace fs = std::filesystem;

namespace {

int run(std::string const& command)
{
    return std::system(command.c_str());
}

std::string shell_quote(fs::path const& path)
{
    std::string quoted = "'";
    for (char c : path.string()) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// The PECMD.ini lines of the sample image, as GBK texts.
Text const notepad_desktop = "LINK %Desktop%\\记事本,%SystemRoot%\\SYSTEM32\\TOOL\\notepad2.exe";
Text const partition_programs
    = "LINK %Programs%\\磁盘工具\\分区助手,%SystemRoot%\\SYSTEM32\\TOOL\\磁盘工具\\partassist.exe";
Text const explorer_quick = "LINK %QuickLaunch%\\资源管理器,%SystemRoot%\\explorer.exe";
Text const notepad_sendto = "LINK %SendTo%\\记事本,%SystemRoot%\\SYSTEM32\\TOOL\\notepad2.exe";
Text const calc_desktop = "LINK %Desktop%\\计算器,%SystemRoot%\\SYSTEM32\\TOOL\\calc.exe";
Text const netcfg_programs = "LINK %Programs%\\网络设置,%SystemRoot%\\SYSTEM32\\TOOL\\netcfg.exe";

class RoadTest : public HandlerTest {
protected:
    void SetUp() override
    {
        HandlerTest::SetUp();
        if (!fs::exists(TARNWELL_SAMPLE_IMAGE))
            GTEST_SKIP() << "the sample image was not built: " << TARNWELL_SAMPLE_IMAGE;
        start(tarnwell_event_handlers());
        // Paths on disk are spelt in UTF-8 (u8 literals); the program's own
        // texts are GBK.
        fs::create_directories(scratch() / fs::path(u8"镜像 文件"));
        image = scratch() / fs::path(u8"镜像 文件") / "WINPE.IS_";
        fs::copy_file(TARNWELL_SAMPLE_IMAGE, image);
        program().open();
    }

    void TearDown() override
    {
        // The program's outputs beside it: not left for the next test.
        std::error_code ec;
        for (auto const* name : { "WINPE.IS_", "winpe.bak", "winpe.iso" })
            fs::remove(disk_path(RunDir() + "\\" + name), ec);
        HandlerTest::TearDown();
    }

    void choose_and_unpack()
    {
        screen().answer_open_file(gbk_path(image));
        program().run_handler(ChooseImageFile);
        program().run_handler(UnpackImage);
    }

    Text config_text() { return read_file(window().编辑框5.text()).value_or("<missing>"); }

    // A program folder whose path holds a blank and Chinese text.
    fs::path make_program_folder()
    {
        fs::path folder = scratch() / fs::path(u8"我的 程序");
        fs::create_directories(folder / fs::path(u8"数据") / fs::path(u8"空"));
        std::ofstream(folder / "app.exe") << "app";
        std::ofstream(folder / fs::path(u8"数据") / fs::path(u8"说明.txt")) << "readme";
        std::ofstream(folder / ".hidden.cfg") << "hidden";
        return folder;
    }

    void select_row(Text const& line)
    {
        auto const& rows = window().超级列表框2.rows();
        auto found = std::find(rows.begin(), rows.end(), line);
        ASSERT_NE(found, rows.end()) << utf8_from_gbk(line);
        window().超级列表框1.set_selection(static_cast<int>(found - rows.begin()));
    }

    fs::path image;
};

TEST_F(RoadTest, UnpackListsTheImagesShortcuts)
{
    choose_and_unpack();
    EXPECT_EQ(window().编辑框5.text(), temp_dir() + "iso\\WXPE\\SYSTEM32\\PECMD.ini");
    TextList const lines { notepad_desktop, partition_programs, explorer_quick, notepad_sendto, calc_desktop,
        netcfg_programs };
    EXPECT_EQ(window().超级列表框2.rows(), lines);
    EXPECT_EQ(window().超级列表框1.rows(),
        (TextList { "记事本", "磁盘工具\\分区助手", "资源管理器", "记事本", "计算器", "网络设置" }));
    Text block;
    for (auto const& line : lines)
        block += line + "\r\n";
    EXPECT_EQ(window().编辑框6.text(), block);
    EXPECT_NE(config_text().find("\r\n\r\n" + block + "\r\n"), std::string::npos);
    EXPECT_TRUE(window().按钮2.enabled());
    EXPECT_TRUE(screen().info_boxes().empty());
}

TEST_F(RoadTest, AnotherImageIsUnpackedAfresh)
{
    choose_and_unpack();
    write_file(temp_dir() + "iso\\WXPE\\edited.txt", "edit");
    // A dot-named file (as a copied program folder may bring) is the tree's
    // like any other.
    write_file(temp_dir() + "iso\\WXPE\\SYSTEM32\\TOOL\\.settings", "left");
    // Pressed again for the same file: the edited tree stays.
    program().run_handler(UnpackImage);
    EXPECT_TRUE(exists(temp_dir() + "iso\\WXPE\\edited.txt"));
    // Another IS_ file (here: the same bytes under another name) replaces it.
    fs::path other = scratch() / "other.IS_";
    fs::copy_file(image, other);
    screen().answer_open_file(gbk_path(other));
    program().run_handler(ChooseImageFile);
    program().run_handler(UnpackImage);
    EXPECT_FALSE(exists(temp_dir() + "iso\\WXPE\\edited.txt"));
    EXPECT_FALSE(exists(temp_dir() + "iso\\WXPE\\SYSTEM32\\TOOL\\.settings"));
    EXPECT_EQ(window().超级列表框2.rows().size(), 6u);
}

TEST_F(RoadTest, FailedUnpackingIsReported)
{
    fs::path broken = scratch() / "broken.IS_";
    std::ofstream(broken) << "not a cabinet";
    screen().answer_open_file(gbk_path(broken));
    program().run_handler(ChooseImageFile);
    program().run_handler(UnpackImage);
    EXPECT_EQ(screen().info_boxes(), (std::vector<Text> { "解析失败" }));
    EXPECT_FALSE(exists(temp_dir() + "pe.iso"));
    EXPECT_TRUE(window().超级列表框2.rows().empty());
}

TEST_F(RoadTest, WholeRoadGivesABootableImage)
{
    choose_and_unpack();

    // Add a program to the desktop.
    fs::path folder = make_program_folder();
    screen().answer_folder(gbk_path(folder));
    program().run_handler(ChooseProgramFolder);
    auto const& items = window().列表框1.items();
    auto app = std::find(items.begin(), items.end(), "app.exe");
    ASSERT_NE(app, items.end());
    window().列表框1.set_selection(static_cast<int>(app - items.begin()));
    program().run_handler(PickMainExecutable);
    window().编辑框3.take_typed_text("我的程序");
    program().run_handler(AddProgram);
    Text const added = "LINK %Desktop%\\我的程序,%SystemRoot%\\SYSTEM32\\TOOL\\app.exe";
    EXPECT_NE(config_text().find(notepad_desktop + "\r\n" + added + "\r\n"), std::string::npos);
    Text tool = temp_dir() + "iso\\WXPE\\SYSTEM32\\TOOL\\";
    EXPECT_EQ(read_file(tool + "数据\\说明.txt"), "readme");
    EXPECT_TRUE(exists(tool + "数据\\空"));
    EXPECT_TRUE(exists(tool + ".hidden.cfg"));

    // Take two programs off the list and confirm.
    select_row(calc_desktop);
    program().run_handler(TakeShortcutOffList);
    select_row(netcfg_programs);
    program().run_handler(TakeShortcutOffList);
    EXPECT_EQ(window().编辑框8.text(), calc_desktop + "\r\n" + netcfg_programs + "\r\n");
    program().run_handler(ConfirmRemoval);
    EXPECT_EQ(screen().info_boxes().back(), "删除成功");
    Text config = config_text();
    EXPECT_EQ(config.find(calc_desktop), std::string::npos);
    EXPECT_EQ(config.find(netcfg_programs), std::string::npos);
    EXPECT_FALSE(exists(tool + "calc.exe"));
    EXPECT_FALSE(exists(temp_dir() + "iso\\WXPE\\SYSTEM32\\calc.exe"));
    EXPECT_FALSE(exists(tool + "netcfg.exe"));
    EXPECT_EQ(read_file(temp_dir() + "CED.ini"), "calc.exe\r\nnetcfg.exe\r\n");

    // Re-parse: the added line is listed now, the removed ones are gone.
    program().run_handler(UnpackImage);
    EXPECT_EQ(window().超级列表框2.rows(),
        (TextList { notepad_desktop, added, partition_programs, explorer_quick, notepad_sendto }));

    // Repackage with a backup.
    window().选择框2.set_checked(true);
    program().run_handler(RepackageImage);
    ASSERT_FALSE(screen().info_boxes().empty());
    EXPECT_EQ(FindText(screen().info_boxes().back(), "添加成功"), 1) << utf8_from_gbk(screen().info_boxes().back());
    fs::path result = disk_path(RunDir() + "\\WINPE.IS_");
    fs::path backup = disk_path(RunDir() + "\\winpe.bak");
    ASSERT_TRUE(fs::exists(result));
    EXPECT_EQ(fs::file_size(backup), fs::file_size(image));
    EXPECT_FALSE(fs::exists(disk_path(RunDir() + "\\winpe.iso")));
    EXPECT_FALSE(window().按钮4.enabled());
    EXPECT_FALSE(window().选择框2.checked());

    // Read the new image back with the peers.
    fs::path check = scratch() / "check";
    fs::create_directories(check / "tree");
    ASSERT_EQ(run("timeout 120 cabextract -q -d " + shell_quote(check) + " " + shell_quote(result)), 0);
    fs::path iso;
    for (auto const& entry : fs::directory_iterator(check)) {
        if (entry.is_regular_file())
            iso = entry.path();
    }
    ASSERT_FALSE(iso.empty());
    ASSERT_EQ(run("timeout 120 xorriso -abort_on FAILURE -osirrox on -indev " + shell_quote(iso) + " -extract / "
                  + shell_quote(check / "tree") + " >/dev/null 2>&1"),
        0);
    fs::path new_tool = check / "tree" / "WXPE" / "SYSTEM32" / "TOOL";
    EXPECT_TRUE(fs::exists(new_tool / "app.exe"));
    EXPECT_TRUE(fs::exists(new_tool / fs::path(u8"数据") / fs::path(u8"说明.txt")));
    EXPECT_FALSE(fs::exists(new_tool / "calc.exe"));
    EXPECT_FALSE(fs::exists(new_tool / "netcfg.exe"));
    EXPECT_TRUE(fs::exists(new_tool / "notepad2.exe"));
    std::ifstream ini(check / "tree" / "WXPE" / "SYSTEM32" / "PECMD.ini", std::ios::binary);
    std::string new_config((std::istreambuf_iterator<char>(ini)), std::istreambuf_iterator<char>());
    EXPECT_NE(new_config.find(added), std::string::npos);
    EXPECT_EQ(new_config.find(calc_desktop), std::string::npos);
    EXPECT_NE(new_config.find(explorer_quick), std::string::npos);

    // And it still boots: the marker boot image prints to the serial port.
    // The boot image halts after its line, so QEMU is stopped once the line
    // is there (or after a minute).
    fs::path serial = scratch() / "serial.txt";
    run("qemu-system-x86_64 -display none -no-reboot -m 64 -boot d -cdrom " + shell_quote(iso) + " -serial file:"
        + shell_quote(serial) + " >/dev/null 2>&1 & qemu=$!; for i in $(seq 120); do grep -q " + TARNWELL_BOOT_MARKER
        + " " + shell_quote(serial) + " 2>/dev/null && break; sleep 0.5; done; kill $qemu; wait");
    std::ifstream serial_in(serial);
    std::string printed((std::istreambuf_iterator<char>(serial_in)), std::istreambuf_iterator<char>());
    EXPECT_NE(printed.find(TARNWELL_BOOT_MARKER), std::string::npos) << printed;
}

TEST_F(RoadTest, BackupHoldsTheChosenImageAsItWas)
{
    // The chosen file is the one repackaging replaces.
    fs::path beside = disk_path(RunDir() + "\\WINPE.IS_");
    fs::copy_file(image, beside, fs::copy_options::overwrite_existing);
    image = beside;
    choose_and_unpack();
    window().选择框2.set_checked(true);
    program().run_handler(RepackageImage);
    EXPECT_EQ(FindText(screen().info_boxes().back(), "添加成功"), 1);
    std::ifstream sample(TARNWELL_SAMPLE_IMAGE, std::ios::binary);
    std::ifstream backup(disk_path(RunDir() + "\\winpe.bak"), std::ios::binary);
    std::string sample_bytes((std::istreambuf_iterator<char>(sample)), std::istreambuf_iterator<char>());
    std::string backup_bytes((std::istreambuf_iterator<char>(backup)), std::istreambuf_iterator<char>());
    EXPECT_EQ(backup_bytes, sample_bytes);

    // A second repackaging in the same run works as the first.
    screen().answer_open_file(gbk_path(image));
    program().run_handler(ChooseImageFile);
    program().run_handler(UnpackImage);
    program().run_handler(RepackageImage);
    EXPECT_EQ(FindText(screen().info_boxes().back(), "添加成功"), 1);
}

TEST_F(RoadTest, FailedRebuildIsReportedNotCoveredByAnOldImage)
{
    choose_and_unpack();
    // An image left by an earlier repackaging, and a rebuild that fails now.
    write_file(temp_dir() + "winpe.iso", "old image");
    write_file(temp_dir() + "pcmd.cmd", "no-such-program");
    program().run_handler(RepackageImage);
    EXPECT_EQ(screen().info_boxes().back(), "添加失败");
    EXPECT_FALSE(fs::exists(disk_path(RunDir() + "\\WINPE.IS_")));
    // The window is reset all the same.
    EXPECT_FALSE(window().按钮4.enabled());
    EXPECT_EQ(window().编辑框1.text(), "");
}

}
