#include "platform/win32_window/win32_window_system.h"
#include "platform/encoding.h"
#include "platform/win32_window/input_rule.h"
#include "platform/win32_window/win32_error.h"

#include <commctrl.h>
#include <exception>

namespace tarnwell::win32 {

namespace {

    constexpr wchar_t window_class_name[] = L"TarnwellMainWindow";
    // Control IDs start above IDOK and IDCANCEL, which the dialog keys send.
    constexpr int first_control_id = 1000;
    // A fixed single frame with a title bar, the system menu and its close
    // button: no sizing border, no minimize or maximize button.
    constexpr DWORD main_window_style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

    void register_window_class(WNDPROC procedure)
    {
        WNDCLASSEXW window_class {};
        window_class.cbSize = sizeof window_class;
        if (GetClassInfoExW(GetModuleHandleW(nullptr), window_class_name, &window_class))
            return;
        window_class.lpfnWndProc = procedure;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
        window_class.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512)); // IDI_APPLICATION
        window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        window_class.lpszClassName = window_class_name;
        checked(RegisterClassExW(&window_class), "RegisterClassExW");
    }

    // Nothing may leave a window procedure by an exception: the failure is
    // told to a debugger, and the message counts as handled.
    void report_failure(char const* what)
    {
        OutputDebugStringA("tarnwell: the window procedure failed: ");
        OutputDebugStringA(what);
        OutputDebugStringA("\n");
    }

}

Win32WindowSystem::Win32WindowSystem() = default;

Win32WindowSystem::~Win32WindowSystem()
{
    destroy_window();
    if (m_com_initialised)
        CoUninitialize();
}

void Win32WindowSystem::open_window(WindowLayout const& layout, EventSink& sink)
{
    // List views live in the common controls library; the application
    // manifest selects its version with the system's visual styles.
    INITCOMMONCONTROLSEX classes { sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES };
    InitCommonControlsEx(&classes);
    register_window_class(window_procedure);
    create_main_window(layout);
    int id = first_control_id;
    for (auto* control : layout.controls) {
        if (control->kind() != ControlKind::OpenFileDialog)
            create_control(*control, id);
        ++id;
    }
    ShowWindow(m_window.get(), SW_SHOWNORMAL);
    fit_drop_down_heights();
    UpdateWindow(m_window.get());
    // Only now: no event is delivered while the window is built.
    m_sink = &sink;
}

void Win32WindowSystem::create_main_window(WindowLayout const& layout)
{
    // Centred on the screen.
    int left = (GetSystemMetrics(SM_CXSCREEN) - layout.outer_width) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - layout.outer_height) / 2;
    auto title = wide_from_gbk(layout.title);
    HWND window = CreateWindowExW(0, window_class_name, title.c_str(), main_window_style, left, top, layout.outer_width,
        layout.outer_height, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    m_window.reset(checked(window, "CreateWindowExW"));
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
}

void Win32WindowSystem::destroy_window()
{
    m_sink = nullptr;
    m_window.reset();
    m_controls.clear();
    m_fonts.clear();
}

bool Win32WindowSystem::dispatch_next_event()
{
    if (!m_window)
        return false;
    MSG message;
    BOOL result = GetMessageW(&message, nullptr, 0, 0);
    if (result == 0) {
        // Leave the request to quit for whoever pumps next.
        PostQuitMessage(static_cast<int>(message.wParam));
        return false;
    }
    if (result == -1)
        return false;
    translate_and_dispatch(message);
    return static_cast<bool>(m_window);
}

void Win32WindowSystem::process_events()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
        if (message.message == WM_QUIT)
            return; // stays waiting
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            return;
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (m_sink && m_sink->handler_running() && is_input_dropped_while_busy(message.message))
            continue;
        translate_and_dispatch(message);
    }
}

void Win32WindowSystem::translate_and_dispatch(MSG& message)
{
    // Tab and the arrow keys move between the controls as in a dialog.
    if (m_window && IsDialogMessageW(m_window.get(), &message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

bool Win32WindowSystem::user_input_allowed() const
{
    return m_sink && !m_sink->handler_running();
}

LRESULT CALLBACK Win32WindowSystem::window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    try {
        if (message == WM_NCCREATE) {
            auto const* creation = reinterpret_cast<CREATESTRUCTW const*>(lparam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
        }
        auto* self = reinterpret_cast<Win32WindowSystem*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self)
            return self->handle_message(window, message, wparam, lparam);
    } catch (std::exception const& failure) {
        report_failure(failure.what());
        return 0;
    } catch (...) {
        report_failure("an unknown exception");
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT Win32WindowSystem::handle_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CLOSE:
        // The program decides: it closes at once, or after the handler
        // that runs now has returned.
        if (m_sink)
            m_sink->on_close_request();
        return 0;
    case WM_COMMAND:
        on_command(LOWORD(wparam), HIWORD(wparam));
        return 0;
    case WM_NOTIFY:
        on_notify(*reinterpret_cast<NMHDR const*>(lparam));
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
        return on_colour(message, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

void Win32WindowSystem::on_command(int id, int code)
{
    auto* native = find(id);
    if (!native || m_writing)
        return;
    auto& control = *native->control;
    m_following_user = &control;
    switch (control.kind()) {
    case ControlKind::Button:
        if (code == BN_CLICKED && user_input_allowed()) {
            m_following_user = nullptr;
            m_sink->on_click(control);
        }
        break;
    case ControlKind::CheckBox:
        if (code == BN_CLICKED && user_input_allowed()) {
            auto& box = static_cast<CheckBox&>(control);
            m_following_user = nullptr; // the check mark is drawn from the model
            box.set_checked(!box.checked());
        }
        break;
    case ControlKind::EditBox:
        if (code == EN_CHANGE) {
            int length = GetWindowTextLengthW(native->handle);
            std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
            text.resize(static_cast<std::size_t>(GetWindowTextW(native->handle, text.data(), length + 1)));
            static_cast<EditBox&>(control).take_typed_text(gbk_from_wide(text));
        }
        break;
    case ControlKind::ComboBox:
        if (code == CBN_SELCHANGE)
            static_cast<ComboBox&>(control).set_selection(
                static_cast<int>(SendMessageW(native->handle, CB_GETCURSEL, 0, 0)));
        break;
    case ControlKind::ListBox: {
        auto& list = static_cast<ListBox&>(control);
        int index = static_cast<int>(SendMessageW(native->handle, LB_GETCURSEL, 0, 0));
        if (code == LBN_SELCHANGE) {
            list.set_selection(index);
        } else if (code == LBN_DBLCLK && index != LB_ERR && user_input_allowed()) {
            list.set_selection(index);
            m_following_user = nullptr;
            m_sink->on_double_click(control, index);
        }
        break;
    }
    default:
        break;
    }
    m_following_user = nullptr;
}

void Win32WindowSystem::on_notify(NMHDR const& header)
{
    auto* native = find(header.hwndFrom);
    if (!native || m_writing || native->control->kind() != ControlKind::ListView || header.code != LVN_ITEMCHANGED)
        return;
    auto const& change = reinterpret_cast<NMLISTVIEW const&>(header);
    if (!(change.uChanged & LVIF_STATE) || !((change.uNewState ^ change.uOldState) & LVIS_SELECTED))
        return;
    int selected = static_cast<int>(
        SendMessageW(native->handle, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
    auto& list = static_cast<ListView&>(*native->control);
    if (selected == list.selection())
        return;
    m_following_user = &list;
    list.set_selection(selected);
    m_following_user = nullptr;
}

Win32WindowSystem::NativeControl* Win32WindowSystem::find(Control const& control)
{
    for (auto& native : m_controls) {
        if (native.control == &control)
            return &native;
    }
    return nullptr;
}

Win32WindowSystem::NativeControl* Win32WindowSystem::find(int id)
{
    for (auto& native : m_controls) {
        if (native.id == id)
            return &native;
    }
    return nullptr;
}

Win32WindowSystem::NativeControl* Win32WindowSystem::find(HWND handle)
{
    for (auto& native : m_controls) {
        if (native.handle == handle)
            return &native;
    }
    return nullptr;
}

}
