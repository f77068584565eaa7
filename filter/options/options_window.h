// The options window: one per process, modeless, on the thread of the application that opens it
// through ShowModelessDialog. It loads the module-wide settings from the host application's INI file
// (section "QDRawDLL") when it is created, and applies and stores every change at once; FastMode is
// applied but never stored.
#pragma once

#include <windows.h>

#include "raw_conversion.h"

namespace qdflip {

// The settings every filter of the process converts by; written by the options window only.
FilterSettings& ModuleSettings();

// ShowModelessDialog: creates the window from template 2000 if there is none, then shows it with
// `showCommand`. A failed creation shows "Create Dialog Error (%08X)" with the last error. Always 0.
int ShowOptionsWindow(HWND parent, int showCommand);

// Destroys the window, if any, so that the next ShowModelessDialog creates a fresh one. From another
// thread than the window's, the window's own thread destroys it when it next serves its messages.
void DestroyOptionsWindow();

}  // namespace qdflip
