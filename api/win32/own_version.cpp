// Reads ProductVersion from the version resource of the module that holds this code.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "frame/platform.h"

namespace tkr {

std::string ReadOwnVersion() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&ReadOwnVersion), &module)) {
        return {};
    }
    char path[257] = {};
    if (GetModuleFileNameA(module, path, sizeof path - 1) == 0)
        return {};

    // The full path: a bare file name would be looked up along the DLL search path and could find
    // another copy of the library, or none.
    DWORD unused = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &unused);
    if (size == 0)
        return {};
    std::vector<char> info(size);
    if (!GetFileVersionInfoA(path, 0, size, info.data()))
        return {};

    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                        &length) ||
        length < sizeof(Translation)) {
        return {};
    }
    char query[64];
    std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\ProductVersion", translation->language,
                  translation->codePage);
    char* value = nullptr;
    if (!VerQueryValueA(info.data(), query, reinterpret_cast<void**>(&value), &length) || !value)
        return {};
    // The reported length counts the terminating zero.
    std::string version(value, length);
    return version.substr(0, version.find('\0'));
}

}  // namespace tkr
