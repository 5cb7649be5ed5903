// The image reader.
//
// The standard (ECMA-119): volume descriptors from sector 16 up to a
// terminator; the primary one names the root folder; folders are runs of
// directory records that never cross a sector; a file larger than one
// extent is several records of one name with the multi-extent flag on all
// but the last. Joliet is a supplementary descriptor with UCS-2 names and a
// tree of its own over the same content. Rock Ridge lives in the records'
// system use areas.
// Real files: numbers recorded both-endian sometimes disagree (we trust the
// little-endian copy, as the common readers do); names of the primary tree
// carry ";1" and a lone trailing dot; bridge images add UDF descriptors after
// the terminator; hostile images point folders at their ancestors, extents
// past the end, or names at "..".
// What we do: take names from Joliet when it is there, else from Rock Ridge,
// else from the primary tree; keep a set of visited folder extents and a
// depth limit; leave out every entry whose extent lies past the end or whose
// record is damaged, and name it in the anomaly list.

#include "iso/image_reader.h"
#include "iso/boot_catalog_reader.h"
#include "iso/dates.h"
#include "iso/layout.h"
#include "iso/names.h"
#include "iso/rock_ridge.h"

#include "common/byte_reader.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace tarnwell::iso {

using tools::ErrorCode;
using tools::fail;
using tools::Result;

namespace {

    using Sector = std::array<std::uint8_t, layout::sector_size>;

    bool has_identifier(Sector const& sector, char const* identifier)
    {
        return std::memcmp(sector.data() + layout::descriptor::identifier, identifier, 5) == 0;
    }

    struct Descriptors {
        std::optional<Sector> primary;
        std::optional<Sector> joliet;
        std::optional<std::uint32_t> boot_catalog;
        std::uint32_t primary_sector { 0 };
        bool udf { false };
    };

    bool is_joliet(Sector const& sector)
    {
        auto escapes = std::span(sector).subspan(layout::volume::escape_sequences, 32);
        for (auto marker :
            { layout::joliet_escape_level1, layout::joliet_escape_level2, layout::joliet_escape_level3 }) {
            if (std::search(escapes.begin(), escapes.end(), marker, marker + 3) != escapes.end())
                return true;
        }
        return false;
    }

    void note_boot_record(Sector const& sector, Descriptors& found)
    {
        auto id = layout::boot_record::el_torito_identifier;
        if (std::memcmp(sector.data() + layout::boot_record::system_identifier, id, std::strlen(id)) != 0)
            return;
        tools::ByteReader reader(sector);
        (void)reader.seek(layout::boot_record::catalog_sector);
        found.boot_catalog = *reader.u32_le();
    }

    // UDF's recognition sequence follows the terminator in bridge images.
    void look_for_udf(ByteSource const& source, std::uint32_t from, Descriptors& found)
    {
        Sector sector;
        for (std::uint32_t index = from; index < from + 8; ++index) {
            if (!source.read_at(std::uint64_t { index } * layout::sector_size, sector))
                return;
            if (has_identifier(sector, layout::udf_nsr2_identifier)
                || has_identifier(sector, layout::udf_nsr3_identifier))
                found.udf = true;
            if (has_identifier(sector, layout::udf_end_identifier))
                return;
        }
    }

    Result<Descriptors> read_descriptors(ByteSource const& source)
    {
        Descriptors found;
        Sector sector;
        std::uint32_t index = layout::first_descriptor_sector;
        for (int count = 0; count < limits::max_volume_descriptors; ++count, ++index) {
            auto read = source.read_at(std::uint64_t { index } * layout::sector_size, sector);
            if (!read)
                return fail(ErrorCode::Truncated, read.error().offset, "the volume descriptors end early");
            if (has_identifier(sector, layout::udf_begin_identifier)
                || has_identifier(sector, layout::udf_nsr2_identifier)
                || has_identifier(sector, layout::udf_nsr3_identifier)) {
                found.udf = true;
                continue;
            }
            if (!has_identifier(sector, layout::descriptor::standard_identifier))
                break;
            auto type = sector[layout::descriptor::type];
            if (type == layout::descriptor::type_terminator) {
                look_for_udf(source, index + 1, found);
                break;
            }
            if (type == layout::descriptor::type_primary && !found.primary) {
                found.primary = sector;
                found.primary_sector = index;
            } else if (type == layout::descriptor::type_supplementary && !found.joliet && is_joliet(sector)) {
                found.joliet = sector;
            } else if (type == layout::descriptor::type_boot_record) {
                note_boot_record(sector, found);
            }
        }
        if (!found.primary) {
            if (found.udf)
                return fail(ErrorCode::Unsupported,
                    std::uint64_t { layout::first_descriptor_sector } * layout::sector_size,
                    "the image keeps its files only in UDF, which this tool does not read");
            return fail(ErrorCode::BadSignature,
                std::uint64_t { layout::first_descriptor_sector } * layout::sector_size,
                "no ISO 9660 primary volume descriptor");
        }
        return found;
    }

    std::string trimmed_identifier(std::span<std::uint8_t const> field, bool ucs2)
    {
        std::string text;
        if (ucs2) {
            for (size_t i = 0; i + 1 < field.size(); i += 2)
                append_utf8(text, static_cast<char32_t>(field[i] << 8 | field[i + 1]));
        } else {
            for (auto byte : field)
                append_utf8(text, byte);
        }
        while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
            text.pop_back();
        return text;
    }

}

// The folder walk, one object per image.
class TreeReader {
public:
    TreeReader(ByteSource const& source, bool joliet, Anomalies& anomalies)
        : m_source(source)
        , m_joliet(joliet)
        , m_anomalies(anomalies)
    {
    }

    Result<Node> read_root(std::span<std::uint8_t const> root_record);
    std::vector<Extent> const& folder_extents() const { return m_folder_extents; }
    bool used_rock_ridge() const { return m_rock_ridge; }

private:
    struct Record {
        std::uint32_t sector;
        std::uint32_t length;
        std::uint8_t flags;
        std::int64_t modified;
        std::span<std::uint8_t const> name;
        std::span<std::uint8_t const> system_use;
        std::uint8_t interleave;
    };

    Result<Record> parse_record(
        std::span<std::uint8_t const> bytes, std::uint64_t file_offset, std::string const& path);
    void read_folder(Node& folder, Extent extent, std::string const& path, int depth);
    void add_record(Node& folder, Record const& record, std::string const& path, int depth);
    bool extent_inside(Extent extent) const
    {
        // An empty file may name any sector; it has nothing to read.
        return extent.length == 0
            || std::uint64_t { extent.sector } * layout::sector_size + extent.length <= m_source.size();
    }
    void note(AnomalyKind kind, Severity severity, std::string path, std::string detail = {})
    {
        m_anomalies.push_back({ kind, severity, std::move(path), std::move(detail) });
    }

    ByteSource const& m_source;
    bool m_joliet;
    Anomalies& m_anomalies;
    std::optional<size_t> m_susp_skip;
    bool m_rock_ridge { false };
    std::set<std::uint32_t> m_visited;
    std::vector<Extent> m_folder_extents;
    std::uint64_t m_entries { 0 };
    // The last file added to the folder being read still wants more extents.
    bool m_continuing { false };
};

Result<TreeReader::Record> TreeReader::parse_record(
    std::span<std::uint8_t const> bytes, std::uint64_t file_offset, std::string const& path)
{
    tools::ByteReader reader(bytes, file_offset);
    Record record {};
    bool disagree = false;
    auto check = [&](auto value) -> Result<std::uint32_t> {
        if (!value)
            return std::unexpected(value.error());
        if (disagree)
            note(AnomalyKind::BothEndianMismatch, Severity::Note, path);
        disagree = false;
        return static_cast<std::uint32_t>(*value);
    };
    (void)reader.seek(layout::record::extent);
    auto sector = check(reader.u32_both(&disagree));
    auto length = check(reader.u32_both(&disagree));
    auto time = reader.bytes(layout::record::recording_time_length);
    auto flags = reader.u8();
    (void)reader.u8();
    auto interleave = reader.u8();
    (void)reader.skip(4);
    auto name_length = reader.u8();
    if (!sector || !length || !time || !flags || !interleave || !name_length)
        return fail(ErrorCode::Truncated, file_offset, "directory record too short");
    auto name = reader.bytes(*name_length);
    if (!name)
        return std::unexpected(name.error());
    if (*name_length % 2 == 0)
        (void)reader.skip(1); // 9.1.12: padding after an even-length name
    record.sector = *sector;
    record.length = *length;
    record.flags = *flags;
    record.interleave = *interleave;
    record.modified = unix_time_from_recording_time(time->first<7>());
    record.name = *name;
    record.system_use = bytes.subspan(reader.position());
    return record;
}

Result<Node> TreeReader::read_root(std::span<std::uint8_t const> root_record)
{
    auto record = parse_record(root_record, 0, "/");
    if (!record)
        return std::unexpected(record.error());
    Node root;
    root.kind = NodeKind::Directory;
    root.modified = record->modified;
    Extent extent { record->sector, record->length };
    if (!extent_inside(extent) || extent.length == 0)
        return fail(ErrorCode::Truncated, std::uint64_t { extent.sector } * layout::sector_size,
            "the root folder lies past the end of the image");
    if (!m_joliet) {
        // The root's "." record says whether the system use areas hold SUSP.
        std::array<std::uint8_t, 255> first {};
        std::uint64_t at = std::uint64_t { extent.sector } * layout::sector_size;
        size_t take = static_cast<size_t>(std::min<std::uint64_t>(first.size(), extent.length));
        if (m_source.read_at(at, std::span(first).first(take))) {
            auto self = parse_record(std::span(first).first(std::min<size_t>(first[0], take)), at, "/");
            if (self)
                m_susp_skip = susp_skip_length(self->system_use);
        }
    }
    read_folder(root, extent, "", 0);
    return root;
}

void TreeReader::read_folder(Node& folder, Extent extent, std::string const& path, int depth)
{
    std::string shown = path.empty() ? "/" : path;
    if (depth > limits::max_depth)
        return note(AnomalyKind::TooDeep, Severity::SkippedEntry, shown);
    if (!extent_inside(extent))
        return note(AnomalyKind::ExtentPastEnd, Severity::SkippedEntry, shown);
    if (extent.length > limits::max_directory_size)
        return note(AnomalyKind::BadDirectoryRecord, Severity::SkippedEntry, shown, "folder too large");
    if (!m_visited.insert(extent.sector).second)
        return note(AnomalyKind::SelfLinkedDirectory, Severity::SkippedEntry, shown);
    m_folder_extents.push_back(extent);
    std::vector<std::uint8_t> buffer(extent.length);
    std::uint64_t base = std::uint64_t { extent.sector } * layout::sector_size;
    if (auto read = m_source.read_at(base, buffer); !read)
        return note(AnomalyKind::ExtentPastEnd, Severity::SkippedEntry, shown, read.error().message());
    m_continuing = false;
    size_t at = 0;
    int seen = 0;
    while (at < buffer.size()) {
        std::uint8_t length = buffer[at];
        if (length == 0) {
            // 6.8.1.1: a record never crosses a sector; zeros fill the rest.
            at = (at / layout::sector_size + 1) * layout::sector_size;
            continue;
        }
        if (length < layout::record::fixed_size || at + length > buffer.size()) {
            note(
                AnomalyKind::BadDirectoryRecord, Severity::SkippedEntry, shown, "at byte " + std::to_string(base + at));
            break;
        }
        auto record = parse_record(std::span(buffer).subspan(at, length), base + at, shown);
        at += length;
        if (!record) {
            note(AnomalyKind::BadDirectoryRecord, Severity::SkippedEntry, shown, record.error().message());
            continue;
        }
        // The first two records are the folder itself and its parent.
        if (seen++ < 2 && record->name.size() == 1
            && (record->name[0] == layout::record::self_name || record->name[0] == layout::record::parent_name))
            continue;
        add_record(folder, *record, path, depth);
    }
}

void TreeReader::add_record(Node& folder, Record const& record, std::string const& path, int depth)
{
    bool continues = m_continuing;
    m_continuing = (record.flags & layout::record::flag_multi_extent) != 0;
    RockRidgeInfo rock_ridge;
    if (m_susp_skip)
        rock_ridge = read_rock_ridge(m_source, record.system_use, *m_susp_skip, path, m_anomalies);
    if (rock_ridge.any)
        m_rock_ridge = true;
    std::string name = rock_ridge.name ? *rock_ridge.name
        : m_joliet                     ? decode_joliet_name(record.name)
                                       : decode_primary_name(record.name);
    std::string full = path + "/" + name;
    Extent extent { record.sector, record.length };
    if (continues && !folder.children.empty() && folder.children.back().name == name
        && folder.children.back().kind == NodeKind::File) {
        auto& file = folder.children.back();
        if (file.extents.size() >= limits::max_extents_per_file)
            return note(AnomalyKind::BadDirectoryRecord, Severity::SkippedEntry, full, "too many extents");
        if (!extent_inside(extent)) {
            folder.children.pop_back();
            return note(AnomalyKind::ExtentPastEnd, Severity::SkippedEntry, full);
        }
        file.extents.push_back(extent);
        file.size += extent.length;
        return;
    }
    if (rock_ridge.relocated)
        return; // shown where its CL entry stands
    if (++m_entries > limits::max_entries) {
        if (m_entries == limits::max_entries + 1)
            note(AnomalyKind::TooManyEntries, Severity::SkippedEntry, full);
        return;
    }
    Node node;
    node.name = name;
    node.hidden = (record.flags & layout::record::flag_hidden) != 0;
    node.modified = rock_ridge.modified.value_or(record.modified);
    bool directory = (record.flags & layout::record::flag_directory) != 0 || rock_ridge.child_link.has_value();
    if (rock_ridge.mode && !directory
        && (*rock_ridge.mode & layout::rock_ridge::mode_type_mask) != layout::rock_ridge::mode_regular) {
        node.kind = NodeKind::Special;
        note(AnomalyKind::SpecialFile, Severity::Note, full);
        folder.children.push_back(std::move(node));
        return;
    }
    if (directory) {
        node.kind = NodeKind::Directory;
        if (rock_ridge.child_link) {
            // CL names the relocated folder's sector; its own "." record
            // gives the length.
            extent = { *rock_ridge.child_link, layout::sector_size };
            std::array<std::uint8_t, layout::record::fixed_size> self {};
            if (extent_inside(extent)
                && m_source.read_at(std::uint64_t { extent.sector } * layout::sector_size, self)) {
                tools::ByteReader reader(self);
                (void)reader.seek(layout::record::data_length);
                extent.length = reader.u32_le().value_or(layout::sector_size);
            }
        }
        read_folder(node, extent, full, depth + 1);
        m_continuing = false;
        folder.children.push_back(std::move(node));
        return;
    }
    if (record.interleave != 0)
        return note(AnomalyKind::InterleavedFile, Severity::SkippedEntry, full);
    if (rock_ridge.compressed)
        return note(AnomalyKind::CompressedContent, Severity::SkippedEntry, full);
    if (!extent_inside(extent))
        return note(AnomalyKind::ExtentPastEnd, Severity::SkippedEntry, full);
    node.kind = NodeKind::File;
    node.size = extent.length;
    node.extents.push_back(extent);
    folder.children.push_back(std::move(node));
}

Result<ReadImage> read_image(ByteSource const& source)
{
    auto descriptors = read_descriptors(source);
    if (!descriptors)
        return std::unexpected(descriptors.error());
    ReadImage result;
    auto& image = result.image;
    image.size = source.size();
    image.primary_descriptor_sector = descriptors->primary_sector;
    size_t system_area = static_cast<size_t>(std::min<std::uint64_t>(layout::system_area_size, source.size()));
    if (auto read = source.read_at(0, std::span(image.system_area).first(system_area)); !read)
        return std::unexpected(read.error());
    bool joliet = descriptors->joliet.has_value();
    Sector const& chosen = joliet ? *descriptors->joliet : *descriptors->primary;
    image.volume_id = trimmed_identifier(
        std::span(*descriptors->primary).subspan(layout::volume::volume_identifier, layout::volume::identifier_length),
        false);
    TreeReader tree(source, joliet, result.anomalies);
    auto root = tree.read_root(
        std::span(chosen).subspan(layout::volume::root_directory_record, layout::record::root_record_size));
    if (!root)
        return std::unexpected(root.error());
    image.root = std::move(*root);
    image.names = joliet ? NameSource::Joliet : tree.used_rock_ridge() ? NameSource::RockRidge : NameSource::Primary;
    if (descriptors->boot_catalog) {
        auto boot = read_boot_catalog(source, *descriptors->boot_catalog, image, tree.folder_extents());
        if (boot)
            image.boot = std::move(*boot);
        else
            result.anomalies.push_back(
                { AnomalyKind::BadBootCatalog, Severity::SkippedEntry, "", boot.error().message() });
    }
    return result;
}

}
