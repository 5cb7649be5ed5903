// A program for the process tests: writes what it was started with into
// "report.txt" in its current directory: that directory, each argument on a
// line of its own, and the open descriptors above stderr that it inherited.

#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    // Looked at before anything here opens a descriptor of its own.
    std::string inherited;
    for (int fd = 3; fd < 1024; ++fd) {
        if (fcntl(fd, F_GETFD) != -1)
            inherited += " " + std::to_string(fd);
    }
    char folder[PATH_MAX];
    if (!getcwd(folder, sizeof folder))
        return 2;
    FILE* report = std::fopen("report.txt", "w");
    if (!report)
        return 3;
    std::fprintf(report, "%s\n", folder);
    for (int i = 1; i < argc; ++i)
        std::fprintf(report, "%s\n", argv[i]);
    std::fprintf(report, "inherited:%s\n", inherited.c_str());
    std::fclose(report);
    return 0;
}
