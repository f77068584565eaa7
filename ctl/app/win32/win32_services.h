// The main window's services on Windows.
#pragma once

#include "main_window/main_window_services.h"
#include "plugin/win32/win32_plugin_loader.h"
#include "ui/win32/dialog_window.h"

namespace tkbctl {

class Win32MainWindowServices final : public MainWindowServices {
public:
    explicit Win32MainWindowServices(ui::win32::Resources resources) : resources_(std::move(resources)) {}

    int32_t QueryUsbVersion(uint16_t vendorId, uint16_t productId) override;
    void Pause(std::chrono::milliseconds duration) override;
    std::string ExecutableFileName() override;
    std::string CurrentDirectory() override;
    void ShowMessageFromWorker(std::uintptr_t owner, const ui::Message& message) override;
    PluginLoader& Plugins() override { return plugins_; }
    SettingDialogServices& SettingDialog() override { return settingDialog_; }

private:
    ui::win32::Resources resources_;
    Win32PluginLoader plugins_;
    PlatformSettingDialogServices settingDialog_;
};

}  // namespace tkbctl
