#pragma once

// A cabinet as the tools see it: folders (compressed streams) and the files
// cut out of them. No on-disk offsets beyond what reading the data needs.

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwell::tools::cab {

enum class Method {
    None,
    Mszip,
    Quantum,
    Lzx,
    Unknown,
};

char const* method_name(Method);

struct Compression {
    Method method { Method::Mszip };
    unsigned window_bits { 0 }; // LZX and Quantum only
    unsigned level { 0 }; // Quantum only
};

struct Folder {
    Compression compression;
    std::uint64_t first_block_offset { 0 }; // in the source
    std::uint32_t block_count { 0 };
};

struct FileEntry {
    std::string name; // as stored, with "\" separators
    std::uint32_t size { 0 };
    std::uint32_t folder_offset { 0 };
    std::uint16_t folder_index { 0 };
    std::uint16_t dos_date { 0 };
    std::uint16_t dos_time { 0 };
    std::uint16_t attributes { 0 };
};

struct Cabinet {
    std::uint64_t base { 0 }; // where the cabinet starts in its source
    std::uint32_t declared_size { 0 };
    std::uint16_t set_id { 0 };
    std::uint16_t index_in_set { 0 };
    std::uint8_t folder_reserve { 0 };
    std::uint8_t data_reserve { 0 };
    std::string previous_cabinet;
    std::string next_cabinet;
    std::vector<Folder> folders;
    std::vector<FileEntry> files;
};

}
