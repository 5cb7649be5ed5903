#include "iso/boot_writer.h"
#include "iso/layout.h"

#include <cstring>

namespace tarnwell::iso {

namespace {

    void put_16(std::uint8_t* at, std::uint16_t value)
    {
        at[0] = static_cast<std::uint8_t>(value);
        at[1] = static_cast<std::uint8_t>(value >> 8);
    }

    void put_32(std::uint8_t* at, std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }

    std::uint32_t get_32(std::uint8_t const* at)
    {
        return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8
            | static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
    }

    void put_entry(std::uint8_t* at, BootEntry const& entry, std::uint32_t sector, bool section_entry)
    {
        namespace c = layout::catalog;
        at[c::boot_indicator] = entry.bootable ? c::bootable : c::not_bootable;
        at[c::media_type]
            = static_cast<std::uint8_t>(entry.emulation | (entry.extensions.empty() ? 0 : c::media_continuation));
        put_16(at + c::load_segment, entry.load_segment);
        at[c::system_type] = entry.system_type;
        put_16(at + c::sector_count, entry.sector_count);
        put_32(at + c::load_rba, sector);
        if (section_entry) {
            at[c::selection_criteria_type] = entry.selection_criteria_type;
            std::memcpy(at + c::selection_criteria, entry.selection_criteria.data(), entry.selection_criteria.size());
        }
    }

}

std::array<std::uint8_t, 2048> boot_record_descriptor(std::uint32_t catalog_sector)
{
    std::array<std::uint8_t, 2048> sector {};
    sector[layout::descriptor::type] = layout::descriptor::type_boot_record;
    std::memcpy(sector.data() + layout::descriptor::identifier, layout::descriptor::standard_identifier, 5);
    sector[layout::descriptor::version] = 1;
    std::memcpy(sector.data() + layout::boot_record::system_identifier, layout::boot_record::el_torito_identifier,
        std::strlen(layout::boot_record::el_torito_identifier));
    put_32(sector.data() + layout::boot_record::catalog_sector, catalog_sector);
    return sector;
}

std::vector<std::uint8_t> boot_catalog_bytes(
    BootCatalog const& catalog, std::vector<std::uint32_t> const& image_sectors)
{
    namespace c = layout::catalog;
    size_t entries = 2;
    for (auto const& section : catalog.sections) {
        entries += 1 + section.entries.size();
        for (auto const& entry : section.entries)
            entries += entry.extensions.size();
    }
    size_t size = (entries * c::entry_size + layout::sector_size - 1) / layout::sector_size * layout::sector_size;
    std::vector<std::uint8_t> bytes(size);
    std::uint8_t* at = bytes.data();
    at[c::validation_header] = c::header_validation;
    at[c::validation_platform] = catalog.platform;
    std::memcpy(at + c::validation_id, catalog.id.data(), catalog.id.size());
    at[c::validation_key] = c::key_55;
    at[c::validation_key + 1] = c::key_aa;
    std::uint16_t sum = 0;
    for (size_t i = 0; i < c::entry_size; i += 2)
        sum = static_cast<std::uint16_t>(sum + (at[i] | at[i + 1] << 8));
    put_16(at + c::validation_checksum, static_cast<std::uint16_t>(0x10000 - sum));
    at += c::entry_size;
    size_t image = 0;
    put_entry(at, catalog.default_entry, image_sectors[image++], false);
    at += c::entry_size;
    for (size_t s = 0; s < catalog.sections.size(); ++s) {
        auto const& section = catalog.sections[s];
        at[c::section_indicator] = s + 1 == catalog.sections.size() ? c::header_last_section : c::header_more_sections;
        at[c::section_platform] = section.platform;
        put_16(at + c::section_entry_count, static_cast<std::uint16_t>(section.entries.size()));
        std::memcpy(at + c::section_id, section.id.data(), section.id.size());
        at += c::entry_size;
        for (auto const& entry : section.entries) {
            put_entry(at, entry, image_sectors[image++], true);
            at += c::entry_size;
            for (size_t e = 0; e < entry.extensions.size(); ++e) {
                at[0] = c::header_extension;
                at[c::extension_flags] = e + 1 < entry.extensions.size() ? c::extension_more : 0;
                std::memcpy(at + c::extension_data, entry.extensions[e].data(), entry.extensions[e].size());
                at += c::entry_size;
            }
        }
    }
    return bytes;
}

void fill_boot_info_table(std::span<std::uint8_t> first_bytes, std::uint32_t primary_sector, std::uint32_t image_sector,
    std::uint32_t image_length, std::uint32_t checksum)
{
    namespace t = layout::boot_info_table;
    std::uint8_t* table = first_bytes.data() + t::offset;
    std::memset(table, 0, t::size);
    put_32(table + t::primary_descriptor_sector, primary_sector);
    put_32(table + t::boot_file_sector, image_sector);
    put_32(table + t::boot_file_length, image_length);
    put_32(table + t::checksum, checksum);
}

void update_partition_table(std::span<std::uint8_t, 32768> area, std::uint64_t image_bytes,
    std::vector<MovedBootImage> const& moved, std::vector<std::string>& warnings)
{
    namespace m = layout::mbr;
    if (area[m::signature] != 0x55 || area[m::signature + 1] != 0xAA)
        return;
    // A GPT header in the second 512-byte sector describes the old layout
    // and has a backup at the old image's end; it cannot be kept right.
    if (std::memcmp(area.data() + 512, "EFI PART", 8) == 0) {
        std::memset(area.data() + 512, 0, 512);
        warnings.push_back("the GPT of the system area was left out (it describes the old layout)");
    }
    for (size_t i = 0; i < m::partition_count; ++i) {
        std::uint8_t* entry = area.data() + m::partition_table + i * m::partition_entry_size;
        if (entry[m::partition_type] == 0)
            continue;
        std::uint32_t first = get_32(entry + m::partition_first_lba);
        if (first == 0) {
            put_32(entry + m::partition_sector_count,
                static_cast<std::uint32_t>(std::min<std::uint64_t>(image_bytes / 512, 0xFFFFFFFFu)));
            continue;
        }
        bool followed = false;
        for (auto const& image : moved) {
            if (first == std::uint64_t { image.old_sector } * 4) {
                put_32(entry + m::partition_first_lba, image.new_sector * 4);
                put_32(entry + m::partition_sector_count, (image.length + 511) / 512);
                followed = true;
            }
        }
        if (!followed) {
            std::memset(entry, 0, m::partition_entry_size);
            std::string warning = "partition ";
            warning += std::to_string(i + 1);
            warning += " of the system area's MBR pointed into the old layout and was left out";
            warnings.push_back(std::move(warning));
        }
    }
}

}
