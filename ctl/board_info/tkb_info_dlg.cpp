#include "board_info/tkb_info_dlg.h"

#include "status/status_report.h"

namespace tkbctl {

CTKBInfoDlg::CTKBInfoDlg(CTkrUsbControl* control, const BoardIdentity& identity)
    : DialogImpl(IDD_TKB_INFO), control_(control), identity_(identity) {}

const ui::CommandTable<CTKBInfoDlg>& CTKBInfoDlg::Commands() {
    static const auto table = ui::CommandTable<CTKBInfoDlg>()
                                  .OnTimer(TKB_INFO_TIMER_ID, &CTKBInfoDlg::OnTimer)
                                  .OnClicked(ui::kIdCancel, &CTKBInfoDlg::OnCancel);
    return table;
}

bool CTKBInfoDlg::OnInitDialog() {
    // The first report appears with the first tick; the box stays empty until then.
    View().SetTimer(TKB_INFO_TIMER_ID, TKB_INFO_TIMER_PERIOD_MS);
    return true;
}

void CTKBInfoDlg::OnTimer() {
    if (!control_)
        return;
    View().SetText(IDC_TKB_INFO_TEXT, BuildStatusReport(*control_, identity_));
}

void CTKBInfoDlg::OnCancel() {
    View().KillTimer(TKB_INFO_TIMER_ID);
    End(ui::kIdCancel);
}

}  // namespace tkbctl
