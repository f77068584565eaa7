// CDipSWDlg: a read-only chart of what the board's eight DIP switches do, adjusted to the board
// type. It has no buttons and is closed with its close box.
#pragma once

#include "board/board_identity.h"
#include "dip_switch/dip_switch_ids.h"
#include "ui/dialog.h"

namespace tkbctl {

class CDipSWDlg : public ui::DialogImpl<CDipSWDlg> {
public:
    // `identity` must outlive the dialog's run.
    explicit CDipSWDlg(const BoardIdentity& identity);

    static const ui::CommandTable<CDipSWDlg>& Commands();

protected:
    bool OnInitDialog() override;

private:
    const BoardIdentity& identity_;
};

}  // namespace tkbctl
