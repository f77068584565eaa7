// The optional plug-in of the "TKB &Info..." button: a library "Plugin.dll" beside the executable
// that shows a dialog of its own through its entry point ShowDialog.
//
// The platform's part (finding the file, loading, looking up the entry point, unloading) sits behind
// PluginLoader, so the launch's rules run natively under test with a fake loader.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "ui/dialog_view.h"

namespace tkbctl {

inline constexpr const char* kPluginFileName = "Plugin.dll";
inline constexpr const char* kPluginEntryPoint = "ShowDialog";

// The block whose address ShowDialog receives: four 32-bit fields. Field 0 carries the main
// window's handle (window handles keep their meaning in 32 bits on 64-bit Windows too); fields 1 and
// 2 are zeroed so that a plug-in reading them sees no stale memory; field 3 is 0.
struct PluginParameters {
    uint32_t field[4] = {0, 0, 0, 0};
};
static_assert(sizeof(PluginParameters) == 16, "the plug-in reads 16 bytes");

class PluginLoader {
public:
    using Module = std::uintptr_t;
    // The entry point as the launch calls it; the Win32 loader wraps the library's __stdcall
    // function.
    using ShowDialogEntry = std::function<void(PluginParameters*)>;

    virtual ~PluginLoader() = default;
    // The name the directory search gives for `path` (a full path), nothing when there is no such
    // file. The search is ended before this returns.
    virtual std::optional<std::string> FindFile(const std::string& path) = 0;
    // Loads the library at exactly `path` (a full path: no search of other folders); 0 on failure.
    virtual Module Load(const std::string& path) = 0;
    // The library's export `name`; empty when it has none.
    virtual ShowDialogEntry FindEntryPoint(Module module, const char* name) = 0;
    // Unloads a library that Load gave.
    virtual void Free(Module module) = 0;
};

// The launch's result: the plug-in's dialog ran.
inline constexpr int kPluginRan = 0;
// No plug-in file, or one without ShowDialog.
inline constexpr int kPluginMissing = -1;
// The file exists but cannot be loaded.
inline constexpr int kPluginNotLoaded = -2;

// The folder of `executableFileName`, cut after its last separator and keeping it.
std::string ProgramFolderOf(const std::string& executableFileName);

// Finds, loads and calls the plug-in beside `executableFileName`, handing it `mainWindow`; a
// library without the entry point gets "Can't get function pointer" (caption "Error") in a message
// box owned by `view`. The library is unloaded on every path.
int LaunchPlugin(PluginLoader& loader, const std::string& executableFileName, std::uintptr_t mainWindow,
                 ui::DialogView& view);

}  // namespace tkbctl
