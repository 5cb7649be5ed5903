#pragma once

// MD5 (RFC 1321), to compare extracted members with the checksums that
// come with the shared test input.

#include <cstdint>
#include <filesystem>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace tarnwell::test {

std::string md5_hex(std::span<std::uint8_t const> data);

// The shared input's EXPECTED.md5: for every file, its members in the order
// listed, each with its checksum ("FAIL" where no tool can read it) and its
// path ("/" between folders).
struct ExpectedMember {
    std::string md5;
    std::string path;
};
std::map<std::string, std::vector<ExpectedMember>> read_expected_md5(std::filesystem::path const& dir);

}
