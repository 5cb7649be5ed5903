#pragma once

// Reads an image's volume descriptors, its folder tree and its boot catalog
// into the model. Faults that make the whole image unreadable are errors;
// faults of single entries are anomalies, and those entries are left out.

#include "iso/anomaly.h"
#include "iso/byte_source.h"
#include "iso/model.h"

#include "common/error.h"

namespace tarnwell::iso {

struct ReadImage {
    Image image;
    Anomalies anomalies;
};

tools::Result<ReadImage> read_image(ByteSource const&);

// Limits on hostile images, each with its reason.
namespace limits {
    // Real images have three to six descriptors before the terminator.
    inline constexpr int max_volume_descriptors = 64;
    // Far deeper than any Windows path can go (260 characters) or Rock Ridge
    // relocation is meant for; guards the recursion.
    inline constexpr int max_depth = 128;
    // A PE image holds some ten thousand entries; this keeps the model
    // (a few hundred bytes an entry) well under the tool's memory goal.
    inline constexpr std::uint64_t max_entries = 200'000;
    // One folder of 100,000 entries takes about 5 MiB of records.
    inline constexpr std::uint32_t max_directory_size = 16u << 20;
    // A file is split into extents of under 4 GiB; this allows files of
    // several terabytes and bounds the list.
    inline constexpr size_t max_extents_per_file = 1024;
}

}
