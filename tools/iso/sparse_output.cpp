#include "iso/sparse_output.h"

#include <algorithm>
#include <cstring>

namespace tarnwell::iso {

namespace {

    // How much of a piece is read to tell data from a hole: a page. Real
    // content seldom starts a piece with a page of zeros; when it does, the
    // piece is read whole, so the guess costs time, never bytes.
    constexpr size_t probe_size = 4096;
    // Shorter pieces (most files of a PE tree) are appended without a look:
    // a hole in them would save little, and the look costs a read each.
    constexpr size_t min_probed_piece = 64 * 1024;
    // Shorter runs of zeros are written: a hole smaller than a file system
    // block saves nothing, and the next write would have to end it anyway.
    constexpr size_t min_hole = 4096;

}

bool all_zero(std::span<std::uint8_t const> data)
{
    // Every byte equals the next and the first is zero. memcmp stops at the
    // first difference, so real content costs only a glance.
    return data.empty() || (data[0] == 0 && std::memcmp(data.data(), data.data() + 1, data.size() - 1) == 0);
}

tools::Result<void> SparseOutput::write(std::span<std::uint8_t const> data)
{
    if (data.size() < min_hole || !all_zero(data)) {
        if (auto written = m_out.write_at(m_position, data); !written)
            return written;
    }
    m_position += data.size();
    return {};
}

tools::Result<void> SparseOutput::copy(
    CopySource& source, std::uint64_t offset, std::uint64_t length, std::span<std::uint8_t> buffer, Progress& progress)
{
    for (std::uint64_t done = 0; done < length;) {
        auto piece = static_cast<size_t>(std::min<std::uint64_t>(buffer.size(), length - done));
        auto probe = buffer.first(std::min(probe_size, piece));
        bool look = piece >= min_probed_piece;
        if (look) {
            if (auto read = source.read(offset + done, probe); !read)
                return read;
        }
        if (look && all_zero(probe)) {
            auto rest = buffer.subspan(probe.size(), piece - probe.size());
            if (auto read = source.read(offset + done + probe.size(), rest); !read)
                return read;
            if (auto written = write(buffer.first(piece)); !written)
                return written;
        } else {
            // Appending continues from the end of what was written.
            if (auto settled = finish(); !settled)
                return settled;
            if (auto appended = source.append(m_out, offset + done, piece, buffer); !appended)
                return appended;
            m_position += piece;
            if (m_out.written() != m_position)
                return tools::fail(tools::ErrorCode::Io, m_position, "a copy ended at the wrong place");
        }
        done += piece;
        progress.advance(piece);
    }
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
