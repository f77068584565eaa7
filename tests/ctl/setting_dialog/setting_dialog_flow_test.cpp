// "TKB Setting..." of the main window through to the board: the block read, the settings dialog,
// and the block written back on "Set" only.
#include "main_window/main_window_fixture.h"
#include "setting_dialog_fixture.h"

namespace tkbctl::test {
namespace {

constexpr uint32_t kSettingsAddress = 0x1F0000;
constexpr uint8_t kSpiWrite = 0x04;

class SettingFlowTest : public MainWindowTest {
protected:
    void StartWithBlock(const char* model, TKBSetting record) {
        Start({model});
        ini_ = std::make_unique<ProgramIniInFolder>(boards_->Path());
        ini_->Write(kTwoColours);
        before_ = Encoded(record);
        boards_->Board(0)->WriteFlash(kSettingsAddress, Bytes(before_.begin(), before_.end()));
        boards_->Board(0)->ClearLog();
    }
    static SettingsBlock Encoded(TKBSetting record) {
        SettingsBlock block{};
        record.Encode(block.data(), block.size(), TKBSetting::ColourGuid(ProgramIniFile(), record.UVC_Color));
        return block;
    }
    void InSettings(std::function<void(ui::MemoryView&)> act) {
        view_->DescribeChild(IDD_TKB_SETTING, SettingDialogTemplate(), std::move(act));
    }
    Bytes Flash(size_t length) { return boards_->Board(0)->ReadFlash(kSettingsAddress, uint32_t(length)); }
    size_t SettingsWrites() {
        size_t writes = 0;
        for (const Bytes& head : boards_->FramesOf(0, kSpiWrite))
            writes += (uint32_t(head[2]) << 16 | head[3] << 8 | head[4]) == kSettingsAddress;
        return writes;
    }

    std::unique_ptr<ProgramIniInFolder> ini_;
    SettingsBlock before_{};
};

TEST_F(SettingFlowTest, SetWritesTheChangedFieldsAndTheirChecksumOnly) {
    TKBSetting record;
    record.HDMIRange = 0x10;
    record.UVC_Color = 1;
    StartWithBlock("TKB-20U", record);
    InSettings([](ui::MemoryView& settings) {
        settings.Click(IDC_CKIN_48MHZ);
        settings.TypeText(IDC_UVC_WIDTH, "1920");
        settings.Click(IDC_SETTING_SET);
    });
    ASSERT_TRUE(view_->Click(IDC_TKB_SETTING));
    record.CKINOutSelect = 1;
    record.UVC_Width = 1920;
    const SettingsBlock expected = Encoded(record);
    EXPECT_EQ(Flash(256), Bytes(expected.begin(), expected.begin() + 256));
    size_t changed = 0;
    for (size_t i = 0; i < 256; ++i)
        changed += expected[i] != before_[i];
    EXPECT_LE(changed, 4u);  // the register byte, the width's low byte and the checksum
    EXPECT_EQ(SettingsWrites(), 1u);
    EXPECT_EQ(view_->WaitCursorShows(), 1);
    EXPECT_TRUE(view_->Messages().empty());
}

TEST_F(SettingFlowTest, TimingGeneratorWritesTheWholeBlock) {
    TKBSetting record;
    StartWithBlock("TKD-20", record);
    const std::string path = (boards_->Path() / "t.tkd").string();
    std::ofstream(path, std::ios::binary) << "[TKDGenerator]\r\nPicWidth=1920\r\n";
    view_->AnswerNextFileDialog(path);
    InSettings([](ui::MemoryView& settings) {
        settings.Click(IDC_CLIPPING_DETAIL);
        settings.Click(IDC_SETTING_SET);
    });
    view_->Click(IDC_TKB_SETTING);
    const Bytes flash = Flash(512);
    EXPECT_EQ(flash[0x100], 0x55);
    EXPECT_EQ(Bytes(flash.begin() + 0x160, flash.begin() + 0x164), (Bytes{0x80, 0x07, 0, 0}));
}

TEST_F(SettingFlowTest, CancelAndAnUpdateWriteNoSettings) {
    TKBSetting record;
    StartWithBlock("TKB-20", record);
    InSettings([](ui::MemoryView& settings) {
        settings.TypeText(IDC_UVC_WIDTH, "1");
        settings.Click(IDC_SETTING_CANCEL);
    });
    view_->Click(IDC_TKB_SETTING);
    EXPECT_EQ(SettingsWrites(), 0u);

    const std::string image = (boards_->Path() / "fw.img").string();
    std::ofstream(image, std::ios::binary) << "firmware";
    view_->AnswerNextFileDialog(image);
    InSettings([](ui::MemoryView& settings) {
        settings.TypeText(IDC_UVC_WIDTH, "1");
        settings.Click(IDC_FX3_UPDATE);
        EXPECT_EQ(settings.Result(), 0);
    });
    view_->Click(IDC_TKB_SETTING);
    EXPECT_EQ(boards_->Board(0)->ReadFlash(0x100000, 8), (Bytes{'f', 'i', 'r', 'm', 'w', 'a', 'r', 'e'}));
    EXPECT_EQ(SettingsWrites(), 0u);
    EXPECT_EQ(Flash(512), Bytes(before_.begin(), before_.end()));
    EXPECT_EQ(MessageIds(*view_), (std::vector<int>{12011, 12008}));
}

TEST_F(SettingFlowTest, FailedSaveShowsItsMessage) {
    TKBSetting record;
    StartWithBlock("TKB-20U", record);
    InSettings([this](ui::MemoryView& settings) {
        boards_->Board(0)->RefuseCommand(kSpiWrite, 0x01);
        settings.Click(IDC_SETTING_SET);
    });
    view_->Click(IDC_TKB_SETTING);
    EXPECT_EQ(MessageIds(*view_), std::vector<int>{IDS_WRITE_SETTINGS_FAILED});
    EXPECT_EQ(Flash(512), Bytes(before_.begin(), before_.end()));
}

}  // namespace
}  // namespace tkbctl::test
