// Cabinet reading (MS-CAB).
//
// The document: a header, optional reserved areas and set links, a table of
// folders, a table of files, then each folder's data blocks; sizes of at
// most 32 KiB per block, a checksum per block that may be 0 for "none".
// Real files: writers leave the checksum 0 often; reserved areas appear in
// signed cabinets; the per-block reserve sits between the block header and
// its data. What we do: every count, offset and size is checked against the
// source before it drives a read or a loop; a block's checksum is verified
// when it is not 0 (computed over reserve and data, then the two size
// fields); files continued across cabinets of a set are refused by name,
// since our users hand us single cabinets.

#include "cab/cabinet/reader.h"

#include "cab/cabinet/block_decoder.h"
#include "cab/cabinet/layout.h"
#include "common/byte_reader.h"

#include <algorithm>
#include <cstring>

namespace tarnwell::tools::cab {

namespace {

    // No file entry is longer than its fixed part plus a name of at most 255
    // bytes and its NUL, so the file table's length is bounded by the count.
    constexpr std::uint64_t max_file_entry = layout::file_fixed_size + layout::max_name_length + 1;

    template<typename T> std::unexpected<Error> pass(Result<T> const& result)
    {
        return std::unexpected(result.error());
    }

    Result<std::string> read_name(ByteReader& reader, char const* what)
    {
        std::string name;
        for (;;) {
            auto byte = reader.u8();
            if (!byte)
                return fail(ErrorCode::Truncated, reader.file_offset(), std::string("unterminated ") + what);
            if (*byte == 0)
                return name;
            if (name.size() == layout::max_name_length)
                return fail(ErrorCode::Corrupt, reader.file_offset(), std::string(what) + " longer than 255 bytes");
            name.push_back(static_cast<char>(*byte));
        }
    }

    Compression decode_compression(std::uint16_t type)
    {
        Compression compression;
        compression.window_bits = (type >> layout::compression_window_shift) & layout::compression_window_mask;
        switch (type & layout::compression_method_mask) {
        case layout::compression_none:
            compression.method = Method::None;
            break;
        case layout::compression_mszip:
            compression.method = Method::Mszip;
            break;
        case layout::compression_quantum:
            compression.method = Method::Quantum;
            compression.level = (type >> 4) & 0xF;
            break;
        case layout::compression_lzx:
            compression.method = Method::Lzx;
            break;
        default:
            compression.method = Method::Unknown;
        }
        return compression;
    }

    Result<void> read_header(ByteReader& reader, Cabinet& cabinet, std::uint16_t& flags, std::uint32_t& files_offset,
        std::uint16_t& folder_count, std::uint16_t& file_count)
    {
        auto signature = reader.bytes(4);
        if (!signature || std::memcmp(signature->data(), layout::signature, 4) != 0)
            return fail(ErrorCode::BadSignature, cabinet.base, "no cabinet signature \"MSCF\"");
        if (reader.size() < layout::header_size)
            return fail(ErrorCode::Truncated, cabinet.base + reader.size(), "cabinet header cut short");
        (void)reader.seek(layout::header_cabinet_size);
        cabinet.declared_size = *reader.u32_le();
        (void)reader.seek(layout::header_files_offset);
        files_offset = *reader.u32_le();
        (void)reader.seek(layout::header_version_minor);
        auto minor = *reader.u8();
        auto major = *reader.u8();
        folder_count = *reader.u16_le();
        file_count = *reader.u16_le();
        flags = *reader.u16_le();
        cabinet.set_id = *reader.u16_le();
        cabinet.index_in_set = *reader.u16_le();
        if (major != layout::version_major)
            return fail(ErrorCode::Unsupported, cabinet.base + layout::header_version_minor,
                "cabinet format version " + std::to_string(major) + "." + std::to_string(minor));
        if (folder_count == 0)
            return fail(ErrorCode::Corrupt, cabinet.base + layout::header_folder_count, "cabinet has no folders");
        return {};
    }

    Result<void> read_optional_header_parts(ByteReader& reader, Cabinet& cabinet, std::uint16_t flags)
    {
        if (flags & layout::flag_reserve_present) {
            auto header_reserve = reader.u16_le();
            if (!header_reserve)
                return pass(header_reserve);
            auto folder_reserve = reader.u8();
            if (!folder_reserve)
                return pass(folder_reserve);
            cabinet.folder_reserve = *folder_reserve;
            auto data_reserve = reader.u8();
            if (!data_reserve)
                return pass(data_reserve);
            cabinet.data_reserve = *data_reserve;
            if (*header_reserve > layout::max_header_reserve)
                return fail(ErrorCode::Corrupt, reader.file_offset(), "header reserve larger than 60,000 bytes");
            if (auto skipped = reader.skip(*header_reserve); !skipped)
                return skipped;
        }
        if (flags & layout::flag_prev_cabinet) {
            auto name = read_name(reader, "previous cabinet name");
            if (!name)
                return pass(name);
            cabinet.previous_cabinet = *name;
            if (auto disk = read_name(reader, "previous disk name"); !disk)
                return pass(disk);
        }
        if (flags & layout::flag_next_cabinet) {
            auto name = read_name(reader, "next cabinet name");
            if (!name)
                return pass(name);
            cabinet.next_cabinet = *name;
            if (auto disk = read_name(reader, "next disk name"); !disk)
                return pass(disk);
        }
        return {};
    }

    Result<void> read_folders(ByteReader& reader, Cabinet& cabinet, std::uint16_t count)
    {
        for (unsigned i = 0; i < count; ++i) {
            auto offset = reader.u32_le();
            auto blocks = reader.u16_le();
            auto type = reader.u16_le();
            if (!offset || !blocks || !type)
                return fail(ErrorCode::Truncated, reader.file_offset(), "folder table cut short");
            if (auto skipped = reader.skip(cabinet.folder_reserve); !skipped)
                return skipped;
            Folder folder;
            folder.compression = decode_compression(*type);
            folder.first_block_offset = cabinet.base + *offset;
            folder.block_count = *blocks;
            if (*offset >= cabinet.declared_size && *blocks != 0)
                return fail(ErrorCode::Corrupt, reader.file_offset(), "folder data starts past the cabinet's end");
            cabinet.folders.push_back(folder);
        }
        return {};
    }

    Result<void> read_files(ByteReader& reader, Cabinet& cabinet, std::uint16_t count)
    {
        for (unsigned i = 0; i < count; ++i) {
            auto entry_offset = reader.file_offset();
            auto fixed = reader.bytes(layout::file_fixed_size);
            if (!fixed)
                return fail(ErrorCode::Truncated, entry_offset, "file table cut short");
            ByteReader fields(*fixed, entry_offset);
            FileEntry file;
            file.size = *fields.u32_le();
            file.folder_offset = *fields.u32_le();
            file.folder_index = *fields.u16_le();
            file.dos_date = *fields.u16_le();
            file.dos_time = *fields.u16_le();
            file.attributes = *fields.u16_le();
            auto name = read_name(reader, "file name");
            if (!name)
                return pass(name);
            file.name = std::move(*name);
            if (file.name.empty())
                return fail(ErrorCode::Corrupt, entry_offset, "file with an empty name");
            if (file.folder_index >= layout::folder_continued_from_prev)
                return fail(ErrorCode::Unsupported, entry_offset,
                    "file \"" + file.name + "\" continues in another cabinet of a set");
            if (file.folder_index >= cabinet.folders.size())
                return fail(ErrorCode::Corrupt, entry_offset,
                    "file \"" + file.name + "\" names folder " + std::to_string(file.folder_index) + " of "
                        + std::to_string(cabinet.folders.size()));
            if (std::uint64_t(file.folder_offset) + file.size > layout::max_folder_uncompressed)
                return fail(ErrorCode::Corrupt, entry_offset, "file \"" + file.name + "\" ends past a folder's limit");
            cabinet.files.push_back(std::move(file));
        }
        return {};
    }

}

Result<Cabinet> read_cabinet(ByteSource const& source)
{
    Cabinet cabinet;
    std::uint64_t available = source.size();
    std::vector<std::uint8_t> header(std::min<std::uint64_t>(available, layout::header_size));
    if (auto read = source.read_at(0, header); !read)
        return pass(read);
    std::uint16_t flags = 0, folder_count = 0, file_count = 0;
    std::uint32_t files_offset = 0;
    {
        ByteReader reader(header);
        if (auto parsed = read_header(reader, cabinet, flags, files_offset, folder_count, file_count); !parsed)
            return pass(parsed);
    }
    if (cabinet.declared_size > available)
        return fail(ErrorCode::Truncated, available,
            "cabinet says it has " + std::to_string(cabinet.declared_size) + " bytes, the file has "
                + std::to_string(available));
    if (files_offset < layout::header_size || files_offset >= cabinet.declared_size)
        return fail(ErrorCode::Corrupt, layout::header_files_offset, "file table offset outside the cabinet");

    // Everything up to the end of the file table, bounded by its largest
    // possible size for the number of files declared.
    std::uint64_t directory_size = std::min<std::uint64_t>(
        cabinet.declared_size, std::uint64_t(files_offset) + std::uint64_t(file_count) * max_file_entry);
    std::vector<std::uint8_t> directory(directory_size);
    if (auto read = source.read_at(0, directory); !read)
        return pass(read);

    ByteReader reader(std::span<std::uint8_t const>(directory).first(files_offset));
    (void)reader.seek(layout::header_size);
    if (auto parsed = read_optional_header_parts(reader, cabinet, flags); !parsed)
        return pass(parsed);
    if (auto parsed = read_folders(reader, cabinet, folder_count); !parsed)
        return pass(parsed);

    ByteReader file_reader(std::span<std::uint8_t const>(directory).subspan(files_offset), files_offset);
    if (auto parsed = read_files(file_reader, cabinet, file_count); !parsed)
        return pass(parsed);
    return cabinet;
}

std::uint32_t data_checksum(std::span<std::uint8_t const> data, std::uint32_t seed)
{
    std::uint32_t sum = seed;
    size_t words = data.size() / 4;
    std::uint8_t const* p = data.data();
    // Two words at a time: the XOR of little-endian 64-bit loads holds the
    // XOR of the even words in its low half and of the odd ones in its high.
    std::uint64_t pairs = 0;
    for (; words >= 2; words -= 2, p += 8) {
        std::uint64_t eight = std::uint64_t(p[0]) | (std::uint64_t(p[1]) << 8) | (std::uint64_t(p[2]) << 16)
            | (std::uint64_t(p[3]) << 24) | (std::uint64_t(p[4]) << 32) | (std::uint64_t(p[5]) << 40)
            | (std::uint64_t(p[6]) << 48) | (std::uint64_t(p[7]) << 56);
        pairs ^= eight;
    }
    sum ^= static_cast<std::uint32_t>(pairs) ^ static_cast<std::uint32_t>(pairs >> 32);
    for (size_t i = 0; i < words; ++i, p += 4)
        sum ^= std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
            | (std::uint32_t(p[3]) << 24);
    std::uint32_t tail = 0;
    for (size_t i = 0; i < data.size() % 4; ++i)
        tail = (tail << 8) | p[i];
    return sum ^ tail;
}

FolderStream::FolderStream(FolderStream&&) noexcept = default;
FolderStream& FolderStream::operator=(FolderStream&&) noexcept = default;
FolderStream::~FolderStream() = default;

Result<FolderStream> FolderStream::create(ByteSource const& source, Cabinet const& cabinet, size_t folder_index)
{
    if (folder_index >= cabinet.folders.size())
        return fail(ErrorCode::Corrupt, 0, "no folder " + std::to_string(folder_index));
    FolderStream stream;
    stream.m_source = &source;
    stream.m_folder = cabinet.folders[folder_index];
    stream.m_data_reserve = cabinet.data_reserve;
    auto decoder = create_block_decoder(stream.m_folder.compression);
    if (!decoder)
        return pass(decoder);
    stream.m_decoder = std::move(*decoder);
    stream.m_next_block_offset = stream.m_folder.first_block_offset;
    // 1 MiB of read-ahead: some 30 blocks per read.
    constexpr size_t read_ahead = 1 << 20;
    static_assert(read_ahead >= layout::data_header_size + 255 + layout::max_block_compressed);
    stream.m_compressed.resize(read_ahead);
    stream.m_block.reserve(layout::max_block_uncompressed);
    return stream;
}

Result<std::span<std::uint8_t const>> FolderStream::fetch(std::uint64_t offset, size_t size)
{
    if (offset < m_cached_offset || offset + size > m_cached_offset + m_cached_size) {
        std::uint64_t available = offset < m_source->size() ? m_source->size() - offset : 0;
        if (available < size) {
            // Short: the source names the shortage itself.
            std::vector<std::uint8_t> exact(size);
            if (auto read = m_source->read_at(offset, exact); !read)
                return pass(read);
        }
        m_cached_size = static_cast<size_t>(std::min<std::uint64_t>(available, m_compressed.size()));
        m_cached_offset = offset;
        if (auto read = m_source->read_at(offset, std::span(m_compressed).first(m_cached_size)); !read) {
            m_cached_size = 0;
            return pass(read);
        }
    }
    return std::span<std::uint8_t const>(m_compressed).subspan(static_cast<size_t>(offset - m_cached_offset), size);
}

Result<size_t> FolderStream::next_block(std::span<std::uint8_t> target)
{
    if (m_blocks_read >= m_folder.block_count)
        return fail(ErrorCode::Truncated, m_next_block_offset,
            "folder ends after " + std::to_string(m_blocks_read) + " data blocks, before its files do");
    auto block_offset = m_next_block_offset;
    size_t header_size = layout::data_header_size + m_data_reserve;
    auto header = fetch(block_offset, header_size);
    if (!header)
        return pass(header);
    ByteReader fields(*header, block_offset);
    auto checksum = *fields.u32_le();
    auto compressed_size = *fields.u16_le();
    auto uncompressed_size = *fields.u16_le();
    if (compressed_size > layout::max_block_compressed)
        return fail(ErrorCode::Corrupt, block_offset, "data block larger than 38 KiB");
    if (uncompressed_size > layout::max_block_uncompressed)
        return fail(ErrorCode::Corrupt, block_offset, "data block expands beyond 32 KiB");
    if (uncompressed_size == 0)
        return fail(ErrorCode::Unsupported, block_offset, "data block continues in another cabinet of a set");
    auto block = fetch(block_offset, header_size + compressed_size);
    if (!block)
        return pass(block);
    auto data = block->subspan(header_size);
    if (checksum != 0) {
        auto sum = data_checksum(block->subspan(8, m_data_reserve + compressed_size), 0);
        sum = data_checksum(block->subspan(4, 4), sum);
        if (sum != checksum)
            return fail(ErrorCode::BadChecksum, block_offset, "data block checksum does not match");
    }
    bool direct = target.size() >= uncompressed_size;
    if (direct) {
        target = target.first(uncompressed_size);
        m_block.clear();
    } else {
        m_block.resize(uncompressed_size);
        target = m_block;
    }
    if (auto decoded = m_decoder->decode(data, target); !decoded) {
        auto error = decoded.error();
        error.offset += block_offset + header_size;
        return std::unexpected(error);
    }
    m_block_used = 0;
    m_next_block_offset = block_offset + header_size + compressed_size;
    ++m_blocks_read;
    return direct ? size_t { uncompressed_size } : 0;
}

Result<void> FolderStream::read(std::span<std::uint8_t> buffer)
{
    while (!buffer.empty()) {
        if (m_block_used == m_block.size()) {
            auto decoded = next_block(buffer);
            if (!decoded)
                return pass(decoded);
            m_position += *decoded;
            buffer = buffer.subspan(*decoded);
            continue;
        }
        size_t take = std::min(buffer.size(), m_block.size() - m_block_used);
        std::memcpy(buffer.data(), m_block.data() + m_block_used, take);
        m_block_used += take;
        m_position += take;
        buffer = buffer.subspan(take);
    }
    return {};
}

Result<void> FolderStream::skip(std::uint64_t count)
{
    while (count > 0) {
        if (m_block_used == m_block.size()) {
            if (auto next = next_block({}); !next)
                return pass(next);
        }
        auto take = std::min<std::uint64_t>(count, m_block.size() - m_block_used);
        m_block_used += take;
        m_position += take;
        count -= take;
    }
    return {};
}

Result<void> extract_file(ByteSource const& source, Cabinet const& cabinet, FileEntry const& file, ByteSink& sink)
{
    auto stream = FolderStream::create(source, cabinet, file.folder_index);
    if (!stream)
        return pass(stream);
    if (auto skipped = stream->skip(file.folder_offset); !skipped)
        return skipped;
    // Many data blocks per write: the blocks are decoded straight into
    // the buffer, and the output sees few, large writes.
    constexpr size_t write_size = 1 << 20;
    std::vector<std::uint8_t> buffer(static_cast<size_t>(std::min<std::uint64_t>(file.size, write_size)));
    std::uint64_t left = file.size;
    while (left > 0) {
        auto chunk = std::span<std::uint8_t>(buffer).first(std::min<std::uint64_t>(left, buffer.size()));
        if (auto read = stream->read(chunk); !read)
            return read;
        if (auto written = sink.write(chunk); !written)
            return written;
        left -= chunk.size();
    }
    return {};
}

}
