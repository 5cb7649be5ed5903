#include "sample_data.h"

#include <array>
#include <random>

namespace tarnwell::test::lzx {

namespace {

    void append_text(std::vector<std::uint8_t>& out, std::size_t size, std::mt19937& random)
    {
        static constexpr std::array<char const*, 16> words { "the", "window", "cabinet", "program", "folder", "boot",
            "image", "shortcut", "start", "menu", "desktop", "file", "copy", "remove", "system", "driver" };
        while (out.size() < size) {
            std::string word = words[random() % words.size()];
            word += (random() % 9 == 0) ? ".\r\n" : " ";
            for (char c : word) {
                if (out.size() < size)
                    out.push_back(static_cast<std::uint8_t>(c));
            }
        }
    }

    // Call-heavy x86 code: a few instruction patterns, E8 calls to a small set
    // of targets (so translated calls repeat), and E8 bytes in data.
    void append_code(std::vector<std::uint8_t>& out, std::size_t size, std::mt19937& random)
    {
        static constexpr std::array<std::array<std::uint8_t, 4>, 6> patterns { { { 0x55, 0x8b, 0xec, 0x83 },
            { 0x8b, 0x45, 0x08, 0x50 }, { 0x33, 0xc0, 0x5d, 0xc3 }, { 0x6a, 0x00, 0xff, 0x15 },
            { 0x89, 0x44, 0x24, 0x04 }, { 0x48, 0x8d, 0x4c, 0x24 } } };
        std::array<std::uint32_t, 32> targets {};
        for (auto& target : targets)
            target = random() % (1u << 22);
        while (out.size() < size) {
            unsigned kind = random() % 4;
            if (kind == 0) {
                auto relative = static_cast<std::uint32_t>(targets[random() % targets.size()] - out.size());
                for (std::uint8_t byte : { std::uint8_t { 0xE8 }, std::uint8_t(relative), std::uint8_t(relative >> 8),
                         std::uint8_t(relative >> 16), std::uint8_t(relative >> 24) })
                    out.push_back(byte);
            } else if (kind == 1) {
                out.push_back(0xE8);
                out.push_back(static_cast<std::uint8_t>(random()));
            } else {
                auto const& pattern = patterns[random() % patterns.size()];
                out.insert(out.end(), pattern.begin(), pattern.end());
            }
        }
        out.resize(size);
    }

}

std::vector<std::uint8_t> make_sample(Sample kind, std::size_t size, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint8_t> out;
    out.reserve(size);
    switch (kind) {
    case Sample::Random:
        while (out.size() < size)
            out.push_back(static_cast<std::uint8_t>(random()));
        break;
    case Sample::Text:
        append_text(out, size, random);
        break;
    case Sample::X86Code:
        append_code(out, size, random);
        break;
    case Sample::Zeros:
        out.assign(size, 0);
        break;
    case Sample::Mixed: {
        // Stretches of each kind, so blocks of different kinds meet.
        constexpr std::size_t stretch = 50000;
        unsigned turn = 0;
        while (out.size() < size) {
            std::size_t end = std::min(size, out.size() + stretch);
            switch (turn++ % 4) {
            case 0:
                append_code(out, end, random);
                break;
            case 1:
                append_text(out, end, random);
                break;
            case 2:
                while (out.size() < end)
                    out.push_back(static_cast<std::uint8_t>(random()));
                break;
            default:
                out.resize(end, 0);
                break;
            }
        }
        break;
    }
    }
    return out;
}

std::string sample_name(Sample kind)
{
    switch (kind) {
    case Sample::Random:
        return "random";
    case Sample::Text:
        return "text";
    case Sample::X86Code:
        return "x86";
    case Sample::Zeros:
        return "zeros";
    case Sample::Mixed:
        return "mixed";
    }
    return "?";
}

}
