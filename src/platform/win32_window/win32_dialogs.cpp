// The modal dialogs of the window system: the common open-file dialog, the
// shell's folder browser and the information box.

#include "platform/encoding.h"
#include "platform/win32_window/dialog_texts.h"
#include "platform/win32_window/win32_window_system.h"

#include <commdlg.h>
#include <shlobj.h>
#include <vector>

namespace tarnwell::win32 {

namespace {

    // Room for any path the file-name field can hold, long ones included.
    constexpr std::size_t file_name_capacity = 32768;

}

std::optional<Text> Win32WindowSystem::choose_open_file(OpenFileDialog const& dialog)
{
    auto filter = open_file_filter(dialog.filter());
    auto title = wide_from_gbk(dialog.title());
    // The remembered file name stands in the file-name field when it opens.
    std::vector<wchar_t> file_name(file_name_capacity, L'\0');
    auto remembered = wide_from_gbk(dialog.file_name());
    remembered.resize(std::min(remembered.size(), file_name.size() - 1));
    std::copy(remembered.begin(), remembered.end(), file_name.begin());

    // The structure's full size as XP and every later system take it.
    OPENFILENAMEW request {};
    request.lStructSize = sizeof request;
    request.hwndOwner = m_window.get();
    request.lpstrFilter = dialog.filter().empty() ? nullptr : filter.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = file_name.data();
    request.nMaxFile = static_cast<DWORD>(file_name.size());
    request.lpstrTitle = title.empty() ? nullptr : title.c_str();
    request.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&request))
        return std::nullopt; // cancelled, or the dialog could not open
    return gbk_from_wide(file_name.data());
}

Text Win32WindowSystem::browse_for_folder(std::string_view title)
{
    // The shell's browser wants COM on the calling thread.
    if (!m_com_initialised)
        m_com_initialised = SUCCEEDED(CoInitialize(nullptr));
    auto wide_title = wide_from_gbk(title);
    wchar_t display_name[MAX_PATH] {};
    BROWSEINFOW request {};
    HWND active = GetActiveWindow();
    request.hwndOwner = active ? active : m_window.get();
    request.pszDisplayName = display_name;
    request.lpszTitle = wide_title.c_str();
    request.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX;
    ShellItemList chosen(SHBrowseForFolderW(&request));
    if (!chosen)
        return {};
    wchar_t path[MAX_PATH] {};
    if (!SHGetPathFromIDListW(static_cast<LPCITEMIDLIST>(chosen.get()), path))
        return {}; // an item without a file-system path
    return gbk_from_wide(folder_without_trailing_separator(path));
}

void Win32WindowSystem::info_box(std::string_view text)
{
    // No owner, so it stands on its own; task-modal, so every window of
    // the program waits for it.
    MessageBoxW(nullptr, wide_from_gbk(text).c_str(), wide_from_gbk("信息：").c_str(), MB_OK | MB_TASKMODAL);
}

}
