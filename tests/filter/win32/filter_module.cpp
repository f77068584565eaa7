#include "filter_module.h"

#include <dshow.h>

#include "com_test_support.h"

namespace qdflip::test {

std::wstring FilterModule::Folder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.resize(folder.find_last_of(L'\\') + 1);
    return folder + L"qdflip-module";
}

std::wstring FilterModule::Path() {
    return Folder() + L"\\QDFlipDLL.ax";
}

HMODULE FilterModule::Handle() {
    static HMODULE module = LoadLibraryW(Path().c_str());
    return module;
}

IUnknown* CreateFilterFromModule(REFIID iid) {
    auto getClassObject = FilterModule::Export<DllGetClassObjectFunction>("DllGetClassObject");
    if (getClassObject == nullptr) {
        return nullptr;
    }
    IClassFactory* factory = nullptr;
    if (FAILED(getClassObject(kFilterClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
        return nullptr;
    }
    IUnknown* filter = nullptr;
    factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&filter));
    factory->Release();
    return filter;
}

long RunProgram(const std::wstring& commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring line = commandLine;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return -1;
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD exitCode = static_cast<DWORD>(-1);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<long>(exitCode);
}

}  // namespace qdflip::test
