#include "xcopy_copy.h"

#include "common/utf.h"

#include <windows.h>

namespace tarnwell::xcopy {

using tools::utf8_to_wide;
using tools::wide_to_utf8;

std::string native_path(std::string const& argument)
{
    return argument;
}

std::string join(std::string const& folder, std::string const& name)
{
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/')
        return folder + name;
    return folder + "\\" + name;
}

Kind kind_of(std::string const& path)
{
    DWORD attributes = GetFileAttributesW(utf8_to_wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Kind::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::Folder : Kind::File;
}

bool list_folder(std::string const& path, std::vector<Entry>& entries)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(utf8_to_wide(join(path, "*")).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        DWORD attributes = data.dwFileAttributes;
        entries.push_back(Entry { wide_to_utf8(name), (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
            (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0 });
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return true;
}

// The folder and every missing one above it. (No std::filesystem here: on
// the i686 build it would import GetTickCount64, which Windows XP lacks.)
bool make_folder(std::string const& path)
{
    std::wstring wide = utf8_to_wide(path);
    for (size_t i = 0; i <= wide.size(); ++i) {
        if (i < wide.size() && wide[i] != L'\\' && wide[i] != L'/')
            continue;
        std::wstring part = wide.substr(0, i);
        // "", "C:" and "\\server" parts already exist or cannot be made.
        if (part.empty() || part.back() == L':' || GetFileAttributesW(part.c_str()) != INVALID_FILE_ATTRIBUTES)
            continue;
        CreateDirectoryW(part.c_str(), nullptr);
    }
    return kind_of(path) == Kind::Folder;
}

CopyResult copy_file(std::string const& source, std::string const& target, Options const& options)
{
    std::wstring from = utf8_to_wide(source);
    std::wstring to = utf8_to_wide(target);
    DWORD existing = GetFileAttributesW(to.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY)) {
        if (!options.replace_read_only)
            return CopyResult::ReadOnlyTarget;
    }
    // CopyFileW refuses a read-only or hidden target; the attributes come
    // from the source afterwards anyway.
    if (existing != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE))
        return CopyResult::Failed;
    if (!options.keep_attributes) {
        DWORD attributes = GetFileAttributesW(to.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesW(to.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    }
    return CopyResult::Copied;
}

namespace {

    std::wstring full_path(std::string const& path)
    {
        std::wstring wide = utf8_to_wide(path);
        DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
        if (length == 0)
            return {};
        std::wstring full(length, L'\0');
        length = GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
        full.resize(length);
        while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/'))
            full.pop_back();
        return full;
    }

}

bool is_inside(std::string const& inner, std::string const& outer)
{
    std::wstring a = full_path(inner);
    std::wstring b = full_path(outer);
    if (a.empty() || b.empty() || a.size() < b.size())
        return false;
    if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), static_cast<int>(b.size()), b.c_str(),
            static_cast<int>(b.size()))
        != CSTR_EQUAL)
        return false;
    return a.size() == b.size() || a[b.size()] == L'\\' || b.back() == L'\\';
}

}
