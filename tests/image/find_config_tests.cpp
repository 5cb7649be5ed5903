#include "handler_fixture.h"
#include "image/unpack_image.h"

#include <gtest/gtest.h>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

class FindConfigFileTest : public HandlerTest {
protected:
    void SetUp() override
    {
        HandlerTest::SetUp();
        // Records every path the text-changed handler sees.
        EventHandlers handlers;
        handlers.编辑框5_text_changed = [this] { seen.push_back(window().编辑框5.text()); };
        start(handlers);
        root = temp_dir() + "iso";
        make_folder(root);
    }

    void touch(Text const& relative) { write_file(root + "\\" + relative, "x"); }

    Text root;
    std::vector<Text> seen;
};

// The order of the subdirectories is the file system's; these trees hold a
// single subdirectory at the level where order would matter, or check what
// holds in any order.
TEST_F(FindConfigFileTest, TakesTheTopmostMatchAndNothingBelowIt)
{
    touch("WXPE\\PECMD.ini");
    touch("WXPE\\SUB\\PECMD.ini");
    FindConfigFile(root);
    EXPECT_EQ(seen, (std::vector<Text> { root + "\\WXPE\\PECMD.ini" }));
}

TEST_F(FindConfigFileTest, LaterSiblingsAreStillVisited)
{
    // Whatever the order of A and B: a file two levels below A and one
    // directly in B. If A comes first, both are written and B's stays; if B
    // comes first, A is visited but not descended into.
    touch("A\\X\\Y\\PECMD.ini");
    touch("B\\PECMD.ini");
    FindConfigFile(root);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), root + "\\B\\PECMD.ini");
    EXPECT_EQ(window().编辑框5.text(), root + "\\B\\PECMD.ini");
    EXPECT_LE(seen.size(), 2u);
}

TEST_F(FindConfigFileTest, KeepsTheStoredLetterCaseAndSkipsFoldersAndDotFolders)
{
    make_folder(root + "\\D\\PECMD.ini");
    touch(".svn\\PECMD.ini");
    touch("D\\E\\pecmd.INI");
    FindConfigFile(root + "\\");
    EXPECT_EQ(seen, (std::vector<Text> { root + "\\D\\E\\pecmd.INI" }));
}

TEST_F(FindConfigFileTest, FilledBoxStopsTheDescent)
{
    touch("WXPE\\PECMD.ini");
    window().编辑框5.set_text("C:\\earlier\\PECMD.ini");
    seen.clear();
    FindConfigFile(root);
    EXPECT_TRUE(seen.empty());
    touch("PECMD.ini");
    FindConfigFile(root);
    EXPECT_EQ(seen, (std::vector<Text> { root + "\\PECMD.ini" }));
}

TEST_F(FindConfigFileTest, NothingFoundLeavesTheBoxAlone)
{
    touch("WXPE\\other.ini");
    FindConfigFile(root);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(window().编辑框5.text(), "");
}

}
