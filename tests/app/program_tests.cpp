// The program's own handlers and its event rules on the headless window
// system: choosing the IS_ file, the nested text-changed handler, input
// during a handler, and a whole run from start to end.

#include "app/dialogs.h"
#include "app/globals.h"
#include "app/program.h"
#include "app_test_support.h"
#include "platform/files.h"
#include "platform/window/headless_window_system.h"
#include "platform/window/instance_lock.h"

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

    class ProgramTest : public ::testing::Test {
    protected:
        test::TempDirOverride m_temp;
        HeadlessWindowSystem m_screen;
    };

    // Repackaging's reset of what 按钮1 touches: 编辑框1 emptied, 按钮4 off,
    // the first prompt back.
    void reset_like_repackaging()
    {
        auto& w = main_window();
        w.编辑框1.set_text("");
        w.按钮4.set_enabled(false);
        w.标签1.set_caption("请先打开PE里的IS_文件");
    }

    struct ChooseCase {
        char const* what;
        std::vector<std::optional<Text>> answers; // one dialog per answer
        bool reset_between; // the window is reset between the clicks
        TextList names_shown;
        char const* path;
        bool image_button_enabled;
        char const* prompt;
    };

    ChooseCase const choose_cases[] = {
        { "cancel before any choice", { std::nullopt }, false, { "" }, "", false, "请先打开PE里的IS_文件" },
        { "a choice", { "C:\\PE\\WINPE.IS_" }, false, { "" }, "C:\\PE\\WINPE.IS_", true, "确认选择好后单击解析IS_" },
        { "cancel after a choice brings the earlier path back", { "C:\\PE\\WINPE.IS_", std::nullopt }, true,
            { "", "C:\\PE\\WINPE.IS_" }, "C:\\PE\\WINPE.IS_", true, "确认选择好后单击解析IS_" },
        { "a second choice replaces the first", { "C:\\A\\WINPE.IS_", "D:\\B\\WINPE.IS_" }, false,
            { "", "C:\\A\\WINPE.IS_" }, "D:\\B\\WINPE.IS_", true, "确认选择好后单击解析IS_" },
    };

    TEST_F(ProgramTest, ChoosingTheImageFile)
    {
        for (auto const& test : choose_cases) {
            SCOPED_TRACE(test.what);
            HeadlessWindowSystem screen;
            Program program(screen, {});
            program.open();
            for (auto const& answer : test.answers) {
                if (test.reset_between && &answer != &test.answers.front())
                    reset_like_repackaging();
                screen.answer_open_file(answer);
                ChooseImageFile();
            }
            auto& w = program.window();
            EXPECT_EQ(screen.open_file_names_shown(), test.names_shown);
            EXPECT_EQ(w.编辑框1.text(), test.path);
            EXPECT_EQ(w.按钮4.enabled(), test.image_button_enabled);
            EXPECT_EQ(w.标签1.caption(), test.prompt);
            EXPECT_FALSE(w.编辑框1.enabled());
        }
    }

    TEST_F(ProgramTest, EveryWriteOfTheConfigPathRunsItsHandlerOnce)
    {
        TextList seen;
        EventHandlers handlers;
        handlers.编辑框5_text_changed = [&] { seen.push_back(main_window().编辑框5.text()); };
        Program program(m_screen, handlers);
        program.open();
        auto& box = program.window().编辑框5;
        box.set_text("C:\\TEMP\\iso\\PECMD.ini");
        box.set_text("C:\\TEMP\\iso\\PECMD.ini");
        box.set_text("");
        // Each handler run sees its own write, and the writer goes on after it.
        EXPECT_EQ(seen, (TextList { "C:\\TEMP\\iso\\PECMD.ini", "C:\\TEMP\\iso\\PECMD.ini", "" }));
        box.set_text("X");
        EXPECT_EQ(seen.size(), 4u);
    }

    // A handler that lets waiting input run, as the long walks do, either
    // itself or from the text-changed handler nested in it.
    TEST_F(ProgramTest, InputDuringAHandlerRunsNothingNestedAndTheCloseComesAfter)
    {
        for (auto nested : { false, true }) {
            SCOPED_TRACE(nested ? "pumped inside the text-changed handler" : "pumped inside the click handler");
            HeadlessWindowSystem screen;
            std::vector<std::string> log;
            auto pump = [&] {
                log.push_back("pump");
                ProcessEvents();
                log.push_back(screen.window_open() ? "open after pump" : "closed after pump");
            };
            EventHandlers handlers;
            handlers.按钮4_click = [&] {
                log.push_back("unpack begins");
                if (nested)
                    main_window().编辑框5.set_text("C:\\TEMP\\iso\\PECMD.ini");
                else
                    pump();
                log.push_back(screen.window_open() ? "unpack ends, open" : "unpack ends, closed");
            };
            handlers.编辑框5_text_changed = [&] {
                if (nested)
                    pump();
            };
            handlers.按钮2_click = [&] { log.push_back("choose folder"); };
            Program program(screen, handlers);
            program.open();
            program.window().按钮2.set_enabled(true);
            program.window().按钮4.set_enabled(true);

            screen.click(program.window().按钮4);
            screen.click(program.window().按钮2);
            screen.request_close();
            screen.click(program.window().按钮2);
            program.run_message_loop();

            EXPECT_EQ(
                log, (std::vector<std::string> { "unpack begins", "pump", "open after pump", "unpack ends, open" }));
            EXPECT_TRUE(program.window_destroyed());
            EXPECT_FALSE(screen.window_open());
            EXPECT_EQ(screen.dropped_input().size(), 2u);
            EXPECT_TRUE(screen.pending_input().empty());
        }
    }

    TEST_F(ProgramTest, ClicksOnDisabledOrHiddenControlsRunNothing)
    {
        int runs = 0;
        EventHandlers handlers;
        handlers.按钮3_click = [&] { ++runs; };
        handlers.列表框1_double_click = [&] { ++runs; };
        Program program(m_screen, handlers);
        program.open();
        program.window().列表框1.add("a.exe");
        m_screen.click(program.window().按钮3); // disabled at start
        m_screen.double_click(program.window().列表框1, 0); // hidden at start
        program.run_message_loop();
        EXPECT_EQ(runs, 0);
        EXPECT_EQ(m_screen.dropped_input().size(), 2u);
    }

}
}
