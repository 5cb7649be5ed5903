#pragma once

// El Torito records of a rebuilt image: the boot record descriptor, the boot
// catalog with every entry of the source in its place, the refilled boot
// information table, and the system area's partition table brought up to
// date.

#include "iso/model.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarnwell::iso {

std::array<std::uint8_t, 2048> boot_record_descriptor(std::uint32_t catalog_sector);

// `image_sectors[i]` is the new first sector of the i-th entry's boot image,
// entries counted as the default entry first, then each section's in order.
std::vector<std::uint8_t> boot_catalog_bytes(BootCatalog const&, std::vector<std::uint32_t> const& image_sectors);

// Fills bytes 8..63 of a boot image's first sector.
void fill_boot_info_table(std::span<std::uint8_t> first_bytes, std::uint32_t primary_sector, std::uint32_t image_sector,
    std::uint32_t image_length, std::uint32_t checksum);

struct MovedBootImage {
    std::uint32_t old_sector;
    std::uint32_t new_sector;
    std::uint32_t length;
};

// Updates an MBR partition table in the system area: a partition that
// starts at the image's first sector grows or shrinks with the image, one
// that covered a boot image follows it; any other is left out. A GPT is
// left out too. Each change that is not a plain update becomes a warning.
void update_partition_table(std::span<std::uint8_t, 32768> system_area, std::uint64_t image_bytes,
    std::vector<MovedBootImage> const& moved, std::vector<std::string>& warnings);

}
