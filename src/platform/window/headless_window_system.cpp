#include "platform/window/headless_window_system.h"

namespace tarnwell {

void HeadlessWindowSystem::click(Control& control)
{
    m_input.push_back({ InputKind::Click, &control, -1, {}, {} });
}

void HeadlessWindowSystem::click(std::string_view control_name)
{
    m_input.push_back({ InputKind::Click, nullptr, -1, {}, Text(control_name) });
}

void HeadlessWindowSystem::double_click(Control& control, int index)
{
    m_input.push_back({ InputKind::DoubleClick, &control, index, {}, {} });
}

void HeadlessWindowSystem::type(EditBox& box, std::string_view text)
{
    m_input.push_back({ InputKind::Type, &box, -1, Text(text), {} });
}

void HeadlessWindowSystem::select(Control& control, int index)
{
    m_input.push_back({ InputKind::Select, &control, index, {}, {} });
}

void HeadlessWindowSystem::request_close()
{
    m_input.push_back({ InputKind::CloseRequest, nullptr, -1, {}, {} });
}

void HeadlessWindowSystem::open_window(WindowLayout const& layout, EventSink& sink)
{
    m_controls = layout.controls;
    m_sink = &sink;
}

void HeadlessWindowSystem::destroy_window()
{
    m_sink = nullptr;
    m_controls = {};
}

Control* HeadlessWindowSystem::find_control(std::string_view name) const
{
    for (auto* control : m_controls) {
        if (control->name() == name)
            return control;
    }
    return nullptr;
}

bool HeadlessWindowSystem::dispatch_next_event()
{
    if (!m_sink)
        return false;
    if (m_input.empty()) {
        m_sink->on_close_request();
        return m_sink != nullptr;
    }
    auto input = std::move(m_input.front());
    m_input.pop_front();
    deliver(input);
    return m_sink != nullptr;
}

void HeadlessWindowSystem::process_events()
{
    if (m_dirty) {
        ++m_repaints;
        m_dirty = false;
    }
    while (m_sink && !m_input.empty()) {
        auto input = std::move(m_input.front());
        m_input.pop_front();
        deliver(input);
    }
}

// Input goes to the program only while no handler runs, as a real window
// that is busy would not take it; the close request is the program's to
// keep for later.
void HeadlessWindowSystem::deliver(Input input)
{
    if (input.kind == InputKind::CloseRequest) {
        m_sink->on_close_request();
        return;
    }
    if (!input.control)
        input.control = find_control(input.control_name);
    if (!input.control || m_sink->handler_running() || !input.control->enabled() || !input.control->visible()) {
        m_dropped.push_back(input);
        return;
    }
    apply_user_input(input);
}

void HeadlessWindowSystem::apply_user_input(Input const& input)
{
    auto& control = *input.control;
    switch (input.kind) {
    case InputKind::Click:
        m_sink->on_click(control);
        return;
    case InputKind::DoubleClick:
        if (control.kind() == ControlKind::ListBox) {
            auto& list = static_cast<ListBox&>(control);
            list.set_selection(input.index);
            if (list.selection() != -1)
                m_sink->on_double_click(control, input.index);
        }
        return;
    case InputKind::Type:
        if (control.kind() == ControlKind::EditBox)
            static_cast<EditBox&>(control).take_typed_text(input.text);
        return;
    case InputKind::Select:
        if (control.kind() == ControlKind::ListBox)
            static_cast<ListBox&>(control).set_selection(input.index);
        else if (control.kind() == ControlKind::ListView)
            static_cast<ListView&>(control).set_selection(input.index);
        else if (control.kind() == ControlKind::ComboBox)
            static_cast<ComboBox&>(control).set_selection(input.index);
        return;
    case InputKind::CloseRequest:
        return;
    }
}

std::optional<Text> HeadlessWindowSystem::choose_open_file(OpenFileDialog const& dialog)
{
    m_open_file_names_shown.push_back(dialog.file_name());
    if (m_on_dialog)
        m_on_dialog();
    if (m_open_file_answers.empty())
        return std::nullopt;
    auto answer = std::move(m_open_file_answers.front());
    m_open_file_answers.pop_front();
    return answer;
}

Text HeadlessWindowSystem::browse_for_folder(std::string_view title)
{
    m_folder_titles_shown.emplace_back(title);
    if (m_on_dialog)
        m_on_dialog();
    if (m_folder_answers.empty())
        return {};
    auto answer = std::move(m_folder_answers.front());
    m_folder_answers.pop_front();
    return answer;
}

void HeadlessWindowSystem::info_box(std::string_view text)
{
    m_info_boxes.emplace_back(text);
    if (m_on_dialog)
        m_on_dialog();
}

void HeadlessWindowSystem::control_changed(Control&, ControlProperty)
{
    ++m_changes;
    m_dirty = true;
}

}
