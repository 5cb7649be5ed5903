#pragma once

// The I/O the format code is handed: it never opens a file itself. The tools
// adapt their files to these interfaces; tests and fuzz targets hand in
// memory.

#include "common/error.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tarnwell::tools::cab {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Fills `buffer` from `offset`; past the end is Truncated.
    virtual Result<void> read_at(std::uint64_t offset, std::span<std::uint8_t> buffer) const = 0;
};

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual Result<void> write(std::span<std::uint8_t const> data) = 0;
    // Rewrites bytes already written (a header whose sizes are known last).
    virtual Result<void> write_at(std::uint64_t offset, std::span<std::uint8_t const> data) = 0;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<std::uint8_t const> data)
        : m_data(data)
    {
    }
    std::uint64_t size() const override { return m_data.size(); }
    Result<void> read_at(std::uint64_t offset, std::span<std::uint8_t> buffer) const override;

private:
    std::span<std::uint8_t const> m_data;
};

class MemorySink final : public ByteSink {
public:
    Result<void> write(std::span<std::uint8_t const> data) override;
    Result<void> write_at(std::uint64_t offset, std::span<std::uint8_t const> data) override;
    std::vector<std::uint8_t> const& data() const { return m_data; }

private:
    std::vector<std::uint8_t> m_data;
};

}
