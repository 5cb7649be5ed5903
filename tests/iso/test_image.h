#pragma once

// Builds tiny ISO 9660 images in memory, record by record, so that a test
// can show one fault exactly: sector 16 the primary descriptor, then an
// optional boot record, then the terminator; the caller places folders and
// files in the sectors after that.

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwell::iso::test {

struct TestRecord {
    std::string name; // bytes as stored
    std::uint32_t sector;
    std::uint32_t length;
    std::uint8_t flags { 0 };
    std::vector<std::uint8_t> system_use {};
};

class TestImage {
public:
    explicit TestImage(std::uint32_t sectors);

    // The primary descriptor (sector 16) with its root folder, the boot
    // record (17, when `catalog_sector` is not 0) and the terminator.
    void put_descriptors(std::uint32_t root_sector, std::uint32_t root_length, std::uint32_t catalog_sector = 0);
    // A folder: its "." and ".." records, then `records`.
    void put_folder(std::uint32_t sector, std::uint32_t parent_sector, std::vector<TestRecord> const& records,
        std::vector<std::uint8_t> const& self_system_use = {});
    void put_bytes(std::uint64_t offset, std::vector<std::uint8_t> const& bytes);
    void put_text(std::uint64_t offset, std::string const& text);
    void truncate(std::uint64_t size) { m_bytes.resize(size); }

    std::vector<std::uint8_t> const& bytes() const { return m_bytes; }
    std::uint8_t* sector(std::uint32_t index) { return m_bytes.data() + std::uint64_t { index } * 2048; }

private:
    size_t put_record(std::uint8_t* at, TestRecord const& record);
    std::vector<std::uint8_t> m_bytes;
};

// A Rock Ridge NM entry, a CE entry and the SP entry of the root's ".".
std::vector<std::uint8_t> nm_entry(std::string const& name);
std::vector<std::uint8_t> ce_entry(std::uint32_t sector, std::uint32_t offset, std::uint32_t length);
std::vector<std::uint8_t> sp_entry();

}
