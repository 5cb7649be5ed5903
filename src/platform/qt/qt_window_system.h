#pragma once

// The window system of the Linux program: the main window and its controls
// as Qt widgets, Qt's own dialogs, and Qt's event loop. It only forwards the
// user's input to the program and draws the window model; what an event does
// is the program's business. No Qt header is needed to use it: the program's
// start and the tests that do not look at widgets see only this class.

#include "platform/window/window_system.h"

#include <memory>

class QWidget;

namespace tarnwell {

class QtWindowSystem final : public WindowSystem {
public:
    // Uses the running QApplication, or starts one that lives as long as this
    // window system when there is none.
    QtWindowSystem();
    ~QtWindowSystem() override;
    QtWindowSystem(QtWindowSystem const&) = delete;
    QtWindowSystem& operator=(QtWindowSystem const&) = delete;

    // The client area is the outer size less a frame of this many pixels on
    // the left, right and bottom, and less a title bar (with the frame above
    // it) of this height: the metrics of a fixed single frame on the systems
    // the window was laid out for. The controls keep their pixel positions in
    // it whatever frame the desktop draws around it.
    static constexpr int frame_width = 3;
    static constexpr int title_bar_height = 22;

    void open_window(WindowLayout const&, EventSink&) override;
    void destroy_window() override;
    bool window_open() const override;
    bool dispatch_next_event() override;
    void process_events() override;
    std::optional<Text> choose_open_file(OpenFileDialog const&) override;
    Text browse_for_folder(std::string_view title) override;
    void info_box(std::string_view text) override;
    void control_changed(Control&, ControlProperty) override;

    // The top-level window, and the widget that shows a control (nullptr for
    // the dialogs, and once the window is gone).
    QWidget* main_widget() const;
    QWidget* widget_for(Control const&) const;

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

}
