#include "app/main_window.h"

namespace tarnwell {

namespace {

    // The prompt line: blue, 14 pixels high in the Chinese character set, broken
    // into lines to fit its width.
    TextLook prompt_look()
    {
        return { Colour { 0, 96, 192 }, 14, true, true, false };
    }

    TextLook one_line_label_look()
    {
        return { std::nullopt, 0, false, false, true };
    }

    TextLook red_text_look()
    {
        return { Colour { 255, 0, 0 }, 0, false, false, false };
    }

}

MainWindow::MainWindow()
    : 标签1("标签1", { 3, 8, 185, 49 }, "请先打开PE里的IS_文件")
    , 编辑框1("编辑框1", { 302, 13, 184, 28 }, EditLines::One)
    , 按钮1("按钮1", { 495, 10, 80, 32 }, "选择IS_文件")
    , 编辑框4("编辑框4", { 4, 67, 184, 28 }, EditLines::One)
    , 按钮2("按钮2", { 194, 63, 80, 32 }, "选择添加目录")
    , 按钮4("按钮4", { 299, 62, 80, 32 }, "解析IS_")
    , 编辑框3("编辑框3", { 4, 109, 184, 24 }, EditLines::One)
    , 组合框1("组合框1", { 195, 110, 96, 20 }, { "添加到桌面", "添加到开始菜单" }, 0)
    , 超级列表框1("超级列表框1", { 301, 105, 275, 162 }, "PE软件列表", 500)
    , 编辑框2("编辑框2", { 4, 142, 184, 24 }, EditLines::One)
    , 列表框1("列表框1", { 4, 183, 184, 78 })
    , 按钮7("按钮7", { 55, 280, 80, 32 }, "确认添加")
    , 按钮3("按钮3", { 225, 327, 80, 32 }, "封装成IS_")
    , 按钮5("按钮5", { 323, 280, 80, 32 }, "移除列表")
    , 按钮6("按钮6", { 467, 280, 80, 32 }, "确认删除")
    , 选择框2("选择框2", { 336, 319, 88, 24 }, "自动备份", false)
    , 选择框1("选择框1", { 336, 336, 106, 33 }, "使用最大压缩率", true)
    , 标签2("标签2", { 509, 349, 72, 16 }, "by-rk4756rk")
    , 编辑框5("编辑框5", { 880, 8, 64, 32 }, EditLines::One)
    , 编辑框6("编辑框6", { 704, 40, 336, 160 }, EditLines::Many)
    , 编辑框7("编辑框7", { 664, 200, 328, 144 }, EditLines::Many)
    , 编辑框8("编辑框8", { 752, 344, 176, 136 }, EditLines::Many)
    , 标签3("标签3", { 896, 120, 56, 32 }, "")
    , 标签4("标签4", { 904, 152, 32, 24 }, "1")
    , 超级列表框2("超级列表框2", { 864, 240, 328, 176 }, "PE软件", 500)
    , 通用对话框1("通用对话框1", "请选择PE目录下的*IS_文件", "IS_文件（*.IS_）|*.IS_")
    , 通用对话框2("通用对话框2", "", "")
    , m_controls { &标签1, &编辑框1, &按钮1, &编辑框4, &按钮2, &按钮4, &编辑框3, &组合框1, &超级列表框1, &编辑框2,
        &列表框1, &按钮7, &按钮3, &按钮5, &按钮6, &选择框2, &选择框1, &标签2, &编辑框5, &编辑框6, &编辑框7, &编辑框8,
        &标签3, &标签4, &超级列表框2, &通用对话框1, &通用对话框2 }
{
    // As built, before the created handler: the three path boxes are
    // disabled for the whole run, 编辑框3 until a program is picked.
    for (auto* box : { &编辑框1, &编辑框4, &编辑框3, &编辑框2, &编辑框5 })
        box->set_enabled(false);
    for (Control* hidden : std::initializer_list<Control*> {
             &编辑框5, &编辑框6, &编辑框7, &编辑框8, &标签3, &标签4, &超级列表框2, &通用对话框1, &通用对话框2 })
        hidden->set_visible(false);
    标签1.set_look(prompt_look());
    for (auto* label : { &标签2, &标签3, &标签4 })
        label->set_look(one_line_label_look());
    编辑框3.set_look(red_text_look());
}

void MainWindow::set_observer(ControlObserver* observer)
{
    for (auto* control : m_controls)
        control->set_observer(observer);
}

}
