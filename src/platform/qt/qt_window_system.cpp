#include "platform/qt/qt_window_system.h"
#include "platform/qt/control_widgets.h"
#include "platform/qt/guarded.h"
#include "platform/qt/input_gate.h"
#include "platform/qt/main_widget.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_text.h"

#include <QApplication>
#include <QScreen>
#include <unordered_map>

namespace tarnwell {

namespace {

    // A QApplication needs an argc that outlives it.
    int s_argc = 1;
    char s_program_name[] = "tarnwell";
    char* s_argv[] = { s_program_name, nullptr };

    // The default GUI font of the systems the window was laid out for is 12
    // pixels high; the controls' sizes fit texts of that height.
    constexpr int default_font_height = 12;

}

struct QtWindowSystem::Impl final : qt::UserInput {
    std::unique_ptr<QApplication> own_application;
    std::unique_ptr<qt::MainWidget> window;
    std::unique_ptr<qt::InputGate> gate;
    std::unordered_map<Control const*, QWidget*> widgets;
    EventSink* sink { nullptr };

    bool dropping_input() const { return sink && sink->handler_running(); }

    void clicked(Control& control) override
    {
        qt::guarded("click", [&] {
            if (sink)
                sink->on_click(control);
        });
    }

    void double_clicked(ListBox& list, int index) override
    {
        qt::guarded("double-click", [&] {
            list.set_selection(index);
            if (sink && list.selection() != -1)
                sink->on_double_click(list, index);
        });
    }

    void typed(EditBox& box, Text text) override
    {
        qt::guarded("typing", [&] { box.take_typed_text(text); });
    }

    void selected(Control& control, int index) override
    {
        qt::guarded("selection", [&] {
            if (control.kind() == ControlKind::ListBox)
                static_cast<ListBox&>(control).set_selection(index);
            else if (control.kind() == ControlKind::ListView)
                static_cast<ListView&>(control).set_selection(index);
            else if (control.kind() == ControlKind::ComboBox)
                static_cast<ComboBox&>(control).set_selection(index);
        });
    }

    void checked(CheckBox& box, bool value) override
    {
        qt::guarded("check box", [&] { box.set_checked(value); });
    }

    void close_requested()
    {
        qt::guarded("close request", [&] {
            if (sink)
                sink->on_close_request();
        });
    }

    void build(WindowLayout const& layout)
    {
        window = std::make_unique<qt::MainWidget>([this] { close_requested(); });
        window->setWindowTitle(qt::to_qt(layout.title));
        QFont font = window->font();
        font.setPixelSize(default_font_height);
        window->setFont(font);
        int client_width = layout.outer_width - 2 * frame_width;
        int client_height = layout.outer_height - title_bar_height - frame_width;
        window->setFixedSize(client_width, client_height);
        for (Control* control : layout.controls) {
            if (QWidget* widget = qt::make_widget(*control, *window))
                widgets.emplace(control, widget);
        }
    }

    void connect_all(WindowLayout const& layout)
    {
        for (Control* control : layout.controls) {
            if (auto found = widgets.find(control); found != widgets.end())
                qt::connect_widget(*found->second, *control, *this);
        }
    }

    void place_in_middle_of_screen()
    {
        QScreen* screen = window->screen();
        if (!screen)
            return;
        QRect area = screen->availableGeometry();
        QSize outer = window->frameGeometry().size();
        window->move(area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2);
    }
};

QtWindowSystem::QtWindowSystem()
    : m_impl(std::make_unique<Impl>())
{
    if (!QApplication::instance())
        m_impl->own_application = std::make_unique<QApplication>(s_argc, s_argv);
}

QtWindowSystem::~QtWindowSystem()
{
    m_impl->gate.reset();
    m_impl->widgets.clear();
    m_impl->window.reset();
    // A window destroyed from inside its own close event was only scheduled
    // for deletion.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void QtWindowSystem::open_window(WindowLayout const& layout, EventSink& sink)
{
    m_impl->build(layout);
    m_impl->gate
        = std::make_unique<qt::InputGate>(*m_impl->window, [impl = m_impl.get()] { return impl->dropping_input(); });
    QCoreApplication::instance()->installEventFilter(m_impl->gate.get());
    m_impl->window->show();
    m_impl->place_in_middle_of_screen();
    // Only now: building and showing the window delivers no event.
    m_impl->connect_all(layout);
    m_impl->sink = &sink;
}

void QtWindowSystem::destroy_window()
{
    auto& impl = *m_impl;
    impl.sink = nullptr;
    impl.gate.reset();
    impl.widgets.clear();
    if (impl.window) {
        impl.window->hide();
        // This may run inside the window's own close event: the widget goes
        // once that event has returned.
        impl.window.release()->deleteLater();
    }
}

bool QtWindowSystem::window_open() const
{
    return m_impl->window != nullptr;
}

bool QtWindowSystem::dispatch_next_event()
{
    if (!window_open())
        return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return window_open();
}

void QtWindowSystem::process_events()
{
    // The input gate drops what the user aimed at the window meanwhile.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

std::optional<Text> QtWindowSystem::choose_open_file(OpenFileDialog const& dialog)
{
    return qt::run_open_file_dialog(m_impl->window.get(), dialog);
}

Text QtWindowSystem::browse_for_folder(std::string_view title)
{
    return qt::run_folder_picker(m_impl->window.get(), title);
}

void QtWindowSystem::info_box(std::string_view text)
{
    qt::run_info_box(text);
}

void QtWindowSystem::control_changed(Control& control, ControlProperty property)
{
    if (auto found = m_impl->widgets.find(&control); found != m_impl->widgets.end())
        qt::draw_property(*found->second, control, property);
}

QWidget* QtWindowSystem::main_widget() const
{
    return m_impl->window.get();
}

QWidget* QtWindowSystem::widget_for(Control const& control) const
{
    auto found = m_impl->widgets.find(&control);
    return found == m_impl->widgets.end() ? nullptr : found->second;
}

}
