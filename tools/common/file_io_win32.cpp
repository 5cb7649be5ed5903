#include "common/file_io.h"
#include "common/utf.h"

#include <random>
#include <windows.h>

namespace tarnwell::tools {

namespace {

    std::unexpected<Error> io_error(std::string const& what, std::string const& path)
    {
        DWORD code = GetLastError();
        return fail(ErrorCode::Io, 0, what + " " + path + " (Windows error " + std::to_string(code) + ")");
    }

    std::string folder_of(std::string const& path)
    {
        auto slash = path.find_last_of("\\/");
        if (slash == std::string::npos)
            return ".";
        return path.substr(0, slash == 0 ? 1 : slash);
    }

}

struct InputFile::Handle {
    HANDLE handle { INVALID_HANDLE_VALUE };
    ~Handle()
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};

InputFile::InputFile(InputFile&&) noexcept = default;
InputFile& InputFile::operator=(InputFile&&) noexcept = default;
InputFile::~InputFile() = default;

Result<InputFile> InputFile::open(std::string const& path)
{
    InputFile file;
    file.m_handle = std::make_unique<Handle>();
    file.m_handle->handle = CreateFileW(utf8_to_wide(path).c_str(), GENERIC_READ,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file.m_handle->handle == INVALID_HANDLE_VALUE)
        return io_error("cannot open", path);
    LARGE_INTEGER size {};
    if (!GetFileSizeEx(file.m_handle->handle, &size))
        return io_error("cannot size", path);
    file.m_size = static_cast<std::uint64_t>(size.QuadPart);
    file.m_path = path;
    return file;
}

Result<void> InputFile::read_at(std::uint64_t offset, std::span<std::uint8_t> buffer) const
{
    if (offset > m_size || buffer.size() > m_size - offset)
        return fail(ErrorCode::Truncated, offset, "read past the end of " + m_path);
    size_t done = 0;
    while (done < buffer.size()) {
        OVERLAPPED position {};
        std::uint64_t at = offset + done;
        position.Offset = static_cast<DWORD>(at);
        position.OffsetHigh = static_cast<DWORD>(at >> 32);
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(buffer.size() - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(m_handle->handle, buffer.data() + done, chunk, &got, &position))
            return io_error("cannot read", m_path);
        if (got == 0)
            return fail(ErrorCode::Truncated, at, "file shrank: " + m_path);
        done += got;
    }
    return {};
}

struct AtomicOutputFile::Handle {
    HANDLE handle { INVALID_HANDLE_VALUE };
    ~Handle()
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};

AtomicOutputFile::AtomicOutputFile(AtomicOutputFile&&) noexcept = default;
AtomicOutputFile& AtomicOutputFile::operator=(AtomicOutputFile&&) noexcept = default;

AtomicOutputFile::~AtomicOutputFile()
{
    if (m_handle && m_handle->handle != INVALID_HANDLE_VALUE) {
        CloseHandle(m_handle->handle);
        m_handle->handle = INVALID_HANDLE_VALUE;
        DeleteFileW(utf8_to_wide(m_temp_path).c_str());
    }
}

Result<AtomicOutputFile> AtomicOutputFile::create(std::string const& final_path)
{
    AtomicOutputFile file;
    file.m_handle = std::make_unique<Handle>();
    file.m_final_path = final_path;
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        file.m_temp_path = folder_of(final_path) + "\\.tarnwell-" + std::to_string(random()) + ".tmp";
        file.m_handle->handle = CreateFileW(utf8_to_wide(file.m_temp_path).c_str(), GENERIC_WRITE, 0, nullptr,
            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file.m_handle->handle != INVALID_HANDLE_VALUE)
            return file;
        if (GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    return io_error("cannot create a temporary file beside", final_path);
}

Result<void> AtomicOutputFile::write(std::span<std::uint8_t const> data)
{
    return write_at(m_written, data);
}

Result<void> AtomicOutputFile::write_at(std::uint64_t offset, std::span<std::uint8_t const> data)
{
    size_t done = 0;
    while (done < data.size()) {
        OVERLAPPED position {};
        std::uint64_t at = offset + done;
        position.Offset = static_cast<DWORD>(at);
        position.OffsetHigh = static_cast<DWORD>(at >> 32);
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 30));
        DWORD put = 0;
        if (!WriteFile(m_handle->handle, data.data() + done, chunk, &put, &position))
            return io_error("cannot write", m_final_path);
        done += put;
    }
    if (offset + data.size() > m_written)
        m_written = offset + data.size();
    return {};
}

Result<void> AtomicOutputFile::commit()
{
    if (!FlushFileBuffers(m_handle->handle))
        return io_error("cannot flush", m_final_path);
    CloseHandle(m_handle->handle);
    m_handle->handle = INVALID_HANDLE_VALUE;
    // MoveFileEx with REPLACE_EXISTING is on XP already.
    if (!MoveFileExW(utf8_to_wide(m_temp_path).c_str(), utf8_to_wide(m_final_path).c_str(),
            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        auto error = io_error("cannot replace", m_final_path);
        DeleteFileW(utf8_to_wide(m_temp_path).c_str());
        return error;
    }
    return {};
}

Result<void> AtomicOutputFile::write_from(InputFile const& input, std::uint64_t offset, std::uint64_t length)
{
    std::vector<std::uint8_t> buffer(static_cast<size_t>(std::min<std::uint64_t>(length, 1u << 20)));
    while (length > 0) {
        auto piece = std::span(buffer).first(static_cast<size_t>(std::min<std::uint64_t>(length, buffer.size())));
        if (auto read = input.read_at(offset, piece); !read)
            return read;
        if (auto written = write(piece); !written)
            return written;
        offset += piece.size();
        length -= piece.size();
    }
    return {};
}

Result<void> AtomicOutputFile::commit_without_flush()
{
    CloseHandle(m_handle->handle);
    m_handle->handle = INVALID_HANDLE_VALUE;
    if (!MoveFileExW(
            utf8_to_wide(m_temp_path).c_str(), utf8_to_wide(m_final_path).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        auto error = io_error("cannot replace", m_final_path);
        DeleteFileW(utf8_to_wide(m_temp_path).c_str());
        return error;
    }
    return {};
}

Result<std::vector<DirectoryEntry>> list_directory(std::string const& path)
{
    WIN32_FIND_DATAW found {};
    HANDLE search = FindFirstFileW(utf8_to_wide(path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return io_error("cannot list", path);
    std::vector<DirectoryEntry> entries;
    do {
        std::string name = wide_to_utf8(found.cFileName);
        if (name == "." || name == "..")
            continue;
        DirectoryEntry entry;
        entry.name = name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            entry.type = EntryType::Other;
        else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            entry.type = EntryType::Directory;
        else
            entry.type = EntryType::File;
        entry.size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        std::uint64_t ticks = (static_cast<std::uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32)
            | found.ftLastWriteTime.dwLowDateTime;
        // FILETIME counts 100 ns steps from 1601-01-01.
        entry.modified = static_cast<std::int64_t>(ticks / 10000000ULL) - 11644473600LL;
        entry.hidden = (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
        entries.push_back(std::move(entry));
    } while (FindNextFileW(search, &found));
    DWORD last = GetLastError();
    FindClose(search);
    if (last != ERROR_NO_MORE_FILES)
        return fail(ErrorCode::Io, 0, "cannot list " + path + " (Windows error " + std::to_string(last) + ")");
    return entries;
}

EntryType entry_type(std::string const& path)
{
    DWORD attributes = GetFileAttributesW(utf8_to_wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return EntryType::Missing;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return EntryType::Directory;
    return EntryType::File;
}

Result<void> make_directories(std::string const& path)
{
    if (path.empty() || entry_type(path) == EntryType::Directory)
        return {};
    auto slash = path.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0 && !(slash == 2 && path[1] == ':')) {
        auto parent = make_directories(path.substr(0, slash));
        if (!parent)
            return parent;
    }
    if (!CreateDirectoryW(utf8_to_wide(path).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return io_error("cannot create folder", path);
    if (entry_type(path) != EntryType::Directory)
        return fail(ErrorCode::Io, 0, "not a folder: " + path);
    return {};
}

Result<void> set_modified_time(std::string const& path, std::int64_t unix_seconds)
{
    HANDLE handle = CreateFileW(utf8_to_wide(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return io_error("cannot open", path);
    // FILETIME counts 100 ns steps from 1601-01-01.
    std::uint64_t ticks = static_cast<std::uint64_t>(unix_seconds + 11644473600LL) * 10000000ULL;
    FILETIME time { static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32) };
    BOOL ok = SetFileTime(handle, nullptr, &time, &time);
    CloseHandle(handle);
    if (!ok)
        return io_error("cannot set the time of", path);
    return {};
}

Result<std::int64_t> modified_time(std::string const& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data {};
    if (!GetFileAttributesExW(utf8_to_wide(path).c_str(), GetFileExInfoStandard, &data))
        return io_error("cannot stat", path);
    // FILETIME counts 100 ns steps from 1601-01-01.
    std::uint64_t ticks
        = (std::uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / 10000000ULL) - 11644473600LL;
}

char native_separator()
{
    return '\\';
}

}
