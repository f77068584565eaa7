// The board settings dialog and the firmware updates of the delivered TKBctl.exe, driven from this
// process as a user's clicks drive them, with what reaches the virtual board's flash read back
// directly from the board.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "main_window/main_window_ids.h"
#include "program_process.h"
#include "setting_dialog/setting_dialog_ids.h"
#include "tkbsim/board.h"
#include "window_driver.h"

namespace tkbctl::test {
namespace {

namespace fs = std::filesystem;
using ui::test::MessageBoxText;
using ui::test::PostClick;
using ui::test::WaitFor;

struct Fx3UpdateTexts {
    bool ja = JapaneseExpected();
    std::wstring confirmFx3 =
        ja ? L"FX3 ファームウェアを更新します。よろしいですか?" : L"Click OK to update FX3 Firmware.";
    std::wstring fx3Succeeded =
        ja ? L"FX3 ファームウェアを更新しました。\nUSB ケーブルを抜いてボードを再起動してください。"
           : L"Updating FX3 firmware succeeded.\nDisconnect USB cable to restart the board.";
    std::wstring fx3VerifyFailed =
        ja ? L"FX3 "
             L"ファームウェアの更新を確認できませんでした。\nボードを接続したまま、もう一度更新してください。"
           : L"Failed to verify FX3 update.\nRetry update without disconnecting the board.";
};

// Where the TKB-20U keeps its FX3 image.
constexpr uint32_t kUsb3Fx3Address = 0x180000;

// One board of `model`, and the program's INI file with a UVC colour list whose first entry is the
// UYVY format the boards leave the factory with, as an engineer's set-up has it.
uint32_t PrepareBoard(const ProgramFolder& folder, const std::string& model) {
    folder.WriteFile(
        "TKBctl.ini",
        "[TKBctl]\r\nColorName0=UYVY\r\n"
        "ColorGUID0=0x55,0x59,0x56,0x59,0x00,0x00,0x10,0x00,0x80,0x00,0x00,0xAA,0x00,0x38,0x9B,0x71\r\n"
        "ColorName1=YUY2\r\n"
        "ColorGUID1=0x59,0x55,0x59,0x32,0x00,0x00,0x10,0x00,0x80,0x00,0x00,0xAA,0x00,0x38,0x9B,0x71\r\n");
    return folder.AddBoards({model})[0];
}

// The program on one board of `model`, its main window up.
class SettingsSession {
public:
    explicit SettingsSession(const std::string& model)
        : board_(PrepareBoard(folder_, model)), program_(folder_), main_(program_.WaitForMainWindow()) {}

    const ProgramFolder& folder() const { return folder_; }
    ProgramProcess& program() { return program_; }
    HWND main() const { return main_; }
    std::shared_ptr<tkbsim::Board> Board() const { return folder_.Boards().Open(board_); }
    std::vector<uint8_t> SettingsBlock() const {
        const auto board = Board();
        return board->ReadFlash(board->Model().settingsAddress, 512);
    }
    // "TKB &Setting...": the settings dialog once the block has been read.
    HWND OpenSettings(const std::wstring& caption) {
        PostClick(main_, IDC_TKB_SETTING);
        return program_.WaitForWindow(caption);
    }
    // Presses a button that ends the settings dialog and waits until the main window has done what
    // follows (the save after "Set").
    void CloseSettings(HWND settings, int button) {
        PostClick(settings, button);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(settings); }));
        Settle(main_, IDC_READ_VALUE);
    }
    void Close() {
        PostMessageW(main_, WM_CLOSE, 0, 0);
        EXPECT_TRUE(program_.WaitForExit());
    }

private:
    ProgramFolder folder_;
    uint32_t board_;
    ProgramProcess program_;
    HWND main_;
};

// The offsets at which two blocks differ.
std::set<size_t> Differences(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    std::set<size_t> offsets;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i])
            offsets.insert(i);
    return offsets;
}

uint32_t Le32(const std::vector<uint8_t>& block, size_t offset) {
    return block[offset] | block[offset + 1] << 8 | block[offset + 2] << 16 |
           static_cast<uint32_t>(block[offset + 3]) << 24;
}

TEST(ProgramSettings, SetChangesExactlyTheEditedBytesAndTheChecksumOfTheBlock) {
    SettingsSession session("TKB-20U");
    ASSERT_TRUE(session.main());
    const std::vector<uint8_t> factory = session.SettingsBlock();

    // Unchanged, "Set" writes the block back byte for byte.
    HWND settings = session.OpenSettings(L"TKB-20U Setting");
    ASSERT_TRUE(settings);
    EXPECT_TRUE(IsChecked(settings, IDC_HSYNC_LOW_ACTIVE));
    EXPECT_EQ(ControlText(settings, IDC_UVC_WIDTH), L"1920");
    EXPECT_EQ(ControlText(settings, IDC_UVC_HEIGHT), L"1080");
    EXPECT_EQ(ComboItems(settings, IDC_UVC_COLOR), (std::vector<std::wstring>{L"UYVY", L"YUY2"}));
    session.CloseSettings(settings, IDC_SETTING_SET);
    EXPECT_EQ(Differences(factory, session.SettingsBlock()), std::set<size_t>{});

    settings = session.OpenSettings(L"TKB-20U Setting");
    ASSERT_TRUE(settings);
    PostClick(settings, IDC_HSYNC_HIGH_ACTIVE);
    SetControlText(settings, IDC_UVC_WIDTH, L"1280");
    SetControlText(settings, IDC_UVC_HEIGHT, L"720");
    Settle(settings, IDC_UVC_FPS);
    EXPECT_TRUE(IsChecked(settings, IDC_HSYNC_HIGH_ACTIVE));
    EXPECT_FALSE(IsChecked(settings, IDC_HSYNC_LOW_ACTIVE));
    session.CloseSettings(settings, IDC_SETTING_SET);
    const std::vector<uint8_t> saved = session.SettingsBlock();
    // The H-Sync pair's value byte (its id 0x1B before it), the width and height, and the checksum
    // (one or both of its bytes, as the sum falls).
    std::set<size_t> changed = Differences(factory, saved);
    EXPECT_TRUE(changed.count(0x82) || changed.count(0x83));
    changed.erase(0x82);
    changed.erase(0x83);
    EXPECT_EQ(changed, (std::set<size_t>{13, 0x84, 0x85, 0x86, 0x87}));
    EXPECT_EQ(saved[12], 0x1B);
    EXPECT_EQ(saved[13], 1);
    EXPECT_EQ((std::vector<uint8_t>(saved.begin() + 0x84, saved.begin() + 0x88)),
              (std::vector<uint8_t>{0x00, 0x05, 0xD0, 0x02}));
    uint16_t sum = 0;
    for (size_t i = 0x84; i < 0xA0; ++i)
        sum = static_cast<uint16_t>(sum + saved[i]);
    EXPECT_EQ(static_cast<uint16_t>(sum + (saved[0x82] | saved[0x83] << 8)), 0xFFFF);

    // Cancel writes nothing, whatever was changed.
    settings = session.OpenSettings(L"TKB-20U Setting");
    ASSERT_TRUE(settings);
    EXPECT_TRUE(IsChecked(settings, IDC_HSYNC_HIGH_ACTIVE));
    PostClick(settings, IDC_VSYNC_HIGH_ACTIVE);
    session.CloseSettings(settings, IDC_SETTING_CANCEL);
    EXPECT_EQ(session.SettingsBlock(), saved);
    session.Close();
}

TEST(ProgramSettings, ATimingFileLoadsThroughTheOpenDialogOnTheTkd20AndSetWritesItsArea) {
    SettingsSession session("TKD-20");
    ASSERT_TRUE(session.main());
    const fs::path file = session.folder().WriteFile(
        "generator.tkd", "[TKDGenerator]\r\nVSSP=5\r\nHSPR=-1\r\nPicWidth=1920\r\n");
    const std::vector<uint8_t> factory = session.SettingsBlock();
    const HWND settings = session.OpenSettings(L"TKD-20 Setting");
    ASSERT_TRUE(settings);
    EXPECT_EQ(ControlText(settings, IDC_CLIPPING_STATE), L"Invalid");
    PostClick(settings, IDC_CLIPPING_DETAIL);
    const HWND notice = session.program().WaitForMessageBox();
    ASSERT_TRUE(notice);
    EXPECT_EQ(MessageBoxText(notice), L"TKD-20");
    Dismiss(notice);
    const HWND open = session.program().WaitForWindow(L"Select TKD Setting File");
    ASSERT_TRUE(open);
    ChooseFile(open, file);
    EXPECT_TRUE(WaitFor([&] { return ControlText(settings, IDC_CLIPPING_STATE) == L"Valid"; }));
    session.CloseSettings(settings, IDC_SETTING_SET);

    // The whole 512-byte block is written on this board: the marker and the loaded keys in the
    // timing area, and nothing else changed.
    const std::vector<uint8_t> saved = session.SettingsBlock();
    EXPECT_EQ(saved[0x100], 0x55);
    EXPECT_EQ(Le32(saved, 0x110), 5u);
    EXPECT_EQ(Le32(saved, 0x114), 5u);
    EXPECT_EQ(Le32(saved, 0x130), 0xFFFFFFFFu);
    EXPECT_EQ(Le32(saved, 0x134), 0xFFFFFFFFu);
    EXPECT_EQ(Le32(saved, 0x160), 1920u);
    for (size_t offset : Differences(factory, saved))
        EXPECT_GE(offset, 0x100u) << offset;
    session.Close();
}

// An FX3 image of its own pattern whose last byte differs from what the erased flash holds.
std::string Fx3Image(size_t length) {
    std::string image(length, '\0');
    for (size_t i = 0; i < length; ++i)
        image[i] = static_cast<char>(i * 7 + 3);
    image.back() = 0x5A;
    return image;
}

// "FX3 Update...": the real Open dialog, then Yes on the question; answers the box that follows.
HWND UpdateFx3(SettingsSession& session, HWND settings, const fs::path& image) {
    const Fx3UpdateTexts texts;
    PostClick(settings, IDC_FX3_UPDATE);
    const HWND open = session.program().WaitForWindow(L"Open File");
    if (!open)
        return nullptr;
    ChooseFile(open, image);
    const HWND question = session.program().WaitForMessageBox();
    if (!question)
        return nullptr;
    EXPECT_EQ(MessageBoxText(question), texts.confirmFx3);
    EXPECT_TRUE(GetDlgItem(question, IDYES) && GetDlgItem(question, IDNO));
    PostClick(question, IDYES);
    WaitFor([&] { return !IsWindow(question); });
    return session.program().WaitForMessageBox();
}

// A TKB-20U with the program up and an FX3 image file in its work folder.
class ProgramUpdate : public ::testing::Test {
protected:
    const Fx3UpdateTexts texts;
    SettingsSession session{"TKB-20U"};
    const std::string image = Fx3Image(4096);
    const fs::path file = session.folder().WriteFile("firmware.img", image);
};

TEST_F(ProgramUpdate, AnFx3ImageIsWrittenAtItsAddressVerifiedAndTheSettingsDialogCloses) {
    ASSERT_TRUE(session.main());
    const HWND settings = session.OpenSettings(L"TKB-20U Setting");
    ASSERT_TRUE(settings);
    const HWND outcome = UpdateFx3(session, settings, file);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(MessageBoxText(outcome), texts.fx3Succeeded);
    Dismiss(outcome);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(settings); }));
    EXPECT_EQ(session.Board()->ReadFlash(kUsb3Fx3Address, static_cast<uint32_t>(image.size())),
              std::vector<uint8_t>(image.begin(), image.end()));
    session.Close();
}

TEST_F(ProgramUpdate, AReadBackThatDiffersInTheLastByteIsToldAndTheSettingsDialogStaysOpen) {
    ASSERT_TRUE(session.main());
    // The flash keeps its old byte where the image's last byte goes, and acknowledges the write.
    session.Board()->SetBadFlash(kUsb3Fx3Address + static_cast<uint32_t>(image.size()) - 1, 1);
    const HWND settings = session.OpenSettings(L"TKB-20U Setting");
    ASSERT_TRUE(settings);
    const HWND outcome = UpdateFx3(session, settings, file);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(MessageBoxText(outcome), texts.fx3VerifyFailed);
    Dismiss(outcome);
    Settle(settings, IDC_UVC_FPS);
    EXPECT_TRUE(IsWindowVisible(settings));
    // The progress window has gone with the failure.
    EXPECT_EQ(ui::test::FindOwnedDialog(settings), nullptr);
    session.CloseSettings(settings, IDC_SETTING_CANCEL);
    session.Close();
}

}  // namespace
}  // namespace tkbctl::test
