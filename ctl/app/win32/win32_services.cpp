#include "app/win32/win32_services.h"

#include <windows.h>

#include "ini/program_paths.h"
#include "ui/win32/strings.h"
#include "usb/usb_version.h"

namespace tkbctl {

int32_t Win32MainWindowServices::QueryUsbVersion(uint16_t vendorId, uint16_t productId) {
    const std::unique_ptr<UsbTopology> topology = CreatePlatformUsbTopology();
    return CGetUSBVersion(*topology).GetVersion(productId, vendorId);
}

void Win32MainWindowServices::Pause(std::chrono::milliseconds duration) {
    Sleep(static_cast<DWORD>(duration.count()));
}

std::string Win32MainWindowServices::ExecutableFileName() {
    return tkbctl::ExecutableFileName();
}

std::string Win32MainWindowServices::CurrentDirectory() {
    return tkbctl::CurrentDirectory();
}

void Win32MainWindowServices::ShowMessageFromWorker(std::uintptr_t owner, const ui::Message& message) {
    std::wstring text;
    if (const int* id = std::get_if<int>(&message.body)) {
        text = ui::win32::LoadUserString(resources_.module, *id, ui::win32::UserLanguage()).value_or(L"");
    } else {
        text = ui::win32::Widen(std::get<std::string>(message.body));
    }
    const std::wstring caption =
        message.caption ? ui::win32::Widen(*message.caption) : resources_.programName;
    UINT style = MB_OK;
    if (message.icon == ui::MessageIcon::Warning)
        style |= MB_ICONEXCLAMATION;
    // Owned by the main window from the worker's thread: the window stays disabled meanwhile.
    MessageBoxW(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), style);
}

}  // namespace tkbctl
