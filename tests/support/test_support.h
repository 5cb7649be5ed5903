#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tarnwell::test {

// The shared, read-only test input (files other tools made), or nothing when
// this clone has no ../shared beside it. Callers skip with the reason.
std::optional<std::filesystem::path> shared_testdata_dir();

// A text made of the given bytes, for writing GBK and control bytes in tests
// without depending on the compiler's execution character set.
std::string bytes(std::initializer_list<int> values);

// The whole content of a file; empty when it cannot be read.
std::string read_whole_file(std::filesystem::path const& path);

// A fresh folder under the system's temporary folder, removed with its
// content when the object goes.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(ScratchFolder const&) = delete;
    ScratchFolder& operator=(ScratchFolder const&) = delete;
    std::filesystem::path const& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

}
