#include "xcopy_copy.h"

#include "platform/posix_paths.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwell::xcopy {

namespace {

    bool write_all(int fd, char const* data, size_t size)
    {
        while (size > 0) {
            ssize_t wrote = write(fd, data, size);
            if (wrote < 0 && errno == EINTR)
                continue;
            if (wrote <= 0)
                return false;
            data += wrote;
            size -= static_cast<size_t>(wrote);
        }
        return true;
    }

    bool copy_content(int in, int out)
    {
        char buffer[64 * 1024];
        while (true) {
            ssize_t got = read(in, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return false;
            if (got == 0)
                return true;
            if (!write_all(out, buffer, static_cast<size_t>(got)))
                return false;
        }
    }

}

std::string native_path(std::string const& argument)
{
    std::string path = argument;
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    return posix::resolve_ignoring_case(path);
}

std::string join(std::string const& folder, std::string const& name)
{
    if (folder.empty() || folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

Kind kind_of(std::string const& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return Kind::Missing;
    return S_ISDIR(info.st_mode) ? Kind::Folder : Kind::File;
}

bool list_folder(std::string const& path, std::vector<Entry>& entries)
{
    DIR* dir = opendir(path.c_str());
    if (!dir)
        return false;
    while (dirent* item = readdir(dir)) {
        std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        entries.push_back(Entry { name, kind_of(join(path, name)) == Kind::Folder, name.starts_with('.') });
    }
    closedir(dir);
    return true;
}

bool make_folder(std::string const& path)
{
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return kind_of(path) == Kind::Folder;
}

CopyResult copy_file(std::string const& source, std::string const& target, Options const& options)
{
    int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return CopyResult::Failed;
    struct stat info;
    if (fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(in);
        return CopyResult::Failed;
    }
    struct stat existing;
    if (lstat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) && (existing.st_mode & S_IWUSR) == 0) {
        if (!options.replace_read_only) {
            close(in);
            return CopyResult::ReadOnlyTarget;
        }
        chmod(target.c_str(), (existing.st_mode & 07777) | S_IWUSR);
    }
    mode_t mode = info.st_mode & 07777;
    if (!options.keep_attributes)
        mode |= S_IWUSR;
    int out = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode | S_IWUSR);
    if (out < 0) {
        close(in);
        return CopyResult::Failed;
    }
    bool copied = copy_content(in, out);
    fchmod(out, mode);
    struct timespec times[2] = { info.st_atim, info.st_mtim };
    futimens(out, times);
    copied = close(out) == 0 && copied;
    close(in);
    return copied ? CopyResult::Copied : CopyResult::Failed;
}

bool is_inside(std::string const& inner, std::string const& outer)
{
    auto canonical = [](std::string const& path) -> std::optional<std::filesystem::path> {
        std::error_code error;
        auto result = std::filesystem::weakly_canonical(path, error);
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
    auto mismatch = std::mismatch(b->begin(), b->end(), a->begin(), a->end());
    return mismatch.first == b->end();
}

}
