#include "test_support.h"
#include "text/command_line.h"

#include <gtest/gtest.h>

using namespace tarnwell;
using tarnwell::test::bytes;

namespace {

TEST(QuoteArgument, QuotesOnlyWhatHoldsABlank)
{
    struct Case {
        std::string argument;
        std::string expected;
    } const cases[] = {
        { "C:\\PE\\WINPE.IS_", "C:\\PE\\WINPE.IS_" },
        { "C:\\My PE\\WINPE.IS_", "\"C:\\My PE\\WINPE.IS_\"" },
        { "C:\\Temp Dir\\iso\\TOOL\\", "\"C:\\Temp Dir\\iso\\TOOL\\\\\"" },
        { "C:\\a b\\\\", "\"C:\\a b\\\\\\\\\"" },
        { "", "" },
        // A final two-byte character whose trail byte is 0x5C is no backslash.
        { "C:\\a b\\" + bytes({ 0x95, 0x5C }), "\"C:\\a b\\" + bytes({ 0x95, 0x5C }) + "\"" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(QuoteArgument(c.argument), c.expected) << c.argument;
}

}
