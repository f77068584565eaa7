// What the main window needs of the system around it: the questions only the platform answers.
// The Win32 program gives the real ones (app/win32); tests give fakes.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "plugin/plugin_launch.h"
#include "setting_dialog/setting_dialog_services.h"
#include "ui/dialog_view.h"

namespace tkbctl {

class MainWindowServices {
public:
    virtual ~MainWindowServices() = default;

    // The USB connection speed query: the device's USB version word, negative when not found.
    virtual int32_t QueryUsbVersion(uint16_t vendorId, uint16_t productId) = 0;
    virtual void Pause(std::chrono::milliseconds duration) = 0;
    // The running executable's full file name, and the current working directory (no trailing
    // separator): they name the program INI file and the plug-in's folder.
    virtual std::string ExecutableFileName() = 0;
    virtual std::string CurrentDirectory() = 0;
    // A message box owned by the window `owner` (a native handle), shown from a thread other than
    // the window's (the setting-file worker); blocks that thread until the user answers.
    virtual void ShowMessageFromWorker(std::uintptr_t owner, const ui::Message& message) = 0;
    virtual PluginLoader& Plugins() = 0;
    // What the board settings dialog needs: its update image files, their memory, its pause.
    virtual SettingDialogServices& SettingDialog() = 0;
};

}  // namespace tkbctl
