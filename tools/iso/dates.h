#pragma once

// ECMA-119 dates: the 7-byte recording time of directory records (9.1.5) and
// the 17-character form of the volume descriptors (8.4.26.1), to and from
// seconds since 1970-01-01 UTC.

#include <array>
#include <cstdint>
#include <span>

namespace tarnwell::iso {

std::int64_t unix_time_from_recording_time(std::span<std::uint8_t const, 7>);
std::array<std::uint8_t, 7> recording_time_from_unix_time(std::int64_t);

std::int64_t unix_time_from_descriptor_time(std::span<std::uint8_t const, 17>);
std::array<std::uint8_t, 17> descriptor_time_from_unix_time(std::int64_t);

}
