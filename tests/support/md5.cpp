#include "md5.h"

#include <fstream>
#include <sstream>

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace tarnwell::test {

namespace {

    constexpr std::array<unsigned, 16> shifts = { 7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21 };

    std::array<std::uint32_t, 64> const& sine_table()
    {
        static auto const table = [] {
            std::array<std::uint32_t, 64> t {};
            for (size_t i = 0; i < 64; ++i)
                t[i] = static_cast<std::uint32_t>(std::floor(std::fabs(std::sin(double(i + 1))) * 4294967296.0));
            return t;
        }();
        return table;
    }

    std::uint32_t rotate(std::uint32_t v, unsigned n)
    {
        return (v << n) | (v >> (32 - n));
    }

    void process(std::array<std::uint32_t, 4>& state, std::uint8_t const* block)
    {
        std::uint32_t m[16];
        for (size_t i = 0; i < 16; ++i)
            m[i] = std::uint32_t(block[4 * i]) | (std::uint32_t(block[4 * i + 1]) << 8)
                | (std::uint32_t(block[4 * i + 2]) << 16) | (std::uint32_t(block[4 * i + 3]) << 24);
        auto [a, b, c, d] = state;
        for (unsigned i = 0; i < 64; ++i) {
            std::uint32_t f;
            unsigned g;
            if (i < 16) {
                f = (b & c) | (~b & d);
                g = i;
            } else if (i < 32) {
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
            } else if (i < 48) {
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
            } else {
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
            }
            std::uint32_t next = d;
            d = c;
            c = b;
            b = b + rotate(a + f + sine_table()[i] + m[g], shifts[(i / 16) * 4 + i % 4]);
            a = next;
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
    }

}

std::string md5_hex(std::span<std::uint8_t const> data)
{
    std::array<std::uint32_t, 4> state = { 0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476 };
    size_t whole = data.size() / 64 * 64;
    for (size_t i = 0; i < whole; i += 64)
        process(state, data.data() + i);
    std::vector<std::uint8_t> tail(data.begin() + static_cast<std::ptrdiff_t>(whole), data.end());
    tail.push_back(0x80);
    while (tail.size() % 64 != 56)
        tail.push_back(0);
    std::uint64_t bits = std::uint64_t(data.size()) * 8;
    for (int i = 0; i < 8; ++i)
        tail.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    for (size_t i = 0; i < tail.size(); i += 64)
        process(state, tail.data() + i);
    static char const digits[] = "0123456789abcdef";
    std::string hex;
    for (auto word : state) {
        for (int i = 0; i < 4; ++i) {
            auto byte = (word >> (8 * i)) & 0xFF;
            hex += digits[byte >> 4];
            hex += digits[byte & 15];
        }
    }
    return hex;
}

std::map<std::string, std::vector<ExpectedMember>> read_expected_md5(std::filesystem::path const& dir)
{
    // Tab-separated: file, md5, size, path; '#' starts a comment line.
    std::map<std::string, std::vector<ExpectedMember>> expected;
    std::ifstream in(dir / "EXPECTED.md5");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string file, md5, size, path;
        std::getline(fields, file, '\t');
        std::getline(fields, md5, '\t');
        std::getline(fields, size, '\t');
        std::getline(fields, path);
        expected[file].push_back({ md5, path });
    }
    return expected;
}

}
