// The module QDFlipDLL.ax: its DLL entry, its one class and the exports.
#include <strmif.h>
#include <uuids.h>
#include <windows.h>

#include "dshow/class_factory.h"
#include "dshow/module_state.h"
#include "dshow/registration.h"
#include "flip_filter.h"
#include "options/options_window.h"

namespace qdflip::dshow {
namespace {
wchar_t kFilterName[] = L"QDBinarizationFilter";
wchar_t kInputPinName[] = L"Input";
wchar_t kOutputPinName[] = L"Output";

const REGPINTYPES kAnyType = {&MEDIATYPE_NULL, &MEDIASUBTYPE_NULL};
const REGFILTERPINS kPins[] = {
    {kInputPinName, FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &kAnyType},
    {kOutputPinName, FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &kAnyType},
};
// MERIT_DO_NOT_USE: graph building never inserts the filter by itself.
const REGFILTER2 kFilterSetup = {1, 0x00200000, {{2, kPins}}};
}  // namespace

const CFactoryTemplate g_Templates[] = {
    {kFilterName, &CLSID_QDBinarizationFilter, CFlipFilter::CreateInstance, &kFilterSetup},
};
const int g_cTemplates = 1;

}  // namespace qdflip::dshow

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        qdflip::dshow::SetModuleInstance(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllRegisterServer() {
    return qdflip::dshow::RegisterAllServers(TRUE);
}

STDAPI DllUnregisterServer() {
    return qdflip::dshow::RegisterAllServers(FALSE);
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** object) {
    return qdflip::dshow::GetClassObject(classId, iid, object);
}

STDAPI DllCanUnloadNow() {
    return qdflip::dshow::CanUnloadNow();
}

// Called by capture applications like a Windows API function; the first argument has no meaning.
extern "C" int WINAPI ShowModelessDialog(INT_PTR reserved, HWND parent, int showCommand) {
    return qdflip::ShowOptionsWindow(parent, showCommand);
}
