#pragma once

// The kinds of control a window is made of, as plain data: what the handlers
// read and write, and what a window system needs to draw them. No toolkit
// lives here. Every change of a property is reported to the control's
// observer (the window system), so a real window can redraw what changed;
// the model itself is the one store of the state.

#include "text/text.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace tarnwell {

enum class ControlKind {
    Label,
    Button,
    EditBox,
    ListBox,
    ComboBox,
    ListView,
    CheckBox,
    OpenFileDialog,
};

enum class ControlProperty {
    Text, // text of an edit box, caption of a label, button or check box
    Enabled,
    Visible,
    Checked,
    Selection,
    Items, // items or rows added, removed or cleared
};

// Position and size in pixels, from the top-left corner of the client area.
struct Bounds {
    int left { 0 };
    int top { 0 };
    int width { 0 };
    int height { 0 };
    bool operator==(Bounds const&) const = default;
};

struct Colour {
    std::uint8_t red { 0 };
    std::uint8_t green { 0 };
    std::uint8_t blue { 0 };
    bool operator==(Colour const&) const = default;
};

// How a control draws its text, where it differs from the system's default.
struct TextLook {
    std::optional<Colour> colour;
    int font_height { 0 }; // pixels; 0 is the default GUI font
    bool chinese_charset { false }; // the font is asked for in the GB2312 set
    bool word_wrap { false }; // labels: broken into lines at word boundaries
    bool centred_vertically { false }; // labels: one line, centred vertically
    bool operator==(TextLook const&) const = default;
};

class Control;

// Told of every property change, after the new value is stored.
class ControlObserver {
public:
    virtual ~ControlObserver() = default;
    virtual void control_changed(Control&, ControlProperty) = 0;
};

class Control {
public:
    Control(ControlKind, char const* name, Bounds);
    virtual ~Control() = default;
    Control(Control const&) = delete;
    Control& operator=(Control const&) = delete;

    ControlKind kind() const { return m_kind; }
    // The name under which the window declares the control (GBK).
    std::string_view name() const { return m_name; }
    Bounds bounds() const { return m_bounds; }

    bool enabled() const { return m_enabled; }
    void set_enabled(bool);
    bool visible() const { return m_visible; }
    void set_visible(bool);

    TextLook const& look() const { return m_look; }
    void set_look(TextLook look) { m_look = look; }

    void set_observer(ControlObserver* observer) { m_observer = observer; }

protected:
    void changed(ControlProperty);

private:
    ControlKind m_kind;
    char const* m_name;
    Bounds m_bounds;
    bool m_enabled { true };
    bool m_visible { true };
    TextLook m_look;
    ControlObserver* m_observer { nullptr };
};

class Label final : public Control {
public:
    Label(char const* name, Bounds, Text caption);
    Text const& caption() const { return m_caption; }
    void set_caption(std::string_view);

private:
    Text m_caption;
};

class Button final : public Control {
public:
    Button(char const* name, Bounds, Text caption);
    Text const& caption() const { return m_caption; }
    void set_caption(std::string_view);

private:
    Text m_caption;
};

enum class EditLines {
    One,
    Many, // multi-line, with both scroll bars
};

class EditBox final : public Control {
public:
    EditBox(char const* name, Bounds, EditLines);
    EditLines lines() const { return m_lines; }
    Text const& text() const { return m_text; }

    // Stores the text, then runs the text-changed handler, if one is bound, at
    // once and to its end: once per write, also for an unchanged or empty text.
    void set_text(std::string_view);

    // Adds the text at the end; a write like set_text, so the text-changed
    // handler runs once.
    void append(std::string_view);

    // The text the user typed into the real control; the window system keeps
    // the model in step with it. Runs no handler.
    void take_typed_text(std::string_view);

    void set_text_changed_handler(std::function<void()> handler) { m_text_changed = std::move(handler); }

private:
    void text_written();

    EditLines m_lines;
    Text m_text;
    std::function<void()> m_text_changed;
};

// A list of one-line items with at most one selected; it never sorts.
class ListBox final : public Control {
public:
    ListBox(char const* name, Bounds);
    TextList const& items() const { return m_items; }
    void add(std::string_view);
    void clear();
    // 0-based index of the selected item, -1 for none.
    int selection() const { return m_selection; }
    // An index without an item selects nothing (as -1 does).
    void set_selection(int);

private:
    TextList m_items;
    int m_selection { -1 };
};

// A drop-down list without an edit field.
class ComboBox final : public Control {
public:
    ComboBox(char const* name, Bounds, TextList items, int selection);
    TextList const& items() const { return m_items; }
    int selection() const { return m_selection; }
    void set_selection(int);

private:
    TextList m_items;
    int m_selection { -1 };
};

// A report-style list with one column. Rows keep the order of adding; one
// row at most is selected, and the selection moves with its row.
class ListView final : public Control {
public:
    ListView(char const* name, Bounds, Text column_header, int column_width);
    Text const& column_header() const { return m_column_header; }
    int column_width() const { return m_column_width; }

    TextList const& rows() const { return m_rows; }
    void add(std::string_view);
    // An index without a row, -1 included, removes nothing.
    void remove(int index);
    void clear();

    int selection() const { return m_selection; }
    // The row that holds the focus mark, -1 for none.
    int focused() const { return m_focused; }
    // n >= 0 with a row: that row becomes the selected and focused row.
    // -1: the selection and the focus mark go. An index without a row
    // changes nothing.
    void set_selection(int);

private:
    Text m_column_header;
    int m_column_width;
    TextList m_rows;
    int m_selection { -1 };
    int m_focused { -1 };
};

class CheckBox final : public Control {
public:
    CheckBox(char const* name, Bounds, Text caption, bool checked);
    Text const& caption() const { return m_caption; }
    bool checked() const { return m_checked; }
    void set_checked(bool);

private:
    Text m_caption;
    bool m_checked;
};

// The common open-file dialog. It is never drawn in the window; it
// remembers the full path of the file last confirmed with OK in this run.
class OpenFileDialog final : public Control {
public:
    OpenFileDialog(char const* name, Text title, Text filter);
    Text const& title() const { return m_title; }
    // Pairs of shown text and pattern, "|" between all parts.
    Text const& filter() const { return m_filter; }
    Text const& file_name() const { return m_file_name; }
    void set_file_name(std::string_view name) { m_file_name = name; }

private:
    Text m_title;
    Text m_filter;
    Text m_file_name;
};

}
