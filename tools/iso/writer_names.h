#pragma once

// The names a rebuilt image records for one folder's entries: ISO 9660
// identifiers and Joliet identifiers, each unique within the folder.

#include "iso/model.h"

#include <string>
#include <vector>

namespace tarnwell::iso {

// Longest names written. ECMA-119 7.5.1 / 7.6.3 (level 2): 31 characters
// for a folder, 30 for a file's name and extension together, to which ";1"
// is added. Joliet 3.2 allows 64 UCS-2 characters; readers take up to 103
// (what "-jlong" asks for), which still fits a 255-byte record.
inline constexpr size_t iso_folder_name_limit = 31;
inline constexpr size_t iso_file_name_limit = 30;
inline constexpr size_t joliet_name_limit = 64;
inline constexpr size_t joliet_long_name_limit = 103;

enum class NameStyle {
    Iso9660,
    Joliet,
};

struct NameRules {
    size_t joliet_limit { joliet_name_limit };
};

// Identifiers (the bytes the record stores, version included for files) for
// the children of `folder`, in the order of `folder.children`.
std::vector<std::string> identifiers_for(Node const& folder, NameStyle, NameRules const&);

// The volume identifier of the primary descriptor: upper case, d-characters.
std::string iso_volume_identifier(std::string const& label);

}
