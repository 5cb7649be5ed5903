#include "app/program.h"
#include "app/dialogs.h"
#include "app/globals.h"
#include "app/workspace.h"
#include "platform/files.h"
#include "platform/window/instance_lock.h"

#include <cstdio>
#include <cstdlib>

namespace tarnwell {

namespace {

    Program* s_running_program = nullptr;

}

Program::Program(WindowSystem& window_system, EventHandlers handlers)
    : m_window_system(window_system)
    , m_handlers(std::move(handlers))
    , m_previous(s_running_program)
{
    if (m_handlers.编辑框5_text_changed) {
        // The write runs the handler nested in the writing handler, on
        // purpose; it counts as a handler itself, so a close request that
        // comes meanwhile still waits for the outermost one.
        m_window.编辑框5.set_text_changed_handler([this] { run_handler(m_handlers.编辑框5_text_changed); });
    }
    s_running_program = this;
}

Program::~Program()
{
    m_window.set_observer(nullptr);
    s_running_program = m_previous;
}

void Program::open()
{
    m_window.set_observer(&m_window_system);
    m_window_system.open_window(m_window.layout(), *this);
    run_handler(SetUpMainWindow);
}

void Program::run_message_loop()
{
    while (!m_destroyed && m_window_system.dispatch_next_event()) { }
}

void Program::run_handler(Handler const& handler)
{
    if (!handler)
        return;
    ++m_depth;
    handler();
    --m_depth;
    if (m_depth == 0 && m_close_pending) {
        m_close_pending = false;
        close_window();
    }
}

void Program::on_click(Control& control)
{
    if (m_depth > 0 || m_destroyed)
        return;
    auto& w = m_window;
    if (&control == &w.按钮1)
        run_handler(ChooseImageFile);
    else if (&control == &w.按钮2)
        run_handler(m_handlers.按钮2_click);
    else if (&control == &w.按钮3)
        run_handler(m_handlers.按钮3_click);
    else if (&control == &w.按钮4)
        run_handler(m_handlers.按钮4_click);
    else if (&control == &w.按钮5)
        run_handler(m_handlers.按钮5_click);
    else if (&control == &w.按钮6)
        run_handler(m_handlers.按钮6_click);
    else if (&control == &w.按钮7)
        run_handler(m_handlers.按钮7_click);
}

void Program::on_double_click(Control& control, int)
{
    if (m_depth > 0 || m_destroyed)
        return;
    if (&control == &m_window.列表框1)
        run_handler(m_handlers.列表框1_double_click);
}

void Program::on_close_request()
{
    if (m_destroyed)
        return;
    if (m_depth > 0) {
        m_close_pending = true;
        return;
    }
    close_window();
}

// The about-to-be-destroyed handler runs while the window still exists; then
// the window goes and the message loop ends.
void Program::close_window()
{
    run_handler(ClearWorkspace);
    m_window_system.destroy_window();
    m_destroyed = true;
}

Program& running_program()
{
    if (!s_running_program) {
        std::fputs("tarnwell: a handler ran without a running program\n", stderr);
        std::abort();
    }
    return *s_running_program;
}

MainWindow& main_window()
{
    return running_program().window();
}

WindowSystem& window_system()
{
    return running_program().window_system();
}

void SetUpMainWindow()
{
    auto& w = main_window();
    if (w.编辑框1.text().empty()) {
        for (auto* button : { &w.按钮2, &w.按钮4, &w.按钮5, &w.按钮6, &w.按钮7 })
            button->set_enabled(false);
    }
    if (w.编辑框1.text().empty() || w.编辑框4.text().empty())
        w.按钮3.set_enabled(false);
    w.列表框1.set_visible(false);
    PrepareWorkspace();
}

void ChooseImageFile()
{
    auto& w = main_window();
    ShowOpenFileDialog(w.通用对话框1);
    w.编辑框1.set_text(w.通用对话框1.file_name());
    if (!w.编辑框1.text().empty()) {
        w.按钮4.set_enabled(true);
        w.标签1.set_caption("确认选择好后单击解析IS_");
    }
}

namespace {

    // Registered before the window is built: whatever way the message loop
    // ends, the globals are released on the way out.
    struct ExitStep {
        ~ExitStep() { ReleaseGlobals(); }
    };

}

int run_program(WindowSystem& window_system, EventHandlers const& handlers)
{
    InstanceLock lock;
    if (lock.another_copy_runs()) {
        window_system.info_box("程序已在运行");
        return 1;
    }
    ChangeDirectory(RunDir());
    CreateGlobals();
    ExitStep exit_step;
    Program program(window_system, handlers);
    program.open();
    program.run_message_loop();
    return 0;
}

}
