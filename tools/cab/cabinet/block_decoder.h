#pragma once

// One decoder per folder, fed its data blocks in order. Each call gets one
// block's compressed bytes and its exact uncompressed size; an error is
// sticky.

#include "cab/cabinet/model.h"
#include "common/error.h"

#include <cstdint>
#include <memory>
#include <span>

namespace tarnwell::tools::cab {

class BlockDecoder {
public:
    virtual ~BlockDecoder() = default;
    virtual Result<void> decode(std::span<std::uint8_t const> input, std::span<std::uint8_t> output) = 0;
};

Result<std::unique_ptr<BlockDecoder>> create_block_decoder(Compression);

}
