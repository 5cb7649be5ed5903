#pragma once

// Reading cabinets: the directory (header, folders, files) at once, the data
// of a folder block by block, so memory stays small whatever the size.

#include "cab/cabinet/model.h"
#include "cab/io.h"

#include <memory>

namespace tarnwell::tools::cab {

Result<Cabinet> read_cabinet(ByteSource const& source);

class BlockDecoder;

// The uncompressed bytes of one folder, in order.
class FolderStream {
public:
    static Result<FolderStream> create(ByteSource const& source, Cabinet const& cabinet, size_t folder_index);
    FolderStream(FolderStream&&) noexcept;
    FolderStream& operator=(FolderStream&&) noexcept;
    ~FolderStream();

    std::uint64_t position() const { return m_position; }
    // Fills `buffer` whole; running out of blocks first is Truncated.
    Result<void> read(std::span<std::uint8_t> buffer);
    Result<void> skip(std::uint64_t count);

private:
    FolderStream() = default;
    // Decodes the next data block: straight into `target` when it fits
    // there whole (giving its size), else into m_block (giving 0).
    Result<size_t> next_block(std::span<std::uint8_t> target);

    ByteSource const* m_source { nullptr };
    Folder m_folder;
    std::uint8_t m_data_reserve { 0 };
    std::unique_ptr<BlockDecoder> m_decoder;
    std::uint64_t m_next_block_offset { 0 };
    std::uint32_t m_blocks_read { 0 };
    // Reads ahead of the data blocks, so that each block is not two reads
    // of its own: `m_cached_size` bytes of the cabinet from `m_cached_offset`.
    Result<std::span<std::uint8_t const>> fetch(std::uint64_t offset, size_t size);
    std::vector<std::uint8_t> m_compressed;
    std::uint64_t m_cached_offset { 0 };
    size_t m_cached_size { 0 };
    std::vector<std::uint8_t> m_block;
    size_t m_block_used { 0 };
    std::uint64_t m_position { 0 };
};

// Copies one file's bytes into `sink`, verifying sizes on the way.
Result<void> extract_file(ByteSource const& source, Cabinet const& cabinet, FileEntry const& file, ByteSink& sink);

// The CFDATA checksum (MS-CAB 2.4): XOR of the little-endian 32-bit words,
// the last one to three bytes taken big-endian first.
std::uint32_t data_checksum(std::span<std::uint8_t const> data, std::uint32_t seed);

}
