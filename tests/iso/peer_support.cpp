#include "peer_support.h"

#include "test_support.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

namespace tarnwell::iso::test {

namespace fs = std::filesystem;

std::string quoted(fs::path const& path)
{
    std::string result = "'";
    for (char c : path.string()) {
        if (c == '\'')
            result += "'\\''";
        else
            result += c;
    }
    return result + "'";
}

int run(std::string const& command, int seconds)
{
    std::string full = "timeout " + std::to_string(seconds) + " " + command;
    int status = std::system(full.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

static std::int64_t seconds_of(fs::file_time_type time)
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::file_clock::to_sys(time).time_since_epoch())
        .count();
}

static void set_time(fs::path const& path, std::int64_t modified)
{
    auto when = std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(modified)));
    fs::last_write_time(path, when);
}

Tree read_tree(fs::path const& root)
{
    Tree tree;
    for (auto const& entry : fs::recursive_directory_iterator(root)) {
        TreeEntry item;
        item.modified = seconds_of(entry.last_write_time());
        if (entry.is_directory()) {
            item.directory = true;
        } else {
            item.content = tarnwell::test::read_whole_file(entry.path());
        }
        tree["/" + fs::relative(entry.path(), root).generic_string()] = std::move(item);
    }
    return tree;
}

void write_file(fs::path const& path, std::string const& content, std::int64_t modified)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    set_time(path, modified);
}

void make_folder(fs::path const& path, std::int64_t modified)
{
    fs::create_directories(path);
    set_time(path, modified);
}

Tree peer_extraction(fs::path const& image, fs::path const& scratch)
{
    auto destination = scratch / "peer";
    int status = run(
        "xorriso -osirrox on -indev " + quoted(image) + " -extract / " + quoted(destination) + " >/dev/null 2>&1");
    EXPECT_EQ(status, 0) << "xorriso could not extract " << image;
    run("chmod -R u+rwx " + quoted(destination));
    return read_tree(destination);
}

int our_extraction(fs::path const& image, fs::path const& destination)
{
    return run(std::string(TARNISO_PATH) + " -silent -in " + quoted(image) + " -extract " + quoted(destination));
}

}
