#pragma once

// Generated inputs for the cabinet tests: made at test time, never stored.

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwell::test {

enum class DataKind {
    Random,
    Text,
    X86Code, // E8/E9 call and jump opcodes every few bytes, as compiled code has
    Zeros,
};

std::vector<std::uint8_t> generate_data(DataKind, size_t size, std::uint32_t seed = 1);
char const* kind_name(DataKind);

}
