#include "dshow/class_factory.h"

#include <atomic>
#include <new>

#include "dshow/module_state.h"

namespace qdflip::dshow {
namespace {

class CClassFactory final : public IClassFactory {
public:
    explicit CClassFactory(const CFactoryTemplate& entry) : entry_(entry) {}
    CClassFactory(const CClassFactory&) = delete;
    CClassFactory& operator=(const CClassFactory&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

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
    std::atomic<ULONG> references_{1};
    ModuleObjectCount count_;
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
