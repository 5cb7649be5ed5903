#pragma once

// A command line split into its tokens by the Windows rules, for the
// platforms that start programs from an argument vector.
//
// The first token (the program) is taken as Windows takes it: from an
// opening quote to the next quote, else up to the first blank or tab;
// backslashes mean nothing in it. Every later token follows the rules of
// the C runtime's argument parser:
//   - blanks and tabs outside quotes separate tokens;
//   - a quote starts or ends a quoted part, which may hold blanks;
//   - 2n backslashes before a quote give n backslashes, and the quote acts;
//     2n+1 backslashes before a quote give n backslashes and a literal quote;
//   - backslashes not followed by a quote stay as they are;
//   - inside a quoted part, two quotes in a row give one literal quote and
//     the part goes on (the rule of the current runtimes).
// The text is split byte by byte, so it must be in a code where a byte
// below 0x80 is always that ASCII character (UTF-8; not GBK, whose trail
// bytes can be "\" or a quote).

#include <string>
#include <string_view>
#include <vector>

namespace tarnwell {

std::vector<std::string> split_command_line(std::string_view command_line);

}
