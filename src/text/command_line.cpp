#include "text/command_line.h"

namespace tarnwell {

Text QuoteArgument(std::string_view argument)
{
    if (FindText(argument, " ") == -1)
        return Text(argument);
    Text quoted = "\"";
    quoted += argument;
    // Backslashes are literal unless they stand before a quote; the ones that
    // end the argument come before the closing quote, so each is doubled. A
    // trail byte 0x5C of a two-byte character is no backslash, so the count
    // steps over characters.
    size_t trailing = 0;
    for (size_t pos = 0; pos < argument.size();) {
        bool lead = static_cast<unsigned char>(argument[pos]) >= 0x80 && pos + 1 < argument.size();
        if (lead) {
            trailing = 0;
            pos += 2;
        } else {
            trailing = argument[pos] == '\\' ? trailing + 1 : 0;
            pos += 1;
        }
    }
    quoted.append(trailing, '\\');
    quoted += '"';
    return quoted;
}

}
