// The IUnknown of a COM object of the module that has one interface of its own and is never
// aggregated: it answers IUnknown and that interface, counts itself for DllCanUnloadNow and
// deletes itself on its last Release.
#pragma once

#include <unknwn.h>
#include <windows.h>

#include <atomic>

#include "dshow/module_state.h"

namespace qdflip::dshow {

template <class Interface, const IID& kInterfaceId>
class CComObject : public Interface {
public:
    CComObject() = default;
    CComObject(const CComObject&) = delete;
    CComObject& operator=(const CComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kInterfaceId)) {
            *object = static_cast<Interface*>(this);
            this->AddRef();
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

protected:
    virtual ~CComObject() = default;

private:
    std::atomic<ULONG> references_{1};
    ModuleObjectCount count_;
};

}  // namespace qdflip::dshow
