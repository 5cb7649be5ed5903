// TempDir and RunDir on POSIX systems.
//
// The shared temporary folder is open to every user, and the program writes
// fixed names into it (scripts it then runs, an executable tool). So
// TempDir is a folder of our own inside it, "tarnwell-<uid>", made with mode
// 0700 and, when it is already there, accepted only when it is a real folder
// (not a link), owned by this user and closed to everyone else. When a check
// fails TempDir is "", as when the platform reports no temporary folder.

#include "platform/files.h"

#include "platform/posix_paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwell {

namespace {

    std::string temporary_base()
    {
        char const* base = std::getenv("TMPDIR");
        // A relative or empty TMPDIR would move with the current directory.
        if (!base || base[0] != '/')
            return "/tmp";
        std::string path = base;
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        return path;
    }

    bool is_private_folder(std::string const& path)
    {
        struct stat info;
        if (lstat(path.c_str(), &info) != 0)
            return false;
        return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 07777) == 0700;
    }

    Text executable_folder()
    {
        std::string buffer(PATH_MAX, '\0');
        ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length <= 0 || static_cast<size_t>(length) >= buffer.size())
            return {};
        buffer.resize(static_cast<size_t>(length));
        // A program in "/" gives "": RunDir + "\name" is then "\name", the
        // file beside it, as "D:" + "\name" is on Windows.
        return posix::core_path(buffer.substr(0, buffer.rfind('/')));
    }

}

Text TempDir()
{
    std::string base = temporary_base();
    std::string folder = (base == "/" ? "" : base) + "/tarnwell-" + std::to_string(geteuid());
    if (mkdir(folder.c_str(), 0700) == 0) {
        // Made just now: the umask may have taken bits that belong there.
        chmod(folder.c_str(), 0700);
    } else if (errno != EEXIST) {
        return {};
    }
    if (!is_private_folder(folder))
        return {};
    return posix::core_path(folder) + "\\";
}

Text RunDir()
{
    // Fixed at the first call, which the program makes at its start.
    static Text const folder = executable_folder();
    return folder;
}

}
