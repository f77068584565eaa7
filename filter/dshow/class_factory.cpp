#include "dshow/class_factory.h"

#include <new>

#include "dshow/com_object.h"
#include "dshow/module_state.h"

namespace qdflip::dshow {
namespace {

class CClassFactory final : public CComObject<IClassFactory, IID_IClassFactory> {
public:
    explicit CClassFactory(const CFactoryTemplate& entry) : entry_(entry) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        // An aggregating object may ask for the inner unknown only.
        if (outer != nullptr && !IsEqualIID(iid, IID_IUnknown)) {
            return E_NOINTERFACE;
        }
        HRESULT result = S_OK;
        IUnknown* inner = entry_.create(outer, &result);
        if (inner == nullptr) {
            return FAILED(result) ? result : E_OUTOFMEMORY;
        }
        // The inner unknown's own QueryInterface, so that IID_IUnknown gives it back.
        result = inner->QueryInterface(iid, object);
        inner->Release();
        return result;
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        LockModule(lock != FALSE);
        return S_OK;
    }

private:
    const CFactoryTemplate& entry_;
};

}  // namespace

HRESULT GetClassObject(REFCLSID classId, REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
        return E_NOINTERFACE;
    }
    for (int i = 0; i < g_cTemplates; ++i) {
        if (IsEqualCLSID(classId, *g_Templates[i].classId)) {
            auto* factory = new (std::nothrow) CClassFactory(g_Templates[i]);
            if (factory == nullptr) {
                return E_OUTOFMEMORY;
            }
            *object = static_cast<IClassFactory*>(factory);
            return S_OK;
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CanUnloadNow() {
    return ModuleCanUnload() ? S_OK : S_FALSE;
}

}  // namespace qdflip::dshow
