#pragma once

// Writing cabinets: one folder holding every file given, in order, read and
// compressed block by block so memory stays small whatever the size.

#include "cab/cabinet/model.h"
#include "cab/io.h"

#include <functional>
#include <span>
#include <string>

namespace tarnwell::tools::cab {

struct WriterInput {
    std::string name; // stored as given ("\" separates folders)
    ByteSource const* source { nullptr };
    std::uint16_t dos_date { 0 };
    std::uint16_t dos_time { 0 };
    std::uint16_t attributes { 0 };
};

using ProgressCallback = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Checks what can be checked before a byte is written: names, counts, and
// that everything fits one folder (at most 0x7FFF8000 bytes).
Result<void> check_writer_inputs(std::span<WriterInput const> inputs, Compression compression);

Result<void> write_cabinet(std::span<WriterInput const> inputs, Compression compression, ByteSink& sink,
    ProgressCallback const& progress = {});

}
