// Dialogs on real Win32 windows, from the dialog templates of a module's resources.
//
// The binding only carries messages between the window and the dialog: WM_COMMAND, WM_CLOSE and
// WM_TIMER become Commands; the view's calls become control messages. The dialog is bound to its
// window at WM_INITDIALOG and unbound at WM_DESTROY, before the window is gone, so no message
// reaches a dialog whose window is being destroyed, and a destroyed window is never touched.
//
// Keyboard: the dialog manager turns Enter into a click on the template's default push button.
// A dialog with EnterKey::RoutesAsOk answers the manager's question for the default button
// (DM_GETDEFID) with IDOK instead, so Enter arrives as IDOK through the dialog's command table,
// while the template's default button keeps its default-button look. A push button that has the
// focus is still pressed by Enter, as by the space bar.
#pragma once

#include <windows.h>

#include <string>

#include "ui/dialog.h"

namespace ui::win32 {

struct Resources {
    // Holds the dialog templates, string tables and icons.
    HMODULE module = nullptr;
    // Caption of message boxes that give none: the program's name.
    std::wstring programName;
};

// The module of the running program, and its executable's name without folder and extension.
Resources ProgramResources();

// Runs `dialog` modally on its template, owned by `owner` (which it disables meanwhile), and
// returns the result it ended with; -1 when its window could not be created.
int RunModal(Dialog& dialog, const Resources& resources, HWND owner = nullptr);

// Creates and shows `dialog` modeless; its window lives until the dialog ends it (or its owner is
// destroyed). The dialog object must outlive its window. Returns the window, or nullptr.
HWND CreateModeless(Dialog& dialog, const Resources& resources, HWND owner = nullptr);

}  // namespace ui::win32
