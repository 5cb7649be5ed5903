#include "app/control_operations.h"

namespace tarnwell {

void ListBoxAdd(ListBox& list, std::string_view text)
{
    list.add(text);
}

Text ListBoxItemText(ListBox const& list, int index)
{
    if (index < 0 || index >= static_cast<int>(list.items().size()))
        return {};
    return list.items()[index];
}

void ListBoxClear(ListBox& list)
{
    list.clear();
}

void ListViewAdd(ListView& list, std::string_view text)
{
    list.add(text);
}

Text ListViewItemText(ListView const& list, int index)
{
    if (index < 0 || index >= ListViewCount(list))
        return {};
    return list.rows()[index];
}

int ListViewCount(ListView const& list)
{
    return static_cast<int>(list.rows().size());
}

void ListViewDelete(ListView& list, int index)
{
    list.remove(index);
}

void ListViewClear(ListView& list)
{
    list.clear();
}

void EditAppend(EditBox& box, std::string_view text)
{
    box.append(text);
}

}
