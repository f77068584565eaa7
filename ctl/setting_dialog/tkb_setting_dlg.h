// TKBSettingDlg: the board settings dialog. It shows the settings record the main window read from
// the board, stores the user's choices back into it on "Set" (the main window then writes it), and
// carries the sub-dialogs, the timing file of the timing generator, the version display and the
// firmware updates.
#pragma once

#include <string>

#include "board/board_identity.h"
#include "board/tkr_usb_control.h"
#include "setting_dialog/setting_dialog_ids.h"
#include "setting_dialog/setting_dialog_services.h"
#include "settings/tkb_setting.h"
#include "ui/dialog.h"
#include "update/firmware_update.h"

namespace tkbctl {

class TKBSettingDlg : public ui::DialogImpl<TKBSettingDlg> {
public:
    // `identity` and `services` must outlive the dialog's run.
    TKBSettingDlg(const BoardIdentity& identity, SettingDialogServices& services);

    static const ui::CommandTable<TKBSettingDlg>& Commands();

    // The record shown and changed; without one nothing is shown or stored.
    void SetRecord(TKBSetting* record) { record_ = record; }
    // The main window's wrapper: the board's versions, its detected input and the updates go
    // through it; without one the versions stay unknown and the updates do nothing.
    void SetControl(CTkrUsbControl* control) { control_ = control; }

protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& exchange) override;
    // While an update blocks the window's thread, commands that slip in are dropped.
    bool Route(const ui::Command& command) override;

private:
    void OnSet();
    void OnCancel();
    void OnShowDipSw();
    void OnDetail();
    void OnAdvancedSetting();
    void OnFx3Update() { Update(FirmwareKind::kFx3); }
    void OnFpgaUpdate() { Update(FirmwareKind::kFpga); }
    void OnMultiUpdate() { Update(FirmwareKind::kMulti); }

    void FillLists();
    void AdaptToBoardType();
    void ShowRecord();
    void ShowUvcColours();
    void ShowClippingState();
    void ShowVersions();
    void StoreRecord();
    void LoadTimingFile();
    void EditClipping();
    void Update(FirmwareKind kind);
    // List 1059 holds the byte order of the bus (low nibble of EndianBitShift) rather than the
    // colour component order (CSSwapMode).
    bool ByteOrderInEndianNibble() const;

    const BoardIdentity& identity_;
    SettingDialogServices& services_;
    TKBSetting* record_ = nullptr;
    CTkrUsbControl* control_ = nullptr;
    std::string clippingText_;
    bool updating_ = false;
};

}  // namespace tkbctl
