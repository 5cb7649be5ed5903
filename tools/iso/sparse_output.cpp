#include "iso/sparse_output.h"

#include <cstring>

namespace tarnwell::iso {

bool all_zero(std::span<std::uint8_t const> data)
{
    // Every byte equals the next and the first is zero. memcmp stops at the
    // first difference, so real content costs only a glance.
    return data.empty() || (data[0] == 0 && std::memcmp(data.data(), data.data() + 1, data.size() - 1) == 0);
}

tools::Result<void> SparseOutput::write(std::span<std::uint8_t const> data)
{
    if (!all_zero(data)) {
        if (auto written = m_out.write_at(m_position, data); !written)
            return written;
    }
    m_position += data.size();
    return {};
}

tools::Result<void> SparseOutput::finish()
{
    if (m_out.written() >= m_position)
        return {};
    std::uint8_t const last = 0;
    return m_out.write_at(m_position - 1, std::span(&last, 1));
}

}
