#include "test_image.h"

#include <cstring>

namespace tarnwell::iso::test {

namespace {

    void both_32(std::uint8_t* at, std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i) {
            at[i] = static_cast<std::uint8_t>(value >> (8 * i));
            at[7 - i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }

    void both_16(std::uint8_t* at, std::uint16_t value)
    {
        at[0] = static_cast<std::uint8_t>(value);
        at[1] = static_cast<std::uint8_t>(value >> 8);
        at[2] = static_cast<std::uint8_t>(value >> 8);
        at[3] = static_cast<std::uint8_t>(value);
    }

}

TestImage::TestImage(std::uint32_t sectors)
    : m_bytes(std::uint64_t { sectors } * 2048)
{
}

size_t TestImage::put_record(std::uint8_t* at, TestRecord const& record)
{
    size_t name_length = record.name.size();
    size_t length = 33 + name_length + (name_length % 2 == 0 ? 1 : 0) + record.system_use.size();
    at[0] = static_cast<std::uint8_t>(length);
    both_32(at + 2, record.sector);
    both_32(at + 10, record.length);
    at[18] = 120; // 2020
    at[19] = 6;
    at[20] = 15;
    at[25] = record.flags;
    both_16(at + 28, 1);
    at[32] = static_cast<std::uint8_t>(name_length);
    std::memcpy(at + 33, record.name.data(), name_length);
    if (!record.system_use.empty())
        std::memcpy(at + length - record.system_use.size(), record.system_use.data(), record.system_use.size());
    return length;
}

void TestImage::put_descriptors(std::uint32_t root_sector, std::uint32_t root_length, std::uint32_t catalog_sector)
{
    std::uint8_t* primary = sector(16);
    primary[0] = 1;
    std::memcpy(primary + 1, "CD001", 5);
    primary[6] = 1;
    std::memset(primary + 40, ' ', 32);
    std::memcpy(primary + 40, "TEST", 4);
    both_32(primary + 80, static_cast<std::uint32_t>(m_bytes.size() / 2048));
    both_16(primary + 128, 2048);
    put_record(primary + 156, { std::string(1, '\0'), root_sector, root_length, 0x02 });
    std::uint32_t next = 17;
    if (catalog_sector != 0) {
        std::uint8_t* boot = sector(next++);
        boot[0] = 0;
        std::memcpy(boot + 1, "CD001", 5);
        boot[6] = 1;
        std::memcpy(boot + 7, "EL TORITO SPECIFICATION", 23);
        boot[71] = static_cast<std::uint8_t>(catalog_sector);
        boot[72] = static_cast<std::uint8_t>(catalog_sector >> 8);
    }
    std::uint8_t* terminator = sector(next);
    terminator[0] = 255;
    std::memcpy(terminator + 1, "CD001", 5);
    terminator[6] = 1;
}

void TestImage::put_folder(std::uint32_t at_sector, std::uint32_t parent_sector, std::vector<TestRecord> const& records,
    std::vector<std::uint8_t> const& self_system_use)
{
    std::uint8_t* at = sector(at_sector);
    at += put_record(at, { std::string(1, '\0'), at_sector, 2048, 0x02, self_system_use });
    at += put_record(at, { std::string(1, '\1'), parent_sector, 2048, 0x02 });
    for (auto const& record : records)
        at += put_record(at, record);
}

void TestImage::put_bytes(std::uint64_t offset, std::vector<std::uint8_t> const& bytes)
{
    std::memcpy(m_bytes.data() + offset, bytes.data(), bytes.size());
}

void TestImage::put_text(std::uint64_t offset, std::string const& text)
{
    std::memcpy(m_bytes.data() + offset, text.data(), text.size());
}

std::vector<std::uint8_t> nm_entry(std::string const& name)
{
    std::vector<std::uint8_t> entry(5 + name.size());
    entry[0] = 'N';
    entry[1] = 'M';
    entry[2] = static_cast<std::uint8_t>(entry.size());
    entry[3] = 1;
    std::memcpy(entry.data() + 5, name.data(), name.size());
    return entry;
}

std::vector<std::uint8_t> ce_entry(std::uint32_t at_sector, std::uint32_t offset, std::uint32_t length)
{
    std::vector<std::uint8_t> entry(28);
    entry[0] = 'C';
    entry[1] = 'E';
    entry[2] = 28;
    entry[3] = 1;
    both_32(entry.data() + 4, at_sector);
    both_32(entry.data() + 12, offset);
    both_32(entry.data() + 20, length);
    return entry;
}

std::vector<std::uint8_t> sp_entry()
{
    return { 'S', 'P', 7, 1, 0xBE, 0xEF, 0 };
}

}
