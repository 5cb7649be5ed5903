#pragma once

// Generated test inputs: the shapes of data a boot image holds.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnwell::test::lzx {

enum class Sample { Random, Text, X86Code, Zeros, Mixed };

std::vector<std::uint8_t> make_sample(Sample, std::size_t size, std::uint32_t seed = 1);
std::string sample_name(Sample);

}
