#pragma once

// The main window as a model: every control, visible or hidden, under the
// name the window declares it with, in the state the window is built with.
// The handlers read and write these controls directly; the window system
// draws them. Nothing here knows a toolkit.

#include "platform/window/controls.h"
#include "platform/window/window_system.h"

#include <array>

namespace tarnwell {

class MainWindow {
public:
    static constexpr std::string_view title = "Tarnwell v2.0";
    static constexpr int outer_width = 588;
    static constexpr int outer_height = 393;

    MainWindow();
    MainWindow(MainWindow const&) = delete;
    MainWindow& operator=(MainWindow const&) = delete;

    // Controls the user sees.
    Label 标签1;
    EditBox 编辑框1;
    Button 按钮1;
    EditBox 编辑框4;
    Button 按钮2;
    Button 按钮4;
    EditBox 编辑框3;
    ComboBox 组合框1;
    ListView 超级列表框1;
    EditBox 编辑框2;
    ListBox 列表框1;
    Button 按钮7;
    Button 按钮3;
    Button 按钮5;
    Button 按钮6;
    CheckBox 选择框2;
    CheckBox 选择框1;
    Label 标签2;

    // Controls that are never shown: they hold the handlers' state.
    EditBox 编辑框5; // path of the located configuration file
    EditBox 编辑框6; // the shortcut block
    EditBox 编辑框7; // the kept block
    EditBox 编辑框8; // the removed lines
    Label 标签3; // index of the list row being removed
    Label 标签4;
    ListView 超级列表框2; // whole shortcut lines, row for row beside 超级列表框1
    OpenFileDialog 通用对话框1;
    OpenFileDialog 通用对话框2;

    static constexpr std::size_t control_count = 27;
    // Every control above, in the order declared.
    std::span<Control* const> controls() const { return m_controls; }
    WindowLayout layout() const { return { title, outer_width, outer_height, controls() }; }
    // Tells `observer` (the window system) of every later property change.
    void set_observer(ControlObserver* observer);

private:
    std::array<Control*, control_count> m_controls;
};

}
