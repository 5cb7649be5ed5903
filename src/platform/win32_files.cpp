// The file primitives on Windows: each one a thin layer over the system
// service the handlers were written for, through the wide APIs (texts are
// converted from and to GBK at the call, with GB18030 where a name has no
// GBK form). Nothing newer than Windows XP is called.

#include "platform/files.h"

#include "platform/encoding.h"
#include "platform/file_lines.h"
#include "platform/name_pattern.h"
#include "platform/win32_handle.h"

#include <map>
#include <vector>

namespace tarnwell {

namespace {

    struct OpenFileEntry {
        win32::FileHandle handle;
        std::uint64_t position { 0 };
    };

    // Numbers are handed out once and never again in a run, so a number
    // closed earlier can never name a file opened later.
    struct OpenFiles {
        std::map<FileNumber, OpenFileEntry> entries;
        FileNumber next_number { 1 };
    };

    OpenFiles& open_files()
    {
        static OpenFiles files;
        return files;
    }

    OpenFileEntry* find_open(FileNumber number)
    {
        auto& entries = open_files().entries;
        auto it = entries.find(number);
        return it == entries.end() ? nullptr : &it->second;
    }

    OVERLAPPED at_offset(std::uint64_t offset)
    {
        OVERLAPPED overlapped {};
        overlapped.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
        overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
        return overlapped;
    }

    file_lines::ReadAt reader_for(HANDLE handle)
    {
        return [handle](std::uint64_t offset, std::span<char> buffer) -> std::optional<size_t> {
            OVERLAPPED overlapped = at_offset(offset);
            DWORD got = 0;
            if (!ReadFile(handle, buffer.data(), static_cast<DWORD>(buffer.size()), &got, &overlapped))
                return GetLastError() == ERROR_HANDLE_EOF ? std::optional<size_t>(0) : std::nullopt;
            return got;
        };
    }

    bool write_all(HANDLE handle, std::uint64_t offset, char const* data, size_t size)
    {
        size_t done = 0;
        while (done < size) {
            OVERLAPPED overlapped = at_offset(offset + done);
            DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - done, 1 << 20));
            DWORD wrote = 0;
            if (!WriteFile(handle, data + done, chunk, &wrote, &overlapped) || wrote == 0)
                return false;
            done += wrote;
        }
        return true;
    }

    // Windows refuses to open a read-only file for writing by itself; the
    // explicit test keeps that so where the system's check is weaker (Wine
    // run by root maps the attribute to permissions that root ignores).
    bool is_read_only(std::wstring const& path)
    {
        DWORD attributes = GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    }

    bool last_part_has_wildcards(std::string_view path)
    {
        size_t start = path.find_last_of("\\/");
        return has_wildcards(path.substr(start == std::string_view::npos ? 0 : start + 1));
    }

}

FileNumber OpenFile(std::string_view path)
{
    if (path.empty())
        return 0;
    std::wstring wide = wide_from_gbk(path);
    if (is_read_only(wide))
        return 0;
    win32::FileHandle handle(
        CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid())
        return 0;
    auto& files = open_files();
    FileNumber number = files.next_number++;
    files.entries[number] = OpenFileEntry { std::move(handle), 0 };
    return number;
}

void CloseFile(FileNumber number)
{
    open_files().entries.erase(number);
}

Text ReadRest(FileNumber number)
{
    auto* file = find_open(number);
    return file ? file_lines::read_rest(reader_for(file->handle.get()), file->position) : Text {};
}

std::optional<Text> ReadRestWhole(FileNumber number)
{
    auto* file = find_open(number);
    if (!file)
        return std::nullopt;
    return file_lines::read_rest_whole(reader_for(file->handle.get()), file->position);
}

Text ReadLine(FileNumber number)
{
    auto* file = find_open(number);
    return file ? file_lines::read_line(reader_for(file->handle.get()), file->position) : Text {};
}

bool AtEnd(FileNumber number)
{
    auto* file = find_open(number);
    return !file || file_lines::at_end(reader_for(file->handle.get()), file->position);
}

bool WriteText(FileNumber number, std::string_view text)
{
    auto* file = find_open(number);
    if (!file || !write_all(file->handle.get(), file->position, text.data(), text.size()))
        return false;
    file->position += text.size();
    return true;
}

bool WriteFileBytes(std::string_view path, ByteData const& data)
{
    if (path.empty())
        return false;
    // Share mode 0: the open fails while any other open of the file exists,
    // before anything is changed. OPEN_ALWAYS and an explicit truncation
    // (rather than CREATE_ALWAYS) also rewrite a hidden or system file.
    std::wstring wide = wide_from_gbk(path);
    if (is_read_only(wide))
        return false;
    win32::FileHandle handle(
        CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid())
        return false;
    if (!SetEndOfFile(handle.get()))
        return false;
    if (!write_all(handle.get(), 0, reinterpret_cast<char const*>(data.data()), data.size()))
        return false;
    return handle.close_checked();
}

bool CopyFileTo(std::string_view source, std::string_view destination)
{
    if (source.empty() || destination.empty())
        return false;
    return CopyFileW(wide_from_gbk(source).c_str(), wide_from_gbk(destination).c_str(), FALSE) != 0;
}

bool DeleteFilePath(std::string_view path)
{
    if (path.empty() || last_part_has_wildcards(path))
        return false;
    return DeleteFileW(wide_from_gbk(path).c_str()) != 0;
}

bool FileExists(std::string_view path)
{
    if (path.empty())
        return false;
    WIN32_FIND_DATAW data;
    win32::FindHandle find(FindFirstFileW(wide_from_gbk(path).c_str(), &data));
    return find.valid();
}

bool ChangeDirectory(std::string_view path)
{
    if (path.empty())
        return false;
    return SetCurrentDirectoryW(wide_from_gbk(path).c_str()) != 0;
}

Text TempDir()
{
    std::wstring buffer(MAX_PATH + 1, L'\0');
    DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length > buffer.size()) {
        buffer.assign(length, L'\0');
        length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    if (length == 0 || length > buffer.size())
        return {};
    buffer.resize(length);
    if (buffer.back() != L'\\')
        buffer.push_back(L'\\');
    return gbk_from_wide(buffer);
}

namespace {

    Text executable_folder()
    {
        std::wstring buffer(MAX_PATH, L'\0');
        while (true) {
            DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
            if (length == 0)
                return {};
            if (length < buffer.size()) {
                buffer.resize(length);
                break;
            }
            buffer.resize(buffer.size() * 2);
        }
        size_t slash = buffer.rfind(L'\\');
        return gbk_from_wide(buffer.substr(0, slash == std::wstring::npos ? 0 : slash));
    }

}

Text RunDir()
{
    static Text const folder = executable_folder();
    return folder;
}

std::optional<FileStamp> GetFileStamp(std::string_view path)
{
    if (path.empty())
        return std::nullopt;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(wide_from_gbk(path).c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    std::uint64_t size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    std::int64_t modified = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime);
    return FileStamp { size, modified };
}

// Listings: FindFirstFileW and FindNextFileW, with the entry that the
// system gave last kept until a call takes it.
struct FileFinder::State {
    win32::FindHandle find;
    WIN32_FIND_DATAW pending {};
    bool has_pending { false };

    void close()
    {
        find.reset();
        has_pending = false;
    }
};

FileFinder::FileFinder()
    : m_state(std::make_unique<State>())
{
}

FileFinder::~FileFinder() = default;

namespace {

    bool passes(FindFilter filter, DWORD attributes)
    {
        switch (filter) {
        case FindFilter::Files:
            return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        case FindFilter::Directories:
            return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        case FindFilter::Archive:
            return (attributes & FILE_ATTRIBUTE_ARCHIVE) != 0;
        }
        return false;
    }

}

Text FileFinder::FindFile(std::string_view pattern, FindFilter filter)
{
    auto& state = *m_state;
    if (!pattern.empty()) {
        state.close();
        HANDLE handle = FindFirstFileW(wide_from_gbk(pattern).c_str(), &state.pending);
        if (handle == INVALID_HANDLE_VALUE)
            return {};
        state.find.reset(handle);
        state.has_pending = true;
    }
    while (state.find.valid()) {
        if (!state.has_pending) {
            if (!FindNextFileW(state.find.get(), &state.pending))
                break;
        }
        state.has_pending = false;
        if (passes(filter, state.pending.dwFileAttributes))
            return gbk_from_wide(state.pending.cFileName);
    }
    state.close();
    return {};
}

void FileFinder::EndFind()
{
    m_state->close();
}

}
