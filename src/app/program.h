#pragma once

// The running program: its main window, the window system that shows it, the
// handlers that the window's events run, and the rule that keeps handlers
// from running inside one another.
//
// Handlers are plain procedures without arguments; they reach the window of
// the running program through main_window() and the dialogs through
// dialogs.h. A test of a handler makes a Program on the headless window
// system and calls the handler:
//
//     HeadlessWindowSystem screen;
//     Program program(screen, {});
//     main_window().编辑框5.set_text(path); // runs the bound text-changed handler

#include "app/main_window.h"
#include "platform/window/window_system.h"

#include <functional>

namespace tarnwell {

using Handler = std::function<void()>;

// The handlers of the other subsystems, one per event of the window. The
// program's composition root fills it; an empty entry leaves its event
// without effect. The window's own handlers (created, 按钮1, about to be
// destroyed) are not part of it.
struct EventHandlers {
    Handler 按钮2_click; // choose the program folder
    Handler 按钮3_click; // repackage
    Handler 按钮4_click; // unpack the image and find its configuration
    Handler 按钮5_click; // take the selected shortcut off the list
    Handler 按钮6_click; // confirm the removal
    Handler 按钮7_click; // add the program
    Handler 列表框1_double_click; // take the item as the main executable
    Handler 编辑框5_text_changed; // LoadConfiguration
};

class Program final : public EventSink {
public:
    // Builds the main window in the state it is built with, binds the
    // handlers to its events and makes it the running program's window. No
    // handler runs yet and the window system is not asked to show anything.
    Program(WindowSystem&, EventHandlers);
    ~Program() override;
    Program(Program const&) = delete;
    Program& operator=(Program const&) = delete;

    MainWindow& window() { return m_window; }
    WindowSystem& window_system() { return m_window_system; }

    // Shows the window and runs its created handler.
    void open();
    // Dispatches the window's events until it has been destroyed.
    void run_message_loop();
    bool window_destroyed() const { return m_destroyed; }

    // The one way the program runs a handler: no click, key or close request
    // starts a handler while another one runs; a close request that came
    // meanwhile is carried out when the outermost handler has returned.
    void run_handler(Handler const&);

    bool handler_running() const override { return m_depth > 0; }
    void on_click(Control&) override;
    void on_double_click(Control&, int index) override;
    void on_close_request() override;

private:
    void close_window();

    WindowSystem& m_window_system;
    EventHandlers m_handlers;
    MainWindow m_window;
    Program* m_previous { nullptr };
    int m_depth { 0 };
    bool m_close_pending { false };
    bool m_destroyed { false };
};

// The window and the window system of the running program. Only valid while
// a Program exists.
MainWindow& main_window();
WindowSystem& window_system();
Program& running_program();

// The created handler: disables the buttons that need an image, hides
// 列表框1, then prepares the temporary workspace. (The controls keep the
// system's own look: no flat drawing style is switched on.)
void SetUpMainWindow();

// The click handler of 按钮1: the IS_ file is chosen with 通用对话框1.
void ChooseImageFile();

// The whole run on a window system: the single-instance check, the current
// directory, the globals, the window, its message loop, the end. Gives the
// process's exit code: 0, or 1 when another copy of the program runs.
int run_program(WindowSystem&, EventHandlers const&);

}
