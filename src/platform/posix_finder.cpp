// Directory listings on POSIX systems. The folder is read in the order the
// file system gives (nothing is sorted); the last part of the pattern is
// matched as Windows matches it (name_pattern.h).
//
// The filters: a directory is an entry that is one after following links;
// "." and ".." are listed like any other entry, except in the root folder,
// which has none on Windows either. The archive attribute does not exist on
// POSIX file systems; as every file that Windows creates or copies has it,
// every entry that is not a directory counts as having it here.

#include "platform/files.h"

#include "platform/encoding.h"
#include "platform/name_pattern.h"
#include "platform/posix_paths.h"

#include <dirent.h>
#include <sys/stat.h>

namespace tarnwell {

struct FileFinder::State {
    DIR* dir { nullptr };
    std::string folder; // on disk, for stat
    std::string pattern; // UTF-8 last part
    bool root { false };
    // A pattern without wildcards lists at most this one name.
    std::optional<std::string> single;

    ~State() { close(); }
    void close()
    {
        if (dir)
            closedir(dir);
        dir = nullptr;
        single.reset();
    }
    bool active() const { return dir || single; }
};

namespace {

    bool is_directory(std::string const& folder, std::string const& name)
    {
        struct stat info;
        std::string path = folder.empty() ? name : folder + "/" + name;
        return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }

    bool passes(FindFilter filter, bool directory)
    {
        return filter == FindFilter::Directories ? directory : !directory;
    }

    // The entry of `folder` that a pattern without wildcards names: the one
    // spelled so, else the first whose name differs only in case.
    std::optional<std::string> single_entry(std::string const& folder, std::string const& name)
    {
        std::string path = folder.empty() ? name : folder + "/" + name;
        struct stat info;
        if (lstat(path.c_str(), &info) == 0)
            return name;
        DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
        if (!dir)
            return std::nullopt;
        std::optional<std::string> found;
        while (dirent* entry = readdir(dir)) {
            if (names_equal_ignoring_case(entry->d_name, name)) {
                found = entry->d_name;
                break;
            }
        }
        closedir(dir);
        return found;
    }

}

FileFinder::FileFinder()
    : m_state(std::make_unique<State>())
{
}

FileFinder::~FileFinder() = default;

Text FileFinder::FindFile(std::string_view pattern, FindFilter filter)
{
    auto& state = *m_state;
    if (!pattern.empty()) {
        state.close();
        std::string disk = posix::literal_disk_path(pattern);
        size_t slash = disk.rfind('/');
        std::string last = slash == std::string::npos ? disk : disk.substr(slash + 1);
        std::string folder = slash == std::string::npos ? "" : disk.substr(0, slash);
        if (slash == 0)
            folder = "/";
        folder = posix::resolve_ignoring_case(folder);
        if (last.empty() || last == "." || last == "..")
            return {};
        state.folder = folder;
        state.root = folder == "/";
        if (!has_wildcards(last)) {
            state.single = single_entry(folder, last);
            if (!state.single)
                return {};
        } else {
            state.pattern = last;
            state.dir = opendir(folder.empty() ? "." : folder.c_str());
            if (!state.dir)
                return {};
        }
    }
    if (state.single) {
        std::string name = *state.single;
        state.close();
        return passes(filter, is_directory(state.folder, name)) ? gbk_from_utf8(name) : Text {};
    }
    while (state.dir) {
        dirent* entry = readdir(state.dir);
        if (!entry)
            break;
        std::string name = entry->d_name;
        bool dot_entry = name == "." || name == "..";
        if (dot_entry && state.root)
            continue;
        if (!name_matches_pattern(state.pattern, name))
            continue;
        if (passes(filter, dot_entry || is_directory(state.folder, name)))
            return gbk_from_utf8(name);
    }
    state.close();
    return {};
}

void FileFinder::EndFind()
{
    m_state->close();
}

}
