// The list and edit operations the handlers call, on the controls of the
// window model.

#include "app/control_operations.h"

#include <gtest/gtest.h>

#include <functional>

namespace tarnwell {
namespace {

    struct ListViewCase {
        char const* what;
        TextList rows; // before
        int selected; // before, written through the selection
        std::function<void(ListView&)> operation;
        TextList expected_rows;
        int expected_selection;
        int expected_focus;
    };

    ListViewCase const list_view_cases[] = {
        { "adding appends without sorting", { "b" }, -1, [](ListView& l) { ListViewAdd(l, "a"); }, { "b", "a" }, -1,
            -1 },
        { "adding keeps the selection", { "a", "b" }, 1, [](ListView& l) { ListViewAdd(l, "c"); }, { "a", "b", "c" }, 1,
            1 },
        { "deleting -1 removes nothing", { "a", "b" }, 0, [](ListView& l) { ListViewDelete(l, -1); }, { "a", "b" }, 0,
            0 },
        { "deleting past the end removes nothing", { "a", "b" }, 1, [](ListView& l) { ListViewDelete(l, 2); },
            { "a", "b" }, 1, 1 },
        { "rows behind a deleted one move up", { "a", "b", "c" }, -1, [](ListView& l) { ListViewDelete(l, 0); },
            { "b", "c" }, -1, -1 },
        { "the selection moves up with its row", { "a", "b", "c" }, 2, [](ListView& l) { ListViewDelete(l, 0); },
            { "b", "c" }, 1, 1 },
        { "deleting the selected row leaves none selected", { "a", "b", "c" }, 1,
            [](ListView& l) { ListViewDelete(l, 1); }, { "a", "c" }, -1, -1 },
        { "a row behind the selection leaves it alone", { "a", "b", "c" }, 0, [](ListView& l) { ListViewDelete(l, 2); },
            { "a", "b" }, 0, 0 },
        { "clearing removes rows and selection", { "a", "b" }, 1, [](ListView& l) { ListViewClear(l); }, {}, -1, -1 },
        { "selecting a row moves the selection and focus", { "a", "b" }, 0, [](ListView& l) { l.set_selection(1); },
            { "a", "b" }, 1, 1 },
        { "selecting -1 takes selection and focus away", { "a", "b" }, 1, [](ListView& l) { l.set_selection(-1); },
            { "a", "b" }, -1, -1 },
        { "selecting -1 with none selected changes nothing", { "a" }, -1, [](ListView& l) { l.set_selection(-1); },
            { "a" }, -1, -1 },
        { "selecting a row that is not there changes nothing", { "a" }, 0, [](ListView& l) { l.set_selection(1); },
            { "a" }, 0, 0 },
    };

    TEST(ListViewOperations, RowsSelectionAndFocus)
    {
        for (auto const& test : list_view_cases) {
            SCOPED_TRACE(test.what);
            ListView list("list", {}, "header", 500);
            for (auto const& row : test.rows)
                ListViewAdd(list, row);
            list.set_selection(test.selected);
            test.operation(list);
            EXPECT_EQ(list.rows(), test.expected_rows);
            EXPECT_EQ(ListViewCount(list), static_cast<int>(test.expected_rows.size()));
            EXPECT_EQ(list.selection(), test.expected_selection);
            EXPECT_EQ(list.focused(), test.expected_focus);
        }
    }

    TEST(ListViewOperations, ItemTextGivesEmptyOutsideTheRows)
    {
        ListView list("list", {}, "header", 500);
        ListViewAdd(list, "first");
        ListViewAdd(list, "second");
        struct {
            int index;
            char const* text;
        } const cases[] = { { 0, "first" }, { 1, "second" }, { 2, "" }, { -1, "" } };
        for (auto const& test : cases)
            EXPECT_EQ(ListViewItemText(list, test.index), test.text) << test.index;
    }

    TEST(ListBoxOperations, ItemsInOrderOfAddingAndCleared)
    {
        ListBox list("list", {});
        ListBoxAdd(list, "b.exe");
        ListBoxAdd(list, "a.dll");
        EXPECT_EQ(ListBoxItemText(list, 0), "b.exe");
        EXPECT_EQ(ListBoxItemText(list, 1), "a.dll");
        EXPECT_EQ(ListBoxItemText(list, 2), "");
        EXPECT_EQ(ListBoxItemText(list, -1), "");
        list.set_selection(1);
        ListBoxClear(list);
        EXPECT_TRUE(list.items().empty());
        EXPECT_EQ(list.selection(), -1);
        EXPECT_EQ(ListBoxItemText(list, 0), "");
    }

    TEST(EditAppend, AddsAtTheEndAndCountsAsOneWrite)
    {
        EditBox box("box", {}, EditLines::Many);
        int runs = 0;
        box.set_text_changed_handler([&] { ++runs; });
        box.set_text("LINK a\r\n");
        EditAppend(box, "LINK b\r\n");
        EXPECT_EQ(box.text(), "LINK a\r\nLINK b\r\n");
        EXPECT_EQ(runs, 2);
    }

}
}
