#include "cabinet_walk.h"

#include "common/byte_reader.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace tarnwell::test::lzx {

using tools::ByteReader;
using tools::ErrorCode;
using tools::Result;

namespace {

    // Offsets of the cabinet header fields this walker needs.
    constexpr std::size_t header_size = 36;
    constexpr std::size_t folder_count_offset = 26;
    constexpr std::uint16_t flag_previous_cabinet = 0x0001;
    constexpr std::uint16_t flag_next_cabinet = 0x0002;
    constexpr std::uint16_t flag_reserve_present = 0x0004;
    constexpr unsigned type_lzx = 3;

    Result<std::string> read_string(ByteReader& reader)
    {
        std::string text;
        while (true) {
            auto field1 = reader.u8();
            if (!field1)
                return std::unexpected(field1.error());
            auto byte = *field1;
            if (byte == 0)
                return text;
            text.push_back(static_cast<char>(byte));
        }
    }

}

Result<Cabinet> walk_cabinet(std::span<std::uint8_t const> file)
{
    ByteReader reader(file);
    auto field2 = reader.u32_le();
    if (!field2)
        return std::unexpected(field2.error());
    auto signature = *field2;
    if (signature != 0x4643534D)
        return tools::fail(ErrorCode::BadSignature, 0, "no MSCF");
    if (auto field3 = reader.seek(folder_count_offset); !field3)
        return std::unexpected(field3.error());
    auto field4 = reader.u16_le();
    if (!field4)
        return std::unexpected(field4.error());
    auto folder_count = *field4;
    auto field5 = reader.u16_le();
    if (!field5)
        return std::unexpected(field5.error());
    auto file_count = *field5;
    auto field6 = reader.u16_le();
    if (!field6)
        return std::unexpected(field6.error());
    auto flags = *field6;
    if (auto field7 = reader.seek(header_size); !field7)
        return std::unexpected(field7.error());
    std::uint16_t header_reserve = 0;
    std::uint8_t folder_reserve = 0;
    std::uint8_t data_reserve = 0;
    if (flags & flag_reserve_present) {
        auto field8 = reader.u16_le();
        if (!field8)
            return std::unexpected(field8.error());
        header_reserve = *field8;
        auto field9 = reader.u8();
        if (!field9)
            return std::unexpected(field9.error());
        folder_reserve = *field9;
        auto field10 = reader.u8();
        if (!field10)
            return std::unexpected(field10.error());
        data_reserve = *field10;
        if (auto field11 = reader.skip(header_reserve); !field11)
            return std::unexpected(field11.error());
    }
    for (auto flag : { flag_previous_cabinet, flag_next_cabinet }) {
        if (flags & flag) {
            if (auto field12 = read_string(reader); !field12)
                return std::unexpected(field12.error());
            if (auto field13 = read_string(reader); !field13)
                return std::unexpected(field13.error());
        }
    }
    Cabinet cabinet;
    std::vector<std::pair<std::uint32_t, std::uint16_t>> data_starts;
    for (unsigned i = 0; i < folder_count; ++i) {
        auto field14 = reader.u32_le();
        if (!field14)
            return std::unexpected(field14.error());
        auto data_offset = *field14;
        auto field15 = reader.u16_le();
        if (!field15)
            return std::unexpected(field15.error());
        auto data_count = *field15;
        auto field16 = reader.u16_le();
        if (!field16)
            return std::unexpected(field16.error());
        auto type = *field16;
        if (auto field17 = reader.skip(folder_reserve); !field17)
            return std::unexpected(field17.error());
        cabinet.folders.push_back(Folder { type & 0x0fu, (type >> 8) & 0x1fu, {} });
        data_starts.emplace_back(data_offset, data_count);
    }
    for (unsigned i = 0; i < file_count; ++i) {
        Member member;
        auto field18 = reader.u32_le();
        if (!field18)
            return std::unexpected(field18.error());
        member.size = *field18;
        auto field19 = reader.u32_le();
        if (!field19)
            return std::unexpected(field19.error());
        member.folder_offset = *field19;
        auto field20 = reader.u16_le();
        if (!field20)
            return std::unexpected(field20.error());
        member.folder = *field20;
        if (auto field21 = reader.skip(6); !field21)
            return std::unexpected(field21.error());
        auto field22 = read_string(reader);
        if (!field22)
            return std::unexpected(field22.error());
        member.name = *field22;
        cabinet.members.push_back(std::move(member));
    }
    for (unsigned i = 0; i < folder_count; ++i) {
        if (auto field23 = reader.seek(data_starts[i].first); !field23)
            return std::unexpected(field23.error());
        for (unsigned block = 0; block < data_starts[i].second; ++block) {
            if (auto field24 = reader.skip(4); !field24)
                return std::unexpected(field24.error());
            auto field25 = reader.u16_le();
            if (!field25)
                return std::unexpected(field25.error());
            auto compressed_size = *field25;
            auto field26 = reader.u16_le();
            if (!field26)
                return std::unexpected(field26.error());
            auto uncompressed_size = *field26;
            if (auto field27 = reader.skip(data_reserve); !field27)
                return std::unexpected(field27.error());
            auto field28 = reader.bytes(compressed_size);
            if (!field28)
                return std::unexpected(field28.error());
            auto bytes = *field28;
            cabinet.folders[i].blocks.push_back(DataBlock { bytes, uncompressed_size });
        }
    }
    return cabinet;
}

namespace {

    void put16(std::vector<std::uint8_t>& out, std::uint32_t value)
    {
        out.push_back(static_cast<std::uint8_t>(value));
        out.push_back(static_cast<std::uint8_t>(value >> 8));
    }

    void put32(std::vector<std::uint8_t>& out, std::uint32_t value)
    {
        put16(out, value & 0xffff);
        put16(out, value >> 16);
    }

}

std::vector<std::uint8_t> write_lzx_cabinet(std::string const& member_name, unsigned window_bits,
    std::vector<std::pair<std::vector<std::uint8_t>, std::uint32_t>> const& blocks)
{
    constexpr std::size_t folder_entry_size = 8;
    constexpr std::size_t file_entry_fixed_size = 16;
    constexpr std::size_t data_header_size = 8;
    std::size_t files_offset = header_size + folder_entry_size;
    std::size_t data_offset = files_offset + file_entry_fixed_size + member_name.size() + 1;
    std::size_t total = data_offset;
    std::uint32_t member_size = 0;
    for (auto const& [bytes, size] : blocks) {
        total += data_header_size + bytes.size();
        member_size += size;
    }
    std::vector<std::uint8_t> out;
    put32(out, 0x4643534D);
    put32(out, 0);
    put32(out, static_cast<std::uint32_t>(total));
    put32(out, 0);
    put32(out, static_cast<std::uint32_t>(files_offset));
    put32(out, 0);
    out.push_back(3); // format version 1.3
    out.push_back(1);
    put16(out, 1); // folders
    put16(out, 1); // files
    put16(out, 0); // flags
    put16(out, 0); // set id
    put16(out, 0); // cabinet index
    put32(out, static_cast<std::uint32_t>(data_offset));
    put16(out, static_cast<std::uint32_t>(blocks.size()));
    put16(out, type_lzx | (window_bits << 8));
    put32(out, member_size);
    put32(out, 0); // offset in the folder
    put16(out, 0); // folder index
    put16(out, 0x21); // date: 1980-01-01
    put16(out, 0); // time
    put16(out, 0x20); // archive attribute
    out.insert(out.end(), member_name.begin(), member_name.end());
    out.push_back(0);
    for (auto const& [bytes, size] : blocks) {
        put32(out, 0); // no checksum
        put16(out, static_cast<std::uint32_t>(bytes.size()));
        put16(out, size);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

std::vector<std::uint8_t> read_file(std::string const& path)
{
    std::ifstream stream(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>() };
}

}
