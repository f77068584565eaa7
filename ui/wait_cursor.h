// The wait cursor for the time a dialog's thread is busy in one operation: shown by the
// constructor, taken back by the destructor on every way out of the scope. Scopes may nest.
#pragma once

#include "ui/dialog_view.h"

namespace ui {

class WaitCursor {
public:
    explicit WaitCursor(DialogView& view) : view_(view) { view_.SetWaitCursor(true); }
    ~WaitCursor() { view_.SetWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    DialogView& view_;
};

}  // namespace ui
