#pragma once

// One encoder per folder. The writer feeds it the folder's bytes in order;
// it hands back data blocks (compressed bytes and the size they expand to),
// each one CFDATA block of the cabinet.

#include "cab/cabinet/model.h"
#include "common/error.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace tarnwell::tools::cab {

using DataBlockSink
    = std::function<Result<void>(std::span<std::uint8_t const> compressed, std::uint32_t uncompressed_size)>;

class BlockEncoder {
public:
    virtual ~BlockEncoder() = default;
    // Any amount of input; whole blocks go to `sink` as they fill.
    virtual Result<void> feed(std::span<std::uint8_t const> input, DataBlockSink const& sink) = 0;
    // The last, possibly short, block.
    virtual Result<void> finish(DataBlockSink const& sink) = 0;
};

Result<std::unique_ptr<BlockEncoder>> create_block_encoder(Compression);

// Whether this build can write the given compression.
bool can_encode(Method);

}
