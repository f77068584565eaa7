// CMsgDialog: the progress window, a captioned window without buttons or close box that shows one
// message of the string table while a long operation runs.
//
// Modal use: the owner calls RunModal; another thread ends it by posting a close request
// (PostClose), which is kept when it comes before the window exists and takes effect as soon as it
// does. Modeless use: the owner creates it and calls ShowMessage. Enter does nothing; Escape and a
// close request end it.
#pragma once

#include <string>

#include "progress_window/progress_window_ids.h"
#include "ui/dialog.h"

namespace tkbctl {

class CMsgDialog : public ui::DialogImpl<CMsgDialog> {
public:
    CMsgDialog();

    static const ui::CommandTable<CMsgDialog>& Commands();

    // Modeless, on the window that exists: string `stringId` becomes the message and is shown at
    // once; an id without a string keeps the message as it was. Returns 1.
    int ShowMessage(int stringId);
    // Loads string `stringId` (through `owner`, whose language it follows) as the message, then runs
    // the window modally owned by `owner`; returns the modal result (IDCANCEL when closed).
    int RunModal(ui::DialogView& owner, int stringId);

    const std::string& Message() const { return message_; }

protected:
    bool OnInitDialog() override;

private:
    void OnEnter() {}
    void LoadMessage(ui::DialogView& view, int stringId);

    std::string message_;
};

}  // namespace tkbctl
