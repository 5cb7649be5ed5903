// The model drawn into the native controls: each control made with its
// state as the window is built, and brought in step with every later change.

#include "platform/encoding.h"
#include "platform/win32_window/native_controls.h"
#include "platform/win32_window/win32_error.h"
#include "platform/win32_window/win32_window_system.h"

#include <commctrl.h>

namespace tarnwell::win32 {

namespace {

    // While the model is written into a control, the control's own
    // notifications are not the user's.
    class WritingScope {
    public:
        explicit WritingScope(bool& flag)
            : m_flag(flag)
            , m_previous(flag)
        {
            m_flag = true;
        }
        ~WritingScope() { m_flag = m_previous; }
        WritingScope(WritingScope const&) = delete;
        WritingScope& operator=(WritingScope const&) = delete;

    private:
        bool& m_flag;
        bool m_previous;
    };

    // The list a drop-down shows when it opens: room for a handful of items.
    constexpr int drop_down_list_height = 120;

    void set_text(HWND handle, std::string_view text)
    {
        SetWindowTextW(handle, wide_from_gbk(text).c_str());
    }

    void insert_list_view_row(HWND handle, int index, std::string_view text)
    {
        auto wide = wide_from_gbk(text);
        LVITEMW item {};
        item.mask = LVIF_TEXT;
        item.iItem = index;
        item.pszText = wide.data();
        SendMessageW(handle, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }

    void set_list_view_state(HWND handle, int index, UINT state, UINT mask)
    {
        LVITEMW item {};
        item.stateMask = mask;
        item.state = state;
        SendMessageW(handle, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }

    void add_list_view_column(HWND handle, ListView const& list)
    {
        auto header = wide_from_gbk(list.column_header());
        LVCOLUMNW column {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = list.column_width();
        column.pszText = header.data();
        if (SendMessageW(handle, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column)) == -1)
            throw Win32Error("SendMessageW(LVM_INSERTCOLUMNW)", GetLastError());
    }

    // A drop-down list is made with room for its list; its closed height
    // follows from the font. The item height of the selection field is set
    // so the closed control is as high as declared.
    // Systems differ in how the asked item height maps to the control's
    // height (some add a padding of their own), so the height is measured
    // after each request and the request corrected by what is still off.
    void fit_drop_down_height(HWND handle, int wanted_height)
    {
        auto request = SendMessageW(handle, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
        for (int attempt = 0; attempt < 4 && request != CB_ERR; ++attempt) {
            RECT rect;
            GetWindowRect(handle, &rect);
            int difference = wanted_height - static_cast<int>(rect.bottom - rect.top);
            if (difference == 0 || request + difference <= 0)
                return;
            request += difference;
            SendMessageW(handle, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), request);
        }
    }

}

HFONT Win32WindowSystem::font_for(Control const& control)
{
    auto const& look = control.look();
    if (look.font_height == 0)
        return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    // The height is the characters' own (a negative height asks for that,
    // not for the cell with its leading). SimSun is the usual face of the
    // Chinese character set; the system substitutes where it is missing.
    HFONT font = CreateFontW(-look.font_height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
        look.chinese_charset ? GB2312_CHARSET : DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
        DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"SimSun");
    m_fonts.emplace_back(checked(font, "CreateFontW"));
    return font;
}

void Win32WindowSystem::create_control(Control& control, int id)
{
    auto style = native_style(control);
    auto bounds = control.bounds();
    int height = bounds.height;
    if (control.kind() == ControlKind::ComboBox)
        height += drop_down_list_height;
    HWND handle = CreateWindowExW(style.extended_style, style.class_name, L"", style.style, bounds.left, bounds.top,
        bounds.width, height, m_window.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        GetModuleHandleW(nullptr), nullptr);
    checked(handle, "CreateWindowExW");
    m_controls.push_back({ &control, handle, id });
    auto& native = m_controls.back();

    WritingScope writing(m_writing);
    SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font_for(control)), FALSE);
    switch (control.kind()) {
    case ControlKind::EditBox:
        SendMessageW(handle, EM_LIMITTEXT, 0, 0); // no limit beyond the system's
        break;
    case ControlKind::ComboBox:
        for (auto const& item : static_cast<ComboBox&>(control).items())
            SendMessageW(handle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide_from_gbk(item).c_str()));
        break;
    case ControlKind::ListView:
        add_list_view_column(handle, static_cast<ListView&>(control));
        break;
    default:
        break;
    }
    if (shown_text(control))
        redraw(native, ControlProperty::Text);
    if (control.kind() == ControlKind::CheckBox)
        redraw(native, ControlProperty::Checked);
    redraw(native, ControlProperty::Items);
}

void Win32WindowSystem::fit_drop_down_heights()
{
    for (auto const& native : m_controls) {
        if (native.control->kind() == ControlKind::ComboBox)
            fit_drop_down_height(native.handle, native.control->bounds().height);
    }
}

void Win32WindowSystem::control_changed(Control& control, ControlProperty property)
{
    if (&control == m_following_user)
        return;
    if (auto* native = find(control))
        redraw(*native, property);
}

void Win32WindowSystem::redraw(NativeControl& native, ControlProperty property)
{
    WritingScope writing(m_writing);
    auto& control = *native.control;
    switch (property) {
    case ControlProperty::Text:
        if (auto const* text = shown_text(control))
            set_text(native.handle, *text);
        break;
    case ControlProperty::Enabled:
        EnableWindow(native.handle, control.enabled());
        break;
    case ControlProperty::Visible:
        ShowWindow(native.handle, control.visible() ? SW_SHOW : SW_HIDE);
        break;
    case ControlProperty::Checked:
        SendMessageW(
            native.handle, BM_SETCHECK, static_cast<CheckBox&>(control).checked() ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
    case ControlProperty::Selection:
        redraw_selection(native);
        break;
    case ControlProperty::Items:
        redraw_items(native);
        break;
    }
}

// An added item is appended; any other change of the items (a removal, a
// clearing) shows the model's items anew.
void Win32WindowSystem::redraw_items(NativeControl& native)
{
    auto& control = *native.control;
    if (control.kind() == ControlKind::ListBox) {
        auto const& items = static_cast<ListBox&>(control).items();
        auto shown = static_cast<std::size_t>(SendMessageW(native.handle, LB_GETCOUNT, 0, 0));
        if (shown + 1 != items.size()) {
            SendMessageW(native.handle, LB_RESETCONTENT, 0, 0);
            shown = 0;
        }
        for (auto i = shown; i < items.size(); ++i)
            SendMessageW(native.handle, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide_from_gbk(items[i]).c_str()));
    } else if (control.kind() == ControlKind::ListView) {
        auto const& rows = static_cast<ListView&>(control).rows();
        auto shown = static_cast<std::size_t>(SendMessageW(native.handle, LVM_GETITEMCOUNT, 0, 0));
        if (shown + 1 != rows.size()) {
            SendMessageW(native.handle, LVM_DELETEALLITEMS, 0, 0);
            shown = 0;
        }
        for (auto i = shown; i < rows.size(); ++i)
            insert_list_view_row(native.handle, static_cast<int>(i), rows[i]);
    } else if (control.kind() != ControlKind::ComboBox) {
        return;
    }
    redraw_selection(native);
}

void Win32WindowSystem::redraw_selection(NativeControl& native)
{
    auto& control = *native.control;
    switch (control.kind()) {
    case ControlKind::ComboBox:
        SendMessageW(native.handle, CB_SETCURSEL, static_cast<WPARAM>(static_cast<ComboBox&>(control).selection()), 0);
        break;
    case ControlKind::ListBox:
        SendMessageW(native.handle, LB_SETCURSEL, static_cast<WPARAM>(static_cast<ListBox&>(control).selection()), 0);
        break;
    case ControlKind::ListView: {
        auto& list = static_cast<ListView&>(control);
        // Index -1 addresses every row.
        set_list_view_state(native.handle, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        if (list.focused() >= 0)
            set_list_view_state(native.handle, list.focused(), LVIS_FOCUSED, LVIS_FOCUSED);
        if (list.selection() >= 0)
            set_list_view_state(native.handle, list.selection(), LVIS_SELECTED, LVIS_SELECTED);
        break;
    }
    default:
        break;
    }
}

// Controls with a colour of their own: the prompt line (a label) and the
// display-name box. A label is drawn on the window's background; an edit
// box on its own, the window colour while it is enabled.
LRESULT Win32WindowSystem::on_colour(UINT message, HDC dc, HWND handle)
{
    auto* native = find(handle);
    if (!native || !native->control->look().colour)
        return DefWindowProcW(m_window.get(), message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(handle));
    auto colour = *native->control->look().colour;
    SetTextColor(dc, RGB(colour.red, colour.green, colour.blue));
    int background = message == WM_CTLCOLOREDIT ? COLOR_WINDOW : COLOR_BTNFACE;
    SetBkColor(dc, GetSysColor(background));
    if (native->control->kind() == ControlKind::Label)
        SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(background));
}

}
