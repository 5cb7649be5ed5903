// The image writer.
//
// Layout of a written image, in sectors: 0-15 the system area (the
// source's), 16 the primary descriptor, then the El Torito boot record when
// the image boots, the Joliet descriptor and the terminator; the four path
// tables (ISO 9660 L and M, Joliet L and M); the ISO 9660 folders, then the
// Joliet ones, breadth first; the boot catalog when it is no file of the
// tree; then the content of every file and boot image, each starting on a
// sector. Both trees point at the same content. Runs of zeros are left
// unwritten (holes where the file system keeps them), so a large sparse file
// costs the image neither disk space nor writing time.

#include "iso/image_writer.h"
#include "iso/boot_catalog_reader.h"
#include "iso/boot_writer.h"
#include "iso/dates.h"
#include "iso/layout.h"
#include "iso/names.h"
#include "iso/sparse_output.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace tarnwell::iso {

using tools::ErrorCode;
using tools::fail;
using tools::Result;

namespace {

    constexpr std::uint32_t sector_size = layout::sector_size;
    // Content is copied through a buffer of this size: large enough for the
    // disk to stream, small enough to stay in the processor's cache.
    constexpr size_t copy_buffer_size = 1u << 20;
    // -optimize fingerprints this much of every file whose size another
    // shares: one page, where headers, names and dates usually differ.
    constexpr std::uint64_t head_size = 4096;

    std::uint32_t sectors_for(std::uint64_t bytes)
    {
        return static_cast<std::uint32_t>((bytes + sector_size - 1) / sector_size);
    }

    struct PlannedContent {
        Node const* node { nullptr }; // the model's file or a boot image stand-in
        std::uint64_t size { 0 };
        std::uint32_t sector { 0 };
        bool boot_info_table { false };
        std::uint32_t boot_checksum { 0 };
        std::vector<std::uint8_t> bytes; // generated content (the boot catalog)
        std::optional<std::uint64_t> full_fingerprint; // for -optimize, once needed
    };

    PlannedContent planned(Node const* node, std::uint64_t size)
    {
        PlannedContent content;
        content.node = node;
        content.size = size;
        return content;
    }

    struct PlannedChild {
        std::string identifier;
        Node const* node;
        size_t index; // folder index for folders, content index for files
    };

    struct PlannedFolder {
        Node const* node;
        size_t parent;
        std::string identifier;
        std::vector<PlannedChild> children;
        std::uint32_t sector { 0 };
        std::uint32_t size { 0 };
    };

    struct PathTable {
        std::uint32_t size { 0 };
        std::uint32_t l_sector { 0 };
        std::uint32_t m_sector { 0 };
    };

    size_t record_size(size_t identifier_length)
    {
        return layout::record::fixed_size + identifier_length + (identifier_length % 2 == 0 ? 1 : 0);
    }

    class Writer {
    public:
        Writer(
            Image const& image, ContentReader& reader, WriteOptions const& options, std::vector<std::string>& warnings)
            : m_image(image)
            , m_reader(reader)
            , m_options(options)
            , m_warnings(warnings)
            , m_buffer(copy_buffer_size)
        {
        }

        Result<void> plan();
        Result<void> write(tools::AtomicOutputFile&, Progress&);
        std::uint64_t content_bytes() const
        {
            std::uint64_t total = 0;
            for (auto const& content : m_contents)
                total += content.size;
            return total;
        }

    private:
        Result<void> plan_contents();
        Result<size_t> content_for(Node const& node);
        Result<bool> same_content(Node const& a, Node const& b, std::uint64_t size);
        Result<std::uint64_t> fingerprint(Node const& node, std::uint64_t length);
        Result<std::uint64_t> full_fingerprint(size_t content);
        Result<std::optional<size_t>> equal_content(
            Node const& file, std::vector<size_t> const& candidates, std::optional<std::uint64_t>& print);
        void plan_tree(std::vector<PlannedFolder>& folders, NameStyle style);
        std::uint32_t folder_size(PlannedFolder const& folder) const;
        void plan_boot();
        std::vector<std::uint8_t> descriptor(NameStyle style) const;
        std::vector<std::uint8_t> path_table(std::vector<PlannedFolder> const& folders, bool big_endian) const;
        std::vector<std::uint8_t> folder_bytes(std::vector<PlannedFolder> const& folders, size_t index) const;
        size_t put_record(std::uint8_t* at, std::string const& identifier, std::uint32_t sector, std::uint32_t length,
            std::uint8_t flags, Node const& node) const;
        Result<void> write_content(SparseOutput&, PlannedContent const&, Progress&);

        Image const& m_image;
        ContentReader& m_reader;
        WriteOptions const& m_options;
        std::vector<std::string>& m_warnings;
        std::vector<std::uint8_t> m_buffer; // content passes through here

        std::vector<PlannedContent> m_contents;
        std::map<Node const*, size_t> m_content_of;
        std::vector<PlannedFolder> m_primary;
        std::vector<PlannedFolder> m_joliet;
        PathTable m_primary_table;
        PathTable m_joliet_table;
        std::vector<Node> m_hidden_boot_images; // stand-ins for boot images outside the tree
        std::vector<size_t> m_boot_contents; // content index per boot entry, in catalog order
        std::optional<size_t> m_catalog_content;
        std::uint32_t m_total_sectors { 0 };
        std::uint32_t m_descriptor_count { 0 };
    };

}

namespace {

    // Equal content is found in steps, each reading more than the last and
    // only for the files the last one could not tell apart: the size; a
    // fingerprint of the first bytes; a fingerprint of the whole content;
    // byte by byte. Most files that share a size differ in their first
    // page, so the rest of them is read only once, to be written.
    Result<std::uint64_t> Writer::fingerprint(Node const& node, std::uint64_t length)
    {
        // Eight bytes a step, multiply and fold: a fingerprint only picks
        // candidates, which are then compared byte by byte.
        std::uint64_t hash = 0x9E3779B97F4A7C15ull ^ node.size;
        for (std::uint64_t offset = 0; offset < length;) {
            size_t piece = static_cast<size_t>(std::min<std::uint64_t>(m_buffer.size(), length - offset));
            if (auto read = m_reader.read(node, offset, std::span(m_buffer).first(piece)); !read)
                return std::unexpected(read.error());
            size_t i = 0;
            for (; i + 8 <= piece; i += 8) {
                std::uint64_t word;
                std::memcpy(&word, m_buffer.data() + i, 8);
                hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
                hash ^= hash >> 29;
            }
            for (; i < piece; ++i)
                hash = (hash ^ m_buffer[i]) * 0x100000001B3ull;
            offset += piece;
        }
        return hash;
    }

    Result<std::uint64_t> Writer::full_fingerprint(size_t content)
    {
        auto& planned = m_contents[content];
        if (!planned.full_fingerprint) {
            auto print = fingerprint(*planned.node, planned.size);
            if (!print)
                return std::unexpected(print.error());
            planned.full_fingerprint = *print;
        }
        return *planned.full_fingerprint;
    }

    Result<bool> Writer::same_content(Node const& a, Node const& b, std::uint64_t size)
    {
        auto left = std::span(m_buffer).first(m_buffer.size() / 2);
        auto right = std::span(m_buffer).subspan(m_buffer.size() / 2);
        for (std::uint64_t offset = 0; offset < size;) {
            size_t piece = static_cast<size_t>(std::min<std::uint64_t>(left.size(), size - offset));
            if (auto read = m_reader.read(a, offset, left.first(piece)); !read)
                return std::unexpected(read.error());
            if (auto read = m_reader.read(b, offset, right.first(piece)); !read)
                return std::unexpected(read.error());
            if (std::memcmp(left.data(), right.data(), piece) != 0)
                return false;
            offset += piece;
        }
        return true;
    }

    // The content among `candidates` (which share the file's size and first
    // bytes) that equals the file's, if any. `print` receives the file's
    // whole fingerprint when it had to be taken.
    Result<std::optional<size_t>> Writer::equal_content(
        Node const& file, std::vector<size_t> const& candidates, std::optional<std::uint64_t>& print)
    {
        if (candidates.empty())
            return std::nullopt;
        if (file.size > head_size) {
            auto whole = fingerprint(file, file.size);
            if (!whole)
                return std::unexpected(whole.error());
            print = *whole;
        }
        for (auto candidate : candidates) {
            if (print) {
                auto other = full_fingerprint(candidate);
                if (!other)
                    return std::unexpected(other.error());
                if (*other != *print)
                    continue;
            }
            auto same = same_content(file, *m_contents[candidate].node, file.size);
            if (!same)
                return std::unexpected(same.error());
            if (*same)
                return candidate;
        }
        return std::nullopt;
    }

    void collect_files(Node const& folder, std::vector<Node const*>& files)
    {
        for (auto const& child : folder.children) {
            if (child.is_directory())
                collect_files(child, files);
            else if (child.kind == NodeKind::File)
                files.push_back(&child);
        }
    }

    Result<void> Writer::plan_contents()
    {
        std::vector<Node const*> files;
        collect_files(m_image.root, files);
        // Content the source image already shares (links, boot images that
        // are files) stays shared without being compared.
        std::map<std::pair<std::uint32_t, std::uint64_t>, size_t> by_extent;
        std::map<std::pair<std::uint64_t, std::uint64_t>, std::vector<size_t>> by_head;
        std::map<std::uint64_t, size_t> size_count;
        for (auto const* file : files)
            ++size_count[file->size];
        for (auto const* file : files) {
            bool from_image = file->source == ContentSource::Image && !file->extents.empty() && file->size > 0;
            auto key = from_image ? std::make_pair(file->extents.front().sector, file->size)
                                  : std::make_pair(0u, std::uint64_t { 0 });
            if (from_image) {
                if (auto found = by_extent.find(key); found != by_extent.end()) {
                    m_content_of[file] = found->second;
                    continue;
                }
                by_extent[key] = m_contents.size();
            }
            std::optional<std::uint64_t> whole;
            if (m_options.optimize && file->size > 0 && size_count[file->size] > 1) {
                auto head = fingerprint(*file, std::min<std::uint64_t>(file->size, head_size));
                if (!head)
                    return std::unexpected(head.error());
                auto& candidates = by_head[{ *head, file->size }];
                auto match = equal_content(*file, candidates, whole);
                if (!match)
                    return std::unexpected(match.error());
                if (*match) {
                    m_content_of[file] = **match;
                    if (from_image)
                        by_extent[key] = **match;
                    continue;
                }
                candidates.push_back(m_contents.size());
            }
            m_content_of[file] = m_contents.size();
            m_contents.push_back(planned(file, file->size));
            m_contents.back().full_fingerprint = whole;
        }
        return {};
    }

}

namespace {

    Node const* find_node(Node const& root, std::string const& path)
    {
        Node const* here = &root;
        size_t start = 1;
        while (here && start <= path.size()) {
            auto end = path.find('/', start);
            std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
            Node const* next = nullptr;
            for (auto const& child : here->children) {
                if (child.name == part)
                    next = &child;
            }
            here = next;
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        return here;
    }

    std::vector<BootEntry const*> entries_in_order(BootCatalog const& catalog)
    {
        std::vector<BootEntry const*> entries { &catalog.default_entry };
        for (auto const& section : catalog.sections) {
            for (auto const& entry : section.entries)
                entries.push_back(&entry);
        }
        return entries;
    }

    void Writer::plan_boot()
    {
        auto const& catalog = *m_image.boot;
        auto entries = entries_in_order(catalog);
        m_hidden_boot_images.reserve(entries.size() + 1);
        std::map<std::uint32_t, size_t> hidden_by_sector;
        for (auto const* entry : entries) {
            Node const* file = entry->visible_path ? find_node(m_image.root, *entry->visible_path) : nullptr;
            if (file && file->source == ContentSource::Image && !file->extents.empty()
                && file->extents.front().sector == entry->image.sector && m_content_of.count(file)) {
                m_boot_contents.push_back(m_content_of[file]);
            } else if (auto found = hidden_by_sector.find(entry->image.sector); found != hidden_by_sector.end()) {
                m_boot_contents.push_back(found->second);
            } else {
                // A boot image outside the tree (or whose file was taken out)
                // is carried over as hidden content.
                Node stand_in;
                stand_in.name = "boot image";
                stand_in.size = entry->image.length;
                stand_in.extents.push_back(entry->image);
                m_hidden_boot_images.push_back(std::move(stand_in));
                hidden_by_sector[entry->image.sector] = m_contents.size();
                m_boot_contents.push_back(m_contents.size());
                m_contents.push_back(planned(&m_hidden_boot_images.back(), entry->image.length));
            }
            if (entry->has_boot_info_table)
                m_contents[m_boot_contents.back()].boot_info_table = true;
        }
        auto catalog_size = boot_catalog_bytes(catalog, std::vector<std::uint32_t>(entries.size())).size();
        Node const* catalog_file = catalog.catalog_path ? find_node(m_image.root, *catalog.catalog_path) : nullptr;
        if (catalog_file && m_content_of.count(catalog_file) && catalog_file->size >= catalog_size) {
            m_catalog_content = m_content_of[catalog_file];
        } else {
            m_catalog_content = m_contents.size();
            m_contents.push_back(planned(nullptr, catalog_size));
        }
    }

    void Writer::plan_tree(std::vector<PlannedFolder>& folders, NameStyle style)
    {
        folders.push_back({ &m_image.root, 0, std::string(1, '\0'), {} });
        for (size_t index = 0; index < folders.size(); ++index) {
            Node const& node = *folders[index].node;
            auto identifiers = identifiers_for(node, style, m_options.names);
            std::vector<PlannedChild> children;
            for (size_t i = 0; i < node.children.size(); ++i) {
                auto const& child = node.children[i];
                if (child.kind == NodeKind::Special)
                    continue;
                children.push_back({ identifiers[i], &child, 0 });
            }
            // ECMA-119 9.3: records in the order of their identifiers.
            std::sort(children.begin(), children.end(),
                [](PlannedChild const& a, PlannedChild const& b) { return a.identifier < b.identifier; });
            for (auto& child : children) {
                if (child.node->is_directory()) {
                    child.index = folders.size();
                    folders.push_back({ child.node, index, child.identifier, {} });
                } else {
                    child.index = m_content_of.at(child.node);
                }
            }
            folders[index].children = std::move(children);
        }
    }

    size_t extent_count(std::uint64_t size)
    {
        return size == 0 ? 1 : static_cast<size_t>((size + max_extent_length - 1) / max_extent_length);
    }

    std::uint32_t Writer::folder_size(PlannedFolder const& folder) const
    {
        std::uint64_t at = 2 * layout::record::root_record_size;
        for (auto const& child : folder.children) {
            size_t length = record_size(child.identifier.size());
            size_t count = child.node->is_directory() ? 1 : extent_count(child.node->size);
            for (size_t i = 0; i < count; ++i) {
                if (at % sector_size + length > sector_size)
                    at = (at / sector_size + 1) * sector_size;
                at += length;
            }
        }
        return sectors_for(at) * sector_size;
    }

    std::uint32_t path_table_size(std::vector<PlannedFolder> const& folders)
    {
        std::uint32_t size = 0;
        for (auto const& folder : folders) {
            size_t length = folder.identifier.size();
            size += static_cast<std::uint32_t>(layout::path_table::fixed_size + length + length % 2);
        }
        return size;
    }

    Result<void> Writer::plan()
    {
        if (auto contents = plan_contents(); !contents)
            return contents;
        if (m_image.boot)
            plan_boot();
        plan_tree(m_primary, NameStyle::Iso9660);
        plan_tree(m_joliet, NameStyle::Joliet);
        if (m_primary.size() > 0xFFFF)
            return fail(ErrorCode::LimitExceeded, 0, "more than 65535 folders do not fit the path table");
        m_descriptor_count = m_image.boot ? 4 : 3;
        std::uint64_t next = layout::first_descriptor_sector + m_descriptor_count;
        for (auto* table : { &m_primary_table, &m_joliet_table }) {
            table->size = path_table_size(table == &m_primary_table ? m_primary : m_joliet);
            table->l_sector = static_cast<std::uint32_t>(next);
            next += sectors_for(table->size);
            table->m_sector = static_cast<std::uint32_t>(next);
            next += sectors_for(table->size);
        }
        for (auto* folders : { &m_primary, &m_joliet }) {
            for (auto& folder : *folders) {
                folder.size = folder_size(folder);
                folder.sector = static_cast<std::uint32_t>(next);
                next += folder.size / sector_size;
            }
        }
        for (auto& content : m_contents) {
            content.sector = static_cast<std::uint32_t>(next);
            next += sectors_for(content.size);
        }
        if (next > 0xFFFFFFFFull)
            return fail(ErrorCode::LimitExceeded, 0, "the image would exceed 2^32 sectors");
        m_total_sectors = static_cast<std::uint32_t>(next);
        return {};
    }

}

namespace {

    void both_16(std::uint8_t* at, std::uint16_t value)
    {
        at[0] = static_cast<std::uint8_t>(value);
        at[1] = static_cast<std::uint8_t>(value >> 8);
        at[2] = static_cast<std::uint8_t>(value >> 8);
        at[3] = static_cast<std::uint8_t>(value);
    }

    void both_32(std::uint8_t* at, std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i) {
            at[i] = static_cast<std::uint8_t>(value >> (8 * i));
            at[7 - i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }

    void little_32(std::uint8_t* at, std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }

    void big_32(std::uint8_t* at, std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            at[3 - i] = static_cast<std::uint8_t>(value >> (8 * i));
    }

    // A text field: ASCII padded with blanks, or UCS-2 padded with U+0020.
    void put_field(std::uint8_t* at, size_t length, std::string const& text, NameStyle style)
    {
        if (style == NameStyle::Iso9660) {
            std::memset(at, ' ', length);
            std::memcpy(at, text.data(), std::min(length, text.size()));
            return;
        }
        for (size_t i = 0; i + 1 < length; i += 2) {
            at[i] = 0;
            at[i + 1] = ' ';
        }
        auto units = utf8_to_utf16(text);
        for (size_t i = 0; i < units.size() && 2 * i + 1 < length; ++i) {
            at[2 * i] = static_cast<std::uint8_t>(units[i] >> 8);
            at[2 * i + 1] = static_cast<std::uint8_t>(units[i]);
        }
    }

    size_t Writer::put_record(std::uint8_t* at, std::string const& identifier, std::uint32_t sector,
        std::uint32_t length, std::uint8_t flags, Node const& node) const
    {
        namespace r = layout::record;
        size_t size = record_size(identifier.size());
        at[r::length] = static_cast<std::uint8_t>(size);
        both_32(at + r::extent, sector);
        both_32(at + r::data_length, length);
        auto time = recording_time_from_unix_time(node.modified);
        std::memcpy(at + r::recording_time, time.data(), time.size());
        at[r::flags] = static_cast<std::uint8_t>(flags | (node.hidden ? r::flag_hidden : 0));
        both_16(at + r::volume_sequence_number, 1);
        at[r::name_length] = static_cast<std::uint8_t>(identifier.size());
        std::memcpy(at + r::name, identifier.data(), identifier.size());
        return size;
    }

    std::vector<std::uint8_t> Writer::folder_bytes(std::vector<PlannedFolder> const& folders, size_t index) const
    {
        auto const& folder = folders[index];
        auto const& parent = folders[folder.parent];
        std::vector<std::uint8_t> bytes(folder.size);
        size_t at = 0;
        at += put_record(bytes.data() + at, std::string(1, '\0'), folder.sector, folder.size,
            layout::record::flag_directory, *folder.node);
        at += put_record(bytes.data() + at, std::string(1, '\1'), parent.sector, parent.size,
            layout::record::flag_directory, *parent.node);
        for (auto const& child : folder.children) {
            size_t length = record_size(child.identifier.size());
            auto place = [&] {
                if (at % sector_size + length > sector_size)
                    at = (at / sector_size + 1) * sector_size;
            };
            if (child.node->is_directory()) {
                place();
                auto const& sub = folders[child.index];
                at += put_record(bytes.data() + at, child.identifier, sub.sector, sub.size,
                    layout::record::flag_directory, *child.node);
                continue;
            }
            auto const& content = m_contents[child.index];
            std::uint64_t left = child.node->size;
            std::uint32_t sector = content.sector;
            size_t count = extent_count(left);
            for (size_t i = 0; i < count; ++i) {
                place();
                auto piece = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, max_extent_length));
                std::uint8_t flags = i + 1 < count ? layout::record::flag_multi_extent : 0;
                at += put_record(bytes.data() + at, child.identifier, sector, piece, flags, *child.node);
                sector += piece / sector_size;
                left -= piece;
            }
        }
        return bytes;
    }

    std::vector<std::uint8_t> Writer::path_table(std::vector<PlannedFolder> const& folders, bool big_endian) const
    {
        std::vector<std::uint8_t> bytes(sectors_for(path_table_size(folders)) * sector_size);
        size_t at = 0;
        for (auto const& folder : folders) {
            namespace p = layout::path_table;
            bytes[at + p::name_length] = static_cast<std::uint8_t>(folder.identifier.size());
            auto parent = static_cast<std::uint16_t>(folder.parent + 1);
            if (big_endian) {
                big_32(&bytes[at + p::extent], folder.sector);
                bytes[at + p::parent_number] = static_cast<std::uint8_t>(parent >> 8);
                bytes[at + p::parent_number + 1] = static_cast<std::uint8_t>(parent);
            } else {
                little_32(&bytes[at + p::extent], folder.sector);
                bytes[at + p::parent_number] = static_cast<std::uint8_t>(parent);
                bytes[at + p::parent_number + 1] = static_cast<std::uint8_t>(parent >> 8);
            }
            std::memcpy(&bytes[at + p::name], folder.identifier.data(), folder.identifier.size());
            at += p::fixed_size + folder.identifier.size() + folder.identifier.size() % 2;
        }
        return bytes;
    }

    std::vector<std::uint8_t> Writer::descriptor(NameStyle style) const
    {
        namespace v = layout::volume;
        std::vector<std::uint8_t> bytes(sector_size);
        std::uint8_t* at = bytes.data();
        bool joliet = style == NameStyle::Joliet;
        at[layout::descriptor::type]
            = joliet ? layout::descriptor::type_supplementary : layout::descriptor::type_primary;
        std::memcpy(at + layout::descriptor::identifier, layout::descriptor::standard_identifier, 5);
        at[layout::descriptor::version] = 1;
        std::string label = m_options.volume_label.empty() ? m_image.volume_id : m_options.volume_label;
        put_field(at + v::system_identifier, v::identifier_length, "", style);
        put_field(
            at + v::volume_identifier, v::identifier_length, joliet ? label : iso_volume_identifier(label), style);
        both_32(at + v::volume_space_size, m_total_sectors);
        if (joliet)
            std::memcpy(at + v::escape_sequences, layout::joliet_escape_level3, 3);
        both_16(at + v::volume_set_size, 1);
        both_16(at + v::volume_sequence_number, 1);
        both_16(at + v::logical_block_size, static_cast<std::uint16_t>(sector_size));
        auto const& table = joliet ? m_joliet_table : m_primary_table;
        both_32(at + v::path_table_size, table.size);
        little_32(at + v::type_l_path_table, table.l_sector);
        big_32(at + v::type_m_path_table, table.m_sector);
        auto const& root = joliet ? m_joliet.front() : m_primary.front();
        put_record(at + v::root_directory_record, std::string(1, '\0'), root.sector, root.size,
            layout::record::flag_directory, *root.node);
        for (size_t field : { v::volume_set_identifier, v::publisher_identifier, v::data_preparer_identifier })
            put_field(at + field, v::long_identifier_length, "", style);
        put_field(at + v::application_identifier, v::long_identifier_length, "TARNISO", style);
        for (size_t field : { v::copyright_file, v::abstract_file, v::bibliographic_file })
            put_field(at + field, v::file_identifier_length, "", style);
        auto now = descriptor_time_from_unix_time(m_options.now);
        std::memcpy(at + v::creation_time, now.data(), now.size());
        std::memcpy(at + v::modification_time, now.data(), now.size());
        for (size_t field : { v::expiration_time, v::effective_time }) {
            std::memset(at + field, '0', v::time_length - 1);
            at[field + v::time_length - 1] = 0;
        }
        at[v::file_structure_version] = 1;
        return bytes;
    }

}

namespace {

    // Content passes through the buffer, where the boot information table
    // is refilled and zeros are seen (SparseOutput leaves them unwritten).
    // Measured against copy_file_range with a look at each piece's first
    // page, as extraction does: reading is faster here, where a piece is
    // mostly a whole small file appended to one large output.
    Result<void> Writer::write_content(SparseOutput& out, PlannedContent const& content, Progress& progress)
    {
        if (!content.node) {
            progress.advance(content.bytes.size());
            return out.write(content.bytes);
        }
        // The zeros up to the next sector go out with the last piece when
        // they fit behind it: one write less per file.
        auto padding = static_cast<size_t>(std::uint64_t { sectors_for(content.size) } * sector_size - content.size);
        for (std::uint64_t offset = 0; offset < content.size;) {
            size_t piece = static_cast<size_t>(std::min<std::uint64_t>(m_buffer.size(), content.size - offset));
            auto chunk = std::span(m_buffer).first(piece);
            if (auto read = m_reader.read(*content.node, offset, chunk); !read)
                return read;
            if (offset == 0 && content.boot_info_table && piece >= layout::boot_info_table::checksum_start)
                fill_boot_info_table(chunk, layout::first_descriptor_sector, content.sector,
                    static_cast<std::uint32_t>(content.size), content.boot_checksum);
            offset += piece;
            size_t tail = offset == content.size && piece + padding <= m_buffer.size() ? padding : 0;
            std::fill_n(m_buffer.begin() + static_cast<std::ptrdiff_t>(piece), tail, 0);
            padding -= tail;
            if (auto written = out.write(std::span(m_buffer).first(piece + tail)); !written)
                return written;
            progress.advance(piece);
        }
        std::fill_n(m_buffer.begin(), padding, 0);
        return out.write(std::span(m_buffer).first(padding));
    }

    Result<void> Writer::write(tools::AtomicOutputFile& file, Progress& progress)
    {
        SparseOutput out(file);
        // The boot information table's checksum covers the image from byte
        // 64, which the table does not touch: read it once before writing.
        for (auto& content : m_contents) {
            if (!content.boot_info_table || content.size < layout::boot_info_table::checksum_start || !content.node)
                continue;
            std::vector<std::uint8_t> bytes(static_cast<size_t>(content.size));
            if (auto read = m_reader.read(*content.node, 0, bytes); !read)
                return read;
            content.boot_checksum
                = boot_info_checksum(std::span(bytes).subspan(layout::boot_info_table::checksum_start));
        }
        std::vector<MovedBootImage> moved;
        if (m_image.boot) {
            auto entries = entries_in_order(*m_image.boot);
            std::vector<std::uint32_t> sectors;
            for (size_t i = 0; i < entries.size(); ++i) {
                auto const& content = m_contents[m_boot_contents[i]];
                sectors.push_back(content.sector);
                moved.push_back({ entries[i]->image.sector, content.sector, entries[i]->image.length });
            }
            auto& catalog = m_contents[*m_catalog_content];
            catalog.bytes = boot_catalog_bytes(*m_image.boot, sectors);
            catalog.bytes.resize(static_cast<size_t>(catalog.size));
            catalog.node = nullptr;
        }
        auto system_area = m_image.system_area;
        update_partition_table(system_area, std::uint64_t { m_total_sectors } * sector_size, moved, m_warnings);
        if (auto written = out.write(system_area); !written)
            return written;
        std::vector<std::vector<std::uint8_t>> head;
        head.push_back(descriptor(NameStyle::Iso9660));
        if (m_image.boot) {
            auto record = boot_record_descriptor(m_contents[*m_catalog_content].sector);
            head.emplace_back(record.begin(), record.end());
        }
        head.push_back(descriptor(NameStyle::Joliet));
        std::vector<std::uint8_t> terminator(sector_size);
        terminator[0] = layout::descriptor::type_terminator;
        std::memcpy(terminator.data() + 1, layout::descriptor::standard_identifier, 5);
        terminator[6] = 1;
        head.push_back(std::move(terminator));
        head.push_back(path_table(m_primary, false));
        head.push_back(path_table(m_primary, true));
        head.push_back(path_table(m_joliet, false));
        head.push_back(path_table(m_joliet, true));
        for (auto const& bytes : head) {
            if (auto written = out.write(bytes); !written)
                return written;
        }
        for (auto const* folders : { &m_primary, &m_joliet }) {
            for (size_t i = 0; i < folders->size(); ++i) {
                if (auto written = out.write(folder_bytes(*folders, i)); !written)
                    return written;
            }
        }
        for (auto const& content : m_contents) {
            if (auto written = write_content(out, content, progress); !written)
                return written;
        }
        if (auto finished = out.finish(); !finished)
            return finished;
        if (file.written() != std::uint64_t { m_total_sectors } * sector_size)
            return fail(ErrorCode::Corrupt, file.written(), "the written image does not match its layout");
        return {};
    }

}

Result<void> write_image(Image const& image, ContentReader& reader, WriteOptions const& options,
    tools::AtomicOutputFile& out, Progress& progress, std::vector<std::string>& warnings)
{
    Writer writer(image, reader, options, warnings);
    if (auto planned = writer.plan(); !planned)
        return planned;
    return writer.write(out, progress);
}

}
