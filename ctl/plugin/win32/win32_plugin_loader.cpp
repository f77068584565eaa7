#include "plugin/win32/win32_plugin_loader.h"

#include <windows.h>

#include "ui/win32/strings.h"

namespace tkbctl {

namespace {

// The plug-in's entry point: the callee removes its one argument.
using ShowDialogFunction = void(WINAPI*)(void* parameters);

}  // namespace

std::optional<std::string> Win32PluginLoader::FindFile(const std::string& path) {
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW(ui::win32::Widen(path).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return std::nullopt;
    FindClose(search);
    return ui::win32::Narrow(found.cFileName);
}

PluginLoader::Module Win32PluginLoader::Load(const std::string& path) {
    return reinterpret_cast<Module>(LoadLibraryW(ui::win32::Widen(path).c_str()));
}

PluginLoader::ShowDialogEntry Win32PluginLoader::FindEntryPoint(Module module, const char* name) {
    const FARPROC address = GetProcAddress(reinterpret_cast<HMODULE>(module), name);
    if (!address)
        return {};
    const auto function = reinterpret_cast<ShowDialogFunction>(reinterpret_cast<void*>(address));
    return [function](PluginParameters* parameters) { function(parameters); };
}

void Win32PluginLoader::Free(Module module) {
    FreeLibrary(reinterpret_cast<HMODULE>(module));
}

}  // namespace tkbctl
