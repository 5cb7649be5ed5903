#pragma once

#include "cab/io.h"

#include <cstdint>

namespace tarnwell::tools::cab::szdd {

struct Header {
    std::uint8_t missing_character { 0 };
    std::uint32_t uncompressed_size { 0 };
};

bool has_signature(ByteSource const&);
Result<Header> read_header(ByteSource const&);
// Expands the whole file into `sink`; the output must come out at exactly
// the size the header declares.
Result<void> expand(ByteSource const&, ByteSink&);

}
