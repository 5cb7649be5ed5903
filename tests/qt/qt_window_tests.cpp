// The main window on the Qt window system: every control where the window
// places it, with its text and state after start-up; the model's changes
// redrawn; the user's actions on the widgets carried into the model.

#include "app/control_operations.h"
#include "qt_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

// What a control's widget shows as its text: a caption, an edit box's text,
// the drop-down's chosen item, a list view's column header.
Text widget_text(QWidget& widget)
{
    if (auto* label = qobject_cast<QLabel*>(&widget))
        return program_text(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(&widget))
        return program_text(button->text());
    if (auto* line = qobject_cast<QLineEdit*>(&widget))
        return program_text(line->text());
    if (auto* edit = qobject_cast<QPlainTextEdit*>(&widget))
        return program_text(edit->toPlainText());
    if (auto* combo = qobject_cast<QComboBox*>(&widget))
        return program_text(combo->currentText());
    if (auto* tree = qobject_cast<QTreeWidget*>(&widget))
        return program_text(tree->headerItem()->text(0));
    return {};
}

enum class Shown { Yes, No };
enum class Enabled { Yes, No };

struct ExpectedControl {
    char const* name;
    Bounds bounds;
    char const* text;
    Shown shown;
    Enabled enabled;
};

// The window right after start-up: the created handler has disabled every
// button but 按钮1 and hidden 列表框1.
ExpectedControl const start_state[] = {
    { "标签1", { 3, 8, 185, 49 }, "请先打开PE里的IS_文件", Shown::Yes, Enabled::Yes },
    { "编辑框1", { 302, 13, 184, 28 }, "", Shown::Yes, Enabled::No },
    { "按钮1", { 495, 10, 80, 32 }, "选择IS_文件", Shown::Yes, Enabled::Yes },
    { "编辑框4", { 4, 67, 184, 28 }, "", Shown::Yes, Enabled::No },
    { "按钮2", { 194, 63, 80, 32 }, "选择添加目录", Shown::Yes, Enabled::No },
    { "按钮4", { 299, 62, 80, 32 }, "解析IS_", Shown::Yes, Enabled::No },
    { "编辑框3", { 4, 109, 184, 24 }, "", Shown::Yes, Enabled::No },
    { "组合框1", { 195, 110, 96, 20 }, "添加到桌面", Shown::Yes, Enabled::Yes },
    { "超级列表框1", { 301, 105, 275, 162 }, "PE软件列表", Shown::Yes, Enabled::Yes },
    { "编辑框2", { 4, 142, 184, 24 }, "", Shown::Yes, Enabled::No },
    { "列表框1", { 4, 183, 184, 78 }, "", Shown::No, Enabled::Yes },
    { "按钮7", { 55, 280, 80, 32 }, "确认添加", Shown::Yes, Enabled::No },
    { "按钮3", { 225, 327, 80, 32 }, "封装成IS_", Shown::Yes, Enabled::No },
    { "按钮5", { 323, 280, 80, 32 }, "移除列表", Shown::Yes, Enabled::No },
    { "按钮6", { 467, 280, 80, 32 }, "确认删除", Shown::Yes, Enabled::No },
    { "选择框2", { 336, 319, 88, 24 }, "自动备份", Shown::Yes, Enabled::Yes },
    { "选择框1", { 336, 336, 106, 33 }, "使用最大压缩率", Shown::Yes, Enabled::Yes },
    { "标签2", { 509, 349, 72, 16 }, "by-rk4756rk", Shown::Yes, Enabled::Yes },
    { "编辑框5", { 880, 8, 64, 32 }, "", Shown::No, Enabled::No },
    { "编辑框6", { 704, 40, 336, 160 }, "", Shown::No, Enabled::Yes },
    { "编辑框7", { 664, 200, 328, 144 }, "", Shown::No, Enabled::Yes },
    { "编辑框8", { 752, 344, 176, 136 }, "", Shown::No, Enabled::Yes },
    { "标签3", { 896, 120, 56, 32 }, "", Shown::No, Enabled::Yes },
    { "标签4", { 904, 152, 32, 24 }, "1", Shown::No, Enabled::Yes },
    { "超级列表框2", { 864, 240, 328, 176 }, "PE软件", Shown::No, Enabled::Yes },
};

class QtWindow : public QtWindowTest {
protected:
    void SetUp() override
    {
        QtWindowTest::SetUp();
        start();
    }
};

TEST_F(QtWindow, EveryControlStartsWhereAndAsTheWindowPlacesIt)
{
    for (auto const& expected : start_state) {
        SCOPED_TRACE(shown(expected.name).toStdString());
        auto* widget = main_widget().findChild<QWidget*>(shown(expected.name));
        ASSERT_NE(widget, nullptr);
        auto rect = widget->geometry();
        EXPECT_EQ((Bounds { rect.x(), rect.y(), rect.width(), rect.height() }), expected.bounds);
        EXPECT_EQ(widget_text(*widget), expected.text);
        EXPECT_EQ(widget->isVisibleTo(&main_widget()), expected.shown == Shown::Yes);
        EXPECT_EQ(widget->isEnabled(), expected.enabled == Enabled::Yes);
    }
    // The dialogs are not drawn in the window.
    EXPECT_EQ(screen().widget_for(window().通用对话框1), nullptr);
    EXPECT_TRUE(widget<QCheckBox>(window().选择框1).isChecked());
    EXPECT_FALSE(widget<QCheckBox>(window().选择框2).isChecked());
}

TEST_F(QtWindow, WindowHasAFixedClientAreaAndOnlyACloseButton)
{
    auto& top = main_widget();
    EXPECT_EQ(top.windowTitle(), QStringLiteral("Tarnwell v2.0"));
    int const client_width = 588 - 2 * QtWindowSystem::frame_width;
    int const client_height = 393 - QtWindowSystem::title_bar_height - QtWindowSystem::frame_width;
    EXPECT_EQ(top.size(), QSize(client_width, client_height));
    EXPECT_EQ(top.minimumSize(), top.maximumSize());
    auto flags = top.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(top.isVisible());
    // Every control the user sees lies inside the client area (a check box's
    // box and text are centred in its 33-pixel height, so its last pixel row
    // may be cut).
    for (auto const& expected : start_state) {
        if (expected.shown == Shown::No || std::string_view(expected.name) == "列表框1")
            continue;
        EXPECT_LE(expected.bounds.left + expected.bounds.width, client_width) << shown(expected.name).toStdString();
        EXPECT_LE(expected.bounds.top + expected.bounds.height, client_height + 1)
            << shown(expected.name).toStdString();
    }
}

TEST_F(QtWindow, LabelsDrawTheirLook)
{
    auto& prompt = widget<QLabel>(window().标签1);
    EXPECT_EQ(prompt.palette().color(QPalette::WindowText), QColor(0, 96, 192));
    EXPECT_EQ(prompt.font().pixelSize(), 14);
    EXPECT_EQ(prompt.font().weight(), QFont::Normal);
    EXPECT_TRUE(prompt.wordWrap());
    EXPECT_EQ(prompt.alignment(), Qt::AlignLeft | Qt::AlignTop);
    for (Label* label : { &window().标签2, &window().标签3, &window().标签4 }) {
        auto& one_line = widget<QLabel>(*label);
        EXPECT_FALSE(one_line.wordWrap());
        EXPECT_EQ(one_line.alignment(), Qt::AlignLeft | Qt::AlignVCenter);
        EXPECT_EQ(one_line.frameShape(), QFrame::NoFrame);
    }
    EXPECT_EQ(widget<QLineEdit>(window().编辑框3).palette().color(QPalette::Active, QPalette::Text), QColor(255, 0, 0));
}

TEST_F(QtWindow, ListsAreReportStyleWithOneSelection)
{
    for (ListView* view : { &window().超级列表框1, &window().超级列表框2 }) {
        auto& tree = widget<QTreeWidget>(*view);
        EXPECT_EQ(tree.columnCount(), 1);
        EXPECT_EQ(tree.columnWidth(0), 500);
        EXPECT_FALSE(tree.header()->isHidden());
        EXPECT_EQ(tree.selectionMode(), QAbstractItemView::SingleSelection);
        EXPECT_FALSE(tree.isSortingEnabled());
        EXPECT_FALSE(tree.rootIsDecorated());
        // The selection stays marked without the focus.
        EXPECT_EQ(tree.palette().color(QPalette::Inactive, QPalette::Highlight),
            tree.palette().color(QPalette::Active, QPalette::Highlight));
    }
    auto& list = widget<QListWidget>(window().列表框1);
    EXPECT_EQ(list.selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_FALSE(list.isSortingEnabled());
    EXPECT_NE(list.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    auto& combo = widget<QComboBox>(window().组合框1);
    EXPECT_FALSE(combo.isEditable());
    ASSERT_EQ(combo.count(), 2);
    EXPECT_EQ(program_text(combo.itemText(1)), "添加到开始菜单");
    for (EditBox* hidden : { &window().编辑框6, &window().编辑框7, &window().编辑框8 })
        EXPECT_EQ(widget<QPlainTextEdit>(*hidden).lineWrapMode(), QPlainTextEdit::NoWrap);
}

TEST_F(QtWindow, ModelChangesAreRedrawn)
{
    auto& w = window();
    w.标签1.set_caption("确认选择好后单击解析IS_");
    w.按钮4.set_caption("重新解析");
    w.按钮4.set_enabled(true);
    w.编辑框1.set_text("\\tmp\\镜像\\WINPE.IS_");
    w.选择框2.set_checked(true);
    w.列表框1.set_visible(true);
    ListBoxAdd(w.列表框1, "app.exe");
    ListBoxAdd(w.列表框1, "说明.txt");
    w.编辑框6.set_text("LINK a\r\nLINK b\r\n");
    EXPECT_EQ(widget_text(widget<QLabel>(w.标签1)), "确认选择好后单击解析IS_");
    EXPECT_EQ(widget_text(widget<QPushButton>(w.按钮4)), "重新解析");
    EXPECT_TRUE(widget<QPushButton>(w.按钮4).isEnabled());
    EXPECT_EQ(widget_text(widget<QLineEdit>(w.编辑框1)), "\\tmp\\镜像\\WINPE.IS_");
    EXPECT_TRUE(widget<QCheckBox>(w.选择框2).isChecked());
    auto& list = widget<QListWidget>(w.列表框1);
    EXPECT_TRUE(list.isVisible());
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(program_text(list.item(1)->text()), "说明.txt");
    EXPECT_EQ(widget<QPlainTextEdit>(w.编辑框6).toPlainText(), QStringLiteral("LINK a\nLINK b\n"));

    auto& tree = widget<QTreeWidget>(w.超级列表框1);
    for (auto const* row : { "记事本", "计算器", "网络设置" })
        ListViewAdd(w.超级列表框1, row);
    w.超级列表框1.set_selection(1);
    ASSERT_EQ(tree.topLevelItemCount(), 3);
    EXPECT_TRUE(tree.topLevelItem(1)->isSelected());
    EXPECT_EQ(tree.currentIndex().row(), 1);
    ListViewDelete(w.超级列表框1, 0);
    ASSERT_EQ(tree.topLevelItemCount(), 2);
    EXPECT_EQ(program_text(tree.topLevelItem(0)->text(0)), "计算器");
    w.超级列表框1.set_selection(-1);
    EXPECT_TRUE(tree.selectedItems().isEmpty());
    EXPECT_FALSE(tree.currentIndex().isValid());
    ListViewClear(w.超级列表框1);
    EXPECT_EQ(tree.topLevelItemCount(), 0);
}

TEST_F(QtWindow, UserActionsReachTheModel)
{
    auto& w = window();
    for (auto const* row : { "记事本", "计算器" })
        ListViewAdd(w.超级列表框1, row);
    auto& tree = widget<QTreeWidget>(w.超级列表框1);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(tree.topLevelItem(1)).center());
    EXPECT_EQ(w.超级列表框1.selection(), 1);

    auto& combo = widget<QComboBox>(w.组合框1);
    QTest::keyClick(&combo, Qt::Key_Down);
    EXPECT_EQ(w.组合框1.selection(), 1);

    click(w.选择框1);
    EXPECT_FALSE(w.选择框1.checked());
    click(w.选择框2);
    EXPECT_TRUE(w.选择框2.checked());
}

TEST_F(QtWindow, TypingIntoTheNameBoxKeepsTheModelInStep)
{
    auto& w = window();
    w.编辑框3.set_enabled(true);
    auto& line = widget<QLineEdit>(w.编辑框3);
    QTest::keyClicks(&line, "PE");
    EXPECT_EQ(w.编辑框3.text(), "PE");
    // Chinese comes from the desktop's input method as committed text.
    QInputMethodEvent preedit(shown("我的"), {});
    QApplication::sendEvent(&line, &preedit);
    EXPECT_EQ(w.编辑框3.text(), "PE");
    QInputMethodEvent commit;
    commit.setCommitString(shown("我的程序"));
    QApplication::sendEvent(&line, &commit);
    EXPECT_EQ(w.编辑框3.text(), "PE我的程序");
    EXPECT_EQ(line.text(), shown("PE我的程序"));
}

}
