// CClippingSettingDlg: the clipping window of the settings record, with the input resolution the
// FPGA detects. The record changes only when the dialog closes with OK and every value is in range.
#pragma once

#include <cstdint>

#include "board/tkr_usb_control.h"
#include "clipping_setting/clipping_setting_ids.h"
#include "settings/tkb_setting.h"
#include "ui/dialog.h"

namespace tkbctl {

// The input the FPGA sees; negative values stand for an answer that makes no sense (or none).
struct DetectedResolution {
    int32_t width = -1;
    int32_t height = -1;
};

// Reads the FPGA's input measurement through the wrapper: the width count (0x10000040), the line
// count (0x10000044) and the pixel packing (low two bits of 0xB0000004), which scales the count to
// pixels. A register that cannot be read gives -1 for what depends on it.
DetectedResolution DetectResolution(CTkrUsbControl& control);

class CClippingSettingDlg : public ui::DialogImpl<CClippingSettingDlg> {
public:
    CClippingSettingDlg();

    static const ui::CommandTable<CClippingSettingDlg>& Commands();

    // The record whose clipping fields are shown and, on OK, stored; null changes nothing.
    void SetClipping(TKBSetting* record) { record_ = record; }
    void SetDetected(DetectedResolution detected) { detected_ = detected; }

protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& exchange) override;

private:
    void OnClippingEnable();
    void OnCentering();
    void OnOk();
    void EnablePosition(bool enabled);

    TKBSetting* record_ = nullptr;
    int32_t enable_ = 0;
    int32_t x0_ = 0;
    int32_t width_ = 0;
    int32_t y0_ = 0;
    int32_t height_ = 0;
    DetectedResolution detected_;
};

}  // namespace tkbctl
