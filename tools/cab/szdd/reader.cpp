// SZDD reading.
//
// The document: none was ever published; the layout is the shared knowledge
// of readers and writers (see layout.h). Real files: the missing-character
// byte is 0 when the writer did not record it; some writers' last control
// byte announces items that never come. What we do: expand until the input
// ends, then require exactly the declared size; a match or literal after the
// declared size is reached is an error, as is an input that ends first.

#include "cab/szdd/reader.h"

#include "cab/szdd/layout.h"
#include "common/byte_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace tarnwell::tools::cab::szdd {

namespace {

    constexpr size_t chunk_size = 65536;

    // Reads the source in chunks; each byte taken is bounds-checked.
    class ChunkedInput {
    public:
        ChunkedInput(ByteSource const& source, std::uint64_t start)
            : m_source(source)
            , m_next(start)
            , m_buffer(chunk_size)
        {
        }

        bool at_end() const { return m_used == m_filled && m_next >= m_source.size(); }
        std::uint64_t offset() const { return m_next - (m_filled - m_used); }

        Result<std::uint8_t> byte()
        {
            if (m_used == m_filled) {
                auto left = m_source.size() - std::min(m_source.size(), m_next);
                if (left == 0)
                    return fail(ErrorCode::Truncated, m_next, "SZDD data ends inside an item");
                m_filled = static_cast<size_t>(std::min<std::uint64_t>(left, m_buffer.size()));
                if (auto read = m_source.read_at(m_next, std::span(m_buffer).first(m_filled)); !read)
                    return std::unexpected(read.error());
                m_next += m_filled;
                m_used = 0;
            }
            return m_buffer[m_used++];
        }

    private:
        ByteSource const& m_source;
        std::uint64_t m_next;
        std::vector<std::uint8_t> m_buffer;
        size_t m_filled { 0 };
        size_t m_used { 0 };
    };

    class Output {
    public:
        Output(ByteSink& sink, std::uint32_t expected)
            : m_sink(sink)
            , m_expected(expected)
        {
            m_buffer.reserve(chunk_size);
        }

        Result<void> put(std::uint8_t value, std::uint64_t offset)
        {
            if (m_total == m_expected)
                return fail(ErrorCode::Corrupt, offset, "SZDD data yields more than its declared size");
            m_buffer.push_back(value);
            ++m_total;
            if (m_buffer.size() == chunk_size)
                return flush();
            return {};
        }

        Result<void> flush()
        {
            auto written = m_sink.write(m_buffer);
            m_buffer.clear();
            return written;
        }

        std::uint64_t total() const { return m_total; }

    private:
        ByteSink& m_sink;
        std::uint64_t m_expected;
        std::uint64_t m_total { 0 };
        std::vector<std::uint8_t> m_buffer;
    };

}

bool has_signature(ByteSource const& source)
{
    std::array<std::uint8_t, 8> magic {};
    if (source.size() < magic.size() || !source.read_at(0, magic))
        return false;
    return std::memcmp(magic.data(), layout::signature, magic.size()) == 0;
}

Result<Header> read_header(ByteSource const& source)
{
    std::array<std::uint8_t, layout::header_size> bytes {};
    if (!has_signature(source))
        return fail(ErrorCode::BadSignature, 0, "no SZDD signature");
    if (auto read = source.read_at(0, bytes); !read)
        return fail(ErrorCode::Truncated, source.size(), "SZDD header cut short");
    ByteReader reader(bytes);
    (void)reader.seek(layout::mode);
    if (*reader.u8() != layout::mode_lzss)
        return fail(ErrorCode::Unsupported, layout::mode, "SZDD compression mode other than 'A'");
    Header header;
    header.missing_character = *reader.u8();
    header.uncompressed_size = *reader.u32_le();
    return header;
}

Result<void> expand(ByteSource const& source, ByteSink& sink)
{
    auto header = read_header(source);
    if (!header)
        return std::unexpected(header.error());
    std::array<std::uint8_t, layout::ring_size> ring;
    ring.fill(layout::ring_fill);
    size_t ring_position = layout::ring_start;
    ChunkedInput input(source, layout::header_size);
    Output output(sink, header->uncompressed_size);

    while (!input.at_end()) {
        auto control = input.byte();
        if (!control)
            return std::unexpected(control.error());
        for (unsigned bit = 0; bit < 8 && !input.at_end(); ++bit) {
            auto first = input.byte();
            if (!first)
                return std::unexpected(first.error());
            if (*control & (1u << bit)) {
                if (auto put = output.put(*first, input.offset()); !put)
                    return put;
                ring[ring_position] = *first;
                ring_position = (ring_position + 1) % layout::ring_size;
                continue;
            }
            auto second = input.byte();
            if (!second)
                return std::unexpected(second.error());
            size_t match = *first | ((*second & 0xF0u) << 4);
            unsigned length = (*second & 0x0Fu) + layout::min_match;
            for (unsigned i = 0; i < length; ++i) {
                auto value = ring[(match + i) % layout::ring_size];
                if (auto put = output.put(value, input.offset()); !put)
                    return put;
                ring[ring_position] = value;
                ring_position = (ring_position + 1) % layout::ring_size;
            }
        }
    }
    if (auto flushed = output.flush(); !flushed)
        return flushed;
    if (output.total() != header->uncompressed_size)
        return fail(ErrorCode::Truncated, source.size(),
            "SZDD data yields " + std::to_string(output.total()) + " of its "
                + std::to_string(header->uncompressed_size) + " bytes");
    return {};
}

}
