#pragma once

// File access for the format tools. Paths are UTF-8 on every platform; the
// Windows implementation converts them to UTF-16 for the wide APIs. Outputs
// are written atomically: into a temporary file in the destination's folder,
// renamed over the destination only by commit(); an output that is dropped
// without commit() leaves nothing behind.

#include "common/error.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tarnwell::tools {

class InputFile {
public:
    static Result<InputFile> open(std::string const& path);
    InputFile(InputFile&&) noexcept;
    InputFile& operator=(InputFile&&) noexcept;
    ~InputFile();

    std::uint64_t size() const { return m_size; }
    // Fills `buffer` from `offset`; reading past the end is Truncated.
    Result<void> read_at(std::uint64_t offset, std::span<std::uint8_t> buffer) const;
    std::string const& path() const { return m_path; }

private:
    friend class AtomicOutputFile;
    InputFile() = default;
    struct Handle;
    std::unique_ptr<Handle> m_handle;
    std::uint64_t m_size { 0 };
    std::string m_path;
};

class AtomicOutputFile {
public:
    static Result<AtomicOutputFile> create(std::string const& final_path);
    AtomicOutputFile(AtomicOutputFile&&) noexcept;
    AtomicOutputFile& operator=(AtomicOutputFile&&) noexcept;
    ~AtomicOutputFile();

    Result<void> write(std::span<std::uint8_t const> data);
    Result<void> write_at(std::uint64_t offset, std::span<std::uint8_t const> data);
    // Appends `length` bytes of `input` from `offset`. On Linux the kernel
    // copies them (copy_file_range), so they never pass through the process.
    Result<void> write_from(InputFile const& input, std::uint64_t offset, std::uint64_t length);
    std::uint64_t written() const { return m_written; }
    // Flushes, closes and renames over the destination (replacing it).
    Result<void> commit();
    // Closes and renames without waiting for the data to reach the disk: for
    // tools that write many files of one result which is redone as a whole
    // after a crash (an extracted tree), where a flush per file costs more
    // than the copying itself.
    Result<void> commit_without_flush();

private:
    AtomicOutputFile() = default;
    struct Handle;
    std::unique_ptr<Handle> m_handle;
    std::string m_final_path;
    std::string m_temp_path;
    std::uint64_t m_written { 0 };
};

enum class EntryType {
    Missing,
    File,
    Directory,
    Other,
};

EntryType entry_type(std::string const& path);

// Creates the directory and any missing parents; an existing one is fine.
Result<void> make_directories(std::string const& path);

struct DirectoryEntry {
    std::string name; // UTF-8, without the folder
    EntryType type { EntryType::Other };
    std::uint64_t size { 0 };
    std::int64_t modified { 0 }; // seconds since 1970-01-01 UTC
    bool hidden { false }; // the Windows "hidden" attribute; never set on POSIX
};

// The entries of one folder, without "." and "..", in no particular order.
// Links are reported as Other and never followed.
Result<std::vector<DirectoryEntry>> list_directory(std::string const& path);

// Seconds since 1970-01-01 UTC.
Result<void> set_modified_time(std::string const& path, std::int64_t unix_seconds);

// The last modification, in seconds since 1970-01-01 UTC.
Result<std::int64_t> modified_time(std::string const& path);

// The path's own separator for this platform ("\\" on Windows, "/" elsewhere).
char native_separator();

}
