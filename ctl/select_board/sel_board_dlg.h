// CSelBoardDlg: the choice among the boards that answered at start-up.
#pragma once

#include <string>
#include <vector>

#include "select_board/select_board_ids.h"
#include "ui/dialog.h"

namespace tkbctl {

class CSelBoardDlg : public ui::DialogImpl<CSelBoardDlg> {
public:
    explicit CSelBoardDlg(std::vector<std::string> entries);

    static const ui::CommandTable<CSelBoardDlg>& Commands();

    // The entry chosen with OK; 0 until then.
    int Selected() const { return selected_; }

protected:
    bool OnInitDialog() override;

private:
    void OnOk();

    std::vector<std::string> entries_;
    int selected_ = 0;
};

}  // namespace tkbctl
