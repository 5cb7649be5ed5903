#pragma once

#include "iso/byte_source.h"
#include "iso/model.h"

#include "common/error.h"

#include <vector>

namespace tarnwell::iso {

// Reads the El Torito catalog at `catalog_sector`. `image` holds the tree
// read so far (to find boot images that are also files), `folder_extents`
// the folders' extents (to bound boot images that are not).
tools::Result<BootCatalog> read_boot_catalog(
    ByteSource const&, std::uint32_t catalog_sector, Image const& image, std::vector<Extent> const& folder_extents);

// The boot information table's checksum: the sum of the little-endian
// 32-bit words of the boot image from byte 64 on.
std::uint32_t boot_info_checksum(std::span<std::uint8_t const> from_byte_64);

}
