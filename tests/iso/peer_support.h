#pragma once

// What the peer tests share: running a command under a time limit, building
// a source tree, and reading an extracted tree back as path -> content.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace tarnwell::iso::test {

// Runs `command` through the shell under `timeout` (peers can hang on hostile
// images); returns the exit status, 124 when the time ran out.
int run(std::string const& command, int seconds = 120);
std::string quoted(std::filesystem::path const&);

struct TreeEntry {
    bool directory { false };
    std::string content;
    std::int64_t modified { 0 };
    auto operator<=>(TreeEntry const&) const = default;
};
using Tree = std::map<std::string, TreeEntry>;

// Every folder and file below `root`, keyed by "/"-separated path.
Tree read_tree(std::filesystem::path const& root);

void write_file(std::filesystem::path const& path, std::string const& content, std::int64_t modified);
void make_folder(std::filesystem::path const& path, std::int64_t modified);

// The xorriso extraction of an image, and ours.
Tree peer_extraction(std::filesystem::path const& image, std::filesystem::path const& scratch);
int our_extraction(std::filesystem::path const& image, std::filesystem::path const& destination);

}
