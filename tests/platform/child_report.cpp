// A program for the process tests: writes what it was started with into
// "report.txt" in its current directory: that directory, each argument on a
// line of its own, and (on POSIX) the descriptors above stderr that it
// inherited.

#include <cstdio>
#include <filesystem>
#include <string>
#ifndef _WIN32
#    include <fcntl.h>
#endif

int main(int argc, char** argv)
{
    std::string inherited;
#ifndef _WIN32
    // Looked at before anything here opens a descriptor of its own.
    for (int fd = 3; fd < 1024; ++fd) {
        if (fcntl(fd, F_GETFD) != -1)
            inherited += " " + std::to_string(fd);
    }
#endif
    std::error_code error;
    std::string folder = std::filesystem::current_path(error).string();
    FILE* report = std::fopen("report.txt", "w");
    if (!report)
        return 3;
    std::fprintf(report, "%s\n", folder.c_str());
    for (int i = 1; i < argc; ++i)
        std::fprintf(report, "%s\n", argv[i]);
    std::fprintf(report, "inherited:%s\n", inherited.c_str());
    std::fclose(report);
    return 0;
}
