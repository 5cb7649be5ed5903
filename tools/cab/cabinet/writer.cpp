// Cabinet writing (MS-CAB), one folder per cabinet.
//
// The header's cabinet size and the folder's block count are known only at
// the end, so they are written as 0 first and rewritten once the data is
// out. Every data block carries its checksum.

#include "cab/cabinet/writer.h"

#include "cab/cabinet/block_encoder.h"
#include "cab/cabinet/layout.h"
#include "cab/cabinet/reader.h"

#include <algorithm>
#include <vector>

namespace tarnwell::tools::cab {

namespace {

    void put16(std::vector<std::uint8_t>& out, size_t offset, std::uint32_t value)
    {
        out[offset] = static_cast<std::uint8_t>(value);
        out[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    }

    void put32(std::vector<std::uint8_t>& out, size_t offset, std::uint32_t value)
    {
        for (size_t i = 0; i < 4; ++i)
            out[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }

    std::uint16_t compression_type(Compression compression)
    {
        switch (compression.method) {
        case Method::Mszip:
            return layout::compression_mszip;
        case Method::Lzx:
            return static_cast<std::uint16_t>(
                layout::compression_lzx | (compression.window_bits << layout::compression_window_shift));
        default:
            return layout::compression_none;
        }
    }

    bool needs_utf_flag(std::string const& name)
    {
        return std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    }

    // Header, folder and file table, with the sizes known only at the end
    // left 0.
    std::vector<std::uint8_t> directory_bytes(std::span<WriterInput const> inputs, Compression compression)
    {
        std::vector<std::uint8_t> out(layout::header_size + layout::folder_size, 0);
        std::copy(std::begin(layout::signature), std::end(layout::signature), out.begin());
        out[layout::header_version_minor] = layout::version_minor;
        out[layout::header_version_major] = layout::version_major;
        put16(out, layout::header_folder_count, 1);
        put16(out, layout::header_file_count, static_cast<std::uint32_t>(inputs.size()));
        put32(out, layout::header_files_offset, static_cast<std::uint32_t>(out.size()));
        put16(out, layout::header_size + layout::folder_compression, compression_type(compression));

        std::uint32_t folder_offset = 0;
        for (auto const& input : inputs) {
            size_t at = out.size();
            out.resize(at + layout::file_fixed_size);
            auto size = static_cast<std::uint32_t>(input.source->size());
            put32(out, at + layout::file_size, size);
            put32(out, at + layout::file_folder_offset, folder_offset);
            put16(out, at + layout::file_folder_index, 0);
            put16(out, at + layout::file_date, input.dos_date);
            put16(out, at + layout::file_time, input.dos_time);
            std::uint16_t attributes = input.attributes;
            if (needs_utf_flag(input.name))
                attributes |= layout::attribute_name_is_utf;
            put16(out, at + layout::file_attributes, attributes);
            out.insert(out.end(), input.name.begin(), input.name.end());
            out.push_back(0);
            folder_offset += size;
        }
        put32(out, layout::header_size + layout::folder_data_offset, static_cast<std::uint32_t>(out.size()));
        return out;
    }

}

Result<void> check_writer_inputs(std::span<WriterInput const> inputs, Compression compression)
{
    if (!can_encode(compression.method))
        return fail(
            ErrorCode::Unsupported, 0, std::string("this build cannot write ") + method_name(compression.method));
    if (compression.method == Method::Lzx
        && (compression.window_bits < layout::lzx_min_window_bits
            || compression.window_bits > layout::lzx_max_window_bits))
        return fail(ErrorCode::Usage, 0, "LZX window must be 15..21");
    if (inputs.size() > 0xFFFF)
        return fail(ErrorCode::LimitExceeded, 0, "more than 65,535 files for one cabinet");
    std::uint64_t total = 0;
    for (auto const& input : inputs) {
        if (input.name.empty() || input.name.size() > layout::max_name_length)
            return fail(ErrorCode::Usage, 0, "stored name must be 1..255 bytes: \"" + input.name + "\"");
        if (input.name.find('\0') != std::string::npos)
            return fail(ErrorCode::Usage, 0, "stored name holds a NUL byte");
        total += input.source->size();
    }
    if (total > layout::max_folder_uncompressed)
        return fail(ErrorCode::LimitExceeded, 0,
            std::to_string(total)
                + " bytes do not fit one cabinet folder (at most 2,147,450,880: 65,535 blocks of 32 KiB)");
    return {};
}

Result<void> write_cabinet(
    std::span<WriterInput const> inputs, Compression compression, ByteSink& sink, ProgressCallback const& progress)
{
    if (auto checked = check_writer_inputs(inputs, compression); !checked)
        return checked;
    auto encoder = create_block_encoder(compression);
    if (!encoder)
        return std::unexpected(encoder.error());
    auto directory = directory_bytes(inputs, compression);
    if (auto written = sink.write(directory); !written)
        return written;

    std::uint64_t cabinet_size = directory.size();
    std::uint32_t block_count = 0;
    std::vector<std::uint8_t> block;
    DataBlockSink write_block = [&](std::span<std::uint8_t const> data, std::uint32_t uncompressed) -> Result<void> {
        if (block_count == layout::max_blocks_per_folder)
            return fail(ErrorCode::LimitExceeded, cabinet_size, "more than 65,535 data blocks in one folder");
        if (data.size() > layout::max_block_compressed || uncompressed > layout::max_block_uncompressed)
            return fail(ErrorCode::Corrupt, cabinet_size, "encoder produced an oversized data block");
        block.assign(layout::data_header_size, 0);
        put16(block, layout::data_compressed_size, static_cast<std::uint32_t>(data.size()));
        put16(block, layout::data_uncompressed_size, uncompressed);
        auto sum = data_checksum(data, 0);
        sum = data_checksum(std::span<std::uint8_t const>(block).subspan(layout::data_compressed_size, 4), sum);
        put32(block, layout::data_checksum, sum);
        block.insert(block.end(), data.begin(), data.end());
        ++block_count;
        cabinet_size += block.size();
        if (cabinet_size > 0xFFFFFFFFu)
            return fail(ErrorCode::LimitExceeded, cabinet_size, "cabinet larger than 4 GiB");
        return sink.write(block);
    };

    std::uint64_t total = 0, done = 0;
    for (auto const& input : inputs)
        total += input.source->size();
    std::vector<std::uint8_t> buffer(1 << 20);
    for (auto const& input : inputs) {
        std::uint64_t size = input.source->size();
        for (std::uint64_t offset = 0; offset < size;) {
            auto chunk = std::span<std::uint8_t>(buffer).first(std::min<std::uint64_t>(buffer.size(), size - offset));
            if (auto read = input.source->read_at(offset, chunk); !read)
                return read;
            if (auto fed = (*encoder)->feed(chunk, write_block); !fed)
                return fed;
            offset += chunk.size();
            done += chunk.size();
            if (progress)
                progress(done, total);
        }
    }
    if (auto finished = (*encoder)->finish(write_block); !finished)
        return finished;

    std::vector<std::uint8_t> patch(4);
    put32(patch, 0, static_cast<std::uint32_t>(cabinet_size));
    if (auto written = sink.write_at(layout::header_cabinet_size, patch); !written)
        return written;
    patch.resize(2);
    put16(patch, 0, block_count);
    return sink.write_at(layout::header_size + layout::folder_block_count, patch);
}

}
