#pragma once

// Writes an image's tree into a local folder: every folder and file under
// its name, with its date; content streams from the image in fixed-size
// pieces. Entries that cannot be written safely are left out and reported.

#include "iso/anomaly.h"
#include "iso/byte_source.h"
#include "iso/model.h"
#include "iso/names.h"
#include "iso/progress.h"

#include "common/error.h"

namespace tarnwell::iso {

struct ExtractSummary {
    std::uint64_t files { 0 };
    std::uint64_t folders { 0 };
    std::uint64_t bytes { 0 };
    Anomalies problems; // entries left out
};

std::uint64_t content_size(Node const& folder);

// Fails only when the destination itself cannot be made; problems with
// single entries are in the summary.
tools::Result<ExtractSummary> extract_tree(
    ByteSource const&, Node const& root, std::string const& destination, NamePolicy, Progress&);

}
