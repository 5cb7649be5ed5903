// Whole runs of the program on the headless window system: start, the
// created handler, the message loop, the end; and a second copy.

#include "app/globals.h"
#include "app/program.h"
#include "app_test_support.h"
#include "platform/files.h"
#include "platform/window/headless_window_system.h"
#include "platform/window/instance_lock.h"

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

    char const* const workspace_names[] = { "ultraiso.exe", "pcmd.cmd", "ucmd.cmd", "pcmd2.cmd" };

    // What the program looked like while the user's first dialog was open.
    struct SeenDuringRun {
        std::vector<bool> buttons_enabled; // 按钮1 ... 按钮7
        bool file_list_visible { true };
        std::vector<bool> workspace_files_exist;
        Text current_line { "unset" };
        TextList line_fields;
        bool in_run_dir { false };
    };

    SeenDuringRun look_at_running_program()
    {
        SeenDuringRun seen;
        auto& w = main_window();
        for (auto* button : { &w.按钮1, &w.按钮2, &w.按钮3, &w.按钮4, &w.按钮5, &w.按钮6, &w.按钮7 })
            seen.buttons_enabled.push_back(button->enabled());
        seen.file_list_visible = w.列表框1.visible();
        for (auto const* name : workspace_names)
            seen.workspace_files_exist.push_back(FileExists(TempDir() + name));
        seen.current_line = currentLine;
        seen.line_fields = lineFields;
        // The test's own executable lies in RunDir: found by its bare name
        // only when that is the current directory.
        seen.in_run_dir = FileExists("app_tests") || FileExists("app_tests.exe");
        return seen;
    }

    class WholeRun : public ::testing::Test {
    protected:
        void SetUp() override
        {
            // Away from RunDir, so the run's own change of directory shows.
            m_previous_directory = std::filesystem::current_path();
            std::filesystem::current_path(m_temp.root());
            m_workspace = m_temp.workspace();
        }
        void TearDown() override { std::filesystem::current_path(m_previous_directory); }

        test::TempDirOverride m_temp;
        std::filesystem::path m_workspace;
        std::filesystem::path m_previous_directory;
        HeadlessWindowSystem m_screen;
    };

    TEST_F(WholeRun, StartsRunsTheCreatedHandlerAndEndsWithTheWorkspaceCleared)
    {
        std::optional<SeenDuringRun> seen;
        m_screen.on_dialog([&] { seen = look_at_running_program(); });
        m_screen.click("按钮1");
        m_screen.answer_open_file(std::nullopt);
        // The queue then runs dry: the user closes the window.
        lineFields = { "left", "over", "from before" };

        EXPECT_EQ(run_program(m_screen, {}), 0);

        ASSERT_TRUE(seen.has_value());
        EXPECT_EQ(seen->buttons_enabled, (std::vector<bool> { true, false, false, false, false, false, false }));
        EXPECT_FALSE(seen->file_list_visible);
        EXPECT_EQ(seen->workspace_files_exist, (std::vector<bool> { true, true, true, true }));
        EXPECT_EQ(seen->current_line, "");
        EXPECT_EQ(seen->line_fields, (TextList { "", "" }));
        EXPECT_TRUE(seen->in_run_dir);

        EXPECT_FALSE(m_screen.window_open());
        for (auto const* name : workspace_names)
            EXPECT_FALSE(std::filesystem::exists(m_workspace / name)) << name;
        // The exit step released the globals.
        EXPECT_TRUE(lineFields.empty());
        EXPECT_EQ(lineFields.capacity(), 0u);
    }

    TEST_F(WholeRun, ASecondCopyTellsTheUserAndEndsBeforeTouchingTheWorkspace)
    {
        {
            InstanceLock first_copy;
            ASSERT_FALSE(first_copy.another_copy_runs());
            auto before = test::tree_listing(m_workspace);
            m_screen.click("按钮1");

            EXPECT_EQ(run_program(m_screen, {}), 1);

            EXPECT_EQ(m_screen.info_boxes(), (TextList { "程序已在运行" }));
            EXPECT_TRUE(m_screen.open_file_names_shown().empty());
            EXPECT_EQ(test::tree_listing(m_workspace), before);
            EXPECT_FALSE(std::filesystem::exists("app_tests") || std::filesystem::exists("app_tests.exe"));
        }
        // Once the first copy has ended, the next one runs.
        HeadlessWindowSystem screen;
        screen.click("按钮1");
        EXPECT_EQ(run_program(screen, {}), 0);
        EXPECT_EQ(screen.open_file_names_shown().size(), 1u);
        EXPECT_TRUE(screen.info_boxes().empty());
    }

}
}
