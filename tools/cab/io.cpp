#include "cab/io.h"

#include <cstring>

namespace tarnwell::tools::cab {

Result<void> MemorySource::read_at(std::uint64_t offset, std::span<std::uint8_t> buffer) const
{
    if (offset > m_data.size() || buffer.size() > m_data.size() - offset)
        return fail(ErrorCode::Truncated, offset, "need " + std::to_string(buffer.size()) + " bytes");
    if (!buffer.empty())
        std::memcpy(buffer.data(), m_data.data() + offset, buffer.size());
    return {};
}

Result<void> MemorySink::write(std::span<std::uint8_t const> data)
{
    m_data.insert(m_data.end(), data.begin(), data.end());
    return {};
}

Result<void> MemorySink::write_at(std::uint64_t offset, std::span<std::uint8_t const> data)
{
    if (offset > m_data.size() || data.size() > m_data.size() - offset)
        return fail(ErrorCode::Io, offset, "rewrite past the end of the output");
    std::memcpy(m_data.data() + offset, data.data(), data.size());
    return {};
}

}
