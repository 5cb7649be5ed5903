#include "platform/window/controls.h"

namespace tarnwell {

Control::Control(ControlKind kind, char const* name, Bounds bounds)
    : m_kind(kind)
    , m_name(name)
    , m_bounds(bounds)
{
}

void Control::set_enabled(bool enabled)
{
    m_enabled = enabled;
    changed(ControlProperty::Enabled);
}

void Control::set_visible(bool visible)
{
    m_visible = visible;
    changed(ControlProperty::Visible);
}

void Control::changed(ControlProperty property)
{
    if (m_observer)
        m_observer->control_changed(*this, property);
}

Label::Label(char const* name, Bounds bounds, Text caption)
    : Control(ControlKind::Label, name, bounds)
    , m_caption(std::move(caption))
{
}

void Label::set_caption(std::string_view caption)
{
    m_caption = caption;
    changed(ControlProperty::Text);
}

Button::Button(char const* name, Bounds bounds, Text caption)
    : Control(ControlKind::Button, name, bounds)
    , m_caption(std::move(caption))
{
}

void Button::set_caption(std::string_view caption)
{
    m_caption = caption;
    changed(ControlProperty::Text);
}

EditBox::EditBox(char const* name, Bounds bounds, EditLines lines)
    : Control(ControlKind::EditBox, name, bounds)
    , m_lines(lines)
{
}

void EditBox::set_text(std::string_view text)
{
    m_text = text;
    text_written();
}

void EditBox::append(std::string_view text)
{
    m_text += text;
    text_written();
}

void EditBox::text_written()
{
    changed(ControlProperty::Text);
    if (m_text_changed) {
        // A copy: the handler may rebind the box's handler while it runs.
        auto handler = m_text_changed;
        handler();
    }
}

void EditBox::take_typed_text(std::string_view text)
{
    m_text = text;
    changed(ControlProperty::Text);
}

ListBox::ListBox(char const* name, Bounds bounds)
    : Control(ControlKind::ListBox, name, bounds)
{
}

void ListBox::add(std::string_view item)
{
    m_items.emplace_back(item);
    changed(ControlProperty::Items);
}

void ListBox::clear()
{
    m_items.clear();
    m_selection = -1;
    changed(ControlProperty::Items);
}

void ListBox::set_selection(int index)
{
    m_selection = index >= 0 && index < static_cast<int>(m_items.size()) ? index : -1;
    changed(ControlProperty::Selection);
}

ComboBox::ComboBox(char const* name, Bounds bounds, TextList items, int selection)
    : Control(ControlKind::ComboBox, name, bounds)
    , m_items(std::move(items))
    , m_selection(selection)
{
}

void ComboBox::set_selection(int index)
{
    m_selection = index >= 0 && index < static_cast<int>(m_items.size()) ? index : -1;
    changed(ControlProperty::Selection);
}

ListView::ListView(char const* name, Bounds bounds, Text column_header, int column_width)
    : Control(ControlKind::ListView, name, bounds)
    , m_column_header(std::move(column_header))
    , m_column_width(column_width)
{
}

void ListView::add(std::string_view row)
{
    m_rows.emplace_back(row);
    changed(ControlProperty::Items);
}

// The selection and the focus mark belong to their row: they go with it, and
// move up with the rows behind a removed one.
static int index_after_removal(int marked, int removed)
{
    if (marked == removed)
        return -1;
    return marked > removed ? marked - 1 : marked;
}

void ListView::remove(int index)
{
    if (index < 0 || index >= static_cast<int>(m_rows.size()))
        return;
    m_rows.erase(m_rows.begin() + index);
    m_selection = index_after_removal(m_selection, index);
    m_focused = index_after_removal(m_focused, index);
    changed(ControlProperty::Items);
}

void ListView::clear()
{
    m_rows.clear();
    m_selection = -1;
    m_focused = -1;
    changed(ControlProperty::Items);
}

void ListView::set_selection(int index)
{
    if (index == -1) {
        m_selection = -1;
        m_focused = -1;
    } else if (index >= 0 && index < static_cast<int>(m_rows.size())) {
        m_selection = index;
        m_focused = index;
    } else {
        return;
    }
    changed(ControlProperty::Selection);
}

CheckBox::CheckBox(char const* name, Bounds bounds, Text caption, bool checked)
    : Control(ControlKind::CheckBox, name, bounds)
    , m_caption(std::move(caption))
    , m_checked(checked)
{
}

void CheckBox::set_checked(bool checked)
{
    m_checked = checked;
    changed(ControlProperty::Checked);
}

OpenFileDialog::OpenFileDialog(char const* name, Text title, Text filter)
    : Control(ControlKind::OpenFileDialog, name, {})
    , m_title(std::move(title))
    , m_filter(std::move(filter))
{
}

}
