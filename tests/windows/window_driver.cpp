// Drives tarnwell.exe through its real window, as a user would, and checks
// what the window shows against the window's description: every control's
// place, size, text and state after start, the frame, the colours, the
// workspace written at start, the open-file dialog, the information box and
// the end of the run. Run under Wine with a display:
//     window_driver.exe TARNWELL_EXE ISO_TOOL_EXE ARTIFACT_FOLDER

#include "driven_program.h"
#include "remote_window.h"
#include "screenshot.h"
#include "window_controls.h"

#include <commctrl.h>
#include <cstring>
#include <gtest/gtest.h>

namespace tarnwell::test {

namespace {

    std::wstring g_program;
    std::wstring g_iso_tool;
    std::wstring g_artifacts;

    long long file_size(std::wstring const& path)
    {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
            return -1;
        return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }

    // The program of the whole suite: started once, closed by the last test.
    class MainWindowTest : public testing::Test {
    protected:
        static void SetUpTestSuite()
        {
            s_run = start_program(g_program);
            ASSERT_TRUE(s_run.ok) << "CreateProcessW failed with error " << GetLastError();
            wait_until(
                [] { return (s_window = find_top_level(s_run.process.dwProcessId, L"Tarnwell v2.0")) != nullptr; });
        }
        static void TearDownTestSuite()
        {
            if (s_run.ok && WaitForSingleObject(s_run.process.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(s_run.process.hProcess, 3);
            CloseHandle(s_run.process.hProcess);
            CloseHandle(s_run.process.hThread);
        }
        void SetUp() override { ASSERT_NE(s_window, nullptr) << "the program's window did not show"; }

        static HWND control(ExpectedControl const& expected) { return find_control(s_window, expected); }
        static std::string rects_of_class(wchar_t const* kind)
        {
            std::string found;
            for (HWND child : direct_children(s_window)) {
                if (_wcsicmp(class_name(child).c_str(), kind) == 0) {
                    auto r = rect_in_parent(child);
                    found += " " + std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width)
                        + "x" + std::to_string(r.height);
                }
            }
            return found;
        }
        static HWND control(wchar_t const* name) { return find_control(s_window, name); }

        static Started s_run;
        static HWND s_window;
    };

    Started MainWindowTest::s_run;
    HWND MainWindowTest::s_window = nullptr;

    TEST_F(MainWindowTest, has_a_fixed_frame_of_its_size_in_the_middle_of_the_screen)
    {
        EXPECT_EQ(window_text(s_window), L"Tarnwell v2.0");
        RECT rect;
        GetWindowRect(s_window, &rect);
        EXPECT_EQ(rect.right - rect.left, 588);
        EXPECT_EQ(rect.bottom - rect.top, 393);
        EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 588) / 2);
        EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 393) / 2);
        LONG style = style_of(s_window);
        EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
        EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    }

    TEST_F(MainWindowTest, shows_every_control_at_its_place_with_its_text_and_state)
    {
        EXPECT_EQ(direct_children(s_window).size(), std::size(g_controls)) << "controls other than the declared ones";
        for (auto const& expected : g_controls) {
            SCOPED_TRACE(testing::Message() << "control #" << (&expected - g_controls));
            HWND found = control(expected);
            ASSERT_NE(found, nullptr) << "no " << testing::PrintToString(std::wstring(expected.class_name)) << " at "
                                      << expected.rect.left << "," << expected.rect.top << " of size "
                                      << expected.rect.width << "x" << expected.rect.height << "; there are"
                                      << rects_of_class(expected.class_name);
            EXPECT_EQ(window_text(found), expected.text);
            EXPECT_EQ(IsWindowVisible(found) != FALSE, expected.visible);
            EXPECT_EQ(IsWindowEnabled(found) != FALSE, expected.enabled);
            if (expected.checked >= 0) {
                EXPECT_EQ(SendMessageW(found, BM_GETCHECK, 0, 0), expected.checked);
            }
            LONG style = style_of(found);
            EXPECT_EQ(style & expected.required_style, expected.required_style);
            EXPECT_EQ(style & expected.forbidden_style, 0);
        }
    }

    TEST_F(MainWindowTest, list_views_have_one_headed_column_and_no_rows_grid_or_check_boxes)
    {
        struct Column {
            wchar_t const* name;
            wchar_t const* header;
        };
        for (auto [name, header] : { Column { L"超级列表框1", L"PE软件列表" }, Column { L"超级列表框2", L"PE软件" } }) {
            SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
            HWND list = control(name);
            ASSERT_NE(list, nullptr);
            int width = 0;
            EXPECT_EQ(list_view_column(list, 0, width), header);
            EXPECT_EQ(width, 500);
            int second_width = 0;
            EXPECT_EQ(list_view_column(list, 1, second_width), L"<no such column>");
            EXPECT_EQ(list_view_rows(list), 0);
            auto extended = SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
            EXPECT_EQ(extended & (LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES), 0);
        }
    }

    TEST_F(MainWindowTest, drop_down_offers_its_two_places_with_the_first_chosen)
    {
        HWND combo = control(L"组合框1");
        ASSERT_NE(combo, nullptr);
        ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
        EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);
        std::wstring items[2];
        for (int i = 0; i < 2; ++i) {
            wchar_t text[64] {};
            SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            items[i] = text;
        }
        EXPECT_EQ(items[0], L"添加到桌面");
        EXPECT_EQ(items[1], L"添加到开始菜单");
    }

    // The screenshot is kept for people; the test looks at the colours: the
    // prompt line is drawn in blue, the signature in the default colour.
    TEST_F(MainWindowTest, screenshot_shows_the_prompt_in_blue)
    {
        SetForegroundWindow(s_window);
        RedrawWindow(s_window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(500); // let the program paint before the screen is read
        auto shot = Screenshot::of_window(s_window);
        ASSERT_GT(shot.width(), 0);
        EXPECT_TRUE(shot.write_bmp(g_artifacts + L"\\main_window_after_start.bmp"));

        POINT origin { 0, 0 };
        ClientToScreen(s_window, &origin);
        RECT window;
        GetWindowRect(s_window, &window);
        auto in_shot = [&](Rect r) {
            return Rect { r.left + origin.x - window.left, r.top + origin.y - window.top, r.width, r.height };
        };
        auto bluish = [](Pixel p) { return p.blue > 150 && p.red < 100 && p.green < 160 && p.blue > p.green + 40; };
        auto dark = [](Pixel p) { return p.red < 100 && p.green < 100 && p.blue < 100; };
        EXPECT_GT(shot.count(in_shot(g_controls[0].rect), bluish), 20) << "the prompt line is not blue";
        EXPECT_EQ(shot.count(in_shot(g_controls[17].rect), bluish), 0) << "the signature is blue";
        EXPECT_GT(shot.count(in_shot(g_controls[17].rect), dark), 10) << "the signature is not drawn";
        EXPECT_GT(shot.count(in_shot(g_controls[2].rect), dark), 10) << "button 1 has no caption drawn";
    }

    TEST_F(MainWindowTest, start_writes_the_iso_tool_and_the_three_scripts)
    {
        auto temp = temp_dir();
        EXPECT_EQ(file_size(temp + L"ultraiso.exe"), file_size(g_iso_tool));
        EXPECT_GT(file_size(g_iso_tool), 0);
        EXPECT_EQ(file_bytes(temp + L"ucmd.cmd"), "ultraiso -silent -in pe.iso -extract \"iso\"");
        EXPECT_EQ(file_bytes(temp + L"pcmd2.cmd"),
            "ultraiso -in pe.iso -rm \"/WXPE\" -jlong -imax -optimize -volu winpe -out pe2.iso");
        // The prefix's temporary folder is ASCII.
        std::string expected_rebuild = "ultraiso -in pe2.iso -f \"";
        expected_rebuild.append(temp.begin(), temp.end());
        expected_rebuild.append("iso\\WXPE\" -jlong -imax -optimize -volu winpe -out winpe.iso");
        EXPECT_EQ(file_bytes(temp + L"pcmd.cmd"), expected_rebuild);
    }

    TEST_F(MainWindowTest, a_second_copy_says_so_in_an_information_box_and_ends)
    {
        auto second = start_program(g_program);
        ASSERT_TRUE(second.ok);
        HWND box = nullptr;
        ASSERT_TRUE(
            wait_until([&] { return (box = find_top_level(second.process.dwProcessId, L"信息：")) != nullptr; }));
        EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr) << "the information box has an owner";
        int buttons = 0;
        int icons = 0;
        bool text_found = false;
        for (HWND child : direct_children(box)) {
            if (!IsWindowVisible(child))
                continue;
            auto kind = class_name(child);
            if (_wcsicmp(kind.c_str(), L"Button") == 0)
                ++buttons;
            if (_wcsicmp(kind.c_str(), L"Static") == 0 && (style_of(child) & SS_TYPEMASK) == SS_ICON
                && SendMessageW(child, STM_GETICON, 0, 0) != 0)
                ++icons;
            if (window_text(child) == L"程序已在运行")
                text_found = true;
        }
        EXPECT_EQ(buttons, 1);
        EXPECT_EQ(icons, 0);
        EXPECT_TRUE(text_found);
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_EQ(wait_for_exit(second.process.hProcess), 1u);
        CloseHandle(second.process.hProcess);
        CloseHandle(second.process.hThread);
        // The first copy goes on undisturbed.
        EXPECT_TRUE(IsWindow(s_window));
    }

    // The open-file dialog's name field: the combo box of the explorer-style
    // dialog, or the edit line of the older one.
    TEST_F(MainWindowTest, open_file_dialog_chooses_the_image_and_remembers_it)
    {
        auto folder = temp_dir() + L"tarnwell-window-test";
        CreateDirectoryW(folder.c_str(), nullptr);
        auto image = folder + L"\\WINPE.IS_";
        HANDLE file = CreateFileW(image.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);

        auto open_dialog = [&] {
            click(control(L"按钮1"));
            HWND dialog = nullptr;
            wait_until([&] {
                return (dialog = find_top_level(s_run.process.dwProcessId, L"请选择PE目录下的*IS_文件")) != nullptr;
            });
            return dialog;
        };
        HWND dialog = open_dialog();
        ASSERT_NE(dialog, nullptr) << "the open-file dialog did not open";
        HWND filter = GetDlgItem(dialog, 0x470); // cmb1, the file types
        ASSERT_NE(filter, nullptr);
        EXPECT_EQ(SendMessageW(filter, CB_GETCOUNT, 0, 0), 1);
        EXPECT_EQ(window_text(filter), L"IS_文件（*.IS_）");
        HWND read_only = GetDlgItem(dialog, 0x410); // chx1
        EXPECT_TRUE(!read_only || !IsWindowVisible(read_only)) << "the read-only box shows";
        HWND name = file_name_field(dialog);
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(window_text(name), L"");
        SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(image.c_str()));
        press_ok(dialog);
        EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); }));
        EXPECT_TRUE(wait_until([&] { return window_text(control(L"编辑框1")) == image; }))
            << "编辑框1 shows " << testing::PrintToString(window_text(control(L"编辑框1")));
        EXPECT_TRUE(IsWindowEnabled(control(L"按钮4")));
        EXPECT_EQ(window_text(control(L"标签1")), L"确认选择好后单击解析IS_");

        // Opened again, it shows the chosen file; cancelling keeps it.
        dialog = open_dialog();
        ASSERT_NE(dialog, nullptr);
        // The dialog opens in the remembered file's folder with its name in
        // the field.
        EXPECT_EQ(window_text(file_name_field(dialog)), L"WINPE.IS_");
        EXPECT_EQ(window_text(GetDlgItem(dialog, 0x471)), L"tarnwell-window-test"); // cmb2, the folder
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
            reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
        EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); }));
        EXPECT_EQ(window_text(control(L"编辑框1")), image);
    }

    // The file chosen above is empty, no image: unpacking it is reported in
    // an information box, and once that is answered the window takes input
    // again with nothing listed.
    TEST_F(MainWindowTest, a_file_that_is_no_image_is_reported_and_the_window_goes_on)
    {
        ASSERT_TRUE(IsWindowEnabled(control(L"按钮4")));
        click(control(L"按钮4"));
        HWND box = nullptr;
        ASSERT_TRUE(
            wait_until([&] { return (box = find_information_box(s_run.process.dwProcessId)) != nullptr; }, 120000))
            << "no information box after unpacking a file that is no image";
        EXPECT_EQ(information_text(box), L"解析失败");
        EXPECT_FALSE(IsWindowEnabled(s_window)) << "the main window takes input under the information box";
        press_ok(box);
        ASSERT_TRUE(wait_until([&] { return !IsWindow(box); }));
        DWORD_PTR answer = 0;
        EXPECT_NE(SendMessageTimeoutW(s_window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer), 0)
            << "the window stopped answering";
        EXPECT_TRUE(IsWindowEnabled(s_window));
        EXPECT_EQ(list_view_rows(control(L"超级列表框1")), 0);
    }

    TEST_F(MainWindowTest, closing_the_window_ends_the_run_and_clears_the_workspace)
    {
        PostMessageW(s_window, WM_CLOSE, 0, 0);
        EXPECT_EQ(wait_for_exit(s_run.process.hProcess), 0u);
        auto temp = temp_dir();
        for (auto name : { L"ultraiso.exe", L"pcmd.cmd", L"ucmd.cmd", L"pcmd2.cmd", L"pe.iso" })
            EXPECT_EQ(file_size(temp + name), -1) << testing::PrintToString(std::wstring(name)) << " is left";
    }

}

}

int wmain(int argc, wchar_t** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc != 4) {
        fwprintf(stderr, L"usage: window_driver TARNWELL_EXE ISO_TOOL_EXE ARTIFACT_FOLDER\n");
        return 2;
    }
    tarnwell::test::g_program = argv[1];
    tarnwell::test::g_iso_tool = argv[2];
    tarnwell::test::g_artifacts = argv[3];
    return RUN_ALL_TESTS();
}
