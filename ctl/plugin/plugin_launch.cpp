#include "plugin/plugin_launch.h"

namespace tkbctl {

std::string ProgramFolderOf(const std::string& executableFileName) {
    const size_t separator = executableFileName.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : executableFileName.substr(0, separator + 1);
}

namespace {

// Unloads the library on every way out of the launch.
class LoadedPlugin {
public:
    LoadedPlugin(PluginLoader& loader, PluginLoader::Module module) : loader_(loader), module_(module) {}
    ~LoadedPlugin() {
        if (module_)
            loader_.Free(module_);
    }
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;
    PluginLoader::Module Module() const { return module_; }

private:
    PluginLoader& loader_;
    PluginLoader::Module module_;
};

}  // namespace

int LaunchPlugin(PluginLoader& loader, const std::string& executableFileName, std::uintptr_t mainWindow,
                 ui::DialogView& view) {
    const std::string folder = ProgramFolderOf(executableFileName);
    const std::optional<std::string> found = loader.FindFile(folder + kPluginFileName);
    if (!found)
        return kPluginMissing;
    // Only the program's own folder is looked in: a bare name would let the system search others.
    LoadedPlugin plugin(loader, loader.Load(folder + *found));
    if (!plugin.Module())
        return kPluginNotLoaded;
    const PluginLoader::ShowDialogEntry showDialog =
        loader.FindEntryPoint(plugin.Module(), kPluginEntryPoint);
    if (!showDialog) {
        view.ShowMessage(ui::Message::FromText("Can't get function pointer", "Error"));
        return kPluginMissing;
    }
    PluginParameters parameters;
    parameters.field[0] = static_cast<uint32_t>(mainWindow);
    showDialog(&parameters);
    return kPluginRan;
}

}  // namespace tkbctl
