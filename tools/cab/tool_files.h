#pragma once

// The tools' side of the format code's I/O: files behind ByteSource and
// ByteSink, and the path rules both tools share ("\" accepted everywhere,
// member names made safe before they become paths).

#include "cab/io.h"
#include "common/file_io.h"

#include <optional>
#include <string>

namespace tarnwell::tools::cab {

class FileSource final : public ByteSource {
public:
    explicit FileSource(InputFile file)
        : m_file(std::move(file))
    {
    }
    std::uint64_t size() const override { return m_file.size(); }
    Result<void> read_at(std::uint64_t offset, std::span<std::uint8_t> buffer) const override
    {
        return m_file.read_at(offset, buffer);
    }

private:
    InputFile m_file;
};

class FileSink final : public ByteSink {
public:
    explicit FileSink(AtomicOutputFile& file)
        : m_file(file)
    {
    }
    Result<void> write(std::span<std::uint8_t const> data) override { return m_file.write(data); }
    Result<void> write_at(std::uint64_t offset, std::span<std::uint8_t const> data) override
    {
        return m_file.write_at(offset, data);
    }

private:
    AtomicOutputFile& m_file;
};

// A command-line path with "\" turned into this platform's separator.
std::string native_path(std::string const& path);
// The last component of a path written with "\" or "/".
std::string file_name_of(std::string const& path);
std::string join_path(std::string const& folder, std::string const& name);
// The folder part of a native path, or "" when it has none.
std::string parent_of(std::string const& path);

// A stored member name as a relative native path: "\" and "/" separate
// components; an absolute name, a drive, or a ".." component would write
// outside the destination and is refused.
Result<std::string> safe_member_path(std::string const& stored_name);

// Case-blind (ASCII) wildcard match with "*" and "?".
bool wildcard_match(std::string const& pattern, std::string const& text);

bool equals_ignoring_case(std::string const& a, std::string const& b);

}
