#pragma once

// On-disk layout of a cabinet file, after the MS-CAB document (section 2,
// "Cabinet File Format"). Offsets are from the start of each record; every
// number is little-endian.

#include <cstddef>
#include <cstdint>

namespace tarnwell::tools::cab::layout {

// CFHEADER (MS-CAB 2.1)
inline constexpr std::uint8_t signature[4] = { 'M', 'S', 'C', 'F' }; // +0  signature
inline constexpr size_t header_reserved1 = 4; // +4  u32, 0
inline constexpr size_t header_cabinet_size = 8; // +8  cbCabinet
inline constexpr size_t header_reserved2 = 12; // +12 u32, 0
inline constexpr size_t header_files_offset = 16; // +16 coffFiles
inline constexpr size_t header_reserved3 = 20; // +20 u32, 0
inline constexpr size_t header_version_minor = 24; // +24 versionMinor (3)
inline constexpr size_t header_version_major = 25; // +25 versionMajor (1)
inline constexpr size_t header_folder_count = 26; // +26 cFolders
inline constexpr size_t header_file_count = 28; // +28 cFiles
inline constexpr size_t header_flags = 30; // +30 flags
inline constexpr size_t header_set_id = 32; // +32 setID
inline constexpr size_t header_cabinet_index = 34; // +34 iCabinet
inline constexpr size_t header_size = 36;
static_assert(header_cabinet_index + 2 == header_size);

inline constexpr std::uint8_t version_minor = 3;
inline constexpr std::uint8_t version_major = 1;

// CFHEADER.flags (MS-CAB 2.1)
inline constexpr std::uint16_t flag_prev_cabinet = 0x0001;
inline constexpr std::uint16_t flag_next_cabinet = 0x0002;
inline constexpr std::uint16_t flag_reserve_present = 0x0004;

// Present after the fixed header when flag_reserve_present is set:
// cbCFHeader (u16), cbCFFolder (u8), cbCFData (u8), then cbCFHeader bytes.
inline constexpr size_t reserve_sizes_size = 4;
inline constexpr std::uint16_t max_header_reserve = 60000; // MS-CAB 2.1: cbCFHeader at most 60,000

// CFFOLDER (MS-CAB 2.2)
inline constexpr size_t folder_data_offset = 0; // +0 coffCabStart
inline constexpr size_t folder_block_count = 4; // +4 cCFData
inline constexpr size_t folder_compression = 6; // +6 typeCompress
inline constexpr size_t folder_size = 8;
static_assert(folder_compression + 2 == folder_size);

// CFFOLDER.typeCompress (MS-CAB 2.2): the method in the low four bits; for
// LZX the window's power of two in bits 8..12; for Quantum the level in
// bits 4..7 and the window in bits 8..12.
inline constexpr std::uint16_t compression_method_mask = 0x000F;
inline constexpr std::uint16_t compression_none = 0x0000;
inline constexpr std::uint16_t compression_mszip = 0x0001;
inline constexpr std::uint16_t compression_quantum = 0x0002;
inline constexpr std::uint16_t compression_lzx = 0x0003;
inline constexpr unsigned compression_window_shift = 8;
inline constexpr std::uint16_t compression_window_mask = 0x1F;
inline constexpr unsigned lzx_min_window_bits = 15;
inline constexpr unsigned lzx_max_window_bits = 21;

// CFFILE (MS-CAB 2.3)
inline constexpr size_t file_size = 0; // +0  cbFile
inline constexpr size_t file_folder_offset = 4; // +4  uoffFolderStart
inline constexpr size_t file_folder_index = 8; // +8  iFolder
inline constexpr size_t file_date = 10; // +10 date (MS-DOS)
inline constexpr size_t file_time = 12; // +12 time (MS-DOS)
inline constexpr size_t file_attributes = 14; // +14 attribs
inline constexpr size_t file_fixed_size = 16; // then szName, NUL-terminated
static_assert(file_attributes + 2 == file_fixed_size);

// CFFILE.iFolder special values (MS-CAB 2.3)
inline constexpr std::uint16_t folder_continued_from_prev = 0xFFFD;
inline constexpr std::uint16_t folder_continued_to_next = 0xFFFE;
inline constexpr std::uint16_t folder_continued_prev_and_next = 0xFFFF;

// CFFILE.attribs (MS-CAB 2.3)
inline constexpr std::uint16_t attribute_read_only = 0x01;
inline constexpr std::uint16_t attribute_hidden = 0x02;
inline constexpr std::uint16_t attribute_system = 0x04;
inline constexpr std::uint16_t attribute_archive = 0x20;
inline constexpr std::uint16_t attribute_execute = 0x40;
inline constexpr std::uint16_t attribute_name_is_utf = 0x80;

// CFFILE.szName: at most 255 bytes before the NUL (MS-CAB 2.3, CB_MAX_FILENAME).
inline constexpr size_t max_name_length = 255;

// CFDATA (MS-CAB 2.4)
inline constexpr size_t data_checksum = 0; // +0 csum (0: none)
inline constexpr size_t data_compressed_size = 4; // +4 cbData
inline constexpr size_t data_uncompressed_size = 6; // +6 cbUncomp
inline constexpr size_t data_header_size = 8; // then cbCFData reserve bytes, then cbData bytes
static_assert(data_uncompressed_size + 2 == data_header_size);

// MS-CAB 2.4: a data block holds at most 32 KiB of uncompressed data, and
// its compressed form at most 32 KiB + 6 KiB (room for incompressible LZX).
inline constexpr std::uint32_t max_block_uncompressed = 32768;
inline constexpr std::uint32_t max_block_compressed = 32768 + 6144;

// cCFData is 16 bits, so one folder holds at most 65,535 blocks of 32 KiB:
// 0x7FFF8000 bytes of uncompressed data, the largest file a one-folder
// cabinet can carry.
inline constexpr std::uint32_t max_blocks_per_folder = 0xFFFF;
inline constexpr std::uint64_t max_folder_uncompressed = std::uint64_t(max_blocks_per_folder) * max_block_uncompressed;

// MSZIP (MS-MCI 2.1): every data block starts with "CK", then one deflate
// stream (RFC 1951) whose window is the folder's preceding 32 KiB.
inline constexpr std::uint8_t mszip_signature[2] = { 'C', 'K' };

}
