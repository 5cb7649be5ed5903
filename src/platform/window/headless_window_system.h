#pragma once

// A window system without a screen, for tests: the controls live in the
// window model alone, the user's input comes from a queue that the test
// fills, and the dialogs answer from a script that the test sets up and
// record what they were shown.

#include "platform/window/window_system.h"

#include <deque>
#include <functional>
#include <vector>

namespace tarnwell {

class HeadlessWindowSystem final : public WindowSystem {
public:
    enum class InputKind {
        Click,
        DoubleClick, // on the item `index` of a list box
        Type, // the user types `text` into an edit box, replacing its text
        Select, // the user picks the item or row `index` of a list
        CloseRequest,
    };
    struct Input {
        InputKind kind;
        Control* control { nullptr };
        int index { -1 };
        Text text;
        Text control_name; // names the control when `control` is not given
    };

    // The user's input, taken in the order queued.
    void click(Control&);
    // A click on the control of that name in the window open when the click
    // is taken: lets a test queue input before the program builds its window.
    void click(std::string_view control_name);
    void double_click(Control&, int index);
    void type(EditBox&, std::string_view text);
    void select(Control&, int index);
    void request_close();
    std::deque<Input> const& pending_input() const { return m_input; }

    // The answers of the dialogs, used in the order queued. An open-file
    // dialog without a queued answer is cancelled, as is a folder picker.
    void answer_open_file(std::optional<Text> chosen_path) { m_open_file_answers.push_back(std::move(chosen_path)); }
    void answer_folder(Text chosen_folder) { m_folder_answers.push_back(std::move(chosen_folder)); }

    // What the dialogs showed: the remembered file name in the open-file
    // dialog's name field at each opening, the folder picker's titles, and
    // the texts of the information boxes.
    std::vector<Text> const& open_file_names_shown() const { return m_open_file_names_shown; }
    std::vector<Text> const& folder_titles_shown() const { return m_folder_titles_shown; }
    std::vector<Text> const& info_boxes() const { return m_info_boxes; }

    // Runs whenever a dialog or information box opens, before it answers:
    // lets a test look at the program in the middle of a handler.
    void on_dialog(std::function<void()> look) { m_on_dialog = std::move(look); }

    // Input dropped because it came while a handler ran.
    std::vector<Input> const& dropped_input() const { return m_dropped; }
    // How often the window was redrawn by process_events.
    int repaints() const { return m_repaints; }
    // How many property changes the model reported.
    int changes_seen() const { return m_changes; }

    // When the queue runs dry while the window is open, the user is taken to
    // close it, so that a run on this window system always ends.
    void open_window(WindowLayout const&, EventSink&) override;
    void destroy_window() override;
    bool window_open() const override { return m_sink != nullptr; }
    bool dispatch_next_event() override;
    void process_events() override;
    std::optional<Text> choose_open_file(OpenFileDialog const&) override;
    Text browse_for_folder(std::string_view title) override;
    void info_box(std::string_view text) override;
    void control_changed(Control&, ControlProperty) override;

private:
    void deliver(Input);
    Control* find_control(std::string_view name) const;
    void apply_user_input(Input const&);

    EventSink* m_sink { nullptr };
    std::span<Control* const> m_controls;
    std::deque<Input> m_input;
    std::deque<std::optional<Text>> m_open_file_answers;
    std::deque<Text> m_folder_answers;
    std::vector<Text> m_open_file_names_shown;
    std::vector<Text> m_folder_titles_shown;
    std::vector<Text> m_info_boxes;
    std::function<void()> m_on_dialog;
    std::vector<Input> m_dropped;
    int m_repaints { 0 };
    int m_changes { 0 };
    bool m_dirty { false };
};

}
