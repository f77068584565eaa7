// CTKRctlDlg: the control program's main window. It starts the library with itself, finds and
// identifies the board at initialisation, and then gives the engineer register access, the camera
// control lines, board restart, setting files, the board settings and the status report.
//
// It owns, for its whole life, the wrapper, the progress window, the settings record with its
// transfer buffer, and the setting-file worker. Every message box of its actions, the worker's
// included, is owned by its window.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "board/board_identity.h"
#include "board/tkr_usb_control.h"
#include "ini/ini_handler.h"
#include "main_window/main_window_ids.h"
#include "main_window/main_window_services.h"
#include "messages/message_ids.h"
#include "messages/message_sink.h"
#include "progress_window/msg_dialog.h"
#include "setting_files/setting_file_runner.h"
#include "settings/tkb_setting.h"
#include "ui/dialog.h"
#include "ui/worker_thread.h"

namespace tkbctl {

// The largest Read Counts the library can read in one transfer: 255 bytes over I2C, 1023 of FPGA
// register space.
inline constexpr int32_t kMaxI2CReadCount = 255;
inline constexpr int32_t kMaxFpgaReadCount = 1023;

class CTKRctlDlg : public ui::DialogImpl<CTKRctlDlg> {
public:
    // Starts the library (through the wrapper); `services` must outlive the dialog.
    explicit CTKRctlDlg(MainWindowServices& services);
    ~CTKRctlDlg() override;

    static const ui::CommandTable<CTKRctlDlg>& Commands();

    const BoardIdentity& Identity() const { return identity_; }
    CTkrUsbControl& Control() { return control_; }
    // The path of the program INI file, known once the window was initialised.
    const std::string& IniPath() const { return iniPath_; }

protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& exchange) override;

private:
    // Messages of the wrapper and of the worker, in message boxes owned by the main window.
    class OwnedMessages final : public MessageSink {
    public:
        explicit OwnedMessages(CTKRctlDlg& owner) : owner_(owner) {}
        void ShowMessage(int id) override;
        void ShowText(const std::string& text, const std::string& caption) override;

    private:
        CTKRctlDlg& owner_;
    };
    // The main window's fields as the setting-file worker reads them.
    class SettingFileFields final : public SettingFileHost {
    public:
        explicit SettingFileFields(CTKRctlDlg& owner) : owner_(owner) {}
        std::string SlaveAddressText() override;
        bool WordAddressMode() override;

    private:
        CTKRctlDlg& owner_;
    };

    void Show(const ui::Message& message);
    void Show(int stringId) { Show(ui::Message::FromId(stringId)); }
    void LoadFields();
    void SaveFields();
    void EnterNoDeviceState(const std::vector<int>& disabled);

    void OnWrite();
    void OnRead();
    void OnClear();
    void OnWordAddressMode() {}
    void OnRestartCondition();
    void OnCameraReset();
    void OnCameraPower();
    void OnFGate();
    void OnTkbRestart();
    void OnTest();
    void OnTkbSetting();
    void OnSettingFileWrite();
    void OnTkbInfo();
    void OnEnter() {}
    void OnEscape();
    void OnClose();

    // Write with the fields as they stand; false when a check refused them or the write failed.
    void Write();
    // The slave and sub-address fields, checked in that order; nothing after the first message.
    struct RegisterTarget {
        uint32_t slave;
        uint32_t address;
    };
    std::optional<RegisterTarget> CheckedTarget();
    void WriteFpgaControl(uint32_t address, uint8_t b2, uint8_t b3);
    void AppendReadLine(const uint8_t* bytes, size_t count);
    // While a setting file still runs (its progress window was dismissed), shows the progress window
    // again until the run has ended, so that the window and the wrapper outlive the worker.
    void WaitForSettingFile();
    void RunProgressWindow();

    MainWindowServices& services_;
    BoardIdentity identity_;
    OwnedMessages messages_{*this};
    CTkrUsbControl control_;
    TKBSetting setting_;
    SettingsBlock transfer_{};
    std::vector<uint8_t> bytes_;
    int restartFlag_ = 1;
    int cameraPower_ = 1;
    std::string programName_;
    std::string iniPath_;
    std::string settingFilePath_;
    std::thread::id windowThread_;
    std::uintptr_t windowHandle_ = 0;

    UsbControlBoard settingFileBoard_{control_};
    SettingFileFields settingFileFields_{*this};
    SettingFileRunner settingFileRunner_{settingFileBoard_, settingFileFields_, messages_};
    std::atomic<bool> settingFileRunning_{false};
    CMsgDialog msgDialog_;
    // Last: stopped and joined before the progress window and anything the run uses go.
    ui::WorkerThread settingFileWorker_;
};

}  // namespace tkbctl
