#pragma once

// Names as the image stores them, turned into UTF-8, and the test that a name
// can be written as one entry of a folder without leaving it.

#include "common/utf.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tarnwell::iso {

// ECMA-119 names: "NAME.EXT;1" loses its version and a dot left at its end.
// Bytes outside ASCII are read as Latin-1.
std::string decode_primary_name(std::span<std::uint8_t const>);

// Joliet names: UCS-2 big-endian (UTF-16 surrogate pairs are kept together;
// an unpaired one becomes U+FFFD), version removed as above.
std::string decode_joliet_name(std::span<std::uint8_t const>);

using tools::append_utf8;

// UTF-8 to the UTF-16 code units the Joliet tree stores (invalid bytes
// become U+FFFD).
std::u16string utf8_to_utf16(std::string const&);

enum class NamePolicy {
    Posix,
    Windows,
};

constexpr NamePolicy native_name_policy()
{
#ifdef _WIN32
    return NamePolicy::Windows;
#else
    return NamePolicy::Posix;
#endif
}

// Why the name cannot be one entry of a folder under the policy, or nothing
// when it can.
std::optional<std::string> unsafe_name_reason(std::string const& name, NamePolicy);

// Folds A-Z to a-z: Windows folders match names regardless of case, so two
// entries that differ only so land on one file there.
std::string fold_case(std::string const&);

}
