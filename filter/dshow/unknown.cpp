#include "dshow/unknown.h"

namespace qdflip::dshow {

HRESULT CUnknown::NonDelegatingQueryInterface(REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown)) {
        *object = static_cast<INonDelegatingUnknown*>(this);
        NonDelegatingAddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CUnknown::NonDelegatingRelease() {
    const ULONG left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT CUnknown::GetInterface(IUnknown* pointer, void** object) {
    *object = pointer;
    pointer->AddRef();
    return S_OK;
}

}  // namespace qdflip::dshow
