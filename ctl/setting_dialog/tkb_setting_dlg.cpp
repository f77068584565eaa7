#include "setting_dialog/tkb_setting_dlg.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "advanced_setting/advanced_setting.h"
#include "clipping_setting/clipping_setting_dlg.h"
#include "dip_switch/dip_sw_dlg.h"
#include "setting_dialog/update_procedure.h"
#include "settings/timing_file.h"
#include "ui/data_exchange.h"
#include "ui/wait_cursor.h"

namespace tkbctl {

namespace {

constexpr const char* kUnknownVersion = "??????";
constexpr uint32_t kVersionInfoLength = 10;
constexpr std::chrono::milliseconds kSetSettleTime{200};
// Texts read from the UVC boxes, as the record keeps them.
constexpr size_t kUvcTextLimit = 127;
// Colour list entries asked for; the list ends at the first missing one.
constexpr int32_t kMaxUvcColours = 16;

constexpr const char* kTimingFileTitle = "Select TKD Setting File";
constexpr const char* kTimingFileFilter = "TKD Setting File (*.tkd)|*.tkd|";

// A radio pair and its register byte: the first button stands for 0, the second for 1 (any
// nonzero byte shows as the second).
struct RadioPair {
    int zero;
    int one;
    uint8_t TKBSetting::*field;
};

constexpr RadioPair kRadioPairs[] = {
    {IDC_CKIN_54MHZ, IDC_CKIN_48MHZ, &TKBSetting::CKINOutSelect},
    {IDC_CKIN_DIVIDE_1_1, IDC_CKIN_DIVIDE_1_2, &TKBSetting::CKINOutDivide},
    {IDC_BT656_OFF, IDC_BT656_ON, &TKBSetting::ITU_BT656Mode},
    {IDC_PIXEL_CLOCK_RISING, IDC_PIXEL_CLOCK_FALLING, &TKBSetting::PolarityOfPixelClockEdge},
    {IDC_HSYNC_LOW_ACTIVE, IDC_HSYNC_HIGH_ACTIVE, &TKBSetting::PolarityOfHSync},
    {IDC_VSYNC_LOW_ACTIVE, IDC_VSYNC_HIGH_ACTIVE, &TKBSetting::PolarityOfVSync},
    {IDC_DE_LOW_ACTIVE, IDC_DE_HIGH_ACTIVE, &TKBSetting::PolarityOfDE},
    {IDC_DE_INPUT_OFF, IDC_DE_INPUT_ON, &TKBSetting::DEInputMode},
};

void ShowPair(ui::DialogView& view, int zero, int one, bool second) {
    view.SetChecked(zero, second ? 0 : 1);
    view.SetChecked(one, second ? 1 : 0);
}

// The leading decimal integer of at most kUvcTextLimit characters of a box; 0 when there is none.
// Values beyond 32 bits give the nearest 32-bit value.
int32_t LeadingInteger(const std::string& text) {
    const std::string head = text.substr(0, kUvcTextLimit);
    const long long value = std::strtoll(head.c_str(), nullptr, 10);
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

std::string Decimal(int32_t value) {
    return std::to_string(value);
}

}  // namespace

TKBSettingDlg::TKBSettingDlg(const BoardIdentity& identity, SettingDialogServices& services)
    : DialogImpl(IDD_TKB_SETTING), identity_(identity), services_(services) {}

const ui::CommandTable<TKBSettingDlg>& TKBSettingDlg::Commands() {
    static const auto table = ui::CommandTable<TKBSettingDlg>()
                                  .OnClicked(IDC_SETTING_SET, &TKBSettingDlg::OnSet)
                                  .OnClicked(IDC_SETTING_CANCEL, &TKBSettingDlg::OnCancel)
                                  .OnClicked(IDC_SHOW_DIP_SW, &TKBSettingDlg::OnShowDipSw)
                                  .OnClicked(IDC_CLIPPING_DETAIL, &TKBSettingDlg::OnDetail)
                                  .OnClicked(IDC_ADVANCED_SETTING, &TKBSettingDlg::OnAdvancedSetting)
                                  .OnClicked(IDC_FX3_UPDATE, &TKBSettingDlg::OnFx3Update)
                                  .OnClicked(IDC_FPGA_UPDATE, &TKBSettingDlg::OnFpgaUpdate)
                                  .OnClicked(IDC_MULTI_UPDATE, &TKBSettingDlg::OnMultiUpdate);
    return table;
}

bool TKBSettingDlg::Route(const ui::Command& command) {
    if (updating_)
        return true;
    return DialogImpl::Route(command);
}

void TKBSettingDlg::DoDataExchange(ui::DataExchange& exchange) {
    exchange.Text(IDC_CLIPPING_STATE, clippingText_);
}

bool TKBSettingDlg::ByteOrderInEndianNibble() const {
    switch (identity_.boardType) {
        case 1:
        case 2:
        case 4:
        case 10:
            return true;
        default:
            return false;
    }
}

// --- Initialisation and display.

bool TKBSettingDlg::OnInitDialog() {
    FillLists();
    View().SetCaption(identity_.modelName + " Setting");
    AdaptToBoardType();
    ShowRecord();
    ShowVersions();
    return true;
}

void TKBSettingDlg::FillLists() {
    ui::DialogView& view = View();
    ui::FillList(view, IDC_DECIMATION, {"1/1", "1/2", "1/3", "1/4"});
    ui::FillList(view, IDC_BIT_SHIFT, {"0 bit", "2 bit", "4 bit", "6 bit"});
    if (identity_.boardType == 0)
        ui::FillList(view, IDC_ENDIAN_MODE, {"UYVY/BGRG", "YUYV/GBGR", "VYUY/RGBG", "YVYU/GRGB"});
    else
        ui::FillList(view, IDC_ENDIAN_MODE, {"D3,D2,D1,D0", "D2,D3,D0,D1", "D1,D0,D3,D2", "D0,D1,D2,D3"});
    ui::FillList(view, IDC_UVC_BOARD_ID, {"(None)", "1", "2", "3", "4", "5", "6", "7", "8"});
}

// Boards of type 0 have an HDMI output whose range they set, and take their UVC format from the
// input, so the UVC group describes the output and the parts they do not use are disabled.
void TKBSettingDlg::AdaptToBoardType() {
    if (identity_.boardType != 0)
        return;
    ui::DialogView& view = View();
    for (const int id : {IDC_HDMI_RANGE_LABEL, IDC_HDMI_RANGE_LIMITED, IDC_HDMI_RANGE_FULL})
        view.Enable(id, true);
    view.SetText(IDC_UVC_RESOLUTION_LABEL, "Output Resolution");
    view.SetText(IDC_UVC_COLOR_LABEL, "Input Color Space");
    for (const int id : {IDC_UVC_FPS_LABEL, IDC_UVC_BOARD_ID_LABEL, IDC_UVC_BOARD_ID, IDC_UVC_FPS})
        view.Enable(id, false);
    view.SetText(IDC_ENDIAN_MODE_LABEL, "CS Swap Mode / Bit Shift");
}

void TKBSettingDlg::ShowRecord() {
    if (!record_)
        return;
    ui::DialogView& view = View();
    for (const RadioPair& pair : kRadioPairs)
        ShowPair(view, pair.zero, pair.one, record_->*pair.field != 0);
    // The low nibble is the output range; the high nibble, the input range, is the advanced
    // dialog's.
    ShowPair(view, IDC_HDMI_RANGE_LIMITED, IDC_HDMI_RANGE_FULL, (record_->HDMIRange & 0x0F) != 0);

    view.Select(IDC_DECIMATION, record_->Decimation);
    view.Select(IDC_ENDIAN_MODE,
                ByteOrderInEndianNibble() ? record_->EndianBitShift & 0x0F : record_->CSSwapMode);
    view.Select(IDC_BIT_SHIFT, record_->EndianBitShift >> 4);

    view.SetText(IDC_UVC_FPS, record_->UVC_FPS);
    view.SetText(IDC_UVC_WIDTH, Decimal(record_->UVC_Width));
    view.SetText(IDC_UVC_HEIGHT, Decimal(record_->UVC_Height));
    ShowUvcColours();
    view.Select(IDC_UVC_BOARD_ID, record_->UVC_BoardID < 0 ? 0 : record_->UVC_BoardID);
    ShowClippingState();
}

void TKBSettingDlg::ShowUvcColours() {
    ui::DialogView& view = View();
    view.ClearItems(IDC_UVC_COLOR);
    for (int32_t index = 0; index < kMaxUvcColours; ++index) {
        UvcGuid guid;
        std::string name;
        if (TKBSetting::LookupUvcColor(index, guid, name) != 0)
            break;
        view.AddItem(IDC_UVC_COLOR, name);
    }
    view.Select(IDC_UVC_COLOR, record_->UVC_Color < 0 ? 0 : record_->UVC_Color);
}

void TKBSettingDlg::ShowClippingState() {
    if (HasTimingArea(identity_))
        clippingText_ = record_->TimingArea[0] == kTimingAreaValid ? "Valid" : "Invalid";
    else
        clippingText_ = record_->ClipEnable != 0 ? "ON" : "OFF";
    UpdateData(false);
}

void TKBSettingDlg::ShowVersions() {
    ui::DialogView& view = View();
    for (const int id : {IDC_DLL_VERSION, IDC_FX3_VERSION, IDC_FPGA_VERSION})
        view.SetText(id, kUnknownVersion);
    if (const std::optional<std::string> library = CTkrUsbControl::LibraryVersion())
        view.SetText(IDC_DLL_VERSION, *library);
    if (!control_)
        return;
    uint8_t version[kVersionInfoLength] = {};
    if (!control_->ReadVersionInfo(kVersionInfoLength, version))
        return;
    char text[16];
    std::snprintf(text, sizeof text, "%d", version[0]);
    view.SetText(IDC_FX3_VERSION, text);
    std::snprintf(text, sizeof text, "%x.%02x", version[2], version[1]);
    view.SetText(IDC_FPGA_VERSION, text);
}

// --- "Set" and "Cancel".

void TKBSettingDlg::StoreRecord() {
    ui::DialogView& view = View();
    for (const RadioPair& pair : kRadioPairs)
        record_->*pair.field = view.Checked(pair.zero) == 1 ? 0 : 1;
    const uint8_t inputRange = record_->HDMIRange & 0xF0;
    record_->HDMIRange = view.Checked(IDC_HDMI_RANGE_LIMITED) == 1 ? inputRange : inputRange | 0x01;

    // A register list left without a selection (its byte held a value the list has no item for)
    // keeps the byte as the board had it.
    if (const int decimation = view.Selection(IDC_DECIMATION); decimation >= 0)
        record_->Decimation = static_cast<uint8_t>(decimation);
    uint8_t byteOrder = record_->EndianBitShift & 0x0F;
    if (const int order = view.Selection(IDC_ENDIAN_MODE); order >= 0) {
        if (ByteOrderInEndianNibble())
            byteOrder = static_cast<uint8_t>(order);
        else
            record_->CSSwapMode = static_cast<uint8_t>(order);
    }
    uint8_t bitShift = record_->EndianBitShift >> 4;
    if (const int shift = view.Selection(IDC_BIT_SHIFT); shift >= 0)
        bitShift = static_cast<uint8_t>(shift);
    record_->EndianBitShift = static_cast<uint8_t>(byteOrder | bitShift << 4);

    record_->UVC_FPS = view.Text(IDC_UVC_FPS).substr(0, kUvcTextLimit);
    record_->UVC_Width = LeadingInteger(view.Text(IDC_UVC_WIDTH));
    record_->UVC_Height = LeadingInteger(view.Text(IDC_UVC_HEIGHT));
    // -1: no entry chosen; the block then carries the UYVY format and 0xFFFF.
    record_->UVC_Color = view.Selection(IDC_UVC_COLOR);
    record_->UVC_BoardID = view.Selection(IDC_UVC_BOARD_ID);
}

void TKBSettingDlg::OnSet() {
    ui::WaitCursor wait(View());
    if (record_)
        StoreRecord();
    services_.Pause(kSetSettleTime);
    End(ui::kIdOk);
}

void TKBSettingDlg::OnCancel() {
    End(ui::kIdCancel);
}

// --- The sub-dialogs and the timing file.

void TKBSettingDlg::OnShowDipSw() {
    CDipSWDlg chart(identity_);
    View().RunModal(chart);
}

void TKBSettingDlg::OnAdvancedSetting() {
    CAdvancedSetting advanced(identity_);
    advanced.SetRecord(record_);
    View().RunModal(advanced);
}

void TKBSettingDlg::OnDetail() {
    if (HasTimingArea(identity_))
        LoadTimingFile();
    else
        EditClipping();
}

void TKBSettingDlg::LoadTimingFile() {
    ui::DialogView& view = View();
    view.ShowMessage(ui::Message::FromText("TKD-20"));
    const std::optional<std::string> path = view.OpenFile(ui::FileDialogOptions{
        kTimingFileTitle, kTimingFileFilter, ui::kFileMustExist | ui::kHideReadOnly | ui::kNoChangeDir});
    if (!path || !record_)
        return;
    tkbctl::LoadTimingFile(*path, record_);
    ShowClippingState();
}

void TKBSettingDlg::EditClipping() {
    CClippingSettingDlg clipping;
    clipping.SetClipping(record_);
    if (control_)
        clipping.SetDetected(DetectResolution(*control_));
    View().RunModal(clipping);
    if (record_)
        ShowClippingState();
}

// --- Firmware updates.

void TKBSettingDlg::Update(FirmwareKind kind) {
    if (!control_)
        return;
    updating_ = true;
    const bool updated = RunUpdateProcedure(View(), *control_, identity_, services_, kind);
    updating_ = false;
    if (!updated)
        return;
    control_->CloseBoard();
    End(0);
}

}  // namespace tkbctl
