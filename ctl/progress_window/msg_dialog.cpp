#include "progress_window/msg_dialog.h"

namespace tkbctl {

CMsgDialog::CMsgDialog() : DialogImpl(IDD_PROGRESS_MESSAGE, ui::EnterKey::RoutesAsOk) {}

const ui::CommandTable<CMsgDialog>& CMsgDialog::Commands() {
    // Escape and a close request keep the default: they end the window with IDCANCEL.
    static const auto table = ui::CommandTable<CMsgDialog>().OnClicked(ui::kIdOk, &CMsgDialog::OnEnter);
    return table;
}

bool CMsgDialog::OnInitDialog() {
    View().SetText(IDC_PROGRESS_MESSAGE, message_);
    return true;
}

void CMsgDialog::LoadMessage(ui::DialogView& view, int stringId) {
    if (std::optional<std::string> text = view.LoadText(stringId))
        message_ = *text;
}

int CMsgDialog::ShowMessage(int stringId) {
    LoadMessage(View(), stringId);
    View().SetText(IDC_PROGRESS_MESSAGE, message_);
    return 1;
}

int CMsgDialog::RunModal(ui::DialogView& owner, int stringId) {
    LoadMessage(owner, stringId);
    return owner.RunModal(*this);
}

}  // namespace tkbctl
