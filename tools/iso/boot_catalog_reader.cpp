// The El Torito boot catalog, as read here.
//
// The standard (El Torito 1.0): a boot record descriptor names the catalog's
// sector; the catalog is 32-byte entries: a validation entry (header 1,
// checksum over its 16 words, key 55 AA), the initial/default entry, then
// sections (header 90h, or 91h for the last) of entries, each possibly
// followed by extension entries (44h). Entries name a boot image by its first
// sector and the number of 512-byte sectors to load, not by its length.
// Real files: xorriso and mkisofs write one default entry for BIOS and a
// section for UEFI; the load count of a no-emulation image is often 4 (2 KiB)
// whatever the image's size, and 0 for UEFI images; boot images are often
// also files of the tree, and sometimes hidden.
// What we do: read every entry and section within the catalog's first
// sectors; a boot image that is a file has that file's length; a hidden one
// runs to the next sector that anything else uses (or its emulation's fixed
// floppy size); a no-emulation image whose bytes 8..63 hold a valid boot
// information table is marked so that a rebuild refills it.

#include "iso/boot_catalog_reader.h"
#include "iso/layout.h"

#include "common/byte_reader.h"

#include <algorithm>
#include <map>

namespace tarnwell::iso {

using tools::ErrorCode;
using tools::fail;
using tools::Result;

namespace {

    // A catalog needs one sector for up to 63 entries; real ones use one.
    constexpr std::uint32_t max_catalog_sectors = 4;
    // The boot information table is checked over images up to this size;
    // El Torito no-emulation images load at most 0xFFFF sectors of 512 bytes.
    constexpr std::uint64_t max_checked_boot_image = 0xFFFFull * 512;

    void collect_files(Node const& folder, std::string const& path,
        std::map<std::uint32_t, std::pair<std::string, std::uint64_t>>& files, std::vector<std::uint32_t>& starts)
    {
        for (auto const& child : folder.children) {
            std::string full = path + "/" + child.name;
            if (child.kind == NodeKind::Directory) {
                collect_files(child, full, files, starts);
            } else if (child.kind == NodeKind::File && !child.extents.empty() && child.size > 0) {
                files.emplace(child.extents.front().sector, std::make_pair(full, child.size));
                for (auto const& extent : child.extents)
                    starts.push_back(extent.sector);
            }
        }
    }

    std::uint64_t floppy_size(std::uint8_t emulation)
    {
        switch (emulation) {
        case layout::catalog::emulation_floppy_12:
            return 1200 * 1024;
        case layout::catalog::emulation_floppy_144:
            return 1440 * 1024;
        case layout::catalog::emulation_floppy_288:
            return 2880 * 1024;
        }
        return 0;
    }

    struct Context {
        ByteSource const& source;
        std::map<std::uint32_t, std::pair<std::string, std::uint64_t>> files;
        std::vector<std::uint32_t> starts; // sorted
        std::uint32_t primary_sector;
    };

    bool carries_boot_info_table(Context const& context, BootEntry const& entry)
    {
        std::uint64_t length = entry.image.length;
        if (entry.emulation != layout::catalog::emulation_none || length < layout::boot_info_table::checksum_start
            || length > max_checked_boot_image)
            return false;
        std::vector<std::uint8_t> bytes(static_cast<size_t>(length));
        if (!context.source.read_at(std::uint64_t { entry.image.sector } * layout::sector_size, bytes))
            return false;
        tools::ByteReader reader(bytes);
        (void)reader.seek(layout::boot_info_table::offset);
        auto primary = reader.u32_le();
        auto file = reader.u32_le();
        auto file_length = reader.u32_le();
        auto checksum = reader.u32_le();
        return primary && *primary == context.primary_sector && *file == entry.image.sector && *file_length == length
            && *checksum == boot_info_checksum(std::span(bytes).subspan(layout::boot_info_table::checksum_start));
    }

    Result<void> place_boot_image(Context const& context, BootEntry& entry, std::uint64_t at)
    {
        std::uint64_t image_size = context.source.size();
        std::uint64_t start = std::uint64_t { entry.load_sector } * layout::sector_size;
        if (entry.load_sector < layout::system_area_sectors || start >= image_size)
            return fail(ErrorCode::Corrupt, at,
                "boot image at sector " + std::to_string(entry.load_sector) + " is outside the image");
        std::uint64_t length = 0;
        if (auto file = context.files.find(entry.load_sector); file != context.files.end()) {
            entry.visible_path = file->second.first;
            length = file->second.second;
        } else if (auto floppy = floppy_size(entry.emulation); floppy != 0) {
            length = floppy;
        } else {
            auto next = std::upper_bound(context.starts.begin(), context.starts.end(), entry.load_sector);
            std::uint64_t end
                = next == context.starts.end() ? image_size : std::uint64_t { *next } * layout::sector_size;
            length = std::max<std::uint64_t>(
                end - start, std::uint64_t { entry.sector_count } * layout::catalog::virtual_sector_size);
        }
        if (length > image_size - start)
            return fail(ErrorCode::Corrupt, at,
                "boot image at sector " + std::to_string(entry.load_sector) + " runs past the end of the image");
        if (length > 0xFFFFFFFFull)
            return fail(ErrorCode::Unsupported, at, "boot image larger than 4 GiB");
        entry.image = { entry.load_sector, static_cast<std::uint32_t>(length) };
        entry.has_boot_info_table = carries_boot_info_table(context, entry);
        return {};
    }

    Result<BootEntry> parse_entry(std::span<std::uint8_t const> bytes, std::uint64_t at)
    {
        BootEntry entry;
        auto indicator = bytes[layout::catalog::boot_indicator];
        if (indicator != layout::catalog::bootable && indicator != layout::catalog::not_bootable)
            return fail(ErrorCode::Corrupt, at, "boot entry with indicator " + std::to_string(indicator));
        entry.bootable = indicator == layout::catalog::bootable;
        tools::ByteReader reader(bytes, at);
        (void)reader.seek(layout::catalog::media_type);
        entry.emulation = *reader.u8() & layout::catalog::media_emulation_mask;
        entry.load_segment = *reader.u16_le();
        entry.system_type = *reader.u8();
        (void)reader.u8();
        entry.sector_count = *reader.u16_le();
        entry.load_sector = *reader.u32_le();
        entry.selection_criteria_type = *reader.u8();
        auto criteria = *reader.bytes(layout::catalog::selection_criteria_length);
        std::copy(criteria.begin(), criteria.end(), entry.selection_criteria.begin());
        if (entry.emulation > layout::catalog::emulation_hard_disk)
            return fail(ErrorCode::Corrupt, at, "boot entry with emulation " + std::to_string(entry.emulation));
        return entry;
    }

    Result<void> check_validation_entry(std::span<std::uint8_t const> entry, std::uint64_t at)
    {
        if (entry[layout::catalog::validation_header] != layout::catalog::header_validation
            || entry[layout::catalog::validation_key] != layout::catalog::key_55
            || entry[layout::catalog::validation_key + 1] != layout::catalog::key_aa)
            return fail(ErrorCode::BadSignature, at, "boot catalog without a validation entry");
        std::uint16_t sum = 0;
        for (size_t i = 0; i < layout::catalog::entry_size; i += 2)
            sum = static_cast<std::uint16_t>(sum + (entry[i] | entry[i + 1] << 8));
        if (sum != 0)
            return fail(ErrorCode::BadChecksum, at, "boot catalog validation entry");
        return {};
    }

}

std::uint32_t boot_info_checksum(std::span<std::uint8_t const> bytes)
{
    std::uint32_t sum = 0;
    size_t i = 0;
    for (; i + 4 <= bytes.size(); i += 4)
        sum += static_cast<std::uint32_t>(bytes[i]) | static_cast<std::uint32_t>(bytes[i + 1]) << 8
            | static_cast<std::uint32_t>(bytes[i + 2]) << 16 | static_cast<std::uint32_t>(bytes[i + 3]) << 24;
    std::uint32_t last = 0;
    for (size_t k = 0; i + k < bytes.size(); ++k)
        last |= static_cast<std::uint32_t>(bytes[i + k]) << (8 * k);
    return sum + last;
}

Result<BootCatalog> read_boot_catalog(ByteSource const& source, std::uint32_t catalog_sector, Image const& image,
    std::vector<Extent> const& folder_extents)
{
    std::uint64_t base = std::uint64_t { catalog_sector } * layout::sector_size;
    if (catalog_sector < layout::system_area_sectors || base + layout::sector_size > source.size())
        return fail(ErrorCode::Truncated, base,
            "boot catalog at sector " + std::to_string(catalog_sector) + " is outside the image");
    std::uint64_t available = std::min<std::uint64_t>(source.size() - base, max_catalog_sectors * layout::sector_size);
    std::vector<std::uint8_t> bytes(static_cast<size_t>(available / layout::sector_size * layout::sector_size));
    if (auto read = source.read_at(base, bytes); !read)
        return std::unexpected(read.error());

    Context context { source, {}, {}, image.primary_descriptor_sector };
    collect_files(image.root, "", context.files, context.starts);
    for (auto const& extent : folder_extents)
        context.starts.push_back(extent.sector);
    context.starts.push_back(catalog_sector);
    std::sort(context.starts.begin(), context.starts.end());

    auto entry_at = [&](size_t index) {
        return std::span(bytes).subspan(index * layout::catalog::entry_size, layout::catalog::entry_size);
    };
    size_t entry_count = bytes.size() / layout::catalog::entry_size;
    if (auto valid = check_validation_entry(entry_at(0), base); !valid)
        return std::unexpected(valid.error());
    BootCatalog catalog;
    catalog.catalog_sector = catalog_sector;
    if (auto file = context.files.find(catalog_sector); file != context.files.end())
        catalog.catalog_path = file->second.first;
    catalog.platform = entry_at(0)[layout::catalog::validation_platform];
    std::copy_n(entry_at(0).begin() + layout::catalog::validation_id, catalog.id.size(), catalog.id.begin());
    auto initial = parse_entry(entry_at(1), base + layout::catalog::entry_size);
    if (!initial)
        return std::unexpected(initial.error());
    catalog.default_entry = *initial;
    if (auto placed = place_boot_image(context, catalog.default_entry, base + layout::catalog::entry_size); !placed)
        return std::unexpected(placed.error());

    size_t index = 2;
    bool last_section = false;
    while (!last_section && index < entry_count) {
        auto header = entry_at(index);
        std::uint64_t at = base + index * layout::catalog::entry_size;
        auto indicator = header[layout::catalog::section_indicator];
        if (indicator != layout::catalog::header_more_sections && indicator != layout::catalog::header_last_section)
            break; // the catalog ends (zeros) after the default entry or a section
        last_section = indicator == layout::catalog::header_last_section;
        BootSection section;
        section.platform = header[layout::catalog::section_platform];
        std::copy_n(header.begin() + layout::catalog::section_id, section.id.size(), section.id.begin());
        size_t count = static_cast<size_t>(
            header[layout::catalog::section_entry_count] | header[layout::catalog::section_entry_count + 1] << 8);
        ++index;
        for (size_t n = 0; n < count; ++n) {
            if (index >= entry_count)
                return fail(ErrorCode::Truncated, at, "boot catalog section runs past the catalog");
            auto entry = parse_entry(entry_at(index), base + index * layout::catalog::entry_size);
            if (!entry)
                return std::unexpected(entry.error());
            bool more = (entry_at(index)[layout::catalog::media_type] & layout::catalog::media_continuation) != 0;
            ++index;
            while (more) {
                if (index >= entry_count || entry_at(index)[0] != layout::catalog::header_extension)
                    return fail(
                        ErrorCode::Corrupt, base + index * layout::catalog::entry_size, "missing boot entry extension");
                std::array<std::uint8_t, 30> data {};
                std::copy_n(entry_at(index).begin() + layout::catalog::extension_data, data.size(), data.begin());
                entry->extensions.push_back(data);
                more = (entry_at(index)[layout::catalog::extension_flags] & layout::catalog::extension_more) != 0;
                ++index;
            }
            if (auto placed = place_boot_image(context, *entry, base + index * layout::catalog::entry_size); !placed)
                return std::unexpected(placed.error());
            section.entries.push_back(std::move(*entry));
        }
        catalog.sections.push_back(std::move(section));
    }
    return catalog;
}

}
