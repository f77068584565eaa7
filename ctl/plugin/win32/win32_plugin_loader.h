// The plug-in loader on Windows: FindFirstFileW, LoadLibraryW with the full path, GetProcAddress and
// FreeLibrary.
#pragma once

#include "plugin/plugin_launch.h"

namespace tkbctl {

class Win32PluginLoader final : public PluginLoader {
public:
    std::optional<std::string> FindFile(const std::string& path) override;
    Module Load(const std::string& path) override;
    ShowDialogEntry FindEntryPoint(Module module, const char* name) override;
    void Free(Module module) override;
};

}  // namespace tkbctl
