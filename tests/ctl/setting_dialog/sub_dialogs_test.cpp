// The advanced, DIP switch and clipping dialogs on their own, and the detected input resolution
// read from a virtual board's FPGA.
#include "advanced_setting/advanced_setting.h"
#include "clipping_setting/clipping_setting_dlg.h"
#include "dip_switch/dip_sw_dlg.h"
#include "setting_dialog_fixture.h"
#include "ui/data_exchange.h"

namespace tkbctl::test {
namespace {

struct Advanced {
    Advanced(const BoardIdentity& identity, TKBSetting* record) : dialog(identity) {
        dialog.SetRecord(record);
        view.Open();
    }
    std::string Shown(int id) {
        const int selected = view.Selection(id);
        return selected < 0 ? "" : view.ItemText(id, selected);
    }
    CAdvancedSetting dialog;
    ui::MemoryView view{dialog, AdvancedTemplate()};
};

TEST(AdvancedSetting, I2CFrequencyBothWays) {
    const BoardIdentity identity{"TKB-20U", 1};
    for (const auto& [code, shown, stored] :
         {std::tuple{uint8_t{15}, "100kHz", 15}, std::tuple{uint8_t{7}, "100kHz", 15},
          std::tuple{uint8_t{6}, "200kHz", 6}, std::tuple{uint8_t{1}, "400kHz", 1}}) {
        SCOPED_TRACE(code);
        TKBSetting record;
        record.I2CFrequency = code;
        Advanced advanced(identity, &record);
        EXPECT_EQ(advanced.Shown(IDC_I2C_FREQUENCY), shown);
        advanced.view.Click(ui::kIdOk);
        EXPECT_EQ(record.I2CFrequency, stored);
    }
}

TEST(AdvancedSetting, DelayIsShownOnlyForZeroAndNeverChanged) {
    const BoardIdentity identity{"TKB-20U", 1};
    TKBSetting record;  // delay 20
    Advanced advanced(identity, &record);
    EXPECT_EQ(advanced.Shown(IDC_I2C_DELAY), "");
    EXPECT_FALSE(advanced.view.IsEnabled(IDC_I2C_DELAY));
    EXPECT_FALSE(advanced.view.IsEnabled(IDC_HDMI_INPUT_RANGE));  // type 1
    advanced.view.ChooseItem(IDC_SW1_FUNCTION, 1);
    advanced.view.Click(ui::kIdOk);
    EXPECT_EQ(record.I2CDelay, 20);
    EXPECT_EQ(record.SW1Function, 1);

    record.I2CDelay = 0;
    Advanced zero(identity, &record);
    EXPECT_EQ(zero.Shown(IDC_I2C_DELAY), "N/A");
}

TEST(AdvancedSetting, HdmiInputRangeIsTheHighNibbleOnType0) {
    const BoardIdentity identity{"TKB-20", 0};
    TKBSetting record;
    record.HDMIRange = 0x01;
    Advanced advanced(identity, &record);
    EXPECT_EQ(advanced.Shown(IDC_HDMI_INPUT_RANGE), "HDTV Limited");
    ASSERT_TRUE(advanced.view.ChooseItem(IDC_HDMI_INPUT_RANGE, 1));
    advanced.view.Click(ui::kIdOk);
    EXPECT_EQ(record.HDMIRange, 0x11);

    // Cancel changes nothing; bytes the lists have no item for are kept on OK.
    record.HDMIRange = 0x31;
    record.SW1Function = 7;
    Advanced unknown(identity, &record);
    unknown.view.ChooseItem(IDC_I2C_FREQUENCY, 2);
    unknown.view.Click(ui::kIdCancel);
    EXPECT_EQ(record.I2CFrequency, 6);
    Advanced kept(identity, &record);
    kept.view.Click(ui::kIdOk);
    EXPECT_EQ(record.HDMIRange, 0x31);
    EXPECT_EQ(record.SW1Function, 7);
}

TEST(DipSwitch, ChartByBoardType) {
    auto open = [](int type, auto check) {
        const BoardIdentity identity{"board", type};
        CDipSWDlg chart(identity);
        ui::MemoryView view(chart, DipSwitchTemplate());
        view.Open();
        check(view);
        view.CloseWindow();
        EXPECT_EQ(view.Result(), ui::kIdCancel);
    };
    open(0, [](ui::MemoryView& view) {
        for (const int id : {IDC_DIP2_FUNCTION, IDC_DIP4_ON, IDC_DIP5_OFF, IDC_DIP6_FUNCTION, IDC_DIP7_ON})
            EXPECT_TRUE(view.IsEnabled(id)) << id;
        for (const int id : {IDC_DIP8_FUNCTION, IDC_DIP8_OFF, IDC_DIP8_ON})
            EXPECT_FALSE(view.IsEnabled(id)) << id;
        EXPECT_FALSE(view.IsVisible(IDC_DIP_POWER_ON_NOTE));
    });
    for (const int type : {2, 3}) {
        open(type, [](ui::MemoryView& view) {
            for (const int id : {IDC_DIP1_FUNCTION, IDC_DIP2_FUNCTION, IDC_DIP4_FUNCTION, IDC_DIP5_FUNCTION,
                                 IDC_DIP6_FUNCTION}) {
                EXPECT_EQ(view.Text(id), "Reserved");
                EXPECT_FALSE(view.IsEnabled(id));
                EXPECT_TRUE(view.IsVisible(id));
            }
            for (const int id : {IDC_DIP1_OFF, IDC_DIP1_ON, IDC_DIP6_ON, IDC_DIP7_NUMBER, IDC_DIP7_FUNCTION,
                                 IDC_DIP8_NUMBER, IDC_DIP8_ON, IDC_DIP_POWER_ON_NOTE})
                EXPECT_FALSE(view.IsVisible(id)) << id;
            EXPECT_TRUE(view.IsVisible(IDC_DIP3_ON));
        });
    }
    open(10, [](ui::MemoryView& view) {
        EXPECT_FALSE(view.IsEnabled(IDC_DIP2_FUNCTION));
        EXPECT_TRUE(view.IsVisible(IDC_DIP_POWER_ON_NOTE));
        EXPECT_EQ(view.Text(IDC_DIP1_FUNCTION), "text");
    });
}

class DetectedResolutionTest : public ::testing::Test {
protected:
    DetectedResolution Detect(uint32_t a, uint32_t b, uint32_t c) {
        board_->WriteFpga(0x10000040, a);
        board_->WriteFpga(0x10000044, b);
        board_->WriteFpga(0xB0000004, c);
        return DetectResolution(control_);
    }
    VirtualBoards boards_{{"TKB-20U"}};
    std::shared_ptr<tkbsim::Board> board_ = boards_.Board(0);
    BoardIdentity identity_{"TKB-20U", 1};
    RecordingMessages messages_;
    CTkrUsbControl control_{identity_, messages_};
};

TEST_F(DetectedResolutionTest, WidthScalesWithThePackingBits) {
    EXPECT_EQ(Detect(1920, 1080, 0xF6).width, 1920);  // low bits 2
    EXPECT_EQ(Detect(1920, 1080, 3).width, 1920);
    EXPECT_EQ(Detect(1920, 1080, 1).width, 960);
    const DetectedResolution wide = Detect(1920, 1080, 0x100);
    EXPECT_EQ(wide.width, 3840);
    EXPECT_EQ(wide.height, 1080);
    // A count with its top bit set, or one whose pixels overflow 32 bits, is an error.
    EXPECT_LT(Detect(0x80000000, 1080, 2).width, 0);
    EXPECT_LT(Detect(0x7FFFFFFF, 1080, 0).width, 0);
    EXPECT_LT(Detect(1920, 0xFFFFFFFF, 2).height, 0);
    // A board that does not answer gives no resolution.
    board_->Unplug();
    const DetectedResolution none = DetectResolution(control_);
    EXPECT_EQ(none.width, -1);
    EXPECT_EQ(none.height, -1);
}

struct Clipping {
    explicit Clipping(TKBSetting* record, DetectedResolution detected) {
        dialog.SetClipping(record);
        dialog.SetDetected(detected);
        view.Open();
    }
    CClippingSettingDlg dialog;
    ui::MemoryView view{dialog, ClippingTemplate()};
};

TEST(ClippingSetting, DetectedResolutionTexts) {
    TKBSetting record;
    EXPECT_EQ(Clipping(&record, {1920, 1080}).view.Text(IDC_DETECTED_RESOLUTION), "1920 x 1080");
    EXPECT_EQ(Clipping(&record, {0, 0}).view.Text(IDC_DETECTED_RESOLUTION), "(No Input)");
    EXPECT_EQ(Clipping(&record, {0, 480}).view.Text(IDC_DETECTED_RESOLUTION), "0 x 480");
    EXPECT_EQ(Clipping(&record, {1920, -1}).view.Text(IDC_DETECTED_RESOLUTION), "(Error)");
    // Opened without a wrapper: nothing was detected, and Centering does nothing.
    record.ClipX0 = 5;
    record.ClipWidth = 100;
    Clipping unknown(&record, {});
    EXPECT_EQ(unknown.view.Text(IDC_DETECTED_RESOLUTION), "(Error)");
    unknown.view.Click(IDC_CENTERING);
    EXPECT_EQ(unknown.view.Text(IDC_CLIP_X0), "5");
}

TEST(ClippingSetting, ShowsTheRecordAndEnablesThePositionWithTheCheckBox) {
    TKBSetting record;
    Clipping clipping(&record, {1920, 1080});
    EXPECT_EQ(clipping.view.Text(IDC_CLIP_WIDTH), "8191");
    EXPECT_EQ(clipping.view.Checked(IDC_CLIPPING_ENABLE), 0);
    EXPECT_FALSE(clipping.view.IsEnabled(IDC_CLIP_X0));
    clipping.view.Click(IDC_CLIPPING_ENABLE);
    for (const int id : {IDC_CLIP_X0, IDC_CLIP_WIDTH, IDC_CLIP_Y0, IDC_CLIP_HEIGHT})
        EXPECT_TRUE(clipping.view.IsEnabled(id));
    clipping.view.Click(IDC_CLIPPING_ENABLE);
    EXPECT_FALSE(clipping.view.IsEnabled(IDC_CLIP_HEIGHT));

    record.ClipEnable = 1;
    Clipping enabled(&record, {1920, 1080});
    EXPECT_EQ(enabled.view.Checked(IDC_CLIPPING_ENABLE), 1);
    EXPECT_TRUE(enabled.view.IsEnabled(IDC_CLIP_Y0));
}

TEST(ClippingSetting, CenteringInTheDetectedInput) {
    TKBSetting record;
    record.ClipEnable = 1;
    record.ClipX0 = 7;
    record.ClipY0 = 9;
    Clipping clipping(&record, {1920, 1080});
    clipping.view.TypeText(IDC_CLIP_WIDTH, "1280");
    clipping.view.TypeText(IDC_CLIP_HEIGHT, "720");
    clipping.view.Click(IDC_CENTERING);
    EXPECT_EQ(clipping.view.Text(IDC_CLIP_X0), "320");
    EXPECT_EQ(clipping.view.Text(IDC_CLIP_Y0), "180");
    // Wider than the input: x0 stays, y0 is still centred.
    clipping.view.TypeText(IDC_CLIP_X0, "11");
    clipping.view.TypeText(IDC_CLIP_WIDTH, "2000");
    clipping.view.TypeText(IDC_CLIP_HEIGHT, "1079");
    clipping.view.Click(IDC_CENTERING);
    EXPECT_EQ(clipping.view.Text(IDC_CLIP_X0), "11");
    EXPECT_EQ(clipping.view.Text(IDC_CLIP_Y0), "0");
    EXPECT_EQ(record.ClipX0, 7);  // nothing stored before OK
    clipping.view.Click(ui::kIdOk);
    EXPECT_EQ(record.ClipX0, 11);
    EXPECT_EQ(record.ClipWidth, 2000);
    EXPECT_EQ(record.ClipHeight, 1079);
}

TEST(ClippingSetting, RangesAreCheckedOnOkAndTheDialogStaysOpen) {
    TKBSetting record;
    record.ClipEnable = 1;
    Clipping clipping(&record, {1920, 1080});
    clipping.view.TypeText(IDC_CLIP_WIDTH, "8192");
    clipping.view.TypeText(IDC_CLIP_HEIGHT, "8192");
    clipping.view.Click(ui::kIdOk);
    EXPECT_FALSE(clipping.view.HasEnded());
    ASSERT_EQ(clipping.view.Messages().size(), 1u);
    EXPECT_EQ(clipping.view.Messages()[0].text, ui::IntegerRangeMessage(ui::Language::English, 1, 8191));
    EXPECT_EQ(clipping.view.FocusedControl(), IDC_CLIP_HEIGHT);
    EXPECT_EQ(record.ClipWidth, 8191);
    clipping.view.TypeText(IDC_CLIP_HEIGHT, "8191");
    clipping.view.Click(ui::kIdOk);
    EXPECT_EQ(clipping.view.Result(), ui::kIdOk);
    EXPECT_EQ(record.ClipWidth, 8192);
    EXPECT_EQ(record.ClipEnable, 1);

    Clipping cancelled(&record, {1920, 1080});
    cancelled.view.TypeText(IDC_CLIP_X0, "-1");
    cancelled.view.Click(ui::kIdOk);
    EXPECT_FALSE(cancelled.view.HasEnded());
    cancelled.view.Click(ui::kIdCancel);
    EXPECT_EQ(record.ClipX0, 0);
}

}  // namespace
}  // namespace tkbctl::test
