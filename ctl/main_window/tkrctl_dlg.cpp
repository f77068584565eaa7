#include "main_window/tkrctl_dlg.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "board_info/tkb_info_dlg.h"
#include "main_window/register_fields.h"
#include "select_board/sel_board_dlg.h"
#include "setting_dialog/tkb_setting_dlg.h"
#include "startup/startup.h"
#include "ui/data_exchange.h"
#include "ui/wait_cursor.h"

namespace tkbctl {

namespace {

constexpr uint16_t kBoardVendorId = 0x0525;
constexpr uint16_t kBoardProductId = 0xA115;

constexpr uint32_t kFpgaCustomCodeC = 0x080000D8;
constexpr uint32_t kFpgaCustomCodeD = 0x080000DC;
constexpr uint32_t kFpgaFeatures = 0x08000000;
constexpr uint8_t kFeatureLengthPrefixedRead = 0x40;
constexpr uint32_t kFpgaCameraControl = 0x10000000;
constexpr uint32_t kFpgaFGate = 0xB0000000;
constexpr uint32_t kFpgaRestart = 0x08000084;
// The length-prefixed read asks for this many bytes; the first is the count of those that follow.
constexpr uint32_t kLengthPrefixedReadSize = 255;

constexpr const char* kSettingFileTitle = "Open File";
constexpr const char* kSettingFileFilter =
    "Text and Initialize File (*.txt,*.ini)|*.txt;*.ini|CSV File (*.csv)|*.csv|Record File "
    "(*.dat)|*.dat|ALL File (*.*)|*.*|";

// Start-up's questions, answered by the main window's view and the program's services.
class WindowStartupHost final : public StartupHost {
public:
    WindowStartupHost(ui::DialogView& view, MainWindowServices& services)
        : view_(view), services_(services) {}
    std::optional<int> SelectBoard(const std::vector<std::string>& entries) override {
        CSelBoardDlg selection(entries);
        if (view_.RunModal(selection) != ui::kIdOk)
            return std::nullopt;
        return selection.Selected();
    }
    int32_t QueryUsbVersion(uint16_t vendorId, uint16_t productId) override {
        return services_.QueryUsbVersion(vendorId, productId);
    }
    void Pause(std::chrono::milliseconds duration) override { services_.Pause(duration); }

private:
    ui::DialogView& view_;
    MainWindowServices& services_;
};

}  // namespace

CTKRctlDlg::CTKRctlDlg(MainWindowServices& services)
    : DialogImpl(IDD_TKBCTL_DIALOG, ui::EnterKey::RoutesAsOk),
      services_(services),
      control_(identity_, messages_) {}

CTKRctlDlg::~CTKRctlDlg() = default;

const ui::CommandTable<CTKRctlDlg>& CTKRctlDlg::Commands() {
    static const auto table = ui::CommandTable<CTKRctlDlg>()
                                  .OnClicked(IDC_WRITE, &CTKRctlDlg::OnWrite)
                                  .OnClicked(IDC_READ, &CTKRctlDlg::OnRead)
                                  .OnClicked(IDC_SETTING_FILE_WRITE, &CTKRctlDlg::OnSettingFileWrite)
                                  .OnClicked(IDC_TKB_SETTING, &CTKRctlDlg::OnTkbSetting)
                                  .OnClicked(IDC_TKB_INFO, &CTKRctlDlg::OnTkbInfo)
                                  .OnClicked(IDC_WORD_ADDRESS_MODE, &CTKRctlDlg::OnWordAddressMode)
                                  .OnClicked(IDC_RESTART_CONDITION, &CTKRctlDlg::OnRestartCondition)
                                  .OnClicked(IDC_CAMERA_RESET, &CTKRctlDlg::OnCameraReset)
                                  .OnClicked(IDC_CAMERA_POWER, &CTKRctlDlg::OnCameraPower)
                                  .OnClicked(IDC_F_GATE, &CTKRctlDlg::OnFGate)
                                  .OnClicked(IDC_TKB_RESTART, &CTKRctlDlg::OnTkbRestart)
                                  .OnClicked(IDC_CLEAR, &CTKRctlDlg::OnClear)
                                  .OnClicked(IDC_TEST, &CTKRctlDlg::OnTest)
                                  .OnClicked(ui::kIdOk, &CTKRctlDlg::OnEnter)
                                  .OnClicked(ui::kIdCancel, &CTKRctlDlg::OnEscape)
                                  .OnClose(&CTKRctlDlg::OnClose);
    return table;
}

// --- Messages owned by the main window.

void CTKRctlDlg::Show(const ui::Message& message) {
    if (HasWindow() && std::this_thread::get_id() == windowThread_)
        View().ShowMessage(message);
    else
        services_.ShowMessageFromWorker(windowHandle_, message);
}

void CTKRctlDlg::OwnedMessages::ShowMessage(int id) {
    owner_.Show(ui::Message::FromId(id, ui::MessageIcon::Warning));
}

void CTKRctlDlg::OwnedMessages::ShowText(const std::string& text, const std::string& caption) {
    owner_.Show(ui::Message::FromText(text, caption));
}

std::string CTKRctlDlg::SettingFileFields::SlaveAddressText() {
    return owner_.HasWindow() ? owner_.View().Text(IDC_SLAVE_ADDRESS) : std::string();
}

bool CTKRctlDlg::SettingFileFields::WordAddressMode() {
    return owner_.HasWindow() && owner_.View().Checked(IDC_WORD_ADDRESS_MODE) == 1;
}

// --- Start-up and the fields kept in the program INI file.

bool CTKRctlDlg::OnInitDialog() {
    windowThread_ = std::this_thread::get_id();
    windowHandle_ = View().NativeHandle();
    UpdateData(false);
    View().SetIcon(IDR_MAINFRAME);
    programName_ = ProgramNameOf(services_.ExecutableFileName());
    iniPath_ = ProgramIniPath(services_.CurrentDirectory(), programName_);
    LoadFields();

    identity_ = BoardIdentity{};
    WindowStartupHost host(View(), services_);
    const StartupOutcome outcome = RunStartup(control_, identity_, host);
    View().SetCaption(outcome.title);
    for (int id : outcome.disabledControls)
        View().Enable(id, false);
    return true;
}

void CTKRctlDlg::DoDataExchange(ui::DataExchange& exchange) {
    exchange.Check(IDC_CAMERA_POWER, cameraPower_);
}

void CTKRctlDlg::LoadFields() {
    const CIniSection ini(programName_, iniPath_);
    View().SetText(IDC_SLAVE_ADDRESS, ini.GetString("SlaveAddress", ""));
    View().SetText(IDC_SUB_ADDRESS, ini.GetString("SubAddress", ""));
    View().SetText(IDC_WRITE_VALUE, ini.GetString("Value", ""));
    View().SetText(IDC_READ_COUNTS, ini.GetString("ReadCounts", ""));
    View().SetChecked(IDC_WORD_ADDRESS_MODE, ini.GetInt("WordAddress", 0) != 0 ? 1 : 0);
    restartFlag_ = ini.GetInt("Restart", 1);
    View().SetChecked(IDC_RESTART_CONDITION, restartFlag_ != 0 ? 1 : 0);
}

void CTKRctlDlg::SaveFields() {
    const CIniSection ini(programName_, iniPath_);
    // The texts as they stand, blanks included: the user finds them as they were left.
    ini.WriteString("SlaveAddress", View().Text(IDC_SLAVE_ADDRESS));
    ini.WriteString("SubAddress", View().Text(IDC_SUB_ADDRESS));
    ini.WriteString("Value", View().Text(IDC_WRITE_VALUE));
    ini.WriteString("ReadCounts", View().Text(IDC_READ_COUNTS));
    ini.WriteInt("WordAddress", View().Checked(IDC_WORD_ADDRESS_MODE));
    ini.WriteInt("Restart", View().Checked(IDC_RESTART_CONDITION));
}

// --- Register access.

namespace {

// The slave address field, checked; nothing after its message was shown.
template <class ShowFn>
std::optional<uint32_t> CheckedAddress(const std::string& text, int emptyId, int invalidId, ShowFn show) {
    const std::string_view field = StripField(text);
    if (field.empty()) {
        show(emptyId);
        return std::nullopt;
    }
    if (!IsAlphanumeric(field)) {
        show(invalidId);
        return std::nullopt;
    }
    return ParseHex(field);
}

}  // namespace

std::optional<CTKRctlDlg::RegisterTarget> CTKRctlDlg::CheckedTarget() {
    auto show = [this](int id) { messages_.ShowMessage(id); };
    const std::optional<uint32_t> slave = CheckedAddress(
        View().Text(IDC_SLAVE_ADDRESS), IDS_SLAVE_ADDRESS_EMPTY, IDS_SLAVE_ADDRESS_INVALID, show);
    if (!slave)
        return std::nullopt;
    const std::optional<uint32_t> address =
        CheckedAddress(View().Text(IDC_SUB_ADDRESS), IDS_SUB_ADDRESS_EMPTY, IDS_SUB_ADDRESS_INVALID, show);
    if (!address)
        return std::nullopt;
    return RegisterTarget{*slave, *address};
}

void CTKRctlDlg::OnWrite() {
    Write();
}

void CTKRctlDlg::Write() {
    bytes_.clear();
    auto show = [this](int id) { messages_.ShowMessage(id); };
    const std::optional<RegisterTarget> target = CheckedTarget();
    if (!target)
        return;
    const uint32_t slave = target->slave;
    const uint32_t address = target->address;
    const std::string valueText = View().Text(IDC_WRITE_VALUE);
    const std::string_view value = StripField(valueText);
    if (value.empty()) {
        show(IDS_WRITE_VALUE_EMPTY);
        return;
    }
    const bool wordAddress = View().Checked(IDC_WORD_ADDRESS_MODE) == 1;
    bool written = false;
    if (IsNoneValue(value)) {
        written = control_.WriteRegister(slave, address, nullptr, 0, wordAddress);
    } else if (!IsAlphanumericOrComma(value)) {
        show(IDS_WRITE_VALUE_INVALID);
        return;
    } else if (slave == CTkrUsbControl::kFpgaSlave) {
        // FPGA registers take 4 bytes, in list order or the number's most significant byte first.
        if (value.find(',') != std::string_view::npos) {
            bytes_ = ParseValueList(value);
            if (bytes_.size() < 4)
                return;
        } else {
            // A value that holds no number at all (such as "ZZ") would write an arbitrary word:
            // nothing is written and the value is reported as invalid.
            const std::optional<uint32_t> number = ParseFpgaValue(value);
            if (!number) {
                show(IDS_WRITE_VALUE_EMPTY);
                return;
            }
            bytes_ = {uint8_t(*number >> 24), uint8_t(*number >> 16), uint8_t(*number >> 8),
                      uint8_t(*number)};
        }
        written = control_.WriteRegister(slave, address, bytes_.data(), 4, false);
    } else {
        bytes_ = ParseValueList(value);
        written = control_.WriteRegister(slave, address, bytes_.empty() ? nullptr : bytes_.data(),
                                         uint32_t(bytes_.size()), wordAddress);
    }
    if (!written)
        show(IDS_WRITE_REGISTER_FAILED);
}

void CTKRctlDlg::OnRead() {
    UpdateData(true);
    bytes_.clear();
    auto show = [this](int id) { messages_.ShowMessage(id); };
    const std::optional<RegisterTarget> target = CheckedTarget();
    if (!target)
        return;
    const uint32_t slave = target->slave;
    const uint32_t address = target->address;
    const std::optional<int32_t> count = ui::ParseDialogInt(View().Text(IDC_READ_COUNTS));
    if (!count) {
        show(IDS_READ_COUNTS_INVALID);
        return;
    }
    if (*count <= 0) {
        show(IDS_READ_COUNTS_NOT_POSITIVE);
        return;
    }
    // Refused before the buffer is sized: a count such as 2000000000 must not allocate.
    const bool fpga = slave == CTkrUsbControl::kFpgaSlave;
    if (*count > (fpga ? kMaxFpgaReadCount : kMaxI2CReadCount)) {
        show(IDS_READ_COUNTS_TOO_LARGE);
        return;
    }
    bytes_.assign(size_t(*count), 0);

    uint8_t codeC[4] = {};
    uint8_t codeD[4] = {};
    control_.ReadRegister(CTkrUsbControl::kFpgaSlave, kFpgaCustomCodeC, codeC, 4, false, false);
    control_.ReadRegister(CTkrUsbControl::kFpgaSlave, kFpgaCustomCodeD, codeD, 4, false, false);
    if (identity_.modelName == "TKB-20U" && codeC[3] == 'K' && codeD[3] == 'M') {
        uint8_t features[4] = {};
        control_.ReadRegister(CTkrUsbControl::kFpgaSlave, kFpgaFeatures, features, 4, false, false);
        if ((features[3] & kFeatureLengthPrefixedRead) != 0 && !fpga) {
            bytes_.assign(1024, 0);
            if (!control_.ReadRegister(slave, address, bytes_.data(), kLengthPrefixedReadSize, false,
                                       false)) {
                show(IDS_READ_REGISTER_FAILED);
                return;
            }
            // The count byte may claim more than the transfer brought: show only bytes that were read.
            const size_t n = std::min<size_t>(bytes_[0], kLengthPrefixedReadSize - 1);
            AppendReadLine(bytes_.data() + 1, n);
            return;
        }
    }
    const bool wordAddress = View().Checked(IDC_WORD_ADDRESS_MODE) == 1;
    if (!control_.ReadRegister(slave, address, bytes_.data(), uint32_t(bytes_.size()), wordAddress,
                               restartFlag_ != 0)) {
        show(IDS_READ_REGISTER_FAILED);
        return;
    }
    AppendReadLine(bytes_.data(), bytes_.size());
}

void CTKRctlDlg::AppendReadLine(const uint8_t* bytes, size_t count) {
    std::string text = View().Text(IDC_READ_VALUE);
    text += FormatReadLine(bytes, count);
    text += "\r\n";
    View().SetText(IDC_READ_VALUE, text);
    View().ScrollLines(IDC_READ_VALUE, View().LineCount(IDC_READ_VALUE));
}

void CTKRctlDlg::OnClear() {
    View().SetText(IDC_READ_VALUE, "");
}

void CTKRctlDlg::OnRestartCondition() {
    restartFlag_ = View().Checked(IDC_RESTART_CONDITION);
}

// --- The board's control registers.

void CTKRctlDlg::WriteFpgaControl(uint32_t address, uint8_t b2, uint8_t b3) {
    const uint8_t data[4] = {0, 0, b2, b3};
    control_.WriteRegisterDirect(CTkrUsbControl::kFpgaSlave, address, data, 4, true);
}

void CTKRctlDlg::OnCameraReset() {
    WriteFpgaControl(kFpgaCameraControl, 1, View().Checked(IDC_CAMERA_RESET) == 1 ? 1 : 0);
}

void CTKRctlDlg::OnCameraPower() {
    UpdateData(true);
    WriteFpgaControl(kFpgaCameraControl, cameraPower_ == 1 ? 1 : 0, 0);
}

void CTKRctlDlg::OnFGate() {
    WriteFpgaControl(kFpgaFGate, 0, View().Checked(IDC_F_GATE) == 1 ? 0 : 1);
}

void CTKRctlDlg::OnTkbRestart() {
    WaitForSettingFile();
    WriteFpgaControl(kFpgaRestart, 0, 0x80);
    End(0);
}

void CTKRctlDlg::OnTest() {
    for (int i = 0; i <= 254; ++i) {
        if (i % 4 == 3)
            continue;
        char value[16];
        std::snprintf(value, sizeof value, "90,07,01,%02X", i);
        View().SetText(IDC_WRITE_VALUE, value);
        Write();
        View().ProcessPendingMessages();
        // A button pressed meanwhile may have ended the window.
        if (!HasWindow())
            return;
        services_.Pause(std::chrono::milliseconds(2000));
    }
    View().SetText(IDC_READ_VALUE, "");
}

// --- Board settings, setting files, the status report.

void CTKRctlDlg::OnTkbSetting() {
    bytes_.clear();
    if (!LoadSettings(control_, messages_, setting_, transfer_))
        return;
    TKBSettingDlg settings(identity_, services_.SettingDialog());
    settings.SetRecord(&setting_);
    settings.SetControl(&control_);
    // Cancel keeps the board as it is; so does an update, which ends the dialog with 0 once the
    // board holds the new image.
    if (View().RunModal(settings) != ui::kIdOk)
        return;
    ui::WaitCursor wait(View());
    SaveSettings(control_, messages_, identity_, setting_, transfer_);
}

void CTKRctlDlg::OnSettingFileWrite() {
    if (settingFileRunning_) {
        WaitForSettingFile();
        return;
    }
    bytes_.clear();
    const std::optional<std::string> path = View().OpenFile(ui::FileDialogOptions{
        kSettingFileTitle, kSettingFileFilter,
        ui::kFileMustExist | ui::kHideReadOnly | ui::kNoChangeDir | ui::kOverwritePrompt});
    if (!path)
        return;
    settingFilePath_ = *path;
    settingFileRunning_ = true;
    settingFileWorker_.Start(msgDialog_, ui::Command::Close(),
                             [this, file = settingFilePath_](std::stop_token stop) {
                                 settingFileRunner_.Run(file, stop);
                                 settingFileRunning_ = false;
                             });
    RunProgressWindow();
}

void CTKRctlDlg::RunProgressWindow() {
    msgDialog_.RunModal(View(), IDS_APPLYING_SETTING_FILE);
}

void CTKRctlDlg::WaitForSettingFile() {
    while (settingFileRunning_ && HasWindow())
        RunProgressWindow();
    settingFileWorker_.Join();
}

void CTKRctlDlg::OnTkbInfo() {
    if (LaunchPlugin(services_.Plugins(), services_.ExecutableFileName(), View().NativeHandle(), View()) ==
        kPluginRan)
        return;
    CTKBInfoDlg report(&control_, identity_);
    View().RunModal(report);
}

// --- Ending.

void CTKRctlDlg::OnEscape() {
    WaitForSettingFile();
    End(ui::kIdCancel);
}

void CTKRctlDlg::OnClose() {
    WaitForSettingFile();
    SaveFields();
    End(ui::kIdCancel);
}

}  // namespace tkbctl
