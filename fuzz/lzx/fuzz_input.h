#pragma once

// The fuzz input layout shared by the decode target and the seed maker:
//   byte 0: window bits - 15 (taken modulo 7)
//   then frames: u16 compressed size, u16 uncompressed size (little-endian;
//   the uncompressed size is clamped to 1..32768), the compressed bytes.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarnwell::fuzz::lzx {

inline void append_frame(
    std::vector<std::uint8_t>& out, std::uint8_t const* bytes, std::size_t size, std::uint32_t uncompressed_size)
{
    out.push_back(static_cast<std::uint8_t>(size));
    out.push_back(static_cast<std::uint8_t>(size >> 8));
    out.push_back(static_cast<std::uint8_t>(uncompressed_size));
    out.push_back(static_cast<std::uint8_t>(uncompressed_size >> 8));
    out.insert(out.end(), bytes, bytes + size);
}

}
