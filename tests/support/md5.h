#pragma once

// MD5 (RFC 1321), to compare extracted members with the checksums that
// come with the shared test input.

#include <cstdint>
#include <span>
#include <string>

namespace tarnwell::test {

std::string md5_hex(std::span<std::uint8_t const> data);

}
