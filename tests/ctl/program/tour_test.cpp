// A walk through every window of the program on the three boards of the demonstration (a TKB-20U, a
// TKD-20 and a TKB-20-MIPI with board ID 5): choose a board, write and read a camera register, a
// failed read, a small setting file, the status report, the settings dialog with its advanced, DIP
// switch and clipping dialogs and an FPGA update, the settings dialog of the TKD-20 and of the
// TKB-20-MIPI with the latter's DIP switches, and the window without a board. With
// TKBCTL_SCREENSHOT_DIR set, each window is saved there as <language>-<window>.bmp; with
// TKBCTL_TOUR_BOARDS set, the tour runs on that board folder instead of boards of its own.
#include <gtest/gtest.h>

#include <cstdlib>

#include "board_info/board_info_ids.h"
#include "main_window/main_window_ids.h"
#include "program_process.h"
#include "progress_window/progress_window_ids.h"
#include "select_board/select_board_ids.h"
#include "setting_dialog/setting_dialog_ids.h"
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
    void Save(HWND window, const std::string& name, Repaint repaint = Repaint::kFirst) {
        if (dir_.empty())
            return;
        fs::create_directories(dir_);
        const fs::path file = dir_ / ((JapaneseExpected() ? "ja-" : "en-") + name + ".bmp");
        EXPECT_TRUE(SaveWindowPicture(window, file, repaint)) << file;
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

// A window of the program that `click` on `dialog` opens, saved and closed with `closeButton`
// (0: with its close box).
void VisitDialog(Pictures& pictures, const ProgramProcess& program, HWND dialog, int click,
                 const std::wstring& caption, const std::string& name, int closeButton) {
    PostClick(dialog, click);
    const HWND window = program.WaitForWindow(caption);
    ASSERT_TRUE(window) << name;
    pictures.Save(window, name);
    if (closeButton)
        PostClick(window, closeButton);
    else
        PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(window); })) << name;
}

// The board chosen in the selection, its settings dialog (and its DIP switches) saved and cancelled,
// then the program ended.
void VisitSettingsOf(Pictures& pictures, const ProgramFolder& folder, int board, const std::wstring& model,
                     const std::string& name) {
    ProgramProcess program(folder);
    const HWND select = program.WaitForWindow(L"Select Board");
    ASSERT_TRUE(select);
    SendDlgItemMessageW(select, IDC_BOARD_LIST, CB_SETCURSEL, board, 0);
    PostClick(select, IDOK);
    const HWND main = program.WaitForMainWindow();
    ASSERT_TRUE(main);
    PostClick(main, IDC_TKB_SETTING);
    const HWND settings = program.WaitForWindow(model + L" Setting");
    ASSERT_TRUE(settings);
    pictures.Save(settings, "settings-" + name);
    VisitDialog(pictures, program, settings, IDC_SHOW_DIP_SW, L"Dip SW Assignment", "dip-switch-" + name, 0);
    PostClick(settings, IDC_SETTING_CANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(settings); }));
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.WaitForExit());
}

// The settings dialog of the TKB-20U and the windows it opens; ends with an FPGA update, which
// closes the dialog.
void VisitSettings(Pictures& pictures, const ProgramFolder& folder, const ProgramProcess& program,
                   HWND main) {
    const fs::path image = folder.WriteFile("fpga.bin", std::string(4096, '\x5A'));
    PostClick(main, IDC_TKB_SETTING);
    const HWND settings = program.WaitForWindow(L"TKB-20U Setting");
    ASSERT_TRUE(settings);
    pictures.Save(settings, "settings-tkb-20u");
    VisitDialog(pictures, program, settings, IDC_ADVANCED_SETTING, L"Advanced Setting", "advanced-setting",
                IDCANCEL);
    VisitDialog(pictures, program, settings, IDC_SHOW_DIP_SW, L"Dip SW Assignment", "dip-switch-tkb-20u", 0);
    VisitDialog(pictures, program, settings, IDC_CLIPPING_DETAIL, L"Clipping Setting", "clipping-setting",
                IDCANCEL);

    PostClick(settings, IDC_FPGA_UPDATE);
    const HWND open = program.WaitForWindow(L"Open File");
    ASSERT_TRUE(open);
    ChooseFile(open, image);
    const HWND question = program.WaitForMessageBox();
    ASSERT_TRUE(question);
    pictures.Save(question, "update-question");
    // The library's system-wide lock, held here, keeps the update waiting at its first exchange
    // with the board, its progress window up and painted, until the picture is taken.
    const HANDLE lock = CreateMutexW(nullptr, FALSE, L"TKR50API_RES");
    ASSERT_TRUE(lock);
    ASSERT_EQ(WaitForSingleObject(lock, 10000), WAIT_OBJECT_0);
    PostClick(question, IDOK);
    HWND progress = nullptr;
    const bool shown = WaitFor([&] {
        progress = ui::test::FindOwnedDialog(settings);
        return progress && GetDlgItem(progress, IDC_PROGRESS_MESSAGE) && !GetDlgItem(progress, 0xFFFF);
    });
    if (shown)
        pictures.Save(progress, "update-progress", Repaint::kNo);
    ReleaseMutex(lock);
    CloseHandle(lock);
    ASSERT_TRUE(shown);
    const HWND outcome = program.WaitForMessageBox();
    ASSERT_TRUE(outcome);
    pictures.Save(outcome, "update-succeeded");
    Dismiss(outcome);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(settings); }));
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
        VisitSettings(pictures, folder, program, main);
        PostMessageW(main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(program.WaitForExit());
    }
    VisitSettingsOf(pictures, folder, 1, L"TKD-20", "tkd-20");
    VisitSettingsOf(pictures, folder, 2, L"TKB-20-MIPI", "tkb-20-mipi");
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
