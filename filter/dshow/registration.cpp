#include "dshow/registration.h"

#include <strmif.h>
#include <uuids.h>

#include <string>

#include "dshow/class_factory.h"
#include "dshow/module_state.h"

namespace qdflip::dshow {
namespace {

std::wstring ClassKeyPath(const CLSID& classId) {
    wchar_t text[40] = {};
    StringFromGUID2(classId, text, 40);
    return std::wstring(L"CLSID\\") + text;
}

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(ModuleInstance(), path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

LSTATUS SetStringValue(HKEY key, const wchar_t* name, const std::wstring& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

HRESULT RegisterClassKey(const CFactoryTemplate& entry) {
    const std::wstring modulePath = ModulePath();
    if (modulePath.empty()) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    HKEY classKey = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, ClassKeyPath(*entry.classId).c_str(), 0, nullptr, 0,
                                     KEY_WRITE, nullptr, &classKey, nullptr);
    if (status == ERROR_SUCCESS) {
        status = SetStringValue(classKey, nullptr, entry.name);
        HKEY serverKey = nullptr;
        if (status == ERROR_SUCCESS) {
            status = RegCreateKeyExW(classKey, L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr,
                                     &serverKey, nullptr);
        }
        if (status == ERROR_SUCCESS) {
            status = SetStringValue(serverKey, nullptr, modulePath);
            if (status == ERROR_SUCCESS) {
                status = SetStringValue(serverKey, L"ThreadingModel", L"Both");
            }
            RegCloseKey(serverKey);
        }
        RegCloseKey(classKey);
    }
    return HRESULT_FROM_WIN32(status);
}

HRESULT UnregisterClassKey(const CFactoryTemplate& entry) {
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKeyPath(*entry.classId).c_str());
    return status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
}

bool IsNotFound(HRESULT result) {
    return result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
           result == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

HRESULT RegisterFilters(IFilterMapper2* mapper, BOOL registering) {
    for (int i = 0; i < g_cTemplates; ++i) {
        const CFactoryTemplate& entry = g_Templates[i];
        if (entry.filterSetup == nullptr) {
            continue;
        }
        HRESULT result = S_OK;
        if (registering) {
            result = mapper->RegisterFilter(*entry.classId, entry.name, nullptr,
                                            &CLSID_LegacyAmFilterCategory, nullptr, entry.filterSetup);
        } else {
            result = mapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, *entry.classId);
            if (IsNotFound(result)) {
                result = S_OK;
            }
        }
        if (FAILED(result)) {
            return result;
        }
    }
    return S_OK;
}

}  // namespace

HRESULT RegisterAllServers(BOOL registering) {
    // The COM classes first on registering and last on removing, so that a filter entry never
    // names a class that cannot be created.
    HRESULT result = S_OK;
    for (int i = 0; registering && i < g_cTemplates && SUCCEEDED(result); ++i) {
        result = RegisterClassKey(g_Templates[i]);
    }
    if (FAILED(result)) {
        return result;
    }
    const HRESULT initialised = CoInitialize(nullptr);
    IFilterMapper2* mapper = nullptr;
    result = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                              reinterpret_cast<void**>(&mapper));
    if (SUCCEEDED(result)) {
        result = RegisterFilters(mapper, registering);
        mapper->Release();
    }
    if (SUCCEEDED(initialised)) {
        CoUninitialize();
    }
    for (int i = 0; !registering && i < g_cTemplates && SUCCEEDED(result); ++i) {
        result = UnregisterClassKey(g_Templates[i]);
    }
    return result;
}

}  // namespace qdflip::dshow
