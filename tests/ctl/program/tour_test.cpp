// A walk through every window of the program on the three boards of the demonstration (a TKB-20U, a
// TKD-20 and a TKB-20-MIPI with board ID 5): choose a board, write and read a camera register, a
// failed read, a small setting file, the status report, and the window without a board. With
// TKBCTL_SCREENSHOT_DIR set, each window is saved there as <language>-<window>.bmp; with
// TKBCTL_TOUR_BOARDS set, the tour runs on that board folder instead of boards of its own.
#include <gtest/gtest.h>

#include <cstdlib>

#include "board_info/board_info_ids.h"
#include "main_window/main_window_ids.h"
#include "program_process.h"
#include "progress_window/progress_window_ids.h"
#include "select_board/select_board_ids.h"
#include "window_driver.h"

namespace tkbctl::test {
namespace {

namespace fs = std::filesystem;
using ui::test::PostClick;
using ui::test::WaitFor;

class Pictures {
public:
    Pictures() {
        if (const char* dir = std::getenv("TKBCTL_SCREENSHOT_DIR"))
            dir_ = WindowsPath(dir);
    }
    // Saves the window when pictures are wanted; a failed save fails the test.
    void Save(HWND window, const std::string& name) {
        if (dir_.empty())
            return;
        fs::create_directories(dir_);
        const fs::path file = dir_ / ((JapaneseExpected() ? "ja-" : "en-") + name + ".bmp");
        EXPECT_TRUE(SaveWindowPicture(window, file)) << file;
    }

private:
    fs::path dir_;
};

// A dialog owned by `owner` that holds control `id` (0xFFFF: a message box's text).
HWND WaitForOwned(HWND owner, int id) {
    HWND found = nullptr;
    WaitFor([&] { return (found = ui::test::FindOwnedDialog(owner)) && GetDlgItem(found, id); });
    return found;
}

TEST(ProgramTour, EveryWindowInTurn) {
    Pictures pictures;
    ProgramFolder folder;
    if (const char* boards = std::getenv("TKBCTL_TOUR_BOARDS")) {
        folder.UseBoards(WindowsPath(boards));
    } else {
        const auto numbers = folder.AddBoards({"TKB-20U", "TKD-20", "TKB-20-MIPI"});
        folder.SetBoardId(numbers[2], 5);
    }
    const fs::path file =
        folder.WriteFile("camera-start.txt", "# camera start\r\nSLAVE 3C\r\n10 01 02\r\nwt 5DC\r\n12 80\r\n");
    {
        ProgramProcess program(folder);
        const HWND select = program.WaitForWindow(L"Select Board");
        ASSERT_TRUE(select);
        EXPECT_EQ(
            ComboItems(select, IDC_BOARD_LIST),
            (std::vector<std::wstring>{L"0: TKB-20U (UVC)", L"1: TKD-20", L"2: TKB-20-MIPI (HDMI) [ID=5]"}));
        pictures.Save(select, "select-board");
        PostClick(select, IDOK);
        const HWND main = program.WaitForMainWindow();
        ASSERT_TRUE(main);
        EXPECT_EQ(ui::test::WindowText(main), L"TKBCtl [TKB-20U](USB?.?)");

        SetControlText(main, IDC_SLAVE_ADDRESS, L"3C");
        SetControlText(main, IDC_SUB_ADDRESS, L"10");
        SetControlText(main, IDC_WRITE_VALUE, L"01,02");
        SetControlText(main, IDC_READ_COUNTS, L"2");
        PostClick(main, IDC_WRITE);
        PostClick(main, IDC_READ);
        Settle(main, IDC_READ_VALUE);
        EXPECT_EQ(ControlText(main, IDC_READ_VALUE), L"01,02\r\n");
        pictures.Save(main, "main-window");

        SetControlText(main, IDC_SLAVE_ADDRESS, L"50");
        PostClick(main, IDC_READ);
        const HWND box = WaitForOwned(main, 0xFFFF);
        ASSERT_TRUE(box);
        pictures.Save(box, "message-box");
        PostClick(box, IDOK);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));
        SetControlText(main, IDC_SLAVE_ADDRESS, L"3C");

        PostClick(main, IDC_SETTING_FILE_WRITE);
        const HWND open = ui::test::WaitForOwnedDialog(main, L"Open File");
        ASSERT_TRUE(open);
        pictures.Save(open, "open-file");
        ChooseFile(open, file);
        const HWND progress = WaitForOwned(main, IDC_PROGRESS_MESSAGE);
        ASSERT_TRUE(progress);
        pictures.Save(progress, "progress-window");
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(progress) && IsWindowEnabled(main); }));

        PostClick(main, IDC_TKB_INFO);
        const HWND report = program.WaitForWindow(L"TKB Info");
        ASSERT_TRUE(report);
        ASSERT_TRUE(WaitFor([&] { return !ControlText(report, IDC_TKB_INFO_TEXT).empty(); }));
        pictures.Save(report, "status-report");
        PostMessageW(report, WM_CLOSE, 0, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(report); }));
        PostMessageW(main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(program.WaitForExit());
    }
    {
        ProgramFolder empty;
        ProgramProcess program(empty);
        const HWND main = program.WaitForMainWindow();
        ASSERT_TRUE(main);
        pictures.Save(main, "main-window-no-device");
        PostMessageW(main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(program.WaitForExit());
    }
}

}  // namespace
}  // namespace tkbctl::test
