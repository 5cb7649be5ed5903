// The main window as the program starts it: every control against the
// window's description, after the created handler has run.

#include "app/program.h"
#include "app_test_support.h"
#include "platform/window/headless_window_system.h"

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

    // What a control shows: the text of an edit box, the caption of a label,
    // button or check box, the items of a list ("|" between them), the
    // column header of a list view, the title of a dialog.
    Text content_of(Control const& control)
    {
        auto join = [](TextList const& items) {
            Text joined;
            for (auto const& item : items)
                joined += (joined.empty() ? "" : "|") + item;
            return joined;
        };
        switch (control.kind()) {
        case ControlKind::Label:
            return static_cast<Label const&>(control).caption();
        case ControlKind::Button:
            return static_cast<Button const&>(control).caption();
        case ControlKind::EditBox:
            return static_cast<EditBox const&>(control).text();
        case ControlKind::ListBox:
            return join(static_cast<ListBox const&>(control).items());
        case ControlKind::ComboBox:
            return join(static_cast<ComboBox const&>(control).items());
        case ControlKind::ListView:
            return static_cast<ListView const&>(control).column_header();
        case ControlKind::CheckBox:
            return static_cast<CheckBox const&>(control).caption();
        case ControlKind::OpenFileDialog:
            return static_cast<OpenFileDialog const&>(control).title();
        }
        return {};
    }

    struct StartState {
        char const* name;
        ControlKind kind;
        Bounds bounds;
        char const* content;
        bool enabled;
        bool visible;
    };

    // After start-up: only 按钮1 of the buttons is enabled, 列表框1 is hidden,
    // and the state-holding controls lie right of the window, hidden.
    StartState const start_states[] = {
        { "标签1", ControlKind::Label, { 3, 8, 185, 49 }, "请先打开PE里的IS_文件", true, true },
        { "编辑框1", ControlKind::EditBox, { 302, 13, 184, 28 }, "", false, true },
        { "按钮1", ControlKind::Button, { 495, 10, 80, 32 }, "选择IS_文件", true, true },
        { "编辑框4", ControlKind::EditBox, { 4, 67, 184, 28 }, "", false, true },
        { "按钮2", ControlKind::Button, { 194, 63, 80, 32 }, "选择添加目录", false, true },
        { "按钮4", ControlKind::Button, { 299, 62, 80, 32 }, "解析IS_", false, true },
        { "编辑框3", ControlKind::EditBox, { 4, 109, 184, 24 }, "", false, true },
        { "组合框1", ControlKind::ComboBox, { 195, 110, 96, 20 }, "添加到桌面|添加到开始菜单", true, true },
        { "超级列表框1", ControlKind::ListView, { 301, 105, 275, 162 }, "PE软件列表", true, true },
        { "编辑框2", ControlKind::EditBox, { 4, 142, 184, 24 }, "", false, true },
        { "列表框1", ControlKind::ListBox, { 4, 183, 184, 78 }, "", true, false },
        { "按钮7", ControlKind::Button, { 55, 280, 80, 32 }, "确认添加", false, true },
        { "按钮3", ControlKind::Button, { 225, 327, 80, 32 }, "封装成IS_", false, true },
        { "按钮5", ControlKind::Button, { 323, 280, 80, 32 }, "移除列表", false, true },
        { "按钮6", ControlKind::Button, { 467, 280, 80, 32 }, "确认删除", false, true },
        { "选择框2", ControlKind::CheckBox, { 336, 319, 88, 24 }, "自动备份", true, true },
        { "选择框1", ControlKind::CheckBox, { 336, 336, 106, 33 }, "使用最大压缩率", true, true },
        { "标签2", ControlKind::Label, { 509, 349, 72, 16 }, "by-rk4756rk", true, true },
        { "编辑框5", ControlKind::EditBox, { 880, 8, 64, 32 }, "", false, false },
        { "编辑框6", ControlKind::EditBox, { 704, 40, 336, 160 }, "", true, false },
        { "编辑框7", ControlKind::EditBox, { 664, 200, 328, 144 }, "", true, false },
        { "编辑框8", ControlKind::EditBox, { 752, 344, 176, 136 }, "", true, false },
        { "标签3", ControlKind::Label, { 896, 120, 56, 32 }, "", true, false },
        { "标签4", ControlKind::Label, { 904, 152, 32, 24 }, "1", true, false },
        { "超级列表框2", ControlKind::ListView, { 864, 240, 328, 176 }, "PE软件", true, false },
        { "通用对话框1", ControlKind::OpenFileDialog, {}, "请选择PE目录下的*IS_文件", true, false },
        { "通用对话框2", ControlKind::OpenFileDialog, {}, "", true, false },
    };

    class StartedWindow : public ::testing::Test {
    protected:
        test::TempDirOverride m_temp;
        HeadlessWindowSystem m_screen;
        Program m_program { m_screen, {} };
        void SetUp() override { m_program.open(); }
    };

    TEST_F(StartedWindow, EveryControlIsInItsStartState)
    {
        auto controls = m_program.window().controls();
        ASSERT_EQ(controls.size(), std::size(start_states));
        for (std::size_t i = 0; i < controls.size(); ++i) {
            auto const& control = *controls[i];
            auto const& expected = start_states[i];
            SCOPED_TRACE(expected.name);
            EXPECT_EQ(control.name(), expected.name);
            EXPECT_EQ(control.kind(), expected.kind);
            EXPECT_EQ(control.bounds(), expected.bounds);
            EXPECT_EQ(content_of(control), expected.content);
            EXPECT_EQ(control.enabled(), expected.enabled);
            EXPECT_EQ(control.visible(), expected.visible);
        }
    }

    TEST_F(StartedWindow, ChecksSelectionsAndDialogsStartAsDescribed)
    {
        auto& w = m_program.window();
        EXPECT_TRUE(w.选择框1.checked());
        EXPECT_FALSE(w.选择框2.checked());
        EXPECT_EQ(w.组合框1.selection(), 0);
        EXPECT_EQ(w.列表框1.selection(), -1);
        EXPECT_EQ(w.超级列表框1.selection(), -1);
        EXPECT_EQ(w.超级列表框2.selection(), -1);
        EXPECT_EQ(w.超级列表框1.column_width(), 500);
        EXPECT_EQ(w.超级列表框2.column_width(), 500);
        EXPECT_EQ(w.通用对话框1.filter(), "IS_文件（*.IS_）|*.IS_");
        EXPECT_EQ(w.通用对话框1.file_name(), "");
        EXPECT_EQ(w.编辑框6.lines(), EditLines::Many);
        EXPECT_EQ(w.编辑框5.lines(), EditLines::One);
    }

    TEST_F(StartedWindow, WindowAndPromptLook)
    {
        auto layout = m_program.window().layout();
        EXPECT_EQ(layout.title, "Tarnwell v2.0");
        EXPECT_EQ(layout.outer_width, 588);
        EXPECT_EQ(layout.outer_height, 393);
        auto const& prompt = m_program.window().标签1.look();
        EXPECT_EQ(prompt.colour, (Colour { 0, 96, 192 }));
        EXPECT_EQ(prompt.font_height, 14);
        EXPECT_TRUE(prompt.word_wrap);
    }

}
}
