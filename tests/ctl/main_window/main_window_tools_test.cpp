// The main window's tools: setting files through the Open dialog and the progress window, the
// plug-in launch with a fake loader, and the status report it falls back to.
#include <gtest/gtest.h>

#include "main_window/main_window_fixture.h"
#include "messages/message_ids.h"

namespace tkbctl::test {
namespace {

TEST_F(MainWindowTest, SettingFileRunsThroughTheOpenDialogAndTheProgressWindow) {
    Start({"TKB-20U"});
    const auto file = boards_->Path() / "sensor.txt";
    std::ofstream(file, std::ios::binary) << "SLAVE 3C\r\n10 01 02\r\n";
    Type(IDC_SLAVE_ADDRESS, "50");
    view_->AnswerNextFileDialog(std::nullopt);
    view_->Click(IDC_SETTING_FILE_WRITE);
    EXPECT_TRUE(view_->ModalRuns().empty());  // cancelled: nothing more

    view_->AnswerNextFileDialog(file.string());
    ASSERT_TRUE(view_->Click(IDC_SETTING_FILE_WRITE));
    ASSERT_EQ(view_->FileDialogs().size(), 2u);
    const ui::FileDialogOptions& open = view_->FileDialogs()[1];
    EXPECT_EQ(open.title, "Open File");
    EXPECT_EQ(open.filter,
              "Text and Initialize File (*.txt,*.ini)|*.txt;*.ini|CSV File (*.csv)|*.csv|Record File "
              "(*.dat)|*.dat|ALL File (*.*)|*.*|");
    EXPECT_EQ(open.flags, ui::kFileMustExist | ui::kHideReadOnly | ui::kNoChangeDir | ui::kOverwritePrompt);
    EXPECT_EQ(view_->ModalRuns(), std::vector<int>{IDD_PROGRESS_MESSAGE});
    EXPECT_EQ(boards_->FramesOf(0, 0x01),
              (std::vector<std::vector<uint8_t>>{{0x01, 0x78, 0x10, 0x01, 0x02}}));
    EXPECT_TRUE(services_.WorkerMessageIds().empty());
}

TEST_F(MainWindowTest, SettingFileFailuresAreShownOwnedByTheMainWindowAndTheWindowStillCloses) {
    Start({"TKB-20U"});
    Type(IDC_SLAVE_ADDRESS, "3C");
    // The worker fails at once, usually before the progress window exists: its close request must
    // still end the window, or the modal run would time out.
    for (int round = 0; round < 20; ++round) {
        view_->AnswerNextFileDialog((boards_->Path() / "missing.txt").string());
        ASSERT_TRUE(view_->Click(IDC_SETTING_FILE_WRITE));
    }
    EXPECT_EQ(view_->ModalRuns().size(), 20u);
    EXPECT_EQ(services_.WorkerMessageIds(), std::vector<int>(20, IDS_SETTING_FILE_NOT_OPENED));
    for (std::uintptr_t owner : services_.WorkerOwners())
        EXPECT_EQ(owner, view_->NativeHandle());

    boards_->Board(0)->Unplug();
    view_->AnswerNextFileDialog((boards_->Path() / "missing.txt").string());
    view_->Click(IDC_SETTING_FILE_WRITE);
    EXPECT_EQ(services_.WorkerMessageIds().at(20), IDS_BOARD_NOT_FOUND);
}

TEST_F(MainWindowTest, ProgressWindowShowsTheApplyingMessage) {
    Start({"TKB-20U"});
    const auto file = boards_->Path() / "wait.txt";
    std::ofstream(file, std::ios::binary) << "10 01\r\n";
    std::string shown;
    view_->DescribeChild(IDD_PROGRESS_MESSAGE, {{IDC_PROGRESS_MESSAGE, ui::ControlKind::Static}},
                         [&shown](ui::MemoryView& child) { shown = child.Text(IDC_PROGRESS_MESSAGE); });
    view_->AnswerNextFileDialog(file.string());
    view_->Click(IDC_SETTING_FILE_WRITE);
    EXPECT_EQ(shown, "Applying setting file into camera register.");
}

TEST_F(MainWindowTest, ClosingDuringARunWaitsForItsEnd) {
    Start({"TKB-20U"});
    Type(IDC_SLAVE_ADDRESS, "3C");
    const auto file = boards_->Path() / "slow.txt";
    // The file waits 500 ms (hex 1F4) before its write: long past the user's Escape and close.
    std::ofstream(file, std::ios::binary) << "wt 1F4\r\n10 01\r\n";
    int runs = 0;
    view_->DescribeChild(IDD_PROGRESS_MESSAGE, {{IDC_PROGRESS_MESSAGE, ui::ControlKind::Static}},
                         [&runs](ui::MemoryView& child) {
                             if (runs++ == 0)
                                 child.PressEscape();  // dismissed while the worker runs
                         });
    view_->AnswerNextFileDialog(file.string());
    ASSERT_TRUE(view_->Click(IDC_SETTING_FILE_WRITE));
    EXPECT_TRUE(boards_->FramesOf(0, 0x01).empty());
    ASSERT_TRUE(view_->CloseWindow());
    // The progress window came back until the run ended; only then did the window end.
    EXPECT_EQ(runs, 2);
    EXPECT_TRUE(view_->HasEnded());
    EXPECT_EQ(boards_->FramesOf(0, 0x01), (std::vector<std::vector<uint8_t>>{{0x01, 0x78, 0x10, 0x01}}));
    EXPECT_NE(ReadFile(boards_->Path() / "TKBctl.ini").find("SlaveAddress=3C"), std::string::npos);
}

TEST_F(MainWindowTest, PluginWithShowDialogReplacesTheStatusReport) {
    Start({"TKB-20U"});
    services_.plugins.present = true;
    ASSERT_TRUE(view_->Click(IDC_TKB_INFO));
    EXPECT_EQ(services_.plugins.found, std::vector<std::string>{services_.directory + "/bin/Plugin.dll"});
    // Loaded by its full path, with the name the search gave.
    EXPECT_EQ(services_.plugins.loaded, std::vector<std::string>{services_.directory + "/bin/PLUGIN.DLL"});
    ASSERT_TRUE(services_.plugins.received);
    EXPECT_EQ(services_.plugins.received->field[0], uint32_t(view_->NativeHandle()));
    EXPECT_EQ(services_.plugins.received->field[3], 0u);
    EXPECT_EQ(services_.plugins.freed, 1);
    EXPECT_TRUE(view_->ModalRuns().empty());
    EXPECT_TRUE(view_->Messages().empty());
}

TEST_F(MainWindowTest, WithoutAUsablePluginTheStatusReportOpens) {
    Start({"TKB-20U"});
    view_->Click(IDC_TKB_INFO);  // no file
    EXPECT_TRUE(services_.plugins.loaded.empty());
    EXPECT_TRUE(view_->Messages().empty());

    services_.plugins.present = true;
    services_.plugins.loads = false;
    view_->Click(IDC_TKB_INFO);  // cannot be loaded: silent, nothing to free
    EXPECT_TRUE(view_->Messages().empty());
    EXPECT_EQ(services_.plugins.freed, 0);

    services_.plugins.loads = true;
    services_.plugins.exports = false;
    view_->Click(IDC_TKB_INFO);
    ASSERT_EQ(view_->Messages().size(), 1u);
    EXPECT_EQ(view_->Messages()[0].text, "Can't get function pointer");
    EXPECT_EQ(view_->Messages()[0].caption, "Error");
    EXPECT_EQ(view_->Messages()[0].ownerTemplate, IDD_TKBCTL_DIALOG);
    EXPECT_EQ(services_.plugins.freed, 1);
    EXPECT_EQ(view_->ModalRuns(), (std::vector<int>{IDD_TKB_INFO, IDD_TKB_INFO, IDD_TKB_INFO}));
}

TEST(ProgramFolder, CutAfterTheLastSeparator) {
    EXPECT_EQ(ProgramFolderOf("C:\\Tools\\TKB\\TKBctl.exe"), "C:\\Tools\\TKB\\");
    EXPECT_EQ(ProgramFolderOf("TKBctl.exe"), "");
}

}  // namespace
}  // namespace tkbctl::test
