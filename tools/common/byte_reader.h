#pragma once

// Bounds-checked reads over a byte span, with explicit little-, big- and
// both-endian fields (ECMA-119 7.2.3 / 7.3.3 store numbers twice). Every read
// past the end is a Truncated error at the offset where it was tried; nothing
// is ever zero-filled.

#include "common/error.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace tarnwell::tools {

class ByteReader {
public:
    // `base` is the file offset of the span's first byte, for error reports.
    explicit ByteReader(std::span<std::uint8_t const> data, std::uint64_t base = 0)
        : m_data(data)
        , m_base(base)
    {
    }

    size_t position() const { return m_position; }
    size_t size() const { return m_data.size(); }
    size_t remaining() const { return m_data.size() - m_position; }
    std::uint64_t file_offset() const { return m_base + m_position; }

    Result<void> seek(size_t position)
    {
        if (position > m_data.size())
            return fail(ErrorCode::Truncated, m_base + position, "seek past the end");
        m_position = position;
        return {};
    }

    Result<void> skip(size_t count)
    {
        if (count > remaining())
            return fail(ErrorCode::Truncated, file_offset(), "skip past the end");
        m_position += count;
        return {};
    }

    Result<std::span<std::uint8_t const>> bytes(size_t count)
    {
        if (count > remaining())
            return fail(ErrorCode::Truncated, file_offset(), "need " + std::to_string(count) + " bytes");
        auto result = m_data.subspan(m_position, count);
        m_position += count;
        return result;
    }

    Result<std::uint8_t> u8()
    {
        auto b = bytes(1);
        if (!b)
            return std::unexpected(b.error());
        return (*b)[0];
    }

    Result<std::uint16_t> u16_le() { return read_le<std::uint16_t>(); }
    Result<std::uint32_t> u32_le() { return read_le<std::uint32_t>(); }
    Result<std::uint64_t> u64_le() { return read_le<std::uint64_t>(); }
    Result<std::uint16_t> u16_be() { return read_be<std::uint16_t>(); }
    Result<std::uint32_t> u32_be() { return read_be<std::uint32_t>(); }

    // A both-endian field: the little-endian copy, then the big-endian one.
    // The little-endian value is returned; `disagree` tells whether the two
    // copies differ (an anomaly the caller may record).
    Result<std::uint16_t> u16_both(bool* disagree = nullptr) { return read_both<std::uint16_t>(disagree); }
    Result<std::uint32_t> u32_both(bool* disagree = nullptr) { return read_both<std::uint32_t>(disagree); }

private:
    template<typename T> Result<T> read_le()
    {
        auto b = bytes(sizeof(T));
        if (!b)
            return std::unexpected(b.error());
        T value = 0;
        for (size_t i = 0; i < sizeof(T); ++i)
            value |= static_cast<T>(static_cast<T>((*b)[i]) << (8 * i));
        return value;
    }

    template<typename T> Result<T> read_be()
    {
        auto b = bytes(sizeof(T));
        if (!b)
            return std::unexpected(b.error());
        T value = 0;
        for (size_t i = 0; i < sizeof(T); ++i)
            value = static_cast<T>((value << 8) | (*b)[i]);
        return value;
    }

    template<typename T> Result<T> read_both(bool* disagree)
    {
        auto little = read_le<T>();
        if (!little)
            return little;
        auto big = read_be<T>();
        if (!big)
            return big;
        if (disagree)
            *disagree = *little != *big;
        return *little;
    }

    std::span<std::uint8_t const> m_data;
    std::uint64_t m_base { 0 };
    size_t m_position { 0 };
};

}
