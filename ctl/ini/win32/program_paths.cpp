#include <windows.h>

#include <vector>

#include "ini/program_paths.h"

namespace tkbctl {

const char kPathSeparator = '\\';

std::string ExecutableFileName() {
    // A buffer too small cuts the name without saying so; grow until the whole name fits.
    std::vector<char> name(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) {
            return {};
        }
        if (length < name.size()) {
            return std::string(name.data(), length);
        }
        name.resize(name.size() * 2);
    }
}

std::string CurrentDirectory() {
    const DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0) {
        return {};
    }
    std::string folder(needed, '\0');
    const DWORD length = GetCurrentDirectoryA(needed, folder.data());
    folder.resize(length < needed ? length : 0);
    return folder;
}

}  // namespace tkbctl
