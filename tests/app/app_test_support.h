#pragma once

// What the tests of the application shell share: a temporary folder of the
// test's own for TempDir, and a way to read what the program wrote there.

#include "test_support.h"

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tarnwell::test {

// Points the platform's temporary folder (TMPDIR on Linux, TMP and TEMP on
// Windows) at a fresh folder for the object's life. `name` becomes the last
// part of that folder, so a test can give TempDir blanks or a "TOOLS" part.
class TempDirOverride {
public:
    explicit TempDirOverride(std::string const& name = "temp");
    ~TempDirOverride();
    TempDirOverride(TempDirOverride const&) = delete;
    TempDirOverride& operator=(TempDirOverride const&) = delete;

    std::filesystem::path const& root() const { return m_root; }
    // The folder TempDir names (the platform may put a private folder of its
    // own under the root), made by asking TempDir once.
    std::filesystem::path workspace() const;

private:
    ScratchFolder m_scratch;
    std::filesystem::path m_root;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

std::optional<std::string> read_file_bytes(std::filesystem::path const&);
void write_file_bytes(std::filesystem::path const&, std::string const& bytes);

// Every file and folder under `root`, as paths relative to it with "/".
std::set<std::string> tree_listing(std::filesystem::path const& root);

}
