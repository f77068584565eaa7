#include "select_board/sel_board_dlg.h"

#include <utility>

namespace tkbctl {

CSelBoardDlg::CSelBoardDlg(std::vector<std::string> entries)
    : DialogImpl(IDD_SELECT_BOARD), entries_(std::move(entries)) {}

const ui::CommandTable<CSelBoardDlg>& CSelBoardDlg::Commands() {
    static const auto table = ui::CommandTable<CSelBoardDlg>().OnClicked(ui::kIdOk, &CSelBoardDlg::OnOk);
    return table;
}

bool CSelBoardDlg::OnInitDialog() {
    View().ClearItems(IDC_BOARD_LIST);
    for (const std::string& entry : entries_)
        View().AddItem(IDC_BOARD_LIST, entry);
    View().Select(IDC_BOARD_LIST, 0);
    return true;
}

void CSelBoardDlg::OnOk() {
    // A list left without a selection chooses the first board, as closing the dialog does.
    const int selection = View().Selection(IDC_BOARD_LIST);
    selected_ = selection < 0 ? 0 : selection;
    End(ui::kIdOk);
}

}  // namespace tkbctl
