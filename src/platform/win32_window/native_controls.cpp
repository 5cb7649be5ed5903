#include "platform/win32_window/native_controls.h"

#include <commctrl.h>

namespace tarnwell::win32 {

namespace {

    NativeStyle kind_style(Control const& control)
    {
        switch (control.kind()) {
        case ControlKind::Label:
            // A one-line label is centred vertically; the others break
            // their caption at word boundaries from the top edge. "&" is
            // shown as it stands in every caption.
            if (control.look().centred_vertically)
                return { L"STATIC", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOPREFIX, 0 };
            return { L"STATIC", SS_LEFT | SS_NOPREFIX, 0 };
        case ControlKind::Button:
            return { L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0 };
        case ControlKind::CheckBox:
            // The model holds the check mark; a click asks it to change.
            return { L"BUTTON", BS_CHECKBOX | WS_TABSTOP, 0 };
        case ControlKind::EditBox:
            if (static_cast<EditBox const&>(control).lines() == EditLines::Many)
                return { L"EDIT",
                    ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_HSCROLL
                        | WS_TABSTOP,
                    WS_EX_CLIENTEDGE };
            return { L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE };
        case ControlKind::ListBox:
            // Exactly the declared height, not rounded down to whole items;
            // the vertical scroll bar stays, greyed while all items fit.
            return { L"LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_DISABLENOSCROLL | WS_VSCROLL | WS_TABSTOP,
                WS_EX_CLIENTEDGE };
        case ControlKind::ComboBox:
            return { L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0 };
        case ControlKind::ListView:
            return { WC_LISTVIEWW, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP, WS_EX_CLIENTEDGE };
        case ControlKind::OpenFileDialog:
            break;
        }
        return { nullptr, 0, 0 };
    }

}

NativeStyle native_style(Control const& control)
{
    auto style = kind_style(control);
    style.style |= WS_CHILD;
    if (control.visible())
        style.style |= WS_VISIBLE;
    if (!control.enabled())
        style.style |= WS_DISABLED;
    return style;
}

Text const* shown_text(Control const& control)
{
    switch (control.kind()) {
    case ControlKind::Label:
        return &static_cast<Label const&>(control).caption();
    case ControlKind::Button:
        return &static_cast<Button const&>(control).caption();
    case ControlKind::CheckBox:
        return &static_cast<CheckBox const&>(control).caption();
    case ControlKind::EditBox:
        return &static_cast<EditBox const&>(control).text();
    default:
        return nullptr;
    }
}

}
