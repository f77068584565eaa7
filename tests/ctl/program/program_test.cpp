// The delivered TKBctl.exe under Wine on virtual boards, driven from this process through the
// messages a user's actions produce. Run with UI_TEST_LANGUAGE=ja under a Japanese user locale, it
// expects the messages in Japanese.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "board_info/board_info_ids.h"
#include "main_window/main_window_ids.h"
#include "program_process.h"
#include "progress_window/progress_window_ids.h"
#include "select_board/select_board_ids.h"
#include "tkbsim/board.h"
#include "window_driver.h"

namespace tkbctl::test {
namespace {

namespace fs = std::filesystem;
using ui::test::MessageBoxText;
using ui::test::PostClick;
using ui::test::PostKey;
using ui::test::WaitFor;
using ui::test::WindowText;

// The texts this run must see, in the language it expects.
struct Texts {
    bool ja = JapaneseExpected();
    std::wstring slaveAddressEmpty =
        ja ? L"エラー: スレーブアドレスが正しくありません。" : L"Error: Invalid Slave Address.";
    std::wstring readFailed =
        ja ? L"カメラレジスタの読み出しに失敗しました。\nもう一度試すか、"
             L"アプリケーションとボードを再起動してください。"
           : L"Read camera register failed.\nRetry or restart the application and board.";
    std::wstring boardNotFound =
        ja ? L"TKB-20 が見つかりません。\nTKB-20 を接続するか、電源を入れてください。"
           : L"Not Found TKB-20, Connect TKB-20 or PowerUp TKB-20";
    std::wstring applying =
        ja ? L"設定ファイルをカメラレジスタに適用中です。" : L"Applying setting file into camera register.";
};

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::wstring IniValue(const fs::path& ini, const wchar_t* key) {
    wchar_t value[256] = {};
    GetPrivateProfileStringW(L"TKBctl", key, L"(missing)", value, 256, ini.wstring().c_str());
    return value;
}

// A message box owned by `owner` (a dialog-class window whose text is in control 0xFFFF).
struct MessageBoxSearch {
    HWND owner;
    HWND found = nullptr;
};

BOOL CALLBACK MatchMessageBox(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<MessageBoxSearch*>(parameter);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wstring(className) != L"#32770" || !IsWindowVisible(window) ||
        GetWindow(window, GW_OWNER) != search->owner || !GetDlgItem(window, 0xFFFF))
        return TRUE;
    search->found = window;
    return FALSE;
}

// A visible message box owned by `owner` (a dialog with the box's text static), passing over other
// dialogs it owns such as the progress window.
HWND FindMessageBox(HWND owner) {
    MessageBoxSearch search{owner};
    EnumWindows(MatchMessageBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForMessageBox(HWND owner) {
    HWND box = nullptr;
    WaitFor([&] { return (box = FindMessageBox(owner)) != nullptr; });
    return box;
}

// Ends the program from its title bar and waits for it to end.
void CloseFromTitleBar(ProgramProcess& program, HWND main) {
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.WaitForExit());
}

TEST(ProgramStartUp, WithoutABoardTheWindowSaysSoAndOffersOnlyWhatNeedsNoBoard) {
    ProgramFolder folder;
    ProgramProcess program(folder);
    ASSERT_TRUE(program.Started());
    const HWND main = program.WaitForMainWindow();
    ASSERT_TRUE(main);
    EXPECT_EQ(WindowText(main), L"TKBCtl +[No Device]");
    for (int id : {IDC_TKB_SETTING, IDC_SETTING_FILE_WRITE, IDC_READ, IDC_WRITE, IDC_TKB_RESTART,
                   IDC_TKB_INFO, IDC_CAMERA_POWER})
        EXPECT_FALSE(IsEnabled(main, id)) << id;
    for (int id : {IDC_CLEAR, IDC_WORD_ADDRESS_MODE, IDC_CAMERA_RESET, IDC_RESTART_CONDITION})
        EXPECT_TRUE(IsEnabled(main, id)) << id;
    // No message box tells of the missing board.
    Settle(main, IDC_READ_VALUE);
    EXPECT_EQ(ui::test::FindOwnedDialog(main), nullptr);
    CloseFromTitleBar(program, main);
}

TEST(ProgramStartUp, OneBoardOpensWithoutAskingAndItsWindowHasEveryControl) {
    ProgramFolder folder;
    const uint32_t board = folder.AddBoards({"TKB-20U"})[0];
    ProgramProcess program(folder);
    const HWND main = program.WaitForMainWindow();
    ASSERT_TRUE(main);
    // A figure for the record, from the start of the process to its main window on the screen.
    RecordProperty("start_to_main_window_ms", static_cast<int>(program.SinceStart().count()));
    // Wine has no USB tree to find the board's port in.
    EXPECT_EQ(WindowText(main), L"TKBCtl [TKB-20U](USB?.?)");
    EXPECT_EQ(program.FindWindowOf(L"Select Board"), nullptr);
    const std::pair<int, const wchar_t*> buttons[] = {{IDC_SETTING_FILE_WRITE, L"Setting &File Write..."},
                                                      {IDC_WRITE, L"&Write"},
                                                      {IDC_READ, L"&Read"},
                                                      {IDC_TKB_SETTING, L"TKB &Setting..."},
                                                      {IDC_TKB_RESTART, L"TKB Restart"},
                                                      {IDC_TKB_INFO, L"TKB &Info..."},
                                                      {IDC_CLEAR, L"Clear"},
                                                      {IDC_WORD_ADDRESS_MODE, L"Word Address &Mode"},
                                                      {IDC_RESTART_CONDITION, L"Restart &Condition"},
                                                      {IDC_CAMERA_POWER, L"&Camera Power"},
                                                      {IDC_CAMERA_RESET, L"Camera &Reset"},
                                                      {IDC_F_GATE, L"F-Gate (debug)"},
                                                      {IDC_TEST, L"Test"}};
    for (const auto& [id, text] : buttons)
        EXPECT_EQ(ControlText(main, id), text) << id;
    EXPECT_FALSE(IsVisible(main, IDC_F_GATE));
    EXPECT_FALSE(IsVisible(main, IDC_TEST));
    EXPECT_FALSE(IsEnabled(main, IDC_CAMERA_POWER));
    EXPECT_TRUE(IsChecked(main, IDC_CAMERA_POWER));
    // No INI file yet: Restart Condition starts checked, Word Address Mode not.
    EXPECT_TRUE(IsChecked(main, IDC_RESTART_CONDITION));
    EXPECT_FALSE(IsChecked(main, IDC_WORD_ADDRESS_MODE));
    // 1080 keeps the default-button look while Enter does nothing.
    EXPECT_EQ(GetWindowLongW(GetDlgItem(main, IDC_TKB_SETTING), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
    const LONG style = GetWindowLongW(main, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
    // Were Enter a click on 1080, the board's settings block would be read.
    folder.Boards().Open(board)->ClearLog();
    PostKey(GetDlgItem(main, IDC_SLAVE_ADDRESS), VK_RETURN);
    Settle(main, IDC_READ_VALUE);
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(ui::test::FindOwnedDialog(main), nullptr);
    EXPECT_TRUE(FrameLog(folder.Boards(), board).empty());
    CloseFromTitleBar(program, main);
}

TEST(ProgramStartUp, ThreeBoardsAreOfferedWithTheirIdsAndTheChosenOneOpens) {
    ProgramFolder folder;
    const auto numbers = folder.AddBoards({"TKB-20-MIPI", "TKD-20", "TKB-20U"});
    folder.SetBoardId(numbers[0], 5);
    folder.SetBoardId(numbers[1], 0);
    folder.SetBoardId(numbers[2], 120);
    ProgramProcess program(folder);
    const HWND select = program.WaitForWindow(L"Select Board");
    ASSERT_TRUE(select);
    // The main window is shown only once a board is chosen.
    EXPECT_EQ(program.FindWindowOf(L"TKBCtl"), nullptr);
    EXPECT_EQ(
        ComboItems(select, IDC_BOARD_LIST),
        (std::vector<std::wstring>{L"0: TKB-20-MIPI (HDMI) [ID=5]", L"1: TKD-20", L"2: TKB-20U (UVC)"}));
    EXPECT_EQ(SendDlgItemMessageW(select, IDC_BOARD_LIST, CB_GETCURSEL, 0, 0), 0);
    SendDlgItemMessageW(select, IDC_BOARD_LIST, CB_SETCURSEL, 1, 0);
    PostClick(select, IDOK);
    const HWND main = program.WaitForMainWindow();
    ASSERT_TRUE(main);
    EXPECT_EQ(WindowText(main), L"TKBCtl [TKD-20](USB?.?)");
    // Register access reaches the chosen board, not the first.
    folder.Boards().Open(numbers[0])->ClearLog();
    folder.Boards().Open(numbers[1])->ClearLog();
    SetControlText(main, IDC_SLAVE_ADDRESS, L"3C");
    SetControlText(main, IDC_SUB_ADDRESS, L"20");
    SetControlText(main, IDC_WRITE_VALUE, L"7F");
    PostClick(main, IDC_WRITE);
    Settle(main, IDC_READ_VALUE);
    EXPECT_EQ(folder.Boards().Open(numbers[1])->ReadI2C(0x3C, 0x20, 1), std::vector<uint8_t>{0x7F});
    EXPECT_TRUE(FrameLog(folder.Boards(), numbers[0]).empty());
    CloseFromTitleBar(program, main);
}

TEST(ProgramRegisters, AWriteReachesTheBoardByteForByteAndAReadAppendsItsLine) {
    ProgramFolder folder;
    const uint32_t board = folder.AddBoards({"TKB-20"})[0];
    ProgramProcess program(folder);
    const HWND main = program.WaitForMainWindow();
    ASSERT_TRUE(main);
    folder.Boards().Open(board)->ClearLog();
    SetControlText(main, IDC_SLAVE_ADDRESS, L"3C");
    SetControlText(main, IDC_SUB_ADDRESS, L"10");
    SetControlText(main, IDC_WRITE_VALUE, L"01,02");
    PostClick(main, IDC_WRITE);
    Settle(main, IDC_READ_VALUE);
    const std::vector<std::string> frames = FrameLog(folder.Boards(), board);
    EXPECT_EQ(std::count(frames.begin(), frames.end(), "01 78 10 01 02"), 1)
        << ::testing::PrintToString(frames);
    EXPECT_EQ(folder.Boards().Open(board)->ReadI2C(0x3C, 0x10, 2), (std::vector<uint8_t>{0x01, 0x02}));

    SetControlText(main, IDC_READ_VALUE, L"");
    SetControlText(main, IDC_READ_COUNTS, L"2");
    PostClick(main, IDC_READ);
    Settle(main, IDC_READ_VALUE);
    EXPECT_EQ(ControlText(main, IDC_READ_VALUE), L"01,02\r\n");
    PostClick(main, IDC_READ);
    Settle(main, IDC_READ_VALUE);
    EXPECT_EQ(ControlText(main, IDC_READ_VALUE), L"01,02\r\n01,02\r\n");
    PostClick(main, IDC_CLEAR);
    Settle(main, IDC_READ_VALUE);
    EXPECT_EQ(ControlText(main, IDC_READ_VALUE), L"");
    EXPECT_EQ(ui::test::FindOwnedDialog(main), nullptr);
    CloseFromTitleBar(program, main);
}

TEST(ProgramRegisters, AFailedReadAndABadFieldAreToldInBoxesOwnedByTheMainWindow) {
    const Texts texts;
    ProgramFolder folder;
    folder.AddBoards({"TKB-20"});
    ProgramProcess program(folder);
    const HWND main = program.WaitForMainWindow();
    ASSERT_TRUE(main);
    // No device answers at slave 0x50.
    SetControlText(main, IDC_SLAVE_ADDRESS, L"50");
    SetControlText(main, IDC_SUB_ADDRESS, L"0");
    SetControlText(main, IDC_READ_COUNTS, L"1");
    SetControlText(main, IDC_READ_VALUE, L"kept\r\n");
    PostClick(main, IDC_READ);
    HWND box = WaitForMessageBox(main);
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), texts.readFailed);
    Dismiss(box);
    EXPECT_EQ(ControlText(main, IDC_READ_VALUE), L"kept\r\n");

    SetControlText(main, IDC_SLAVE_ADDRESS, L"  ");
    PostClick(main, IDC_WRITE);
    box = WaitForMessageBox(main);
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), texts.slaveAddressEmpty);
    Dismiss(box);
    CloseFromTitleBar(program, main);
}

TEST(ProgramSettingFile, RunsThroughTheOpenDialogAndTheProgressWindowOntoTheBoard) {
    const Texts texts;
    ProgramFolder folder;
    const uint32_t board = folder.AddBoards({"TKB-20"})[0];
    // The wait keeps the progress window up long enough to be read.
    const fs::path file =
        folder.WriteFile("init.txt", "# sensor start\r\nSLAVE 3C\r\n10 01 02\r\nwt 1F4\r\n20 AA\r\n");
    ProgramProcess program(folder);
    const HWND main = program.WaitForMainWindow();
    ASSERT_TRUE(main);
    SetControlText(main, IDC_SLAVE_ADDRESS, L"10");
    folder.Boards().Open(board)->ClearLog();
    PostClick(main, IDC_SETTING_FILE_WRITE);
    const HWND open = ui::test::WaitForOwnedDialog(main, L"Open File");
    ASSERT_TRUE(open);
    ChooseFile(open, file);
    HWND progress = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        progress = ui::test::FindOwnedDialog(main);
        return progress && GetDlgItem(progress, IDC_PROGRESS_MESSAGE) && !GetDlgItem(progress, 0xFFFF);
    }));
    EXPECT_EQ(ControlText(progress, IDC_PROGRESS_MESSAGE), texts.applying);
    EXPECT_EQ(WindowText(progress), L"");
    EXPECT_EQ(GetWindowLongW(progress, GWL_STYLE) & WS_SYSMENU, 0);
    EXPECT_FALSE(IsWindowEnabled(main));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(progress); }));
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(main) != FALSE; }));
    const std::vector<std::string> frames = FrameLog(folder.Boards(), board);
    const auto first = std::find(frames.begin(), frames.end(), "01 78 10 01 02");
    const auto second = std::find(frames.begin(), frames.end(), "01 78 20 AA");
    EXPECT_NE(first, frames.end()) << ::testing::PrintToString(frames);
    EXPECT_NE(second, frames.end());
    EXPECT_LT(first, second);
    EXPECT_EQ(ui::test::FindOwnedDialog(main), nullptr);
    CloseFromTitleBar(program, main);
}

TEST(ProgramSettingFile, ABoardThatHasGoneIsToldAndTheProgressWindowCloses) {
    const Texts texts;
    ProgramFolder folder;
    const uint32_t board = folder.AddBoards({"TKB-20"})[0];
    const fs::path file = folder.WriteFile("init.txt", "SLAVE 3C\r\n10 01\r\n");
    ProgramProcess program(folder);
    const HWND main = program.WaitForMainWindow();
    ASSERT_TRUE(main);
    SetControlText(main, IDC_SLAVE_ADDRESS, L"3C");
    folder.Boards().Open(board)->Unplug();
    PostClick(main, IDC_SETTING_FILE_WRITE);
    const HWND open = ui::test::WaitForOwnedDialog(main, L"Open File");
    ASSERT_TRUE(open);
    ChooseFile(open, file);
    HWND box = WaitForMessageBox(main);
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), texts.boardNotFound);
    // Closing the connection that never opened may be told too: every box says the same, and they
    // stop coming.
    for (int i = 0; i < 5 && box; ++i) {
        Dismiss(box);
        box = nullptr;
        WaitFor([&] { return IsWindowEnabled(main) || (box = FindMessageBox(main)) != nullptr; });
        if (box) {
            EXPECT_EQ(MessageBoxText(box), texts.boardNotFound);
        }
    }
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(main) != FALSE; }));
    EXPECT_EQ(ui::test::FindOwnedDialog(main), nullptr);
    CloseFromTitleBar(program, main);
}

// Where the test tree's plug-ins are built.
fs::path PluginsFolder() {
    return fs::path(std::getenv("TKBCTL_TEST_PLUGINS"));
}

TEST(ProgramPlugin, APluginGetsTheMainWindowAndTheStatusReportStaysClosed) {
    ProgramFolder folder;
    folder.AddBoards({"TKB-20"});
    fs::copy_file(PluginsFolder() / "tkbctl_program_plugin.dll", folder.work() / "Plugin.dll");
    ProgramProcess program(folder);
    const HWND main = program.WaitForMainWindow();
    ASSERT_TRUE(main);
    PostClick(main, IDC_TKB_INFO);
    const fs::path record = folder.work() / "plugin-call.txt";
    ASSERT_TRUE(WaitFor([&] { return fs::exists(record); }));
    Settle(main, IDC_READ_VALUE);
    char expected[32];
    std::snprintf(expected, sizeof(expected), "%08X 00000000",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(main)));
    EXPECT_EQ(ReadWhole(record), expected);
    EXPECT_EQ(program.FindWindowOf(L"TKB Info"), nullptr);
    EXPECT_TRUE(IsWindowEnabled(main));
    // The launcher unloaded the library: the file can be replaced.
    EXPECT_TRUE(DeleteFileW((folder.work() / "Plugin.dll").wstring().c_str()));
    CloseFromTitleBar(program, main);
}

TEST(ProgramPlugin, WithoutItsEntryPointTheUserIsToldAndTheStatusReportRefreshesEverySecond) {
    ProgramFolder folder;
    const uint32_t board = folder.AddBoards({"TKB-20"})[0];
    fs::copy_file(PluginsFolder() / "tkbctl_program_plugin_without_entry.dll", folder.work() / "Plugin.dll");
    ProgramProcess program(folder);
    const HWND main = program.WaitForMainWindow();
    ASSERT_TRUE(main);
    PostClick(main, IDC_TKB_INFO);
    const HWND box = WaitForMessageBox(main);
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), L"Can't get function pointer");
    EXPECT_EQ(WindowText(box), L"Error");
    Dismiss(box);
    const HWND report = program.WaitForWindow(L"TKB Info");
    ASSERT_TRUE(report);
    EXPECT_EQ(GetWindow(report, GW_OWNER), main);
    EXPECT_NE(GetWindowLongW(GetDlgItem(report, IDC_TKB_INFO_TEXT), GWL_STYLE) & ES_READONLY, 0);
    ASSERT_TRUE(WaitFor([&] {
        return ControlText(report, IDC_TKB_INFO_TEXT).find(L"TCB_DEPP = 1920\r\n") != std::wstring::npos;
    }));
    EXPECT_EQ(ControlText(report, IDC_TKB_INFO_TEXT).rfind(L"Custom Code = TM\r\nCTRL_STTS = 1\r\n", 0), 0u);
    // A change on the board shows at the next refresh.
    folder.Boards().Open(board)->WriteFpga(0x10000040, 1280);
    EXPECT_TRUE(WaitFor(
        [&] {
            return ControlText(report, IDC_TKB_INFO_TEXT).find(L"TCB_DEPP = 1280\r\n") != std::wstring::npos;
        },
        std::chrono::seconds(5)));
    PostMessageW(report, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(report); }));
    EXPECT_TRUE(DeleteFileW((folder.work() / "Plugin.dll").wstring().c_str()));
    CloseFromTitleBar(program, main);
}

TEST(ProgramIni, TheFieldsAreRememberedAtTheNextStartAndEscapeForgetsThem) {
    ProgramFolder folder;
    folder.AddBoards({"TKB-20"});
    {
        ProgramProcess program(folder);
        const HWND main = program.WaitForMainWindow();
        ASSERT_TRUE(main);
        SetControlText(main, IDC_SLAVE_ADDRESS, L"3C");
        SetControlText(main, IDC_SUB_ADDRESS, L"1A");
        SetControlText(main, IDC_WRITE_VALUE, L"01,02");
        SetControlText(main, IDC_READ_COUNTS, L"4");
        PostClick(main, IDC_WORD_ADDRESS_MODE);
        PostClick(main, IDC_RESTART_CONDITION);
        Settle(main, IDC_READ_VALUE);
        CloseFromTitleBar(program, main);
    }
    EXPECT_EQ(IniValue(folder.IniFile(), L"SlaveAddress"), L"3C");
    EXPECT_EQ(IniValue(folder.IniFile(), L"SubAddress"), L"1A");
    EXPECT_EQ(IniValue(folder.IniFile(), L"WordAddress"), L"1");
    EXPECT_EQ(IniValue(folder.IniFile(), L"Restart"), L"0");
    {
        ProgramProcess program(folder);
        const HWND main = program.WaitForMainWindow();
        ASSERT_TRUE(main);
        EXPECT_EQ(ControlText(main, IDC_SLAVE_ADDRESS), L"3C");
        EXPECT_EQ(ControlText(main, IDC_SUB_ADDRESS), L"1A");
        EXPECT_EQ(ControlText(main, IDC_WRITE_VALUE), L"01,02");
        EXPECT_EQ(ControlText(main, IDC_READ_COUNTS), L"4");
        EXPECT_TRUE(IsChecked(main, IDC_WORD_ADDRESS_MODE));
        EXPECT_FALSE(IsChecked(main, IDC_RESTART_CONDITION));
        // Escape ends the program without saving.
        SetControlText(main, IDC_SLAVE_ADDRESS, L"60");
        PostKey(GetDlgItem(main, IDC_SLAVE_ADDRESS), VK_ESCAPE);
        ASSERT_TRUE(program.WaitForExit());
    }
    EXPECT_EQ(IniValue(folder.IniFile(), L"SlaveAddress"), L"3C");
}

}  // namespace
}  // namespace tkbctl::test
