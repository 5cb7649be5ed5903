#include "common/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwell::tools {

namespace {

    std::unexpected<Error> io_error(std::string const& what, std::string const& path)
    {
        return fail(ErrorCode::Io, 0, what + " " + path + ": " + std::strerror(errno));
    }

    std::string folder_of(std::string const& path)
    {
        auto slash = path.find_last_of('/');
        if (slash == std::string::npos)
            return ".";
        if (slash == 0)
            return "/";
        return path.substr(0, slash);
    }

}

struct InputFile::Handle {
    int fd { -1 };
    ~Handle()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

InputFile::InputFile(InputFile&&) noexcept = default;
InputFile& InputFile::operator=(InputFile&&) noexcept = default;
InputFile::~InputFile() = default;

Result<InputFile> InputFile::open(std::string const& path)
{
    InputFile file;
    file.m_handle = std::make_unique<Handle>();
    file.m_handle->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file.m_handle->fd < 0)
        return io_error("cannot open", path);
    struct stat info { };
    if (::fstat(file.m_handle->fd, &info) != 0)
        return io_error("cannot stat", path);
    if (!S_ISREG(info.st_mode))
        return fail(ErrorCode::Io, 0, "not a regular file: " + path);
    file.m_size = static_cast<std::uint64_t>(info.st_size);
    file.m_path = path;
    return file;
}

Result<void> InputFile::read_at(std::uint64_t offset, std::span<std::uint8_t> buffer) const
{
    if (offset > m_size || buffer.size() > m_size - offset)
        return fail(ErrorCode::Truncated, offset, "read past the end of " + m_path);
    size_t done = 0;
    while (done < buffer.size()) {
        ssize_t got
            = ::pread(m_handle->fd, buffer.data() + done, buffer.size() - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return io_error("cannot read", m_path);
        }
        if (got == 0)
            return fail(ErrorCode::Truncated, offset + done, "file shrank: " + m_path);
        done += static_cast<size_t>(got);
    }
    return {};
}

struct AtomicOutputFile::Handle {
    int fd { -1 };
    ~Handle()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

AtomicOutputFile::AtomicOutputFile(AtomicOutputFile&&) noexcept = default;
AtomicOutputFile& AtomicOutputFile::operator=(AtomicOutputFile&&) noexcept = default;

AtomicOutputFile::~AtomicOutputFile()
{
    if (m_handle && m_handle->fd >= 0) {
        ::close(m_handle->fd);
        m_handle->fd = -1;
        ::unlink(m_temp_path.c_str());
    }
}

Result<AtomicOutputFile> AtomicOutputFile::create(std::string const& final_path)
{
    AtomicOutputFile file;
    file.m_handle = std::make_unique<Handle>();
    file.m_final_path = final_path;
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        file.m_temp_path = folder_of(final_path) + "/.tarnwell-" + std::to_string(random()) + ".tmp";
        file.m_handle->fd = ::open(file.m_temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (file.m_handle->fd >= 0)
            return file;
        if (errno != EEXIST)
            break;
    }
    return io_error("cannot create a temporary file beside", final_path);
}

Result<void> AtomicOutputFile::write(std::span<std::uint8_t const> data)
{
    auto result = write_at(m_written, data);
    return result;
}

Result<void> AtomicOutputFile::write_at(std::uint64_t offset, std::span<std::uint8_t const> data)
{
    size_t done = 0;
    while (done < data.size()) {
        ssize_t put = ::pwrite(m_handle->fd, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return io_error("cannot write", m_final_path);
        }
        done += static_cast<size_t>(put);
    }
    if (offset + data.size() > m_written)
        m_written = offset + data.size();
    return {};
}

Result<void> AtomicOutputFile::commit()
{
    if (::fsync(m_handle->fd) != 0)
        return io_error("cannot flush", m_final_path);
    return commit_without_flush();
}

Result<void> AtomicOutputFile::write_from(InputFile const& input, std::uint64_t offset, std::uint64_t length)
{
    if (length == 0)
        return {};
    if (offset > input.size() || length > input.size() - offset)
        return fail(ErrorCode::Truncated, offset, "read past the end of " + input.path());
    auto in_at = static_cast<off64_t>(offset);
    auto out_at = static_cast<off64_t>(m_written);
    std::uint64_t left = length;
    while (left > 0) {
        ssize_t copied = ::copy_file_range(input.m_handle->fd, &in_at, m_handle->fd, &out_at, left, 0);
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied <= 0)
            break; // not supported here, or the input shrank: copy the rest by hand
        left -= static_cast<std::uint64_t>(copied);
    }
    m_written = static_cast<std::uint64_t>(out_at);
    std::vector<std::uint8_t> buffer(static_cast<size_t>(std::min<std::uint64_t>(left, 1u << 20)));
    while (left > 0) {
        auto piece = std::span(buffer).first(static_cast<size_t>(std::min<std::uint64_t>(left, buffer.size())));
        if (auto read = input.read_at(static_cast<std::uint64_t>(in_at), piece); !read)
            return read;
        if (auto written = write(piece); !written)
            return written;
        in_at += static_cast<off64_t>(piece.size());
        left -= piece.size();
    }
    return {};
}

Result<void> AtomicOutputFile::commit_without_flush()
{
    // The file gets the permissions a plainly created file would have.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(m_handle->fd, 0666 & ~mask);
    int fd = m_handle->fd;
    m_handle->fd = -1;
    if (::close(fd) != 0) {
        ::unlink(m_temp_path.c_str());
        return io_error("cannot close", m_final_path);
    }
    if (::rename(m_temp_path.c_str(), m_final_path.c_str()) != 0) {
        auto error = io_error("cannot replace", m_final_path);
        ::unlink(m_temp_path.c_str());
        return error;
    }
    return {};
}

Result<std::vector<DirectoryEntry>> list_directory(std::string const& path)
{
    DIR* folder = ::opendir(path.c_str());
    if (!folder)
        return io_error("cannot list", path);
    std::vector<DirectoryEntry> entries;
    while (true) {
        errno = 0;
        dirent* item = ::readdir(folder);
        if (!item)
            break;
        std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat info { };
        if (::fstatat(::dirfd(folder), item->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            auto error = io_error("cannot stat", path + "/" + name);
            ::closedir(folder);
            return error;
        }
        DirectoryEntry entry;
        entry.name = name;
        entry.type = S_ISREG(info.st_mode) ? EntryType::File
            : S_ISDIR(info.st_mode)        ? EntryType::Directory
                                           : EntryType::Other;
        entry.size = static_cast<std::uint64_t>(info.st_size);
        entry.modified = static_cast<std::int64_t>(info.st_mtim.tv_sec);
        entries.push_back(std::move(entry));
    }
    bool failed = errno != 0;
    ::closedir(folder);
    if (failed)
        return io_error("cannot list", path);
    return entries;
}

EntryType entry_type(std::string const& path)
{
    struct stat info { };
    if (::lstat(path.c_str(), &info) != 0)
        return EntryType::Missing;
    if (S_ISREG(info.st_mode))
        return EntryType::File;
    if (S_ISDIR(info.st_mode))
        return EntryType::Directory;
    return EntryType::Other;
}

Result<void> make_directories(std::string const& path)
{
    if (path.empty() || entry_type(path) == EntryType::Directory)
        return {};
    auto slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        auto parent = make_directories(path.substr(0, slash));
        if (!parent)
            return parent;
    }
    if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST)
        return io_error("cannot create folder", path);
    if (entry_type(path) != EntryType::Directory)
        return fail(ErrorCode::Io, 0, "not a folder: " + path);
    return {};
}

Result<void> set_modified_time(std::string const& path, std::int64_t unix_seconds)
{
    struct timespec times[2] {};
    times[0].tv_sec = static_cast<time_t>(unix_seconds);
    times[1].tv_sec = static_cast<time_t>(unix_seconds);
    if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        return io_error("cannot set the time of", path);
    return {};
}

Result<std::int64_t> modified_time(std::string const& path)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0)
        return io_error("cannot stat", path);
    return static_cast<std::int64_t>(info.st_mtime);
}

char native_separator()
{
    return '/';
}

}
