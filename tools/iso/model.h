#pragma once

// The in-memory image: a tree of folders and files with their names (UTF-8),
// dates and flags, where each file's content comes from, the El Torito boot
// catalog and the system area. Nothing here knows where a record lies in an
// image; the reader fills it from one, the writer lays it out anew.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwell::iso {

// A run of bytes of the source image: the content of a file or of a boot
// image. Files larger than one extent's 4 GiB have several.
struct Extent {
    std::uint32_t sector { 0 };
    std::uint32_t length { 0 };
};

enum class NodeKind {
    File,
    Directory,
    // A Rock Ridge symbolic link, device or other entry that has no content
    // we can put in a folder; it is listed, and passed over on extraction.
    Special,
};

enum class ContentSource {
    Image, // `extents` of the source image
    Local, // the local file `local_path`
};

struct Node {
    std::string name;
    NodeKind kind { NodeKind::File };
    bool hidden { false };
    std::int64_t modified { 0 }; // seconds since 1970-01-01 UTC
    std::uint64_t size { 0 };
    ContentSource source { ContentSource::Image };
    std::vector<Extent> extents;
    std::string local_path;
    std::vector<Node> children;

    bool is_directory() const { return kind == NodeKind::Directory; }
};

// One El Torito boot entry (the initial/default entry or a section entry).
struct BootEntry {
    bool bootable { true };
    std::uint8_t emulation { 0 };
    std::uint16_t load_segment { 0 };
    std::uint8_t system_type { 0 };
    std::uint16_t sector_count { 0 };
    std::uint32_t load_sector { 0 };
    std::uint8_t selection_criteria_type { 0 };
    std::array<std::uint8_t, 19> selection_criteria {};
    // Extension entries that followed the entry, 30 data bytes each.
    std::vector<std::array<std::uint8_t, 30>> extensions;
    // Where the boot image's bytes are in the source image, and whether they
    // carry a boot information table that a rebuild has to refill.
    Extent image;
    bool has_boot_info_table { false };
    // The file of the tree that holds the boot image, when it is visible.
    std::optional<std::string> visible_path;
};

struct BootSection {
    std::uint8_t platform { 0 };
    std::array<std::uint8_t, 28> id {};
    std::vector<BootEntry> entries;
};

struct BootCatalog {
    std::uint32_t catalog_sector { 0 };
    std::uint8_t platform { 0 };
    std::array<std::uint8_t, 24> id {};
    BootEntry default_entry;
    std::vector<BootSection> sections;
    // The catalog's path when the tree shows it as a file.
    std::optional<std::string> catalog_path;
};

enum class NameSource {
    Primary,
    Joliet,
    RockRidge,
};

struct Image {
    std::string volume_id;
    NameSource names { NameSource::Primary };
    std::uint64_t size { 0 };
    std::uint32_t primary_descriptor_sector { 0 };
    std::array<std::uint8_t, 32768> system_area {};
    Node root;
    std::optional<BootCatalog> boot;
};

}
