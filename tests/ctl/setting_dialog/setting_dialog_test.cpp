// The settings dialog: what it shows of the record by board type, and what "Set" stores back.
#include "setting_dialog_fixture.h"

namespace tkbctl::test {
namespace {

using K = ui::ControlKind;

// The block as a save would write it, with the colour list of the program INI file.
SettingsBlock Encoded(TKBSetting record) {
    SettingsBlock block{};
    record.Encode(block.data(), block.size(), TKBSetting::ColourGuid(ProgramIniFile(), record.UVC_Color));
    return block;
}

TEST_F(SettingDialogTest, DefaultRecordOnABoardOfType1) {
    Board("TKB-20U", 1);
    TKBSetting record;
    Open(&record);
    EXPECT_EQ(view_->Caption(), "TKB-20U Setting");
    for (const int first :
         {IDC_CKIN_54MHZ, IDC_CKIN_DIVIDE_1_1, IDC_BT656_OFF, IDC_PIXEL_CLOCK_RISING, IDC_HSYNC_LOW_ACTIVE,
          IDC_VSYNC_LOW_ACTIVE, IDC_DE_LOW_ACTIVE, IDC_DE_INPUT_OFF, IDC_HDMI_RANGE_LIMITED})
        EXPECT_EQ(view_->Checked(first), 1) << first;
    EXPECT_EQ(view_->Selection(IDC_DECIMATION), 0);
    EXPECT_EQ(view_->ItemText(IDC_ENDIAN_MODE, view_->Selection(IDC_ENDIAN_MODE)), "D0,D1,D2,D3");
    EXPECT_EQ(view_->ItemText(IDC_BIT_SHIFT, view_->Selection(IDC_BIT_SHIFT)), "0 bit");
    EXPECT_EQ(view_->Text(IDC_UVC_WIDTH), "1280");
    EXPECT_EQ(view_->Text(IDC_UVC_HEIGHT), "720");
    EXPECT_EQ(view_->Text(IDC_UVC_FPS), "30");
    ASSERT_EQ(view_->ItemCount(IDC_UVC_COLOR), 2);
    EXPECT_EQ(view_->ItemText(IDC_UVC_COLOR, 1), "NV12");
    EXPECT_EQ(view_->Selection(IDC_UVC_COLOR), 0);
    EXPECT_EQ(view_->ItemCount(IDC_UVC_BOARD_ID), 9);
    EXPECT_EQ(view_->ItemText(IDC_UVC_BOARD_ID, 0), "(None)");
    EXPECT_EQ(view_->Selection(IDC_UVC_BOARD_ID), 0);
    EXPECT_EQ(view_->Text(IDC_CLIPPING_STATE), "OFF");
    // The template's state: no output range, the UVC group as it is.
    EXPECT_FALSE(view_->IsEnabled(IDC_HDMI_RANGE_FULL));
    EXPECT_TRUE(view_->IsEnabled(IDC_UVC_FPS));
    EXPECT_EQ(view_->Text(IDC_ENDIAN_MODE_LABEL), "Endian Mode / Bit Shift");

    // Versions: the library's, and the board's version bytes (FX3 35; FPGA 3.05).
    EXPECT_EQ(view_->Text(IDC_DLL_VERSION), *CTkrUsbControl::LibraryVersion());
    EXPECT_EQ(view_->Text(IDC_FX3_VERSION), "35");
    EXPECT_EQ(view_->Text(IDC_FPGA_VERSION), "3.05");
}

TEST_F(SettingDialogTest, BoardType0ShowsTheOutputRangeAndTheColourOrder) {
    Board("TKB-20", 0);
    TKBSetting record;
    Open(&record);
    EXPECT_EQ(view_->ItemText(IDC_ENDIAN_MODE, 0), "UYVY/BGRG");
    EXPECT_EQ(view_->Selection(IDC_ENDIAN_MODE), 0);
    for (const int id : {IDC_HDMI_RANGE_LABEL, IDC_HDMI_RANGE_LIMITED, IDC_HDMI_RANGE_FULL})
        EXPECT_TRUE(view_->IsEnabled(id));
    for (const int id : {IDC_UVC_FPS_LABEL, IDC_UVC_BOARD_ID_LABEL, IDC_UVC_BOARD_ID, IDC_UVC_FPS})
        EXPECT_FALSE(view_->IsEnabled(id));
    EXPECT_EQ(view_->Text(IDC_UVC_RESOLUTION_LABEL), "Output Resolution");
    EXPECT_EQ(view_->Text(IDC_UVC_COLOR_LABEL), "Input Color Space");
    EXPECT_EQ(view_->Text(IDC_ENDIAN_MODE_LABEL), "CS Swap Mode / Bit Shift");
}

TEST_F(SettingDialogTest, SetWithoutChangesKeepsEveryByteOfTheBlock) {
    Board("TKB-20", 0);
    TKBSetting record;
    record.HDMIRange = 0x10;  // input range full, output range limited
    record.PolarityOfVSync = 1;
    record.CSSwapMode = 2;
    record.EndianBitShift = 0x25;
    record.Decimation = 9;  // a value the list lacks is kept
    record.UVC_Color = 1;
    record.UVC_BoardID = 4;
    record.UVC_FPS = "59.94";
    record.ClipEnable = 1;
    record.CKINOutSelect = 1;
    const SettingsBlock before = Encoded(record);
    Open(&record);
    EXPECT_EQ(view_->Checked(IDC_HDMI_RANGE_LIMITED), 1);
    EXPECT_EQ(view_->Selection(IDC_DECIMATION), -1);
    ASSERT_TRUE(view_->Click(IDC_SETTING_SET));
    EXPECT_EQ(view_->Result(), ui::kIdOk);
    EXPECT_EQ(record.HDMIRange, 0x10);
    EXPECT_EQ(record.Decimation, 9);
    EXPECT_EQ(Encoded(record), before);
    EXPECT_EQ(services_.pauses, 1);
    EXPECT_EQ(view_->WaitCursorShows(), 1);
    EXPECT_EQ(view_->WaitCursorDepth(), 0);
}

TEST_F(SettingDialogTest, SetStoresEachControlInItsField) {
    Board("TKB-20", 0);
    TKBSetting record;
    record.HDMIRange = 0x10;
    record.CKINOutSelect = 5;
    Open(&record);
    view_->Click(IDC_CKIN_54MHZ);
    view_->Click(IDC_DE_HIGH_ACTIVE);
    view_->Click(IDC_HDMI_RANGE_FULL);
    view_->ChooseItem(IDC_ENDIAN_MODE, 2);
    view_->ChooseItem(IDC_BIT_SHIFT, 3);
    view_->ChooseItem(IDC_DECIMATION, 1);
    view_->TypeText(IDC_UVC_WIDTH, " 1920px");
    view_->TypeText(IDC_UVC_HEIGHT, "tall");
    view_->ChooseItem(IDC_UVC_COLOR, 1);
    view_->Click(IDC_SETTING_SET);
    EXPECT_EQ(record.CKINOutSelect, 0);
    EXPECT_EQ(record.PolarityOfDE, 1);
    EXPECT_EQ(record.HDMIRange, 0x11);
    EXPECT_EQ(record.CSSwapMode, 2);
    EXPECT_EQ(record.EndianBitShift, 0x33);  // type 0: the low nibble stays
    EXPECT_EQ(record.Decimation, 1);
    EXPECT_EQ(record.UVC_Width, 1920);
    EXPECT_EQ(record.UVC_Height, 0);
    EXPECT_EQ(record.UVC_Color, 1);
}

TEST_F(SettingDialogTest, ByteOrderListByBoardType) {
    struct Case {
        const char* model;
        int type;
        uint8_t swapAfter, endianAfter;
    };
    // Type 3 shows the byte orders but keeps them in CSSwapMode; types 1, 2, 4 and 10 in the low
    // nibble of EndianBitShift.
    for (const Case& c :
         {Case{"RJQ-10", 3, 1, 0x23}, Case{"TKR-90", 10, 0, 0x21}, Case{"TKB-20W", 4, 0, 0x21}}) {
        SCOPED_TRACE(c.model);
        Board(c.model, c.type);
        TKBSetting record;
        record.CSSwapMode = 0;
        record.EndianBitShift = 0x23;
        Open(&record);
        EXPECT_EQ(view_->ItemText(IDC_ENDIAN_MODE, 0), "D3,D2,D1,D0");
        EXPECT_EQ(view_->Selection(IDC_ENDIAN_MODE), c.type == 3 ? 0 : 3);
        EXPECT_EQ(view_->Selection(IDC_BIT_SHIFT), 2);
        view_->ChooseItem(IDC_ENDIAN_MODE, 1);
        view_->Click(IDC_SETTING_SET);
        EXPECT_EQ(record.CSSwapMode, c.swapAfter);
        EXPECT_EQ(record.EndianBitShift, c.endianAfter);
    }
}

TEST_F(SettingDialogTest, ListsWithoutASelectionStoreMinusOne) {
    Board("TKB-20U", 1);
    ini_->Write("");  // no colour list
    TKBSetting record;
    record.UVC_BoardID = 9;
    Open(&record);
    EXPECT_EQ(view_->ItemCount(IDC_UVC_COLOR), 0);
    EXPECT_EQ(view_->Selection(IDC_UVC_COLOR), -1);
    EXPECT_EQ(view_->Selection(IDC_UVC_BOARD_ID), -1);
    view_->Click(IDC_SETTING_SET);
    EXPECT_EQ(record.UVC_Color, -1);
    EXPECT_EQ(record.UVC_BoardID, -1);
    const SettingsBlock block = Encoded(record);
    EXPECT_EQ(Bytes(block.begin() + 0x8A, block.begin() + 0x8C), (Bytes{0xFF, 0xFF}));
    EXPECT_EQ(Bytes(block.begin() + 0x8E, block.begin() + 0x90), (Bytes{0xFF, 0xFF}));
    EXPECT_EQ(Bytes(block.begin() + 0x90, block.begin() + 0xA0), Bytes(kUyvyGuid.begin(), kUyvyGuid.end()));
}

TEST_F(SettingDialogTest, CancelAndEscapeLeaveTheRecord) {
    Board("TKB-20U", 1);
    TKBSetting record;
    Open(&record);
    view_->TypeText(IDC_UVC_WIDTH, "640");
    view_->Click(IDC_SETTING_CANCEL);
    EXPECT_EQ(view_->Result(), ui::kIdCancel);
    Open(&record);
    view_->TypeText(IDC_UVC_WIDTH, "640");
    view_->PressEscape();
    EXPECT_EQ(view_->Result(), ui::kIdCancel);
    EXPECT_EQ(record.UVC_Width, 1280);
    EXPECT_TRUE(boards_->Frames(0).empty());
}

TEST_F(SettingDialogTest, WithoutRecordOrBoardNothingIsShownOrStored) {
    Board("TKB-20U", 1);
    boards_->Board(0)->Unplug();
    Open(nullptr);
    EXPECT_EQ(view_->Text(IDC_UVC_WIDTH), "");
    EXPECT_EQ(view_->Text(IDC_FX3_VERSION), "??????");
    EXPECT_EQ(view_->Text(IDC_FPGA_VERSION), "??????");
    EXPECT_TRUE(view_->Click(IDC_SETTING_SET));
    EXPECT_EQ(view_->Result(), ui::kIdOk);
    EXPECT_TRUE(view_->Messages().empty());
}

TEST_F(SettingDialogTest, TimingFileOnTheTimingGenerator) {
    Board("TKD-20", 0);
    TKBSetting record;
    record.TimingArea[0x20] = 0x77;
    Open(&record);
    EXPECT_EQ(view_->Text(IDC_CLIPPING_STATE), "Invalid");
    view_->AnswerNextFileDialog(std::nullopt);
    view_->Click(IDC_CLIPPING_DETAIL);
    EXPECT_EQ(record.TimingArea[0], 0);

    const std::string path = (boards_->Path() / "timing.tkd").string();
    std::ofstream(path, std::ios::binary) << "[TKDGenerator]\r\nVSSP=5\r\nHSPR=-1\r\n";
    view_->AnswerNextFileDialog(path);
    view_->Click(IDC_CLIPPING_DETAIL);
    ASSERT_EQ(view_->Messages().size(), 2u);
    EXPECT_EQ(std::get<std::string>(view_->Messages()[1].message.body), "TKD-20");
    EXPECT_EQ(view_->Messages()[1].caption, "TKBctl");
    const ui::FileDialogOptions& asked = view_->FileDialogs().back();
    EXPECT_EQ(asked.title, "Select TKD Setting File");
    EXPECT_EQ(asked.filter, "TKD Setting File (*.tkd)|*.tkd|");
    EXPECT_EQ(asked.flags, unsigned{ui::kFileMustExist | ui::kHideReadOnly | ui::kNoChangeDir});
    EXPECT_EQ(record.TimingArea[0], 0x55);
    EXPECT_EQ(record.TimingArea[0x10], 5);
    EXPECT_EQ(record.TimingArea[0x34], 0xFF);
    EXPECT_EQ(record.TimingArea[0x20], 0);  // HSSP missing: 0
    EXPECT_EQ(view_->Text(IDC_CLIPPING_STATE), "Valid");
    EXPECT_TRUE(view_->ModalRuns().empty());  // no clipping dialog on this board
}

TEST_F(SettingDialogTest, ClippingDetailRefreshesTheBoxAfterEitherEnd) {
    Board("TKB-20U", 1);
    TKBSetting record;
    Open(&record);
    InChild(IDD_CLIPPING_SETTING, ClippingTemplate(), [](ui::MemoryView& clip) {
        clip.Click(IDC_CLIPPING_ENABLE);
        clip.Click(ui::kIdOk);
    });
    view_->Click(IDC_CLIPPING_DETAIL);
    EXPECT_EQ(record.ClipEnable, 1);
    EXPECT_EQ(view_->Text(IDC_CLIPPING_STATE), "ON");
    // The detected input is read just before the dialog opens.
    EXPECT_EQ(boards_->FpgaReads(0), (std::vector<uint32_t>{0x10000040, 0x10000044, 0xB0000004}));
}

TEST_F(SettingDialogTest, SubDialogsOpenModally) {
    Board("TKB-20U", 1);
    TKBSetting record;
    Open(&record);
    InChild(IDD_DIP_SWITCH, DipSwitchTemplate(), [](ui::MemoryView& chart) { chart.CloseWindow(); });
    InChild(IDD_ADVANCED_SETTING, AdvancedTemplate(), [](ui::MemoryView& advanced) {
        advanced.ChooseItem(IDC_I2C_FREQUENCY, 2);
        advanced.Click(ui::kIdOk);
    });
    view_->Click(IDC_SHOW_DIP_SW);
    view_->Click(IDC_ADVANCED_SETTING);
    EXPECT_EQ(view_->ModalRuns(), (std::vector<int>{IDD_DIP_SWITCH, IDD_ADVANCED_SETTING}));
    EXPECT_EQ(record.I2CFrequency, 1);
}

}  // namespace
}  // namespace tkbctl::test
