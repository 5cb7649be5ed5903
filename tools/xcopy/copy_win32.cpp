#include "xcopy_copy.h"

#include "common/utf.h"

#include <algorithm>
#include <filesystem>
#include <optional>
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

bool make_folder(std::string const& path)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(utf8_to_wide(path)), error);
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

bool is_inside(std::string const& inner, std::string const& outer)
{
    auto canonical = [](std::string const& path) -> std::optional<std::filesystem::path> {
        std::error_code error;
        auto result = std::filesystem::weakly_canonical(std::filesystem::path(utf8_to_wide(path)), error);
        if (error)
            return std::nullopt;
        if (result.has_parent_path() && result.filename().empty())
            result = result.parent_path();
        return result;
    };
    auto a = canonical(inner);
    auto b = canonical(outer);
    if (!a || !b)
        return false;
    auto mismatch = std::mismatch(b->begin(), b->end(), a->begin(), a->end(),
        [](auto const& x, auto const& y) { return lstrcmpiW(x.c_str(), y.c_str()) == 0; });
    return mismatch.first == b->end();
}

}
