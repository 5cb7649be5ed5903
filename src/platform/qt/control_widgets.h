#pragma once

// One Qt widget per control of the window model: made once when the window
// opens, and redrawn from the model whenever the model reports a change.
// The model stays the one store of the state; a widget only shows it and
// reports what the user did to it.

#include "platform/window/controls.h"

class QWidget;

namespace tarnwell::qt {

// What the user did to a control's widget, told to the window system, which
// keeps the model in step and forwards events to the program.
class UserInput {
public:
    virtual ~UserInput() = default;
    virtual void clicked(Control&) = 0;
    virtual void double_clicked(ListBox&, int index) = 0;
    virtual void typed(EditBox&, Text text) = 0;
    // A list row, list item or drop-down item picked by the user; -1 for none.
    virtual void selected(Control&, int index) = 0;
    virtual void checked(CheckBox&, bool) = 0;
};

// The widget for `control` as a child of `parent`, at the control's bounds
// and in the control's present state; nullptr for a kind that is never drawn
// (the open-file dialogs). Its signals are not yet connected.
QWidget* make_widget(Control const&, QWidget& parent);

// Routes the user's actions on `widget` to `input`.
void connect_widget(QWidget& widget, Control& control, UserInput& input);

// Shows the model's value of one property, or of all of them, without any
// signal of the widget firing.
void draw_property(QWidget&, Control const&, ControlProperty);
void draw_control(QWidget&, Control const&);

}
