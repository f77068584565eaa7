#include "advanced_setting/advanced_setting.h"

namespace tkbctl {

namespace {

// The board's I2C clock codes behind the list items "100kHz", "200kHz", "400kHz". Codes the list
// does not name show as "100kHz", whose own code is then stored.
constexpr uint8_t kI2C100kHz = 15;
constexpr uint8_t kI2C200kHz = 6;
constexpr uint8_t kI2C400kHz = 1;

int FrequencyItem(uint8_t code) {
    if (code == kI2C400kHz)
        return 2;
    if (code == kI2C200kHz)
        return 1;
    return 0;
}

uint8_t FrequencyCode(int item) {
    if (item == 2)
        return kI2C400kHz;
    if (item == 1)
        return kI2C200kHz;
    return kI2C100kHz;
}

}  // namespace

CAdvancedSetting::CAdvancedSetting(const BoardIdentity& identity)
    : DialogImpl(IDD_ADVANCED_SETTING), identity_(identity) {}

const ui::CommandTable<CAdvancedSetting>& CAdvancedSetting::Commands() {
    static const auto table =
        ui::CommandTable<CAdvancedSetting>().OnClicked(ui::kIdOk, &CAdvancedSetting::OnOk);
    return table;
}

bool CAdvancedSetting::OnInitDialog() {
    ui::DialogView& view = View();
    ui::FillList(view, IDC_I2C_FREQUENCY, {"100kHz", "200kHz", "400kHz"});
    ui::FillList(view, IDC_I2C_DELAY, {"N/A"});
    ui::FillList(view, IDC_SW1_FUNCTION, {"Reset Pin", "Disabled"});
    ui::FillList(view, IDC_HDMI_INPUT_RANGE, {"HDTV Limited", "HDTV Full"});
    if (record_) {
        view.Select(IDC_I2C_FREQUENCY, FrequencyItem(record_->I2CFrequency));
        // Only a delay of 0 has an item: any other leaves the box empty.
        view.Select(IDC_I2C_DELAY, record_->I2CDelay);
        view.Select(IDC_SW1_FUNCTION, record_->SW1Function);
        view.Select(IDC_HDMI_INPUT_RANGE, record_->HDMIRange >> 4);
    }
    view.Enable(IDC_I2C_DELAY, false);
    // Only the boards of type 0 have an HDMI input whose range the FPGA converts.
    view.Enable(IDC_HDMI_INPUT_RANGE, identity_.boardType == 0);
    return true;
}

void CAdvancedSetting::OnOk() {
    if (record_) {
        ui::DialogView& view = View();
        record_->I2CFrequency = FrequencyCode(view.Selection(IDC_I2C_FREQUENCY));
        // A list left without a selection (its byte held a value it has no item for) keeps the
        // byte as the board had it.
        if (const int function = view.Selection(IDC_SW1_FUNCTION); function >= 0)
            record_->SW1Function = static_cast<uint8_t>(function);
        if (const int inputRange = view.Selection(IDC_HDMI_INPUT_RANGE); inputRange >= 0)
            record_->HDMIRange = static_cast<uint8_t>((record_->HDMIRange & 0x0F) | (inputRange << 4));
    }
    End(ui::kIdOk);
}

}  // namespace tkbctl
