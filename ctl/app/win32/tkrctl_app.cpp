#include "app/tkrctl_app.h"

#include <windows.h>

#include <commctrl.h>

#include "app/win32/win32_services.h"
#include "main_window/tkrctl_dlg.h"
#include "ui/win32/dialog_window.h"

namespace tkbctl {

int CTKRctlApp::InitInstance() {
    // The manifest asks for the version 6 controls; they must be registered before a template
    // that uses them is created.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    const ui::win32::Resources resources = ui::win32::ProgramResources();
    Win32MainWindowServices services(resources);
    // The library starts with the dialog object, before its window exists.
    CTKRctlDlg dialog(services);
    ui::win32::RunModal(dialog, resources);
    return 0;
}

}  // namespace tkbctl
