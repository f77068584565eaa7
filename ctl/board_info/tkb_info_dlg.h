// CTKBInfoDlg: the live board status report, rebuilt from the board's registers on every tick of
// its timer.
#pragma once

#include "board/board_identity.h"
#include "board/tkr_usb_control.h"
#include "board_info/board_info_ids.h"
#include "ui/dialog.h"

namespace tkbctl {

class CTKBInfoDlg : public ui::DialogImpl<CTKBInfoDlg> {
public:
    // `control` may be null (no report is read then); both must outlive the dialog's run.
    CTKBInfoDlg(CTkrUsbControl* control, const BoardIdentity& identity);

    static const ui::CommandTable<CTKBInfoDlg>& Commands();

protected:
    bool OnInitDialog() override;

private:
    void OnTimer();
    void OnCancel();

    CTkrUsbControl* control_;
    const BoardIdentity& identity_;
};

}  // namespace tkbctl
