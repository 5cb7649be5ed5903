#pragma once

// What a window system does for the program: it shows the one main window
// that the window model describes, forwards the user's input to the program,
// draws the model whenever a control changes, and runs the modal dialogs.
// Real window systems (Win32, Qt) and the headless one used by the tests
// implement this interface; none of them decides what an event does.

#include "platform/window/controls.h"
#include "text/text.h"

#include <optional>
#include <span>
#include <string_view>

namespace tarnwell {

// The main window as the window system needs it: its title, its outer size
// (frame and title bar included), and every control, visible or not.
struct WindowLayout {
    std::string_view title;
    int outer_width { 0 };
    int outer_height { 0 };
    std::span<Control* const> controls;
};

// The program's side of the window: the window system calls it for every
// event of the user. The program decides what each one does, and when.
class EventSink {
public:
    virtual ~EventSink() = default;
    // True while one of the program's handlers runs. Input that arrives then
    // (clicks, keys, typing, choosing a row) is dropped by the window system
    // instead of being acted on; a close request is still forwarded.
    virtual bool handler_running() const = 0;
    virtual void on_click(Control&) = 0;
    // A double-click on the item `index` of a list; the item is selected first.
    virtual void on_double_click(Control&, int index) = 0;
    // The close button, the system menu or the platform's close key.
    virtual void on_close_request() = 0;
};

class WindowSystem : public ControlObserver {
public:
    ~WindowSystem() override = default;

    // Builds the window with every control in its present state, without
    // delivering any event, and routes its input to `sink` from then on.
    virtual void open_window(WindowLayout const&, EventSink& sink) = 0;
    // Destroys the window; no event is delivered afterwards.
    virtual void destroy_window() = 0;
    virtual bool window_open() const = 0;

    // Waits for the next input and delivers it to the sink. False when the
    // window system has nothing more to deliver (the window is gone).
    virtual bool dispatch_next_event() = 0;
    // Delivers everything that is already waiting, without waiting for more.
    virtual void process_events() = 0;

    // The modal open-file dialog, showing `dialog`'s title, filter and
    // remembered file name. The chosen full path, or nothing on cancel.
    virtual std::optional<Text> choose_open_file(OpenFileDialog const& dialog) = 0;
    // The folder picker: the chosen folder without a trailing "\" (a drive's
    // root keeps it), "" on cancel or for an item without a file-system path.
    virtual Text browse_for_folder(std::string_view title) = 0;
    // A modal message box titled "信息：" with the text and one OK button.
    virtual void info_box(std::string_view text) = 0;
};

}
