#include "test_data.h"

#include <random>

namespace tarnwell::test {

std::vector<std::uint8_t> generate_data(DataKind kind, size_t size, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint8_t> data;
    data.reserve(size);
    static char const* const words[] = { "the ", "cabinet ", "folder ", "block ", "of ", "data ", "window ", "match ",
        "\r\n", "LINK ", "%Programs% ", "setup ", "system32\\", "driver ", "0x7FFF ", "= " };
    while (data.size() < size) {
        switch (kind) {
        case DataKind::Random:
            data.push_back(static_cast<std::uint8_t>(random()));
            break;
        case DataKind::Text:
            for (char const* c = words[random() % 16]; *c && data.size() < size; ++c)
                data.push_back(static_cast<std::uint8_t>(*c));
            break;
        case DataKind::X86Code: {
            // A call with a 32-bit relative target, then a few ordinary
            // instruction bytes drawn from a small set.
            static std::uint8_t const ops[] = { 0x55, 0x89, 0xE5, 0x8B, 0x45, 0x08, 0x83, 0xC4, 0x5D, 0xC3, 0x90 };
            data.push_back(random() % 3 ? 0xE8 : 0xE9);
            std::uint32_t target = random() % 65536 - 32768;
            for (int i = 0; i < 4; ++i)
                data.push_back(static_cast<std::uint8_t>(target >> (8 * i)));
            for (unsigned i = random() % 8; i > 0; --i)
                data.push_back(ops[random() % sizeof(ops)]);
            break;
        }
        case DataKind::Zeros:
            data.push_back(0);
            break;
        }
    }
    data.resize(size);
    return data;
}

char const* kind_name(DataKind kind)
{
    switch (kind) {
    case DataKind::Random:
        return "random";
    case DataKind::Text:
        return "text";
    case DataKind::X86Code:
        return "x86";
    case DataKind::Zeros:
        return "zeros";
    }
    return "?";
}

}
