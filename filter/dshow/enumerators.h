// The enumerators a filter and its pins hand out. Each holds a reference on the filter, so the pins
// it walks stay alive, and asks the filter afresh on every Next: the types a pin offers change when
// its filter's input connects.
#pragma once

#include <strmif.h>
#include <windows.h>

#include "dshow/com_object.h"

namespace qdflip::dshow {

class CBasePin;
class CTransformFilter;

class CEnumPins final : public CComObject<IEnumPins, IID_IEnumPins> {
public:
    CEnumPins(CTransformFilter& filter, ULONG position);

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins** clone) override;

private:
    ~CEnumPins() override;

    CTransformFilter& filter_;
    ULONG position_;
};

class CEnumMediaTypes final : public CComObject<IEnumMediaTypes, IID_IEnumMediaTypes> {
public:
    CEnumMediaTypes(CBasePin& pin, ULONG position);

    HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** clone) override;

private:
    ~CEnumMediaTypes() override;
    ULONG TypeCount();

    CBasePin& pin_;
    ULONG position_;
};

}  // namespace qdflip::dshow
