#pragma once

// The reader never opens files itself: it reads through this interface, which
// the tool backs with the image file and the fuzz target with a buffer.

#include "common/error.h"
#include "common/file_io.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

namespace tarnwell::iso {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Fills `buffer` from `offset`; reading past the end is Truncated.
    virtual tools::Result<void> read_at(std::uint64_t offset, std::span<std::uint8_t> buffer) const = 0;
    // Appends `length` bytes from `offset` to `out`, through `buffer`.
    virtual tools::Result<void> copy_to(
        tools::AtomicOutputFile& out, std::uint64_t offset, std::uint64_t length, std::span<std::uint8_t> buffer) const
    {
        while (length > 0) {
            auto piece = buffer.first(static_cast<size_t>(std::min<std::uint64_t>(length, buffer.size())));
            if (auto read = read_at(offset, piece); !read)
                return read;
            if (auto written = out.write(piece); !written)
                return written;
            offset += piece.size();
            length -= piece.size();
        }
        return {};
    }
};

class FileSource final : public ByteSource {
public:
    explicit FileSource(tools::InputFile const& file)
        : m_file(file)
    {
    }
    std::uint64_t size() const override { return m_file.size(); }
    tools::Result<void> read_at(std::uint64_t offset, std::span<std::uint8_t> buffer) const override
    {
        return m_file.read_at(offset, buffer);
    }
#ifndef _WIN32
    // Copied by the kernel (copy_file_range); on Windows through `buffer`.
    tools::Result<void> copy_to(tools::AtomicOutputFile& out, std::uint64_t offset, std::uint64_t length,
        std::span<std::uint8_t>) const override
    {
        return out.write_from(m_file, offset, length);
    }
#endif

private:
    tools::InputFile const& m_file;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<std::uint8_t const> data)
        : m_data(data)
    {
    }
    std::uint64_t size() const override { return m_data.size(); }
    tools::Result<void> read_at(std::uint64_t offset, std::span<std::uint8_t> buffer) const override
    {
        if (offset > m_data.size() || buffer.size() > m_data.size() - offset)
            return tools::fail(tools::ErrorCode::Truncated, offset, "read past the end of the image");
        if (!buffer.empty())
            std::memcpy(buffer.data(), m_data.data() + offset, buffer.size());
        return {};
    }

private:
    std::span<std::uint8_t const> m_data;
};

}
