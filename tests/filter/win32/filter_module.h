// QDFlipDLL.ax as an application meets it: loaded from a copy of the deliverables folder beside the
// test program, its exports found by name.
#pragma once

#include <unknwn.h>
#include <windows.h>

#include <string>

namespace qdflip::test {

class FilterModule {
public:
    // The copy of the deliverables folder and the module in it.
    static std::wstring Folder();
    static std::wstring Path();
    // Loaded once for the test program; null when it cannot be loaded.
    static HMODULE Handle();

    template <class Function>
    static Function Export(const char* name) {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(Handle(), name)));
    }
};

using DllGetClassObjectFunction = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
using DllCanUnloadNowFunction = HRESULT(WINAPI*)();
using DllRegisterServerFunction = HRESULT(WINAPI*)();
using ShowModelessDialogFunction = int(WINAPI*)(INT_PTR, HWND, int);

// A new filter from the module's class factory (not through the registry), or null.
IUnknown* CreateFilterFromModule(REFIID iid);

// Runs a command line to its end; its exit code, or -1 when it could not start.
long RunProgram(const std::wstring& commandLine);

}  // namespace qdflip::test
