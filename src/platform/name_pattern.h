#pragma once

// File-name patterns matched the way Windows matches them in a directory
// listing, for the platforms whose own listing knows no such patterns.
//
// The last part of a listing's pattern is turned into the system's DOS
// wildcards before matching, as the Windows listing does:
//   "?"                          any one character except ".", or nothing at
//                                a "." or the end of the name (so "a?" matches
//                                "a" and "ab", "a?.txt" matches "a.txt");
//   "." before "?" or "*", or at the end of the pattern
//                                a "." or nothing at the end of the name (so
//                                "a.*" matches "a", "*." matches names
//                                without a dot);
//   "*" before "."               any run of characters that does not take the
//                                name's last "." (so "*.txt" matches "x.y.txt");
//   "*" otherwise                any run of characters.
// Together these make "*.*" match every name, also one without a dot.
// Letter case is ignored for ASCII, Latin-1, Latin Extended-A, Greek,
// Cyrillic and full-width Latin letters. Windows also matches a name's 8.3
// short form; names on Linux have none, so only the name itself counts.

#include <string>
#include <string_view>

namespace tarnwell {

// Both texts in UTF-8. A byte that is not part of a valid UTF-8 sequence
// matches only itself.
bool name_matches_pattern(std::string_view pattern, std::string_view name);

bool has_wildcards(std::string_view pattern);

// The same letter in one case, for comparing names without regard to case.
char32_t fold_case(char32_t);

// Both texts in UTF-8: equal without regard to letter case.
bool names_equal_ignoring_case(std::string_view a, std::string_view b);

}
