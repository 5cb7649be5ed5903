#pragma once

// Looking at and working the windows of another process, as a user (or an
// accessibility tool) would: finding windows by class, position and text,
// reading their state, clicking, and reading list-view data through memory
// in the other process.

#include <functional>
#include <string>
#include <vector>
#include <windows.h>

namespace tarnwell::test {

struct Rect {
    int left;
    int top;
    int width;
    int height;
    bool operator==(Rect const&) const = default;
};

// Waits (polling, with a generous limit) until `ready` holds; false when it
// never did.
bool wait_until(std::function<bool()> const& ready, int limit_ms = 30000);

// A visible top-level window of the process with exactly that title.
HWND find_top_level(DWORD process_id, std::wstring const& title);
std::vector<HWND> direct_children(HWND parent);

std::wstring window_text(HWND);
std::wstring class_name(HWND);
// The window's rectangle in its parent's client area.
Rect rect_in_parent(HWND);
LONG style_of(HWND);

// Presses a button without waiting for what its click starts.
void click(HWND button);

// The text of the column `index` of a list view in another process.
std::wstring list_view_column(HWND list_view, int index, int& width);
int list_view_rows(HWND list_view);
// The text of a row's first column.
std::wstring list_view_row(HWND list_view, int row);
// Makes `row` the one selected row, as a click on it does.
bool select_list_view_row(HWND list_view, int row);

// A visible top-level window of the process that shows `text` in one of
// its children (a dialog found by its message, whatever its title).
HWND find_dialog_showing(DWORD process_id, std::wstring const& text);

// The top-level information box ("信息：") the process shows, or nothing.
HWND find_information_box(DWORD process_id);
// The message an information box shows.
std::wstring information_text(HWND box);
// Answers a dialog or message box with its OK button.
void press_ok(HWND box);

// The file-name field of an open-file dialog: the explorer-style dialog's
// combo box (cmb13), or the older dialog's edit box (edt1).
HWND file_name_field(HWND dialog);

// Selects the folder in the shell's folder browser of another process.
bool select_browser_folder(HWND browser, std::wstring const& folder);

}
