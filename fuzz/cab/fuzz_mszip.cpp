// MSZIP blocks: the input is split into data blocks (a 2-byte expected size
// before each) and decoded in order through one inflater, so matches that
// reach into earlier blocks are exercised too.

#include "cab/mszip/inflate.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    tarnwell::tools::cab::deflate::Inflater inflater;
    std::vector<std::uint8_t> output;
    std::size_t position = 0;
    while (position + 4 <= size) {
        std::size_t expected = (data[position] | (data[position + 1] << 8)) & 0x7FFF;
        std::size_t length = data[position + 2] | (data[position + 3] << 8);
        position += 4;
        if (length > size - position)
            length = size - position;
        output.resize(expected);
        if (!inflater.decode_stream(std::span(data + position, length), output))
            break;
        position += length;
    }
    return 0;
}
