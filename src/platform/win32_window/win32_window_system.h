#pragma once

// The main window model shown as a real Win32 window: one top-level window
// with a fixed frame and every control of the model as a standard control.
// It only forwards the user's input to the program and draws the model; what
// an event does is the program's. Texts are GBK in the model and go to the
// controls through the wide APIs, so Chinese shows on any Windows locale.

#include "platform/win32_window/win32_handles.h"
#include "platform/window/window_system.h"

#include <vector>

namespace tarnwell::win32 {

class Win32WindowSystem final : public WindowSystem {
public:
    Win32WindowSystem();
    ~Win32WindowSystem() override;
    Win32WindowSystem(Win32WindowSystem const&) = delete;
    Win32WindowSystem& operator=(Win32WindowSystem const&) = delete;

    // Throws Win32Error when the window or one of its controls cannot be made.
    void open_window(WindowLayout const&, EventSink&) override;
    void destroy_window() override;
    bool window_open() const override { return static_cast<bool>(m_window); }
    bool dispatch_next_event() override;
    void process_events() override;
    std::optional<Text> choose_open_file(OpenFileDialog const&) override;
    Text browse_for_folder(std::string_view title) override;
    void info_box(std::string_view text) override;
    void control_changed(Control&, ControlProperty) override;

    HWND window() const { return m_window.get(); }

private:
    struct NativeControl {
        Control* control;
        HWND handle;
        int id;
    };

    static LRESULT CALLBACK window_procedure(HWND, UINT, WPARAM, LPARAM);
    LRESULT handle_message(HWND, UINT, WPARAM, LPARAM);
    void on_command(int id, int code);
    void on_notify(NMHDR const&);
    LRESULT on_colour(UINT message, HDC, HWND);

    void create_main_window(WindowLayout const&);
    void create_control(Control&, int id);
    void fit_drop_down_heights();
    NativeControl* find(Control const&);
    NativeControl* find(int id);
    NativeControl* find(HWND);
    // Brings the native control in step with one property of its model.
    void redraw(NativeControl&, ControlProperty);
    void redraw_items(NativeControl&);
    void redraw_selection(NativeControl&);
    void translate_and_dispatch(MSG&);
    bool user_input_allowed() const;
    HFONT font_for(Control const&);

    WindowHandle m_window;
    EventSink* m_sink { nullptr };
    std::vector<NativeControl> m_controls;
    // Fonts of the controls that ask for their own; the rest use the
    // default GUI font, which is the system's and never deleted.
    std::vector<FontHandle> m_fonts;
    // The control whose model is being brought in step with what the user
    // did to it: its native control already shows the change.
    Control const* m_following_user { nullptr };
    // Set while the model is written into a control, so the notifications
    // that the write itself causes are not taken for the user's input.
    bool m_writing { false };
    bool m_com_initialised { false };
};

}
