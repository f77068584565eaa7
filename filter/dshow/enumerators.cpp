#include "dshow/enumerators.h"

#include <new>

#include "dshow/media_type.h"
#include "dshow/transform_filter.h"

namespace qdflip::dshow {
namespace {
// Next's answer: S_OK when every asked item came, S_FALSE otherwise; `fetched` may be null only
// when one item is asked for.
HRESULT NextResult(ULONG count, ULONG done, ULONG* fetched) {
    if (fetched != nullptr) {
        *fetched = done;
    }
    return done == count ? S_OK : S_FALSE;
}
}  // namespace

CEnumPins::CEnumPins(CTransformFilter& filter, ULONG position) : filter_(filter), position_(position) {
    filter_.AddRef();
}

CEnumPins::~CEnumPins() {
    filter_.Release();
}

HRESULT CEnumPins::Next(ULONG count, IPin** pins, ULONG* fetched) {
    if (pins == nullptr || (fetched == nullptr && count != 1)) {
        return E_POINTER;
    }
    ULONG done = 0;
    while (done < count && position_ < static_cast<ULONG>(filter_.GetPinCount())) {
        pins[done] = filter_.GetPin(static_cast<int>(position_));
        pins[done]->AddRef();
        ++done;
        ++position_;
    }
    return NextResult(count, done, fetched);
}

HRESULT CEnumPins::Skip(ULONG count) {
    const ULONG pinCount = static_cast<ULONG>(filter_.GetPinCount());
    if (count > pinCount - position_) {
        position_ = pinCount;
        return S_FALSE;
    }
    position_ += count;
    return S_OK;
}

HRESULT CEnumPins::Reset() {
    position_ = 0;
    return S_OK;
}

HRESULT CEnumPins::Clone(IEnumPins** clone) {
    if (clone == nullptr) {
        return E_POINTER;
    }
    *clone = new (std::nothrow) CEnumPins(filter_, position_);
    return *clone != nullptr ? S_OK : E_OUTOFMEMORY;
}

CEnumMediaTypes::CEnumMediaTypes(CBasePin& pin, ULONG position) : pin_(pin), position_(position) {
    pin_.AddRef();
}

CEnumMediaTypes::~CEnumMediaTypes() {
    pin_.Release();
}

HRESULT CEnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
    if (types == nullptr || (fetched == nullptr && count != 1)) {
        return E_POINTER;
    }
    ULONG done = 0;
    while (done < count) {
        CMediaType type;
        if (pin_.MediaTypeAt(static_cast<int>(position_), &type) != S_OK) {
            break;
        }
        types[done] = CreateMediaType(type);
        if (types[done] == nullptr) {
            for (ULONG i = 0; i < done; ++i) {
                DeleteMediaType(types[i]);
            }
            return E_OUTOFMEMORY;
        }
        ++done;
        ++position_;
    }
    return NextResult(count, done, fetched);
}

ULONG CEnumMediaTypes::TypeCount() {
    ULONG count = 0;
    CMediaType type;
    while (pin_.MediaTypeAt(static_cast<int>(count), &type) == S_OK) {
        type.Clear();
        ++count;
    }
    return count;
}

HRESULT CEnumMediaTypes::Skip(ULONG count) {
    const ULONG available = TypeCount();
    if (position_ >= available || count > available - position_) {
        position_ = available;
        return S_FALSE;
    }
    position_ += count;
    return S_OK;
}

HRESULT CEnumMediaTypes::Reset() {
    position_ = 0;
    return S_OK;
}

HRESULT CEnumMediaTypes::Clone(IEnumMediaTypes** clone) {
    if (clone == nullptr) {
        return E_POINTER;
    }
    *clone = new (std::nothrow) CEnumMediaTypes(pin_, position_);
    return *clone != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace qdflip::dshow
