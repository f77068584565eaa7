// The Win32 binding on real windows under a display: a test dialog of this folder's templates runs
// modally on the test's thread while a driver thread acts on it through the messages a user's
// actions produce. Run with UI_TEST_LANGUAGE=ja under a Japanese user locale, it expects every
// text in Japanese.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include "test_dialog_ids.h"
#include "ui/data_exchange.h"
#include "ui/wait_cursor.h"
#include "ui/win32/dialog_window.h"
#include "ui/win32/strings.h"
#include "ui/win32/wait_cursor.h"
#include "ui/worker_thread.h"
#include "window_driver.h"

namespace ui::test {
namespace {

constexpr int kTickTimer = 7;
constexpr int kProgressDone = 900;

bool JapaneseExpected() {
    const char* language = std::getenv("UI_TEST_LANGUAGE");
    return language && std::string(language) == "ja";
}

// The texts this run must see, in the language it expects.
struct Texts {
    std::wstring caption = JapaneseExpected() ? L"ダイアログ層テスト" : L"Dialog Layer Test";
    std::wstring both = JapaneseExpected()
                            ? L"読み出しに失敗しました。\n再試行するか、ボードを再起動してください。"
                            : L"Read failed.\nRetry or restart the board.";
    std::wstring englishOnly = L"Only in English.";
    std::wstring japaneseOnly = L"日本語だけの文です。";
    std::wstring range = JapaneseExpected() ? L"1 から 8192 までの整数を入力してください。"
                                            : L"Enter an integer between 1 and 8192.";
};

// A window without buttons, as a progress window: Enter ignored, ended by a close request or by
// its worker's own command; it shows a text of the string table.
class ProgressDialog : public DialogImpl<ProgressDialog> {
public:
    ProgressDialog() : DialogImpl(IDD_PROGRESS, EnterKey::RoutesAsOk) {}
    static const CommandTable<ProgressDialog>& Commands() {
        static const auto table = CommandTable<ProgressDialog>()
                                      .OnClicked(kIdOk, &ProgressDialog::Ignore)
                                      .OnClicked(kProgressDone, &ProgressDialog::OnDone);
        return table;
    }
    bool OnInitDialog() override {
        View().SetText(IDC_PROGRESS_TEXT, View().LoadText(IDS_BOTH).value_or("(missing)"));
        return true;
    }

private:
    void Ignore() {}
    void OnDone() { End(5); }
};

class WineTestDialog : public DialogImpl<WineTestDialog> {
public:
    WineTestDialog() : DialogImpl(IDD_TEST, EnterKey::RoutesAsOk) {}

    static const CommandTable<WineTestDialog>& Commands() {
        static const auto table = CommandTable<WineTestDialog>()
                                      .OnClicked(kIdOk, &WineTestDialog::OnEnter)
                                      .OnClicked(IDC_SETTINGS, &WineTestDialog::OnSettings)
                                      .OnClicked(IDC_APPLY, &WineTestDialog::OnApply)
                                      .OnClicked(IDC_MESSAGES, &WineTestDialog::OnMessages)
                                      .OnClicked(IDC_OPEN, &WineTestDialog::OnOpen)
                                      .OnClicked(IDC_RUN, &WineTestDialog::OnRun)
                                      .OnClicked(IDC_MODELESS, &WineTestDialog::OnModeless)
                                      .OnNotify(IDC_NAME, kEditChanged, &WineTestDialog::OnNameChanged)
                                      .OnTimer(kTickTimer, &WineTestDialog::OnTick)
                                      .OnClose(&WineTestDialog::OnClose);
        return table;
    }

    bool OnInitDialog() override {
        Dialog::OnInitDialog();
        View().SetIcon(IDI_TEST);
        if (tick)
            View().SetTimer(kTickTimer, 20);
        return true;
    }
    void DoDataExchange(DataExchange& exchange) override {
        exchange.Text(IDC_NAME, name);
        exchange.Check(IDC_ENABLED, enabled);
        exchange.Radio({IDC_FIRST, IDC_SECOND}, which);
        exchange.Items(IDC_CHOICES, choices);
        exchange.Selection(IDC_CHOICES, choice);
        exchange.Int(IDC_COUNT, count);
        exchange.IntRange(IDC_WIDTH, width, 1, 8192);
    }

    bool tick = false;  // run the timer test's steps

    // Exchanged members.
    std::string name = "board";
    int enabled = 1;
    int which = 0;
    std::vector<std::string> choices{"1/1", "1/2", "1/3"};
    int choice = 2;
    int32_t count = 3;
    int32_t width = 1280;

    // What the handlers saw; read by the driver while the dialog runs.
    std::atomic<int> enters = 0, settings = 0, applied = 0, closes = 0, ticks = 0;
    std::atomic<int> messagesDone = 0, opens = 0, runsDone = 0;
    std::string lastName;
    std::vector<Answer> answers;
    std::vector<std::optional<std::string>> openedFiles;
    std::vector<int> progressResults;
    bool modelessCreated = false;
    bool earlyCloseKept = false;
    // Timer, wait cursor and line services, seen on the dialog's thread.
    bool waitCursorShown = false, cursorRestored = false, postedAndPumped = false;
    int logLines = 0;
    std::vector<bool> controlStates;
    std::string caption;
    std::uintptr_t handle = 0;
    std::vector<std::string> listSeen;
    Language language = Language::English;

    ProgressDialog modeless;
    std::atomic<bool> releaseWorker = false;
    std::atomic<HWND> progressWindowSeen = nullptr;

private:
    void OnEnter() { ++enters; }
    void OnSettings() { ++settings; }
    void OnApply() {
        if (UpdateData(true))
            ++applied;
    }
    void OnNameChanged() { lastName = View().Text(IDC_NAME); }
    void OnMessages() {
        language = View().UserLanguage();
        for (const int id : {IDS_BOTH, IDS_ENGLISH_ONLY, IDS_JAPANESE_ONLY, IDS_MISSING})
            answers.push_back(View().ShowMessage(Message::FromId(id, MessageIcon::Warning)));
        ++messagesDone;
    }
    void OnOpen() {
        openedFiles.push_back(View().OpenFile(
            {"Open File",
             "Text and Initialize File (*.txt,*.ini)|*.txt;*.ini|CSV File (*.csv)|*.csv|ALL File (*.*)|*.*|",
             kFileMustExist | kHideReadOnly | kNoChangeDir | kOverwritePrompt}));
        ++opens;
    }
    void OnRun() {
        // First the worker ends before the window exists: its close request must wait for it.
        worker_.Start(progress_, Command::Close(), [](std::stop_token) {});
        worker_.Join();
        progressResults.push_back(View().RunModal(progress_));
        // Then it ends while the window is shown, with a command of its own.
        worker_.Start(progress_, Command::Control(kProgressDone), [this](std::stop_token stop) {
            while (!releaseWorker && !stop.stop_requested())
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        });
        progressResults.push_back(View().RunModal(progress_));
        ++runsDone;
    }
    void OnModeless() { modelessCreated = View().CreateModeless(modeless); }
    void OnTick() {
        if (++ticks != 3)
            return;
        View().KillTimer(kTickTimer);
        {
            ui::WaitCursor wait(View());
            waitCursorShown = GetCursor() == win32::WaitCursorShape();
        }
        cursorRestored = GetCursor() != win32::WaitCursorShape();
        std::string lines;
        for (int i = 0; i < 40; ++i)
            lines += "0A,FF,10\r\n";
        View().SetText(IDC_LOG, lines);
        logLines = View().LineCount(IDC_LOG);
        View().ScrollLines(IDC_LOG, logLines);
        View().Enable(IDC_APPLY, false);
        View().Show(IDC_MODELESS, false);
        controlStates = {View().IsEnabled(IDC_APPLY), View().IsVisible(IDC_MODELESS),
                         View().IsEnabled(IDC_RUN), View().IsVisible(IDC_RUN)};
        handle = View().NativeHandle();
        View().SetCaption("TKBCtl [TKB-20U](USB?.?)");
        caption = View().Caption();
        View().ClearItems(IDC_LIST);
        for (const char* item : {"0: TKB-20U (UVC) [ID=5]", "1: TKD-20", "2: 日本語"})
            View().AddItem(IDC_LIST, item);
        View().Select(IDC_LIST, 2);
        listSeen = {std::to_string(View().ItemCount(IDC_LIST)), View().ItemText(IDC_LIST, 2),
                    std::to_string(View().Selection(IDC_LIST))};
        View().Select(IDC_LIST, 3);
        listSeen.push_back(std::to_string(View().Selection(IDC_LIST)));
        const int settingsBefore = settings;
        PostCommand(Command::Control(IDC_SETTINGS));
        View().ProcessPendingMessages();
        postedAndPumped = settings == settingsBefore + 1;
    }
    void OnClose() {
        ++closes;
        DefaultCommand(Command::Close());
    }

    ProgressDialog progress_;
    WorkerThread worker_;  // after progress_: stopped first
};

// Runs `dialog` modally here while `drive` acts on its window from another thread; the window is
// closed afterwards whatever the driver did, so a failed step never leaves the test hanging.
int RunDriven(WineTestDialog& dialog, const std::function<void(HWND)>& drive) {
    const Texts texts;
    std::thread driver([&] {
        const HWND window = WaitForDialog(texts.caption);
        if (!window) {
            ADD_FAILURE() << "the dialog did not appear";
            return;
        }
        drive(window);
        // Whatever the driver left open (a message box, a file dialog) is cancelled first: the
        // dialog cannot end while a modal window it owns still runs.
        WaitFor([&] {
            if (const HWND owned = FindOwnedDialog(window))
                PostMessageW(owned, WM_COMMAND, IDCANCEL, 0);
            else
                PostMessageW(window, WM_CLOSE, 0, 0);
            return !IsWindow(window);
        });
    });
    const int result = win32::RunModal(dialog, win32::ProgramResources());
    driver.join();
    return result;
}

TEST(Win32DialogTest, RunsInTheExpectedLanguage) {
    EXPECT_EQ(win32::UserLanguage(), JapaneseExpected() ? Language::Japanese : Language::English);
}

TEST(Win32DialogTest, EnterIsRoutedAsOkWhileTheDefaultButtonKeepsItsLook) {
    WineTestDialog dialog;
    bool enterArrived = false, stillDefault = false, buttonWorks = false, stillOpen = false;
    const int result = RunDriven(dialog, [&](HWND window) {
        PostKey(GetDlgItem(window, IDC_NAME), VK_RETURN);
        enterArrived = WaitFor([&] { return dialog.enters == 1; });
        stillOpen = IsWindowVisible(window) != FALSE;
        stillDefault =
            (GetWindowLongW(GetDlgItem(window, IDC_SETTINGS), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        PostClick(window, IDC_SETTINGS);
        buttonWorks = WaitFor([&] { return dialog.settings == 1; });
        PostKey(GetDlgItem(window, IDC_NAME), VK_ESCAPE);
        WaitFor([&] { return !IsWindowVisible(window); });
    });
    EXPECT_TRUE(enterArrived);
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(stillDefault);
    EXPECT_TRUE(buttonWorks);
    EXPECT_EQ(dialog.settings, 1);  // Enter did not click it
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dialog.closes, 0);  // Escape is not the close box
    EXPECT_FALSE(dialog.HasWindow());
}

TEST(Win32DialogTest, TheCloseBoxRunsTheDialogsCloseHandler) {
    WineTestDialog dialog;
    const int result = RunDriven(dialog, [](HWND) {});
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dialog.closes, 1);
}

TEST(Win32DialogTest, DataExchangeWithRealControlsAndTheRangeMessage) {
    const Texts texts;
    WineTestDialog dialog;
    std::wstring shownName, shownWidth, boxText, boxCaption;
    LRESULT shownChoice = -1, shownCount = -1;
    UINT shownFirst = 0;
    bool refusedStaysOpen = false, refusedSelected = false, acceptedApplied = false;
    RunDriven(dialog, [&](HWND window) {
        shownName = WindowText(GetDlgItem(window, IDC_NAME));
        shownWidth = WindowText(GetDlgItem(window, IDC_WIDTH));
        shownChoice = SendDlgItemMessageW(window, IDC_CHOICES, CB_GETCURSEL, 0, 0);
        shownCount = SendDlgItemMessageW(window, IDC_CHOICES, CB_GETCOUNT, 0, 0);
        shownFirst = IsDlgButtonChecked(window, IDC_FIRST);

        SendDlgItemMessageW(window, IDC_NAME, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"カメラ 3C"));
        SendDlgItemMessageW(window, IDC_WIDTH, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"8193"));
        PostClick(window, IDC_APPLY);
        if (const HWND box = WaitForOwnedDialog(window)) {
            boxText = MessageBoxText(box);
            boxCaption = WindowText(box);
            PostClick(box, IDOK);
            WaitFor([&] { return !IsWindow(box); });
        }
        refusedStaysOpen = IsWindowVisible(window) && dialog.applied == 0;
        DWORD selectionStart = 1, selectionEnd = 0;
        SendDlgItemMessageW(window, IDC_WIDTH, EM_GETSEL, reinterpret_cast<WPARAM>(&selectionStart),
                            reinterpret_cast<LPARAM>(&selectionEnd));
        refusedSelected = selectionStart == 0 && selectionEnd == 4;

        SendDlgItemMessageW(window, IDC_WIDTH, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L" 640 "));
        SendDlgItemMessageW(window, IDC_COUNT, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"-2"));
        SendDlgItemMessageW(window, IDC_CHOICES, CB_SETCURSEL, 1, 0);
        PostClick(window, IDC_ENABLED);
        PostClick(window, IDC_SECOND);
        PostClick(window, IDC_APPLY);
        acceptedApplied = WaitFor([&] { return dialog.applied == 1; });
    });
    EXPECT_EQ(shownName, L"board");
    EXPECT_EQ(shownWidth, L"1280");
    EXPECT_EQ(shownChoice, 2);
    EXPECT_EQ(shownCount, 3);
    EXPECT_EQ(shownFirst, BST_CHECKED);
    EXPECT_EQ(dialog.lastName, "カメラ 3C");
    EXPECT_EQ(boxText, texts.range);
    EXPECT_EQ(boxCaption, L"ui_win32_tests");
    EXPECT_TRUE(refusedStaysOpen);
    EXPECT_TRUE(refusedSelected);  // so that the user can type the value again
    ASSERT_TRUE(acceptedApplied);
    EXPECT_EQ(dialog.name, "カメラ 3C");
    EXPECT_EQ(dialog.width, 640);
    EXPECT_EQ(dialog.count, -2);
    EXPECT_EQ(dialog.choice, 1);
    EXPECT_EQ(dialog.enabled, 0);
    EXPECT_EQ(dialog.which, 1);
}

TEST(Win32DialogTest, MessageBoxesByIdInTheUsersLanguageOwnedByTheDialog) {
    const Texts texts;
    WineTestDialog dialog;
    std::vector<std::wstring> seen, captions;
    RunDriven(dialog, [&](HWND window) {
        PostClick(window, IDC_MESSAGES);
        for (int i = 0; i < 4; ++i) {
            const HWND box = WaitForOwnedDialog(window);
            if (!box)
                break;
            seen.push_back(MessageBoxText(box));
            captions.push_back(WindowText(box));
            PostClick(box, IDOK);
            WaitFor([&] { return !IsWindow(box); });
        }
        WaitFor([&] { return dialog.messagesDone == 1; });
    });
    EXPECT_EQ(dialog.language, JapaneseExpected() ? Language::Japanese : Language::English);
    EXPECT_EQ(seen, (std::vector<std::wstring>{texts.both, texts.englishOnly, texts.japaneseOnly,
                                               L"Message 299 is missing from the program's resources."}));
    EXPECT_EQ(captions, std::vector<std::wstring>(4, L"ui_win32_tests"));
    EXPECT_EQ(dialog.answers, std::vector<Answer>(4, Answer::Ok));
}

TEST(Win32DialogTest, FileOpenDialogWithTitleFilterAndTheChosenPath) {
    // One folder per process: the English and the Japanese runs of this test share the Wine prefix and run at
    // once.
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         (L"ui_file_dialog_test-" + std::to_wstring(GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / L"設定 1.txt";
    // Made through the wide API: the C runtime's narrow names cannot carry Japanese in every locale.
    const HANDLE created = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(created, INVALID_HANDLE_VALUE);
    CloseHandle(created);
    WineTestDialog dialog;
    std::wstring firstFilter;
    LRESULT filterCount = 0;
    bool found = false;
    RunDriven(dialog, [&](HWND window) {
        PostClick(window, IDC_OPEN);
        const HWND chooser = WaitForOwnedDialog(window, L"Open File");
        if (!chooser)
            return;
        found = true;
        // The file-type list of the dialog (cmb1) and its file-name box (cmb13, or edt1).
        const HWND types = GetDlgItem(chooser, 0x470);
        filterCount = SendMessageW(types, CB_GETCOUNT, 0, 0);
        wchar_t item[128] = {};
        SendMessageW(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
        firstFilter = item;
        HWND name = GetDlgItem(chooser, 0x47C);
        if (!name)
            name = GetDlgItem(chooser, 0x480);
        SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.wstring().c_str()));
        PostClick(chooser, IDOK);
        WaitFor([&] { return dialog.opens == 1; });

        PostClick(window, IDC_OPEN);
        if (const HWND again = WaitForOwnedDialog(window, L"Open File"))
            PostClick(again, IDCANCEL);
        WaitFor([&] { return dialog.opens == 2; });
    });
    ASSERT_TRUE(found);
    EXPECT_EQ(filterCount, 3);
    EXPECT_EQ(firstFilter, L"Text and Initialize File (*.txt,*.ini)");
    ASSERT_EQ(dialog.openedFiles.size(), 2u);
    ASSERT_TRUE(dialog.openedFiles[0]);
    EXPECT_EQ(std::filesystem::path(win32::Widen(*dialog.openedFiles[0])), file);
    EXPECT_EQ(dialog.openedFiles[1], std::nullopt);
    std::filesystem::remove_all(folder);
}

TEST(Win32DialogTest, AWorkersEndClosesTheModalWindowEvenBeforeItExists) {
    const Texts texts;
    WineTestDialog dialog;
    std::wstring progressText;
    bool enterIgnored = false;
    RunDriven(dialog, [&](HWND window) {
        PostClick(window, IDC_RUN);
        // The first run ends by itself; the second window stays until its worker is released.
        HWND progress = nullptr;
        WaitFor([&] {
            progress = FindOwnedDialog(window);
            return progress && dialog.progressResults.size() == 1;
        });
        if (!progress)
            return;
        progressText = WindowText(GetDlgItem(progress, IDC_PROGRESS_TEXT));
        PostKey(progress, VK_RETURN);
        enterIgnored = !WaitFor([&] { return !IsWindow(progress); }, std::chrono::milliseconds(300));
        dialog.releaseWorker = true;
        WaitFor([&] { return dialog.runsDone == 1; });
    });
    EXPECT_EQ(dialog.progressResults, (std::vector<int>{IDCANCEL, 5}));
    EXPECT_EQ(progressText, texts.both);
    EXPECT_TRUE(enterIgnored);
}

TEST(Win32DialogTest, ModelessWindowOpensOverItsOwnerAndUnbindsItsDialogWhenDestroyed) {
    WineTestDialog dialog;
    bool appeared = false, destroyed = false, unbound = false;
    std::pair<LONG, LONG> centreOffset{-1000, -1000};
    RunDriven(dialog, [&](HWND window) {
        PostClick(window, IDC_MODELESS);
        const HWND modeless = WaitForOwnedDialog(window);
        appeared = modeless != nullptr && dialog.modeless.HasWindow();
        RECT owner, own;
        GetWindowRect(window, &owner);
        GetWindowRect(modeless, &own);
        centreOffset = {(own.left + own.right) / 2 - (owner.left + owner.right) / 2,
                        (own.top + own.bottom) / 2 - (owner.top + owner.bottom) / 2};
        PostMessageW(modeless, WM_CLOSE, 0, 0);
        destroyed = WaitFor([&] { return !IsWindow(modeless); });
        unbound = !dialog.modeless.HasWindow();
    });
    EXPECT_TRUE(dialog.modelessCreated);
    EXPECT_TRUE(appeared);
    // Opened over the window it belongs to, as its template left the place open.
    EXPECT_LE(std::abs(centreOffset.first), 1);
    EXPECT_LE(std::abs(centreOffset.second), 1);
    EXPECT_TRUE(destroyed);
    EXPECT_TRUE(unbound);
}

TEST(Win32DialogTest, TimersWaitCursorLinesAndPostedCommands) {
    WineTestDialog dialog;
    dialog.tick = true;
    bool ticked = false;
    LRESULT firstVisibleLine = 0;
    bool applyEnabledSeen = true;
    std::uintptr_t windowHandle = 1;
    HANDLE bigIcon = nullptr, smallIcon = nullptr;
    RunDriven(dialog, [&](HWND window) {
        bigIcon = reinterpret_cast<HANDLE>(SendMessageW(window, WM_GETICON, ICON_BIG, 0));
        smallIcon = reinterpret_cast<HANDLE>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0));
        dialog.PostCommand(Command::Control(IDC_NAME, kEditKillFocus));  // no handler: ignored
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_MODELESS + 100, BN_CLICKED), 0);
        SendMessageW(window, WM_TIMER, 0, 0);  // a timer nobody set: ignored
        ticked = WaitFor([&] { return dialog.ticks >= 3 && dialog.settings >= 1; });
        firstVisibleLine = SendDlgItemMessageW(window, IDC_LOG, EM_GETFIRSTVISIBLELINE, 0, 0);
        applyEnabledSeen = IsWindowEnabled(GetDlgItem(window, IDC_APPLY)) != FALSE;
        windowHandle = reinterpret_cast<std::uintptr_t>(window);
    });
    EXPECT_NE(bigIcon, nullptr);
    EXPECT_NE(smallIcon, nullptr);
    EXPECT_TRUE(ticked);
    EXPECT_EQ(dialog.ticks, 3);
    EXPECT_TRUE(dialog.waitCursorShown);
    EXPECT_TRUE(dialog.cursorRestored);
    EXPECT_EQ(dialog.logLines, 41);
    EXPECT_GT(firstVisibleLine, 30);
    EXPECT_TRUE(dialog.postedAndPumped);
    EXPECT_EQ(dialog.controlStates, (std::vector<bool>{false, false, true, true}));
    EXPECT_EQ(dialog.caption, "TKBCtl [TKB-20U](USB?.?)");
    EXPECT_EQ(dialog.listSeen, (std::vector<std::string>{"3", "2: 日本語", "2", "-1"}));
    EXPECT_FALSE(applyEnabledSeen);
    EXPECT_EQ(dialog.handle, windowHandle);
}

TEST(Win32DialogTest, ATemplateTheModuleLacksGivesNoWindow) {
    class Missing : public DialogImpl<Missing> {
    public:
        Missing() : DialogImpl(999) {}
        static const CommandTable<Missing>& Commands() {
            static const CommandTable<Missing> table;
            return table;
        }
    } missing;
    EXPECT_EQ(win32::RunModal(missing, win32::ProgramResources()), -1);
    EXPECT_EQ(win32::CreateModeless(missing, win32::ProgramResources()), nullptr);
    EXPECT_FALSE(missing.HasWindow());
}

// Pictures of the test dialog, a message box and the progress window, for a person to look at:
// run with UI_SCREENSHOT_DIR set to a Windows folder (and alone on its display).
TEST(Win32DialogScreenshots, DialogMessageBoxAndProgressWindow) {
    const char* folder = std::getenv("UI_SCREENSHOT_DIR");
    if (!folder)
        GTEST_SKIP() << "UI_SCREENSHOT_DIR is not set";
    const std::wstring prefix = win32::Widen(folder) + (JapaneseExpected() ? L"\\ja-" : L"\\en-");
    WineTestDialog dialog;
    std::vector<bool> saved;
    RunDriven(dialog, [&](HWND window) {
        SendDlgItemMessageW(window, IDC_NAME, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"3C"));
        SendDlgItemMessageW(window, IDC_LOG, WM_SETTEXT, 0,
                            reinterpret_cast<LPARAM>(L"0A,FF,10\r\n(No Data)\r\n"));
        saved.push_back(SaveScreen(prefix + L"dialog.bmp"));
        PostClick(window, IDC_MESSAGES);
        for (int i = 0; i < 4; ++i) {
            const HWND box = WaitForOwnedDialog(window);
            if (!box)
                break;
            if (i == 0)
                saved.push_back(SaveScreen(prefix + L"messagebox.bmp"));
            PostClick(box, IDOK);
            WaitFor([&] { return !IsWindow(box); });
        }
        PostClick(window, IDC_RUN);
        HWND progress = nullptr;
        WaitFor([&] { return dialog.progressResults.size() == 1 && (progress = FindOwnedDialog(window)); });
        saved.push_back(SaveScreen(prefix + L"progress.bmp"));
        dialog.releaseWorker = true;
        WaitFor([&] { return dialog.runsDone == 1; });
    });
    EXPECT_EQ(saved, std::vector<bool>(3, true));
}

}  // namespace
}  // namespace ui::test
