// RunAndWait on POSIX systems: Windows command lines, with our stand-ins for
// the Windows commands and our own interpreter for one-line scripts
// (posix_command.h).

#include "platform/process.h"

#include "platform/command_line.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/name_pattern.h"
#include "platform/posix_command.h"
#include "platform/posix_paths.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tarnwell::posix {

namespace {

    // A script that runs itself (or two that run each other) stops here
    // instead of forever.
    constexpr int max_script_depth = 8;
    // The workspace scripts hold one short line; more is not read.
    constexpr size_t max_script_size = 64 * 1024;

    constexpr std::array stand_ins { std::string_view("expand"), std::string_view("makecab"),
        std::string_view("xcopy") };

    bool ends_with_ignoring_case(std::string_view text, std::string_view end)
    {
        return text.size() >= end.size() && names_equal_ignoring_case(text.substr(text.size() - end.size()), end);
    }

    std::optional<std::string_view> stand_in_name(std::string_view token)
    {
        if (ends_with_ignoring_case(token, ".exe"))
            token.remove_suffix(4);
        for (auto name : stand_ins) {
            if (names_equal_ignoring_case(token, name))
                return name;
        }
        return std::nullopt;
    }

    std::optional<struct stat> regular_file(std::string const& path)
    {
        struct stat info;
        if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            return std::nullopt;
        return info;
    }

    ProgramKind kind_of(std::string const& path)
    {
        bool script = ends_with_ignoring_case(path, ".cmd") || ends_with_ignoring_case(path, ".bat");
        return script ? ProgramKind::Script : ProgramKind::Executable;
    }

    // A file named by the command line itself (its folder or the current
    // directory): scripts and ".exe" files count even without an execute bit.
    std::optional<Program> named_file(std::string const& path)
    {
        std::string resolved = resolve_ignoring_case(path);
        auto info = regular_file(resolved);
        if (!info)
            return std::nullopt;
        auto kind = kind_of(resolved);
        bool runnable = kind == ProgramKind::Script || ends_with_ignoring_case(resolved, ".exe")
            || access(resolved.c_str(), X_OK) == 0;
        if (!runnable)
            return std::nullopt;
        return Program { resolved, kind };
    }

    std::optional<Program> on_path(std::string const& name, std::string const& path_variable)
    {
        size_t start = 0;
        while (start <= path_variable.size()) {
            size_t colon = path_variable.find(':', start);
            if (colon == std::string::npos)
                colon = path_variable.size();
            std::string folder = path_variable.substr(start, colon - start);
            std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
            if (regular_file(candidate) && access(candidate.c_str(), X_OK) == 0)
                return Program { candidate, kind_of(candidate) };
            start = colon + 1;
        }
        return std::nullopt;
    }

}

std::optional<Program> resolve_program(std::string const& token, SearchPlaces const& places)
{
    if (token.empty())
        return std::nullopt;
    std::string path = token;
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    bool has_folder = path.find('/') != std::string::npos;
    if (!has_folder) {
        if (auto name = stand_in_name(path)) {
            std::string stand_in = places.stand_in_folder + "/" + std::string(*name);
            if (regular_file(stand_in))
                return Program { stand_in, ProgramKind::Executable };
            return std::nullopt;
        }
    }
    std::string here = has_folder ? path : "./" + path;
    if (auto program = named_file(here))
        return program;
    if (auto program = named_file(here + ".exe"))
        return program;
    if (has_folder)
        return std::nullopt;
    return on_path(path, places.path_variable);
}

namespace {

    // The one line of a script: its bytes up to the first line end, in GBK
    // like every text the program writes.
    std::optional<std::string> script_line(std::string const& path)
    {
        int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return std::nullopt;
        std::string content(max_script_size, '\0');
        ssize_t got = read(fd, content.data(), content.size());
        close(fd);
        if (got < 0)
            return std::nullopt;
        content.resize(static_cast<size_t>(got));
        content = content.substr(0, content.find_first_of("\r\n"));
        return utf8_from_gbk(content);
    }

    void make_executable(std::string const& path)
    {
        struct stat info;
        if (stat(path.c_str(), &info) != 0 || (info.st_mode & S_IXUSR) != 0 || info.st_uid != geteuid())
            return;
        chmod(path.c_str(), (info.st_mode & 07777) | S_IXUSR);
    }

    void close_inherited_descriptors()
    {
        // Marked close-on-exec rather than closed, so the pipe that reports
        // a failed exec stays open until the exec.
        if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0)
            return;
        long last = sysconf(_SC_OPEN_MAX);
        for (int fd = 3; fd < (last > 0 ? last : 1024); ++fd)
            fcntl(fd, F_SETFD, FD_CLOEXEC);
    }

    // Starts the program and waits for it; false when it could not start.
    bool spawn_and_wait(std::string const& path, std::vector<std::string> const& arguments)
    {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(path.c_str()));
        for (size_t i = 1; i < arguments.size(); ++i)
            argv.push_back(const_cast<char*>(arguments[i].c_str()));
        argv.push_back(nullptr);

        int report[2];
        if (pipe2(report, O_CLOEXEC) != 0)
            return false;
        pid_t child = fork();
        if (child < 0) {
            close(report[0]);
            close(report[1]);
            return false;
        }
        if (child == 0) {
            close_inherited_descriptors();
            execve(path.c_str(), argv.data(), environ);
            int error = errno;
            ssize_t ignored = write(report[1], &error, sizeof error);
            (void)ignored;
            _exit(127);
        }
        close(report[1]);
        int error = 0;
        ssize_t got;
        do
            got = read(report[0], &error, sizeof error);
        while (got < 0 && errno == EINTR);
        close(report[0]);
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) { }
        return got == 0;
    }

}

bool run_command_line(std::string const& command_line, int depth)
{
    auto tokens = split_command_line(command_line);
    if (tokens.empty() || depth > max_script_depth)
        return false;
    char const* path_variable = std::getenv("PATH");
    SearchPlaces places { literal_disk_path(RunDir()), path_variable ? path_variable : "" };
    if (places.stand_in_folder.empty())
        places.stand_in_folder = "/";
    auto program = resolve_program(tokens[0], places);
    if (!program)
        return false;
    if (program->kind == ProgramKind::Script) {
        // As with the Windows command interpreter, the script counts as
        // started whatever becomes of its line.
        auto line = script_line(program->path);
        if (!line)
            return false;
        run_command_line(*line, depth + 1);
        return true;
    }
    if (ends_with_ignoring_case(program->path, ".exe"))
        make_executable(program->path);
    return spawn_and_wait(program->path, tokens);
}

}

namespace tarnwell {

bool RunAndWait(std::string_view command_line)
{
    return posix::run_command_line(utf8_from_gbk(command_line), 0);
}

}
