// Walks the whole road of a run through tarnwell.exe's real window, as a
// user does: choose the image in the open-file dialog, unpack it (with the
// system's expand), pick a program folder in the folder browser and its
// main file by a double-click, name the shortcut, add it, take two programs
// off the list and confirm, unpack again, and repackage with a backup. The
// information boxes are read and answered on the way. What the new image
// holds is checked afterwards by the script that runs this driver. Run
// under Wine with a display:
//     road_driver.exe TARNWELL_EXE IMAGE PROGRAM_FOLDER

#include "driven_program.h"
#include "remote_window.h"
#include "window_controls.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarnwell::test {

namespace {

    std::wstring g_program;
    std::wstring g_image;
    std::wstring g_program_folder;

    // The sample image's shortcut lines that the road touches.
    std::wstring const notepad_desktop = L"LINK %Desktop%\\记事本,%SystemRoot%\\SYSTEM32\\TOOL\\notepad2.exe";
    std::wstring const partition_programs
        = L"LINK %Programs%\\磁盘工具\\分区助手,%SystemRoot%\\SYSTEM32\\TOOL\\磁盘工具\\partassist.exe";
    std::wstring const explorer_quick = L"LINK %QuickLaunch%\\资源管理器,%SystemRoot%\\explorer.exe";
    std::wstring const notepad_sendto = L"LINK %SendTo%\\记事本,%SystemRoot%\\SYSTEM32\\TOOL\\notepad2.exe";
    std::wstring const calc_desktop = L"LINK %Desktop%\\计算器,%SystemRoot%\\SYSTEM32\\TOOL\\calc.exe";
    std::wstring const netcfg_programs = L"LINK %Programs%\\网络设置,%SystemRoot%\\SYSTEM32\\TOOL\\netcfg.exe";
    std::wstring const added = L"LINK %Desktop%\\我的程序,%SystemRoot%\\SYSTEM32\\TOOL\\app.exe";

    // Long steps run other programs under Wine; each is given minutes.
    constexpr int step_limit_ms = 300000;

    bool file_exists(std::wstring const& path)
    {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    // The program keeps its texts in GBK, and so do the files it writes.
    std::string gbk(std::wstring const& text)
    {
        int size
            = WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
        std::string bytes(static_cast<std::size_t>(size), '\0');
        WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
        return bytes;
    }

    class WholeRoad : public testing::Test {
    protected:
        void SetUp() override
        {
            auto started = start_program(g_program);
            ASSERT_TRUE(started.ok) << "CreateProcessW failed with error " << GetLastError();
            m_process = started.process;
            ASSERT_TRUE(wait_until([&] { return (m_window = find_top_level(pid(), L"Tarnwell v2.0")) != nullptr; }))
                << "the program's window did not show";
        }

        void TearDown() override
        {
            if (m_process.hProcess && WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(m_process.hProcess, 3);
            CloseHandle(m_process.hProcess);
            CloseHandle(m_process.hThread);
        }

        DWORD pid() const { return m_process.dwProcessId; }
        HWND control(wchar_t const* name) const { return find_control(m_window, name); }
        std::wstring text_of(wchar_t const* name) const { return window_text(control(name)); }

        // Waits until `done` holds. An information box that shows up on
        // the way ends the wait: its text is the answer, and the box is
        // left for the caller. "" means done.
        std::wstring wait_for_step(std::function<bool()> const& done, int limit_ms = step_limit_ms)
        {
            std::wstring outcome = L"<timed out>";
            wait_until(
                [&] {
                    if (HWND box = find_information_box(pid())) {
                        outcome = L"box: " + information_text(box);
                        return true;
                    }
                    if (done()) {
                        outcome.clear();
                        return true;
                    }
                    return false;
                },
                limit_ms);
            return outcome;
        }

        // Waits for the information box that ends a step, answers it and
        // gives its text.
        std::wstring answer_information_box()
        {
            HWND box = nullptr;
            if (!wait_until([&] { return (box = find_information_box(pid())) != nullptr; }, step_limit_ms))
                return L"<no information box>";
            auto text = information_text(box);
            press_ok(box);
            wait_until([&] { return !IsWindow(box); });
            return text;
        }

        std::vector<std::wstring> rows(wchar_t const* list_view) const
        {
            std::vector<std::wstring> texts;
            HWND list = control(list_view);
            for (int row = 0; row < list_view_rows(list); ++row)
                texts.push_back(list_view_row(list, row));
            return texts;
        }

        void choose_image();
        void pick_program_folder_and_its_main_file();
        void take_off_the_list(std::wstring const& line);

        PROCESS_INFORMATION m_process {};
        HWND m_window { nullptr };
    };

    void WholeRoad::choose_image()
    {
        click(control(L"按钮1"));
        HWND dialog = nullptr;
        ASSERT_TRUE(wait_until([&] {
            return (dialog = find_top_level(pid(), L"请选择PE目录下的*IS_文件")) != nullptr;
        })) << "the open-file dialog did not open";
        HWND name = file_name_field(dialog);
        ASSERT_NE(name, nullptr);
        SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(g_image.c_str()));
        press_ok(dialog);
        ASSERT_TRUE(wait_until([&] { return text_of(L"编辑框1") == g_image; }))
            << "编辑框1 shows " << testing::PrintToString(text_of(L"编辑框1"));
    }

    void WholeRoad::pick_program_folder_and_its_main_file()
    {
        click(control(L"按钮2"));
        HWND browser = nullptr;
        ASSERT_TRUE(wait_until([&] {
            return (browser = find_dialog_showing(pid(), L"请选择您要添加程序的目录:")) != nullptr;
        })) << "the folder browser did not open with its title";
        ASSERT_TRUE(select_browser_folder(browser, g_program_folder));
        press_ok(browser);
        ASSERT_EQ(wait_for_step([&] { return text_of(L"编辑框4") == g_program_folder; }), L"")
            << "编辑框4 shows " << testing::PrintToString(text_of(L"编辑框4"));

        HWND list = control(L"列表框1");
        ASSERT_TRUE(IsWindowVisible(list));
        int app = -1;
        int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
        for (int index = 0; index < count; ++index) {
            wchar_t item[MAX_PATH] {};
            SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item));
            if (std::wstring(item) == L"app.exe")
                app = index;
        }
        ASSERT_GE(app, 0) << "app.exe is not among the " << count << " entries of 列表框1";

        // A double-click on its row, as the mouse makes it.
        SendMessageW(list, LB_SETTOPINDEX, 0, 0);
        int height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
        LPARAM point = MAKELPARAM(8, app * height + height / 2);
        for (UINT message : { WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP })
            PostMessageW(list, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, point);
        ASSERT_TRUE(wait_until([&] { return text_of(L"编辑框2") == L"app.exe"; }))
            << "编辑框2 shows " << testing::PrintToString(text_of(L"编辑框2"));
        EXPECT_FALSE(IsWindowVisible(list));
        EXPECT_EQ(text_of(L"编辑框3"), L"输入桌面显示文件名");
    }

    void WholeRoad::take_off_the_list(std::wstring const& line)
    {
        auto lines = rows(L"超级列表框2");
        auto found = std::find(lines.begin(), lines.end(), line);
        ASSERT_NE(found, lines.end()) << testing::PrintToString(line) << " is not listed";
        ASSERT_TRUE(select_list_view_row(control(L"超级列表框1"), static_cast<int>(found - lines.begin())));
        click(control(L"按钮5"));
        ASSERT_EQ(wait_for_step([&] { return text_of(L"编辑框8").find(line) != std::wstring::npos; }), L"")
            << "编辑框8 shows " << testing::PrintToString(text_of(L"编辑框8"));
    }

    TEST_F(WholeRoad, choose_unpack_add_remove_and_repackage)
    {
        ASSERT_NO_FATAL_FAILURE(choose_image());

        click(control(L"按钮4"));
        ASSERT_EQ(wait_for_step([&] { return list_view_rows(control(L"超级列表框1")) == 6; }), L"");
        EXPECT_EQ(rows(L"超级列表框2"),
            (std::vector {
                notepad_desktop, partition_programs, explorer_quick, notepad_sendto, calc_desktop, netcfg_programs }));
        EXPECT_EQ(rows(L"超级列表框1"),
            (std::vector<std::wstring> {
                L"记事本", L"磁盘工具\\分区助手", L"资源管理器", L"记事本", L"计算器", L"网络设置" }));
        std::wstring configuration = text_of(L"编辑框5");
        EXPECT_EQ(configuration, temp_dir() + L"iso\\WXPE\\SYSTEM32\\PECMD.ini");

        // Add the program to the desktop.
        ASSERT_NO_FATAL_FAILURE(pick_program_folder_and_its_main_file());
        SendMessageW(control(L"编辑框3"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"我的程序"));
        click(control(L"按钮7"));
        ASSERT_EQ(
            wait_for_step([&] { return !IsWindowEnabled(control(L"按钮7")) && text_of(L"编辑框4").empty(); }), L"");
        EXPECT_NE(file_bytes(configuration).find(gbk(notepad_desktop + L"\r\n" + added + L"\r\n")), std::string::npos);
        auto tool = temp_dir() + L"iso\\WXPE\\SYSTEM32\\TOOL\\";
        EXPECT_EQ(file_bytes(tool + L"数据\\说明.txt"), "readme");
        EXPECT_TRUE(file_exists(tool + L"app.exe"));
        EXPECT_TRUE(file_exists(tool + L".hidden.cfg"));
        EXPECT_TRUE(IsWindowEnabled(control(L"按钮3")));

        // Take two programs off the list and confirm.
        ASSERT_NO_FATAL_FAILURE(take_off_the_list(calc_desktop));
        ASSERT_NO_FATAL_FAILURE(take_off_the_list(netcfg_programs));
        EXPECT_EQ(text_of(L"编辑框8"), calc_desktop + L"\r\n" + netcfg_programs + L"\r\n");
        click(control(L"按钮6"));
        EXPECT_EQ(answer_information_box(), L"删除成功");
        auto config = file_bytes(configuration);
        EXPECT_EQ(config.find(gbk(calc_desktop)), std::string::npos);
        EXPECT_EQ(config.find(gbk(netcfg_programs)), std::string::npos);
        EXPECT_FALSE(file_exists(tool + L"calc.exe"));
        EXPECT_FALSE(file_exists(tool + L"netcfg.exe"));

        // Unpack again: the added line is listed, the removed ones are gone.
        click(control(L"按钮4"));
        ASSERT_EQ(wait_for_step([&] { return list_view_rows(control(L"超级列表框1")) == 5; }), L"");
        EXPECT_EQ(rows(L"超级列表框2"),
            (std::vector { notepad_desktop, added, partition_programs, explorer_quick, notepad_sendto }));

        // Repackage with a backup of the chosen image.
        HWND backup = control(L"选择框2");
        click(backup);
        ASSERT_TRUE(wait_until([&] { return SendMessageW(backup, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
        click(control(L"按钮3"));
        auto done = answer_information_box();
        EXPECT_EQ(done.rfind(L"添加成功", 0), 0u) << testing::PrintToString(done);
        EXPECT_FALSE(IsWindowEnabled(control(L"按钮4")));
        EXPECT_EQ(SendMessageW(backup, BM_GETCHECK, 0, 0), BST_UNCHECKED);

        // Closing ends the run and clears the workspace.
        PostMessageW(m_window, WM_CLOSE, 0, 0);
        EXPECT_EQ(wait_for_exit(m_process.hProcess), 0u);
        EXPECT_FALSE(file_exists(temp_dir() + L"iso"));
    }

}

}

int wmain(int argc, wchar_t** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc != 4) {
        fwprintf(stderr, L"usage: road_driver TARNWELL_EXE IMAGE PROGRAM_FOLDER\n");
        return 2;
    }
    tarnwell::test::g_program = argv[1];
    tarnwell::test::g_image = argv[2];
    tarnwell::test::g_program_folder = argv[3];
    return RUN_ALL_TESTS();
}
