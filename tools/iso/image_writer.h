#pragma once

// Lays a model out as a new ISO 9660 + Joliet image and writes it in one
// pass: system area, descriptors, path tables, folders, the boot catalog,
// then the content of every file and boot image, streamed from where the
// model says it lies.

#include "iso/model.h"
#include "iso/progress.h"
#include "iso/writer_names.h"

#include "common/error.h"
#include "common/file_io.h"

#include <span>
#include <string>
#include <vector>

namespace tarnwell::iso {

// Where content comes from: the source image's extents or a local file.
class ContentReader {
public:
    virtual ~ContentReader() = default;
    virtual tools::Result<void> read(Node const& content, std::uint64_t offset, std::span<std::uint8_t> buffer) = 0;
};

struct WriteOptions {
    std::string volume_label;
    bool optimize { false };
    NameRules names;
    std::int64_t now { 0 }; // the descriptors' creation date
};

// A file of more than one extent is split at this size (ECMA-119 9.1.4
// records a length of 32 bits; the largest multiple of a sector below 4 GiB).
inline constexpr std::uint32_t max_extent_length = 0xFFFFF800u;

// `warnings` receives what was changed or left out (a stale partition
// table, for example).
tools::Result<void> write_image(Image const&, ContentReader&, WriteOptions const&, tools::AtomicOutputFile&, Progress&,
    std::vector<std::string>& warnings);

}
