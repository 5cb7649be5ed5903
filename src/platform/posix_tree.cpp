// DeleteTree on POSIX systems. The walk works on the names as they are on
// disk (through directory descriptors), so names that have no GBK or even no
// valid UTF-8 form are removed as well, and a symbolic link is removed as a
// link and never followed.

#include "platform/files.h"

#include "platform/posix_paths.h"
#include "platform/tree_path.h"

#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarnwell {

namespace {

    // Deeper trees are left where they are (and DeleteTree gives false): no
    // image or program folder nests this deep, and the cap keeps a hostile
    // tree from exhausting descriptors or the stack.
    constexpr int max_tree_depth = 256;

    std::vector<std::string> entry_names(int folder)
    {
        std::vector<std::string> names;
        int fd = dup(folder);
        if (fd < 0)
            return names;
        DIR* dir = fdopendir(fd);
        if (!dir) {
            close(fd);
            return names;
        }
        while (dirent* entry = readdir(dir))
            names.emplace_back(entry->d_name);
        closedir(dir);
        return names;
    }

    // Removes what may go from the folder's content; results are not
    // looked at, as on Windows: what stays makes the folder's own removal
    // fail.
    void remove_content(int folder, int depth)
    {
        if (depth > max_tree_depth)
            return;
        for (auto const& name : entry_names(folder)) {
            if (name == "." || name == "..")
                continue;
            struct stat info;
            if (fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (S_ISDIR(info.st_mode)) {
                int sub = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (sub < 0)
                    continue;
                remove_content(sub, depth + 1);
                close(sub);
                unlinkat(folder, name.c_str(), AT_REMOVEDIR);
                continue;
            }
            if (S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0)
                continue; // read-only stays
            unlinkat(folder, name.c_str(), 0);
        }
    }

}

bool DeleteTree(std::string_view path)
{
    auto checked = tree_to_delete(path);
    if (!checked)
        return false;
    path = *checked;
    std::string disk = posix::disk_path(path);
    int folder = open(disk.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0)
        return false;
    // A path that only spells the root in another way ("\tmp\..") is the
    // root all the same.
    struct stat info;
    struct stat root;
    if (fstat(folder, &info) != 0 || stat("/", &root) != 0
        || (info.st_dev == root.st_dev && info.st_ino == root.st_ino)) {
        close(folder);
        return false;
    }
    remove_content(folder, 1);
    close(folder);
    return rmdir(disk.c_str()) == 0;
}

}
