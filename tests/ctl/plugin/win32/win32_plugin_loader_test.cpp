// The Win32 plug-in loader on real libraries: the directory search, loading by full path, the
// __stdcall entry point with the 16-byte block, and unloading.
#include "plugin/win32/win32_plugin_loader.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "ui/win32/strings.h"

namespace tkbctl::test {
namespace {

namespace fs = std::filesystem;

fs::path TestFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

// A folder holding `library` under the name Plugin.dll.
class PluginFolder {
public:
    explicit PluginFolder(const char* library) {
        folder_ =
            TestFolder() / ("plugin-" + std::string(library) + "-" + std::to_string(GetCurrentProcessId()));
        fs::create_directories(folder_);
        fs::copy_file(TestFolder() / library, folder_ / "Plugin.dll", fs::copy_options::overwrite_existing);
    }
    ~PluginFolder() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    std::string Path(const std::string& name) const { return ui::win32::Narrow((folder_ / name).wstring()); }

private:
    fs::path folder_;
};

TEST(Win32PluginLoader, LoadsCallsAndUnloadsAPlugin) {
    PluginFolder folder("tkbctl_test_plugin.dll");
    Win32PluginLoader loader;
    EXPECT_FALSE(loader.FindFile(folder.Path("Missing.dll")));
    const std::optional<std::string> found = loader.FindFile(folder.Path("plugin.dll"));
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, "Plugin.dll");  // the name as the folder holds it

    const PluginLoader::Module module = loader.Load(folder.Path(*found));
    ASSERT_NE(module, 0u);
    const PluginLoader::ShowDialogEntry entry = loader.FindEntryPoint(module, "ShowDialog");
    ASSERT_TRUE(entry);
    EXPECT_FALSE(loader.FindEntryPoint(module, "NoSuchExport"));
    PluginParameters parameters;
    parameters.field[0] = 0x00012345;
    entry(&parameters);
    using Recorded = int(__cdecl*)(uint32_t*);
    const auto recorded = reinterpret_cast<Recorded>(
        reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(module), "RecordedParameters")));
    ASSERT_TRUE(recorded);
    uint32_t seen[4] = {};
    EXPECT_EQ(recorded(seen), 1);
    EXPECT_EQ(seen[0], 0x00012345u);
    EXPECT_EQ(seen[1], 0u);
    EXPECT_EQ(seen[2], 0u);
    EXPECT_EQ(seen[3], 0u);
    loader.Free(module);
    EXPECT_EQ(GetModuleHandleW(ui::win32::Widen(folder.Path("Plugin.dll")).c_str()), nullptr);
}

TEST(Win32PluginLoader, ALibraryWithoutTheEntryPointAndOneThatIsNoLibrary) {
    PluginFolder folder("tkbctl_no_entry_plugin.dll");
    Win32PluginLoader loader;
    const PluginLoader::Module module = loader.Load(folder.Path("Plugin.dll"));
    ASSERT_NE(module, 0u);
    EXPECT_FALSE(loader.FindEntryPoint(module, "ShowDialog"));
    loader.Free(module);

    const std::string notALibrary = folder.Path("notes.dll");
    HANDLE file = CreateFileW(ui::win32::Widen(notALibrary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "text", 4, &written, nullptr);
    CloseHandle(file);
    EXPECT_EQ(loader.Load(notALibrary), 0u);
}

}  // namespace
}  // namespace tkbctl::test
