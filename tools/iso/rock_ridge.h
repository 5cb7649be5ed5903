#pragma once

// The parts of a directory record's system use area (SUSP, IEEE P1281) that
// the reader uses: Rock Ridge (IEEE P1282) names, file types, dates, the
// relocation of deep folders, and the zisofs marker.

#include "iso/anomaly.h"
#include "iso/byte_source.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tarnwell::iso {

struct RockRidgeInfo {
    bool any { false }; // at least one Rock Ridge entry was seen
    std::optional<std::string> name;
    std::optional<std::uint32_t> mode;
    std::optional<std::uint32_t> child_link; // CL: a folder relocated to this sector
    bool relocated { false }; // RE: this folder is shown elsewhere
    std::optional<std::int64_t> modified;
    bool compressed { false }; // ZF
};

// `skip` is the SUSP skip length from the root's SP entry.
RockRidgeInfo read_rock_ridge(
    ByteSource const&, std::span<std::uint8_t const> system_use, size_t skip, std::string const& path, Anomalies&);

// Whether a root "." record's system use area starts with the SP entry, and
// its skip length.
std::optional<size_t> susp_skip_length(std::span<std::uint8_t const> system_use);

}
