// Object creation for COM: the module's table of classes, the class factory over it, and the
// DllGetClassObject / DllCanUnloadNow answers.
#pragma once

#include <strmif.h>
#include <windows.h>

namespace qdflip::dshow {

// One creatable class of the module, with what registration needs of it.
struct CFactoryTemplate {
    const wchar_t* name;
    const CLSID* classId;
    // Creates the object with its inner unknown (one reference), or returns null with *result set.
    IUnknown* (*create)(IUnknown* outer, HRESULT* result);
    const REGFILTER2* filterSetup;
};

// The module's classes; defined by the module.
extern const CFactoryTemplate g_Templates[];
extern const int g_cTemplates;

// DllGetClassObject over the table: IID_IUnknown and IID_IClassFactory only.
HRESULT GetClassObject(REFCLSID classId, REFIID iid, void** object);
// DllCanUnloadNow: S_FALSE while an object lives or the server is locked.
HRESULT CanUnloadNow();

}  // namespace qdflip::dshow
