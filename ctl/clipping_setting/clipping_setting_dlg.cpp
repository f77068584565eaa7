#include "clipping_setting/clipping_setting_dlg.h"

#include <cstdio>
#include <limits>
#include <optional>

#include "ui/data_exchange.h"

namespace tkbctl {

namespace {

constexpr uint32_t kInputWidthCount = 0x10000040;
constexpr uint32_t kInputLineCount = 0x10000044;
constexpr uint32_t kInputPacking = 0xB0000004;

// An FPGA register as a signed 32-bit value (byte 0 most significant); nothing when the read
// failed.
std::optional<int32_t> ReadFpga(CTkrUsbControl& control, uint32_t address) {
    uint8_t bytes[4] = {};
    if (!control.ReadRegister(CTkrUsbControl::kFpgaSlave, address, bytes, sizeof bytes, false, false))
        return std::nullopt;
    return static_cast<int32_t>((uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) |
                                (uint32_t{bytes[2]} << 8) | bytes[3]);
}

// Sixteenths of a count per pixel, by the packing bits: 2 and 3 one pixel a count, 1 half a pixel,
// 0 two pixels.
int32_t PackingFactor(int32_t packing) {
    switch (packing & 3) {
        case 0:
            return 32;
        case 1:
            return 8;
        default:
            return 16;
    }
}

}  // namespace

DetectedResolution DetectResolution(CTkrUsbControl& control) {
    const std::optional<int32_t> count = ReadFpga(control, kInputWidthCount);
    const std::optional<int32_t> lines = ReadFpga(control, kInputLineCount);
    const std::optional<int32_t> packing = ReadFpga(control, kInputPacking);
    DetectedResolution detected;
    if (count && packing) {
        // A width beyond 32 bits is no measurement: it shows as an error, as a negative count does.
        const int64_t scaled = int64_t{*count} * PackingFactor(*packing);
        if (scaled <= std::numeric_limits<int32_t>::max() && scaled >= std::numeric_limits<int32_t>::min())
            detected.width = static_cast<int32_t>(scaled) / 16;
    }
    if (lines)
        detected.height = *lines;
    return detected;
}

CClippingSettingDlg::CClippingSettingDlg() : DialogImpl(IDD_CLIPPING_SETTING) {}

const ui::CommandTable<CClippingSettingDlg>& CClippingSettingDlg::Commands() {
    static const auto table = ui::CommandTable<CClippingSettingDlg>()
                                  .OnClicked(IDC_CLIPPING_ENABLE, &CClippingSettingDlg::OnClippingEnable)
                                  .OnClicked(IDC_CENTERING, &CClippingSettingDlg::OnCentering)
                                  .OnClicked(ui::kIdOk, &CClippingSettingDlg::OnOk);
    return table;
}

void CClippingSettingDlg::DoDataExchange(ui::DataExchange& exchange) {
    exchange.Check(IDC_CLIPPING_ENABLE, enable_);
    exchange.IntRange(IDC_CLIP_X0, x0_, 0, 8191);
    exchange.IntRange(IDC_CLIP_WIDTH, width_, 1, 8192);
    exchange.IntRange(IDC_CLIP_Y0, y0_, 0, 8191);
    exchange.IntRange(IDC_CLIP_HEIGHT, height_, 1, 8191);
}

bool CClippingSettingDlg::OnInitDialog() {
    if (record_) {
        enable_ = record_->ClipEnable != 0 ? 1 : 0;
        x0_ = record_->ClipX0;
        width_ = record_->ClipWidth;
        y0_ = record_->ClipY0;
        height_ = record_->ClipHeight;
        if (enable_ != 0)
            EnablePosition(true);
    }
    std::string resolution = "(No Input)";
    if (detected_.width < 0 || detected_.height < 0) {
        resolution = "(Error)";
    } else if (detected_.width != 0 || detected_.height != 0) {
        char text[32];
        std::snprintf(text, sizeof text, "%d x %d", detected_.width, detected_.height);
        resolution = text;
    }
    View().SetText(IDC_DETECTED_RESOLUTION, resolution);
    UpdateData(false);
    return true;
}

void CClippingSettingDlg::EnablePosition(bool enabled) {
    for (const int id : {IDC_CLIP_X0, IDC_CLIP_WIDTH, IDC_CLIP_Y0, IDC_CLIP_HEIGHT})
        View().Enable(id, enabled);
}

void CClippingSettingDlg::OnClippingEnable() {
    UpdateData(true);
    EnablePosition(View().Checked(IDC_CLIPPING_ENABLE) == 1);
}

void CClippingSettingDlg::OnCentering() {
    if (detected_.width <= 0 || detected_.height <= 0)
        return;
    if (!UpdateData(true))
        return;
    // A window larger than the input keeps its offset on that axis.
    if (detected_.width - width_ >= 0)
        x0_ = (detected_.width - width_) / 2;
    if (detected_.height - height_ >= 0)
        y0_ = (detected_.height - height_) / 2;
    UpdateData(false);
}

void CClippingSettingDlg::OnOk() {
    if (!UpdateData(true))
        return;
    if (record_) {
        record_->ClipEnable = enable_ != 0 ? 1 : 0;
        record_->ClipX0 = x0_;
        record_->ClipY0 = y0_;
        record_->ClipWidth = width_;
        record_->ClipHeight = height_;
    }
    End(ui::kIdOk);
}

}  // namespace tkbctl
