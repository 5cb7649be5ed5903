#pragma once

// Building Windows command lines from texts.

#include "text/text.h"

#include <string_view>

namespace tarnwell {

// The argument as one command-line word: unchanged when it holds no blank;
// otherwise in double quotes, with a trailing "\" doubled so that it does not
// escape the closing quote.
Text QuoteArgument(std::string_view argument);

}
