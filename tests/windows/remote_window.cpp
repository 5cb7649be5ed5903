#include "remote_window.h"

#include <commctrl.h>
#include <shlobj.h>

namespace tarnwell::test {

namespace {

    // A block of memory in the process that owns a window, for the messages
    // whose data the system does not carry across processes.
    class RemoteMemory {
    public:
        RemoteMemory(HWND window, std::size_t size)
        {
            DWORD process_id = 0;
            GetWindowThreadProcessId(window, &process_id);
            m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process_id);
            if (m_process)
                m_address = VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        }
        ~RemoteMemory()
        {
            if (m_address)
                VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
            if (m_process)
                CloseHandle(m_process);
        }
        RemoteMemory(RemoteMemory const&) = delete;
        RemoteMemory& operator=(RemoteMemory const&) = delete;

        bool valid() const { return m_address != nullptr; }
        char* address() const { return static_cast<char*>(m_address); }
        bool write(std::size_t offset, void const* data, std::size_t size)
        {
            return WriteProcessMemory(m_process, address() + offset, data, size, nullptr);
        }
        bool read(std::size_t offset, void* data, std::size_t size)
        {
            return ReadProcessMemory(m_process, address() + offset, data, size, nullptr);
        }

    private:
        HANDLE m_process { nullptr };
        void* m_address { nullptr };
    };

    // The first visible top-level window of the process that `wanted` takes.
    HWND find_process_window(DWORD process_id, std::function<bool(HWND)> const& wanted)
    {
        struct Search {
            DWORD process_id;
            std::function<bool(HWND)> const* wanted;
            HWND found;
        } search { process_id, &wanted, nullptr };
        EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto& search = *reinterpret_cast<Search*>(data);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner != search.process_id || !IsWindowVisible(window) || !(*search.wanted)(window))
                    return TRUE;
                search.found = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

}

bool wait_until(std::function<bool()> const& ready, int limit_ms)
{
    for (int waited = 0; waited <= limit_ms; waited += 50) {
        if (ready())
            return true;
        Sleep(50);
    }
    return false;
}

HWND find_top_level(DWORD process_id, std::wstring const& title)
{
    return find_process_window(process_id, [&](HWND window) { return window_text(window) == title; });
}

std::vector<HWND> direct_children(HWND parent)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

std::wstring window_text(HWND window)
{
    // WM_GETTEXT is carried across processes by the system.
    auto length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    auto copied = SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

std::wstring class_name(HWND window)
{
    wchar_t name[256] {};
    GetClassNameW(window, name, 256);
    return name;
}

Rect rect_in_parent(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return { rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top };
}

LONG style_of(HWND window)
{
    return GetWindowLongW(window, GWL_STYLE);
}

void click(HWND button)
{
    PostMessageW(button, BM_CLICK, 0, 0);
}

std::wstring list_view_column(HWND list_view, int index, int& width)
{
    constexpr std::size_t text_capacity = 256;
    RemoteMemory memory(list_view, sizeof(LVCOLUMNW) + text_capacity * sizeof(wchar_t));
    if (!memory.valid())
        return L"<no memory in the program>";
    LVCOLUMNW column {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = reinterpret_cast<wchar_t*>(memory.address() + sizeof column);
    column.cchTextMax = text_capacity;
    memory.write(0, &column, sizeof column);
    if (!SendMessageW(
            list_view, LVM_GETCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(memory.address())))
        return L"<no such column>";
    memory.read(0, &column, sizeof column);
    wchar_t text[text_capacity] {};
    memory.read(sizeof column, text, sizeof text - sizeof(wchar_t));
    width = column.cx;
    return text;
}

int list_view_rows(HWND list_view)
{
    return static_cast<int>(SendMessageW(list_view, LVM_GETITEMCOUNT, 0, 0));
}

bool select_browser_folder(HWND browser, std::wstring const& folder)
{
    RemoteMemory memory(browser, (folder.size() + 1) * sizeof(wchar_t));
    if (!memory.valid() || !memory.write(0, folder.c_str(), (folder.size() + 1) * sizeof(wchar_t)))
        return false;
    SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(memory.address()));
    return true;
}

std::wstring list_view_row(HWND list_view, int row)
{
    constexpr std::size_t text_capacity = 1024;
    RemoteMemory memory(list_view, sizeof(LVITEMW) + text_capacity * sizeof(wchar_t));
    if (!memory.valid())
        return L"<no memory in the program>";
    LVITEMW item {};
    item.iSubItem = 0;
    item.pszText = reinterpret_cast<wchar_t*>(memory.address() + sizeof item);
    item.cchTextMax = text_capacity;
    memory.write(0, &item, sizeof item);
    auto length = SendMessageW(
        list_view, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory.address()));
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    memory.read(sizeof item, text.data(), text.size() * sizeof(wchar_t));
    return text;
}

bool select_list_view_row(HWND list_view, int row)
{
    RemoteMemory memory(list_view, sizeof(LVITEMW));
    if (!memory.valid())
        return false;
    LVITEMW item {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    memory.write(0, &item, sizeof item);
    return SendMessageW(
               list_view, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory.address()))
        != FALSE;
}

HWND find_information_box(DWORD process_id)
{
    return find_top_level(process_id, L"信息：");
}

std::wstring information_text(HWND box)
{
    // The message is the box's one static text that is not its icon.
    for (HWND child : direct_children(box)) {
        if (_wcsicmp(class_name(child).c_str(), L"Static") == 0 && (style_of(child) & SS_TYPEMASK) != SS_ICON
            && !window_text(child).empty())
            return window_text(child);
    }
    return L"";
}

void press_ok(HWND box)
{
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

HWND file_name_field(HWND dialog)
{
    HWND field = GetDlgItem(dialog, 0x47c);
    return field ? field : GetDlgItem(dialog, 0x480);
}

HWND find_dialog_showing(DWORD process_id, std::wstring const& text)
{
    return find_process_window(process_id, [&](HWND window) {
        for (HWND child : direct_children(window)) {
            if (window_text(child) == text)
                return true;
        }
        return false;
    });
}

}
