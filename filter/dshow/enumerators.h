// The enumerators a filter and its pins hand out. Each holds a reference on the filter, so the pins
// it walks stay alive, and asks the filter afresh on every Next: the types a pin offers change when
// its filter's input connects.
#pragma once

#include <strmif.h>
#include <windows.h>

#include <atomic>

#include "dshow/module_state.h"

namespace qdflip::dshow {

class CBasePin;
class CTransformFilter;

class CEnumPins final : public IEnumPins {
public:
    CEnumPins(CTransformFilter& filter, ULONG position);
    CEnumPins(const CEnumPins&) = delete;
    CEnumPins& operator=(const CEnumPins&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins** clone) override;

private:
    ~CEnumPins();

    CTransformFilter& filter_;
    ULONG position_;
    std::atomic<ULONG> references_{1};
    ModuleObjectCount count_;
};

class CEnumMediaTypes final : public IEnumMediaTypes {
public:
    CEnumMediaTypes(CBasePin& pin, ULONG position);
    CEnumMediaTypes(const CEnumMediaTypes&) = delete;
    CEnumMediaTypes& operator=(const CEnumMediaTypes&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** clone) override;

private:
    ~CEnumMediaTypes();
    ULONG TypeCount();

    CBasePin& pin_;
    ULONG position_;
    std::atomic<ULONG> references_{1};
    ModuleObjectCount count_;
};

}  // namespace qdflip::dshow
