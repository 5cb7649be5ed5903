// The file primitives on POSIX systems.
//
// Windows' share modes have no POSIX counterpart, so the rule the handlers
// rely on is kept inside the process: every open file number is registered
// under its file's device and inode, and WriteFileBytes fails, touching
// nothing, while the file it would write has an entry there. Other processes
// are not seen.
//
// Windows' read-only attribute is the owner's write permission: a file
// without it is read-only. This is decided from the mode bits, not from
// access(), so the rules hold for root as well.

#include "platform/files.h"

#include "platform/file_lines.h"
#include "platform/name_pattern.h"
#include "platform/posix_paths.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tarnwell {

namespace {

    struct OpenFileEntry {
        int fd { -1 };
        dev_t device { 0 };
        ino_t inode { 0 };
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

    bool is_open_here(struct stat const& info)
    {
        for (auto const& [number, entry] : open_files().entries) {
            if (entry.device == info.st_dev && entry.inode == info.st_ino)
                return true;
        }
        return false;
    }

    bool is_read_only(struct stat const& info)
    {
        return (info.st_mode & S_IWUSR) == 0;
    }

    file_lines::ReadAt reader_for(int fd)
    {
        return [fd](std::uint64_t offset, std::span<char> buffer) -> std::optional<size_t> {
            while (true) {
                ssize_t got = pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(offset));
                if (got >= 0)
                    return static_cast<size_t>(got);
                if (errno != EINTR)
                    return std::nullopt;
            }
        };
    }

    bool write_all(int fd, std::uint64_t offset, char const* data, size_t size)
    {
        size_t done = 0;
        while (done < size) {
            ssize_t wrote = pwrite(fd, data + done, size - done, static_cast<off_t>(offset + done));
            if (wrote < 0 && errno == EINTR)
                continue;
            if (wrote <= 0)
                return false;
            done += static_cast<size_t>(wrote);
        }
        return true;
    }

    class Descriptor {
    public:
        explicit Descriptor(int fd)
            : m_fd(fd)
        {
        }
        ~Descriptor()
        {
            if (m_fd >= 0)
                close(m_fd);
        }
        Descriptor(Descriptor const&) = delete;
        Descriptor& operator=(Descriptor const&) = delete;
        int get() const { return m_fd; }
        int release() { return std::exchange(m_fd, -1); }
        bool close_checked() { return close(release()) == 0; }

    private:
        int m_fd;
    };

    // Opens a regular file for writing, creating it with `mode` when it is
    // missing; refuses read-only files and files this process holds open.
    // Nothing is changed in an existing file here.
    int open_for_rewrite(std::string const& path, mode_t mode, struct stat& info)
    {
        Descriptor fd(open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, mode));
        if (fd.get() < 0 || fstat(fd.get(), &info) != 0)
            return -1;
        if (!S_ISREG(info.st_mode) || is_read_only(info) || is_open_here(info))
            return -1;
        return fd.release();
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
    Descriptor fd(open(posix::disk_path(path).c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info;
    if (fd.get() < 0 || fstat(fd.get(), &info) != 0)
        return 0;
    // Windows opens only files for reading and writing, and no read-only
    // one; a FIFO or device would block or behave unlike a file.
    if (!S_ISREG(info.st_mode) || is_read_only(info))
        return 0;
    auto& files = open_files();
    FileNumber number = files.next_number++;
    files.entries[number] = OpenFileEntry { fd.release(), info.st_dev, info.st_ino, 0 };
    return number;
}

void CloseFile(FileNumber number)
{
    auto& entries = open_files().entries;
    auto it = entries.find(number);
    if (it == entries.end())
        return;
    close(it->second.fd);
    entries.erase(it);
}

Text ReadRest(FileNumber number)
{
    auto* file = find_open(number);
    return file ? file_lines::read_rest(reader_for(file->fd), file->position) : Text {};
}

std::optional<Text> ReadRestWhole(FileNumber number)
{
    auto* file = find_open(number);
    if (!file)
        return std::nullopt;
    return file_lines::read_rest_whole(reader_for(file->fd), file->position);
}

Text ReadLine(FileNumber number)
{
    auto* file = find_open(number);
    return file ? file_lines::read_line(reader_for(file->fd), file->position) : Text {};
}

bool AtEnd(FileNumber number)
{
    auto* file = find_open(number);
    return !file || file_lines::at_end(reader_for(file->fd), file->position);
}

bool WriteText(FileNumber number, std::string_view text)
{
    auto* file = find_open(number);
    if (!file)
        return false;
    if (!write_all(file->fd, file->position, text.data(), text.size()))
        return false;
    file->position += text.size();
    return true;
}

bool WriteFileBytes(std::string_view path, ByteData const& data)
{
    if (path.empty())
        return false;
    struct stat info;
    Descriptor fd(open_for_rewrite(posix::disk_path(path), 0666, info));
    if (fd.get() < 0)
        return false;
    if (ftruncate(fd.get(), 0) != 0)
        return false;
    if (!write_all(fd.get(), 0, reinterpret_cast<char const*>(data.data()), data.size()))
        return false;
    return fd.close_checked();
}

bool CopyFileTo(std::string_view source, std::string_view destination)
{
    if (source.empty() || destination.empty())
        return false;
    Descriptor in(open(posix::disk_path(source).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat source_info;
    if (in.get() < 0 || fstat(in.get(), &source_info) != 0 || !S_ISREG(source_info.st_mode))
        return false;
    // The destination is written in place, like Windows' copy, and takes
    // the source's permissions (its read-only state included) and time.
    Descriptor out(open(posix::disk_path(destination).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK,
        source_info.st_mode & 07777));
    struct stat info;
    if (out.get() < 0 || fstat(out.get(), &info) != 0 || !S_ISREG(info.st_mode) || is_read_only(info))
        return false;
    if (info.st_dev == source_info.st_dev && info.st_ino == source_info.st_ino)
        return false;
    if (ftruncate(out.get(), 0) != 0)
        return false;
    auto read_at = reader_for(in.get());
    std::vector<char> buffer(256 * 1024);
    std::uint64_t offset = 0;
    while (true) {
        auto got = read_at(offset, buffer);
        if (!got)
            return false;
        if (*got == 0)
            break;
        if (!write_all(out.get(), offset, buffer.data(), *got))
            return false;
        offset += *got;
    }
    fchmod(out.get(), source_info.st_mode & 07777);
    struct timespec times[2] = { source_info.st_atim, source_info.st_mtim };
    futimens(out.get(), times);
    return out.close_checked();
}

bool DeleteFilePath(std::string_view path)
{
    if (path.empty() || last_part_has_wildcards(path))
        return false;
    std::string disk = posix::disk_path(path);
    struct stat info;
    if (lstat(disk.c_str(), &info) != 0 || S_ISDIR(info.st_mode))
        return false;
    if (S_ISREG(info.st_mode) && is_read_only(info))
        return false;
    return unlink(disk.c_str()) == 0;
}

bool FileExists(std::string_view path)
{
    if (path.empty())
        return false;
    // Windows finds nothing for a path that ends in a separator.
    if (path.back() == '\\' || path.back() == '/')
        return false;
    if (last_part_has_wildcards(path)) {
        FileFinder finder;
        bool found = !finder.FindFile(path, FindFilter::Files).empty();
        if (!found)
            found = !finder.FindFile(path, FindFilter::Directories).empty();
        finder.EndFind();
        return found;
    }
    struct stat info;
    return lstat(posix::disk_path(path).c_str(), &info) == 0;
}

bool ChangeDirectory(std::string_view path)
{
    if (path.empty())
        return false;
    return chdir(posix::disk_path(path).c_str()) == 0;
}

std::optional<FileStamp> GetFileStamp(std::string_view path)
{
    if (path.empty())
        return std::nullopt;
    struct stat info;
    if (stat(posix::disk_path(path).c_str(), &info) != 0)
        return std::nullopt;
    return FileStamp { static_cast<std::uint64_t>(info.st_size),
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec };
}

}
