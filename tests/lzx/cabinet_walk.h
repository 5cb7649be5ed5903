#pragma once

// Test-only: the least of the cabinet format needed to reach the LZX data of
// a cabinet other tools made, and to write a one-file LZX cabinet that other
// tools can extract. The real cabinet library lives elsewhere.

#include "common/error.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarnwell::test::lzx {

struct DataBlock {
    std::span<std::uint8_t const> compressed;
    std::uint16_t uncompressed_size;
};

struct Folder {
    unsigned compression_type; // low 4 bits of the folder's type field
    unsigned window_bits; // bits 8..12 of it, for LZX
    std::vector<DataBlock> blocks;
};

struct Member {
    std::string name;
    std::uint32_t size;
    std::uint32_t folder_offset;
    unsigned folder;
};

struct Cabinet {
    std::vector<Folder> folders;
    std::vector<Member> members;
};

tools::Result<Cabinet> walk_cabinet(std::span<std::uint8_t const> file);

// One folder, one member, LZX with the given window; blocks as the encoder
// emitted them: (compressed bytes, uncompressed size).
std::vector<std::uint8_t> write_lzx_cabinet(std::string const& member_name, unsigned window_bits,
    std::vector<std::pair<std::vector<std::uint8_t>, std::uint32_t>> const& blocks);

std::vector<std::uint8_t> read_file(std::string const& path);

}
