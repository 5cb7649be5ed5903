#pragma once

// The operations the handlers call on the lists and edit boxes of the main
// window. Indexes are 0-based; an index without an item or row gives "" or
// changes nothing. The properties themselves (text, caption, enabled,
// visible, checked, selection) are read and written on the controls:
//   main_window().编辑框1.text(), main_window().按钮4.set_enabled(true),
//   main_window().超级列表框1.set_selection(-1), ...

#include "platform/window/controls.h"
#include "text/text.h"

#include <string_view>

namespace tarnwell {

void ListBoxAdd(ListBox&, std::string_view text);
Text ListBoxItemText(ListBox const&, int index);
void ListBoxClear(ListBox&);

// Appends a row at the end; the lists never sort.
void ListViewAdd(ListView&, std::string_view text);
Text ListViewItemText(ListView const&, int index);
int ListViewCount(ListView const&);
// The rows behind move up by one; -1 or an index without a row removes nothing.
void ListViewDelete(ListView&, int index);
void ListViewClear(ListView&);

// Adds the text at the end of the box's text and scrolls the end into view.
// Like every write of the text, it runs the box's text-changed handler.
void EditAppend(EditBox&, std::string_view text);

}
