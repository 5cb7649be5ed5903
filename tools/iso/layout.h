#pragma once

// On-disk constants of the ISO 9660 image and its extensions. Offsets are
// byte positions inside the record they belong to; the clause names where the
// standard defines the field: ECMA-119 (4th edition), Joliet (1995), IEEE
// P1281 (SUSP) and P1282 (Rock Ridge), and El Torito 1.0 (bootable CD-ROM
// format).

#include <cstddef>
#include <cstdint>

namespace tarnwell::iso::layout {

// ECMA-119 6.1.2: every logical sector of a CD-ROM image is 2048 bytes.
inline constexpr std::uint32_t sector_size = 2048;
// ECMA-119 6.2.1: sectors 0..15 are the system area.
inline constexpr std::uint32_t system_area_sectors = 16;
inline constexpr std::uint32_t system_area_size = system_area_sectors * sector_size;
inline constexpr std::uint32_t first_descriptor_sector = 16;

// ECMA-119 8.1: the volume descriptor header.
namespace descriptor {
    inline constexpr size_t type = 0; // 8.1.1
    inline constexpr size_t identifier = 1; // 8.1.2, "CD001"
    inline constexpr size_t version = 6; // 8.1.3
    inline constexpr std::uint8_t type_boot_record = 0;
    inline constexpr std::uint8_t type_primary = 1;
    inline constexpr std::uint8_t type_supplementary = 2;
    inline constexpr std::uint8_t type_partition = 3;
    inline constexpr std::uint8_t type_terminator = 255;
    inline constexpr char standard_identifier[] = "CD001";
}

// ECMA-119 8.4 (primary) and 8.5 (supplementary; same places).
namespace volume {
    inline constexpr size_t system_identifier = 8; // 8.4.5, 32 bytes
    inline constexpr size_t volume_identifier = 40; // 8.4.6, 32 bytes
    inline constexpr size_t volume_space_size = 80; // 8.4.8, both-endian 32
    inline constexpr size_t escape_sequences = 88; // 8.5.6, 32 bytes
    inline constexpr size_t volume_set_size = 120; // 8.4.10, both-endian 16
    inline constexpr size_t volume_sequence_number = 124; // 8.4.11, both-endian 16
    inline constexpr size_t logical_block_size = 128; // 8.4.12, both-endian 16
    inline constexpr size_t path_table_size = 132; // 8.4.13, both-endian 32
    inline constexpr size_t type_l_path_table = 140; // 8.4.14, little-endian 32
    inline constexpr size_t optional_type_l_path_table = 144; // 8.4.15
    inline constexpr size_t type_m_path_table = 148; // 8.4.16, big-endian 32
    inline constexpr size_t optional_type_m_path_table = 152; // 8.4.17
    inline constexpr size_t root_directory_record = 156; // 8.4.18, 34 bytes
    inline constexpr size_t volume_set_identifier = 190; // 8.4.19, 128 bytes
    inline constexpr size_t publisher_identifier = 318; // 8.4.20, 128 bytes
    inline constexpr size_t data_preparer_identifier = 446; // 8.4.21, 128 bytes
    inline constexpr size_t application_identifier = 574; // 8.4.22, 128 bytes
    inline constexpr size_t copyright_file = 702; // 8.4.23, 37 bytes
    inline constexpr size_t abstract_file = 739; // 8.4.24, 37 bytes
    inline constexpr size_t bibliographic_file = 776; // 8.4.25, 37 bytes
    inline constexpr size_t creation_time = 813; // 8.4.26, 17 bytes
    inline constexpr size_t modification_time = 830; // 8.4.27
    inline constexpr size_t expiration_time = 847; // 8.4.28
    inline constexpr size_t effective_time = 864; // 8.4.29
    inline constexpr size_t file_structure_version = 881; // 8.4.30
    inline constexpr size_t identifier_length = 32;
    inline constexpr size_t long_identifier_length = 128;
    inline constexpr size_t file_identifier_length = 37;
    inline constexpr size_t time_length = 17; // 8.4.26.1
}

// Joliet 2.2: escape sequences of a supplementary descriptor that mark
// UCS-2 names, levels 1, 2 and 3.
inline constexpr char joliet_escape_level1[] = "%/@";
inline constexpr char joliet_escape_level2[] = "%/C";
inline constexpr char joliet_escape_level3[] = "%/E";

// ECMA-119 9.1: the directory record.
namespace record {
    inline constexpr size_t length = 0; // 9.1.1
    inline constexpr size_t extended_attribute_length = 1; // 9.1.2
    inline constexpr size_t extent = 2; // 9.1.3, both-endian 32
    inline constexpr size_t data_length = 10; // 9.1.4, both-endian 32
    inline constexpr size_t recording_time = 18; // 9.1.5, 7 bytes
    inline constexpr size_t flags = 25; // 9.1.6
    inline constexpr size_t file_unit_size = 26; // 9.1.7
    inline constexpr size_t interleave_gap = 27; // 9.1.8
    inline constexpr size_t volume_sequence_number = 28; // 9.1.9, both-endian 16
    inline constexpr size_t name_length = 32; // 9.1.10
    inline constexpr size_t name = 33; // 9.1.11
    inline constexpr size_t fixed_size = 33;
    inline constexpr size_t root_record_size = 34; // 8.4.18: one name byte 0x00
    inline constexpr size_t recording_time_length = 7;

    // 9.1.6 file flags.
    inline constexpr std::uint8_t flag_hidden = 0x01; // "existence"
    inline constexpr std::uint8_t flag_directory = 0x02;
    inline constexpr std::uint8_t flag_associated = 0x04;
    inline constexpr std::uint8_t flag_record = 0x08;
    inline constexpr std::uint8_t flag_protection = 0x10;
    inline constexpr std::uint8_t flag_multi_extent = 0x80;

    // 9.1.11: the names of a directory's own and parent entries.
    inline constexpr std::uint8_t self_name = 0x00;
    inline constexpr std::uint8_t parent_name = 0x01;
    // 7.5.1 / 7.6: at most 255 bytes in total for one record.
    inline constexpr size_t max_name_length = 255 - fixed_size;
}
static_assert(record::root_record_size == record::fixed_size + 1);

// ECMA-119 9.4: a path table record.
namespace path_table {
    inline constexpr size_t name_length = 0; // 9.4.1
    inline constexpr size_t extended_attribute_length = 1; // 9.4.2
    inline constexpr size_t extent = 2; // 9.4.3, 32 bits in the table's order
    inline constexpr size_t parent_number = 6; // 9.4.4, 16 bits
    inline constexpr size_t name = 8; // 9.4.5
    inline constexpr size_t fixed_size = 8;
}

// ECMA-119 4.18 / 7.5.1: file names are "NAME.EXT;1".
inline constexpr char version_separator = ';';

// IEEE P1281 (SUSP) 4.1: every system use entry starts with a 4-byte header.
namespace susp {
    inline constexpr size_t signature = 0; // 2 bytes
    inline constexpr size_t length = 2;
    inline constexpr size_t version = 3;
    inline constexpr size_t header_size = 4;
    // 5.1 CE: continuation area.
    inline constexpr size_t ce_block = 4; // both-endian 32
    inline constexpr size_t ce_offset = 12; // both-endian 32
    inline constexpr size_t ce_length = 20; // both-endian 32
    inline constexpr size_t ce_size = 28;
    // 5.3 SP: the SUSP indicator in the root's "." record.
    inline constexpr size_t sp_check = 4; // 0xBE 0xEF
    inline constexpr size_t sp_skip = 6;
    inline constexpr size_t sp_size = 7;
}

// IEEE P1282 (Rock Ridge) 4.1.
namespace rock_ridge {
    inline constexpr size_t px_mode = 4; // 4.1.1, both-endian 32
    inline constexpr size_t nm_flags = 4; // 4.1.4
    inline constexpr size_t nm_name = 5;
    inline constexpr std::uint8_t nm_continue = 0x01;
    inline constexpr std::uint8_t nm_current = 0x02;
    inline constexpr std::uint8_t nm_parent = 0x04;
    inline constexpr size_t cl_block = 4; // 4.1.5.1, both-endian 32
    inline constexpr size_t tf_flags = 4; // 4.1.6
    inline constexpr std::uint8_t tf_creation = 0x01;
    inline constexpr std::uint8_t tf_modify = 0x02;
    inline constexpr std::uint8_t tf_long_form = 0x80;
    inline constexpr std::uint32_t mode_type_mask = 0170000;
    inline constexpr std::uint32_t mode_directory = 0040000;
    inline constexpr std::uint32_t mode_regular = 0100000;
}

// El Torito 2.0: the boot record volume descriptor.
namespace boot_record {
    inline constexpr size_t system_identifier = 7; // 32 bytes
    inline constexpr size_t catalog_sector = 71; // 0x47, little-endian 32
    inline constexpr char el_torito_identifier[] = "EL TORITO SPECIFICATION";
}

// El Torito 2.x: the boot catalog is a sequence of 32-byte entries.
namespace catalog {
    inline constexpr size_t entry_size = 32;
    // 2.1 validation entry.
    inline constexpr size_t validation_header = 0; // 0x01
    inline constexpr size_t validation_platform = 1;
    inline constexpr size_t validation_id = 4; // 24 bytes
    inline constexpr size_t validation_checksum = 28; // little-endian 16
    inline constexpr size_t validation_key = 30; // 0x55 0xAA
    inline constexpr size_t id_string_length = 24;
    // 2.2 initial/default entry and 2.4 section entry.
    inline constexpr size_t boot_indicator = 0; // 0x88 bootable, 0x00 not
    inline constexpr size_t media_type = 1; // low nibble: emulation
    inline constexpr size_t load_segment = 2; // little-endian 16
    inline constexpr size_t system_type = 4;
    inline constexpr size_t sector_count = 6; // little-endian 16, 512-byte sectors
    inline constexpr size_t load_rba = 8; // little-endian 32
    inline constexpr size_t selection_criteria_type = 12;
    inline constexpr size_t selection_criteria = 13; // 19 bytes
    inline constexpr size_t selection_criteria_length = 19;
    // 2.3 section header.
    inline constexpr size_t section_indicator = 0; // 0x90 more follow, 0x91 last
    inline constexpr size_t section_platform = 1;
    inline constexpr size_t section_entry_count = 2; // little-endian 16
    inline constexpr size_t section_id = 4; // 28 bytes
    inline constexpr size_t section_id_length = 28;
    // 2.5 section entry extension.
    inline constexpr size_t extension_flags = 1; // bit 5: another follows
    inline constexpr size_t extension_data = 2;
    inline constexpr size_t extension_data_length = 30;

    inline constexpr std::uint8_t header_validation = 0x01;
    inline constexpr std::uint8_t header_more_sections = 0x90;
    inline constexpr std::uint8_t header_last_section = 0x91;
    inline constexpr std::uint8_t header_extension = 0x44;
    inline constexpr std::uint8_t bootable = 0x88;
    inline constexpr std::uint8_t not_bootable = 0x00;
    inline constexpr std::uint8_t key_55 = 0x55;
    inline constexpr std::uint8_t key_aa = 0xAA;
    inline constexpr std::uint8_t media_emulation_mask = 0x0F;
    inline constexpr std::uint8_t media_continuation = 0x20; // extension entries follow
    inline constexpr std::uint8_t extension_more = 0x20;
    inline constexpr std::uint8_t platform_x86 = 0x00;
    inline constexpr std::uint8_t platform_efi = 0xEF;
    inline constexpr std::uint8_t emulation_none = 0;
    inline constexpr std::uint8_t emulation_floppy_12 = 1;
    inline constexpr std::uint8_t emulation_floppy_144 = 2;
    inline constexpr std::uint8_t emulation_floppy_288 = 3;
    inline constexpr std::uint8_t emulation_hard_disk = 4;
    inline constexpr std::uint32_t virtual_sector_size = 512;
}
static_assert(catalog::validation_key + 2 == catalog::entry_size);
static_assert(catalog::selection_criteria + catalog::selection_criteria_length == catalog::entry_size);
static_assert(catalog::section_id + catalog::section_id_length == catalog::entry_size);
static_assert(catalog::extension_data + catalog::extension_data_length == catalog::entry_size);

// The boot information table that isolinux-style boot images carry at
// byte 8 and that the image builder fills in (mkisofs's "-boot-info-table").
namespace boot_info_table {
    inline constexpr size_t offset = 8;
    inline constexpr size_t primary_descriptor_sector = 0; // little-endian 32
    inline constexpr size_t boot_file_sector = 4;
    inline constexpr size_t boot_file_length = 8;
    inline constexpr size_t checksum = 12; // sum of 32-bit words from byte 64
    inline constexpr size_t size = 56; // 16 bytes of fields, 40 reserved
    inline constexpr size_t checksum_start = 64;
}
static_assert(boot_info_table::offset + boot_info_table::size == boot_info_table::checksum_start);

// ECMA-167 2/9.1 (UDF's volume recognition sequence): structure identifiers
// in the descriptors that follow the ISO 9660 ones.
inline constexpr char udf_begin_identifier[] = "BEA01";
inline constexpr char udf_nsr2_identifier[] = "NSR02";
inline constexpr char udf_nsr3_identifier[] = "NSR03";
inline constexpr char udf_end_identifier[] = "TEA01";

// Offsets of the hybrid MBR in the system area (the PC partition table).
namespace mbr {
    inline constexpr size_t partition_table = 446;
    inline constexpr size_t partition_entry_size = 16;
    inline constexpr size_t partition_count = 4;
    inline constexpr size_t partition_type = 4;
    inline constexpr size_t partition_first_lba = 8; // little-endian 32
    inline constexpr size_t partition_sector_count = 12; // little-endian 32
    inline constexpr size_t signature = 510; // 0x55 0xAA
}
static_assert(mbr::partition_table + mbr::partition_count * mbr::partition_entry_size == mbr::signature);

}
