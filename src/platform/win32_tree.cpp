// DeleteTree on Windows: DeleteFileW and RemoveDirectoryW over a walk with
// FindFirstFileW, on the wide names as they are on disk, so names without a
// GBK form go as well. Names that begin with "." go like any other (only the
// "." and ".." entries are passed over). A read-only file refuses DeleteFileW
// and stays.

#include "platform/files.h"

#include "platform/encoding.h"
#include "platform/tree_path.h"
#include "platform/win32_handle.h"

#include <string>
#include <vector>

namespace tarnwell {

namespace {

    // Deeper trees are left where they are (and DeleteTree gives false): no
    // image or program folder nests this deep, and the cap bounds the stack.
    constexpr int max_tree_depth = 256;

    struct Entry {
        std::wstring name;
        bool directory;
        bool link; // a junction or symbolic link: removed, never entered
    };

    std::vector<Entry> entries_of(std::wstring const& folder)
    {
        std::vector<Entry> entries;
        WIN32_FIND_DATAW data;
        win32::FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
        if (!find.valid())
            return entries;
        do {
            DWORD attributes = data.dwFileAttributes;
            entries.push_back(Entry { data.cFileName, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 });
        } while (FindNextFileW(find.get(), &data));
        return entries;
    }

    void remove_content(std::wstring const& folder, int depth)
    {
        if (depth > max_tree_depth)
            return;
        for (auto const& entry : entries_of(folder)) {
            if (entry.name == L"." || entry.name == L"..")
                continue;
            std::wstring path = folder + L"\\" + entry.name;
            if (entry.directory) {
                if (!entry.link)
                    remove_content(path, depth + 1);
                RemoveDirectoryW(path.c_str());
            } else {
                DeleteFileW(path.c_str());
            }
        }
    }

}

bool DeleteTree(std::string_view path)
{
    auto checked = tree_to_delete(path);
    if (!checked)
        return false;
    path = *checked;
    std::wstring folder = wide_from_gbk(path);
    while (folder.size() > 1 && (folder.back() == L'\\' || folder.back() == L'/'))
        folder.pop_back();
    DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return false;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        remove_content(folder, 1);
    return RemoveDirectoryW(folder.c_str()) != 0;
}

}
