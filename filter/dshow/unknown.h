// The inner, non-delegating IUnknown of an object that may be aggregated. An aggregated object's
// interfaces forward QueryInterface, AddRef and Release to the outer object; only the outer object
// holds the inner unknown, through which it controls the inner object's life.
#pragma once

#include <unknwn.h>
#include <windows.h>

#include <atomic>

#include "dshow/module_state.h"

namespace qdflip::dshow {

// The same vtable layout as IUnknown, so that a pointer to it can be handed out as the inner IUnknown.
struct INonDelegatingUnknown {
    virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;
};

// Reference count and owner of one COM object. The object's own interfaces call Owner() for their
// IUnknown methods: that is the outer object when aggregated, this object otherwise.
class CUnknown : public INonDelegatingUnknown {
public:
    explicit CUnknown(IUnknown* outer)
        : outer_(outer != nullptr ? outer
                                  : reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(this))) {}
    CUnknown(const CUnknown&) = delete;
    CUnknown& operator=(const CUnknown&) = delete;
    virtual ~CUnknown() = default;

    // Answers IUnknown with the inner unknown; derived objects add their interfaces and chain here.
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

    IUnknown* Owner() const { return outer_; }

protected:
    // Hands out `pointer` with a reference on the owner.
    HRESULT GetInterface(IUnknown* pointer, void** object);

private:
    IUnknown* outer_;
    std::atomic<ULONG> references_{1};
    ModuleObjectCount count_;
};

// IUnknown methods of an interface implemented by a CUnknown, forwarded to its owner.
#define QDFLIP_DECLARE_IUNKNOWN                                                    \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override { \
        return Owner()->QueryInterface(iid, object);                               \
    }                                                                              \
    ULONG STDMETHODCALLTYPE AddRef() override {                                    \
        return Owner()->AddRef();                                                  \
    }                                                                              \
    ULONG STDMETHODCALLTYPE Release() override {                                   \
        return Owner()->Release();                                                 \
    }

}  // namespace qdflip::dshow
