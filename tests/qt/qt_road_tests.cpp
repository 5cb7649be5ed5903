// The whole road of a run on the sample PE image, driven through the real Qt
// widgets: the user's clicks, double-click and typing, the dialogs answered
// through theirs. The new image is read back with cabextract and xorriso.

#include "dialog_answerer.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "program/event_table.h"
#include "qt_fixture.h"

#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <cstdlib>
#include <fstream>

using namespace tarnwell;
using namespace tarnwell::test;
namespace fs = std::filesystem;

namespace {

// The sample's shortcut lines (GBK) that the road touches.
Text const notepad_desktop = "LINK %Desktop%\\记事本,%SystemRoot%\\SYSTEM32\\TOOL\\notepad2.exe";
Text const explorer_quick = "LINK %QuickLaunch%\\资源管理器,%SystemRoot%\\explorer.exe";
Text const calc_desktop = "LINK %Desktop%\\计算器,%SystemRoot%\\SYSTEM32\\TOOL\\calc.exe";
Text const netcfg_programs = "LINK %Programs%\\网络设置,%SystemRoot%\\SYSTEM32\\TOOL\\netcfg.exe";
Text const added = "LINK %Desktop%\\我的程序,%SystemRoot%\\SYSTEM32\\TOOL\\app.exe";

std::string quoted(fs::path const& path)
{
    std::string text = "'";
    for (char c : path.string())
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

std::string file_bytes(fs::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

fs::path run_dir_file(char const* name)
{
    std::string folder = utf8_from_gbk(RunDir());
    std::replace(folder.begin(), folder.end(), '\\', '/');
    return fs::path(folder) / name;
}

// A double-click as the desktop delivers it: press, release, the double
// click, release. (QTest's own double-click does not make Qt 6.4's item
// views emit their double-click signal.)
void double_click(QWidget& target, QPoint at)
{
    QPointF global = target.mapToGlobal(QPointF(at));
    for (auto type : { QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
             QEvent::MouseButtonRelease }) {
        auto buttons
            = type == QEvent::MouseButtonRelease ? Qt::MouseButtons(Qt::NoButton) : Qt::MouseButtons(Qt::LeftButton);
        QMouseEvent event(type, QPointF(at), global, Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&target, &event);
    }
}

class QtRoad : public QtWindowTest {
protected:
    void SetUp() override
    {
        QtWindowTest::SetUp();
        if (!fs::exists(TARNWELL_SAMPLE_IMAGE))
            GTEST_SKIP() << "the sample image was not built: " << TARNWELL_SAMPLE_IMAGE;
        fs::create_directories(scratch() / fs::path(u8"镜像 文件"));
        image = scratch() / fs::path(u8"镜像 文件") / "WINPE.IS_";
        fs::copy_file(TARNWELL_SAMPLE_IMAGE, image);
        answerer = std::make_unique<DialogAnswerer>();
        start(tarnwell_event_handlers());
    }

    void TearDown() override
    {
        std::error_code ec;
        for (auto const* name : { "WINPE.IS_", "winpe.bak", "winpe.iso" })
            fs::remove(run_dir_file(name), ec);
        answerer.reset();
        QtWindowTest::TearDown();
    }

    // Clicks the list row that shows the given whole shortcut line.
    void click_row(Text const& line)
    {
        auto const& lines = window().超级列表框2.rows();
        auto found = std::find(lines.begin(), lines.end(), line);
        ASSERT_NE(found, lines.end());
        auto& tree = widget<QTreeWidget>(window().超级列表框1);
        auto* item = tree.topLevelItem(static_cast<int>(found - lines.begin()));
        ASSERT_NE(item, nullptr);
        tree.scrollToItem(item);
        QCoreApplication::processEvents();
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(item).center());
    }

    fs::path make_program_folder()
    {
        fs::path folder = scratch() / fs::path(u8"我的 程序");
        fs::create_directories(folder / fs::path(u8"数据"));
        std::ofstream(folder / "app.exe") << "app";
        std::ofstream(folder / fs::path(u8"数据") / fs::path(u8"说明.txt")) << "readme";
        return folder;
    }

    fs::path image;
    std::unique_ptr<DialogAnswerer> answerer;
};

TEST_F(QtRoad, WholeRoadThroughTheWidgets)
{
    // Choose and unpack.
    answerer->choose_file(QString::fromStdString(image.string()));
    click(window().按钮1);
    ASSERT_TRUE(widget<QWidget>(window().按钮4).isEnabled());
    click(window().按钮4);
    auto& shortcuts = widget<QTreeWidget>(window().超级列表框1);
    ASSERT_EQ(shortcuts.topLevelItemCount(), 6);
    EXPECT_EQ(program_text(shortcuts.topLevelItem(0)->text(0)), "记事本");

    // Add a program: the folder, a double-click on its main file, a name
    // typed through the input method, the confirmation.
    fs::path folder = make_program_folder();
    answerer->choose_folder(QString::fromStdString(folder.string()));
    click(window().按钮2);
    auto& files = widget<QListWidget>(window().列表框1);
    ASSERT_TRUE(files.isVisible());
    // The user sees the list laid out before double-clicking in it.
    QCoreApplication::processEvents();
    auto matches = files.findItems(QStringLiteral("app.exe"), Qt::MatchExactly);
    ASSERT_EQ(matches.size(), 1);
    double_click(*files.viewport(), files.visualItemRect(matches.first()).center());
    EXPECT_FALSE(files.isVisible());
    auto& name = widget<QLineEdit>(window().编辑框3);
    ASSERT_TRUE(name.isEnabled());
    EXPECT_EQ(program_text(name.text()), "输入桌面显示文件名");
    name.setFocus();
    name.selectAll();
    QInputMethodEvent typed;
    typed.setCommitString(shown("我的程序"));
    QApplication::sendEvent(&name, &typed);
    EXPECT_EQ(window().编辑框3.text(), "我的程序");
    click(window().按钮7);

    // Take two programs off the list, then confirm.
    click_row(calc_desktop);
    click(window().按钮5);
    click_row(netcfg_programs);
    click(window().按钮5);
    click(window().按钮6);
    ASSERT_FALSE(answerer->info_boxes().isEmpty());
    EXPECT_EQ(program_text(answerer->info_boxes().back()), "删除成功");

    // Repackage with a backup.
    click(window().选择框2);
    ASSERT_TRUE(widget<QWidget>(window().按钮3).isEnabled());
    click(window().按钮3);
    ASSERT_FALSE(answerer->info_boxes().isEmpty());
    EXPECT_TRUE(program_text(answerer->info_boxes().back()).starts_with("添加成功"))
        << answerer->info_boxes().back().toStdString();
    EXPECT_FALSE(widget<QWidget>(window().按钮4).isEnabled());
    EXPECT_EQ(shortcuts.topLevelItemCount(), 0);
    fs::path result = run_dir_file("WINPE.IS_");
    ASSERT_TRUE(fs::exists(result));
    EXPECT_EQ(fs::file_size(run_dir_file("winpe.bak")), fs::file_size(image));

    // Read the new image back with the peers.
    fs::path check = scratch() / "check";
    fs::create_directories(check / "tree");
    ASSERT_EQ(std::system(("timeout 120 cabextract -q -d " + quoted(check) + " " + quoted(result)).c_str()), 0);
    fs::path iso;
    for (auto const& entry : fs::directory_iterator(check)) {
        if (entry.is_regular_file())
            iso = entry.path();
    }
    ASSERT_FALSE(iso.empty());
    ASSERT_EQ(std::system(("timeout 120 xorriso -abort_on FAILURE -osirrox on -indev " + quoted(iso) + " -extract / "
                  + quoted(check / "tree") + " >/dev/null 2>&1")
                              .c_str()),
        0);
    fs::path tool = check / "tree" / "WXPE" / "SYSTEM32" / "TOOL";
    EXPECT_TRUE(fs::exists(tool / "app.exe"));
    EXPECT_TRUE(fs::exists(tool / fs::path(u8"数据") / fs::path(u8"说明.txt")));
    EXPECT_TRUE(fs::exists(tool / "notepad2.exe"));
    EXPECT_FALSE(fs::exists(tool / "calc.exe"));
    EXPECT_FALSE(fs::exists(tool / "netcfg.exe"));
    std::string config = file_bytes(check / "tree" / "WXPE" / "SYSTEM32" / "PECMD.ini");
    EXPECT_NE(config.find(notepad_desktop + "\r\n" + added + "\r\n"), std::string::npos);
    EXPECT_NE(config.find(explorer_quick), std::string::npos);
    EXPECT_EQ(config.find(calc_desktop), std::string::npos);
    EXPECT_EQ(config.find(netcfg_programs), std::string::npos);
}

}
