#include "dshow/media_type.h"

#include <cstring>

namespace qdflip::dshow {

void FreeMediaType(AM_MEDIA_TYPE& type) {
    if (type.cbFormat != 0 || type.pbFormat != nullptr) {
        CoTaskMemFree(type.pbFormat);
        type.cbFormat = 0;
        type.pbFormat = nullptr;
    }
    if (type.pUnk != nullptr) {
        type.pUnk->Release();
        type.pUnk = nullptr;
    }
}

void DeleteMediaType(AM_MEDIA_TYPE* type) {
    if (type != nullptr) {
        FreeMediaType(*type);
        CoTaskMemFree(type);
    }
}

HRESULT CopyMediaType(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source) {
    target = source;
    if (source.cbFormat != 0 && source.pbFormat != nullptr) {
        target.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source.cbFormat));
        if (target.pbFormat == nullptr) {
            target.cbFormat = 0;
            target.pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(target.pbFormat, source.pbFormat, source.cbFormat);
    } else {
        target.cbFormat = 0;
        target.pbFormat = nullptr;
    }
    if (target.pUnk != nullptr) {
        target.pUnk->AddRef();
    }
    return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE& source) {
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (type != nullptr && FAILED(CopyMediaType(*type, source))) {
        CoTaskMemFree(type);
        type = nullptr;
    }
    return type;
}

CMediaType::CMediaType() : AM_MEDIA_TYPE{} {
    bFixedSizeSamples = TRUE;
    lSampleSize = 1;
}

CMediaType::CMediaType(const AM_MEDIA_TYPE& source) : AM_MEDIA_TYPE{} {
    CopyMediaType(*this, source);
}

CMediaType::CMediaType(const CMediaType& source) : AM_MEDIA_TYPE{} {
    CopyMediaType(*this, source);
}

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& source) {
    if (&source != static_cast<AM_MEDIA_TYPE*>(this)) {
        FreeMediaType(*this);
        CopyMediaType(*this, source);
    }
    return *this;
}

CMediaType& CMediaType::operator=(const CMediaType& source) {
    return *this = static_cast<const AM_MEDIA_TYPE&>(source);
}

CMediaType::~CMediaType() {
    FreeMediaType(*this);
}

bool CMediaType::operator==(const CMediaType& other) const {
    return IsEqualGUID(majortype, other.majortype) && IsEqualGUID(subtype, other.subtype) &&
           IsEqualGUID(formattype, other.formattype) && cbFormat == other.cbFormat &&
           (cbFormat == 0 || std::memcmp(pbFormat, other.pbFormat, cbFormat) == 0);
}

bool CMediaType::MatchesPartial(const AM_MEDIA_TYPE& partial) const {
    const auto matches = [](const GUID& wanted, const GUID& actual) {
        return IsEqualGUID(wanted, GUID_NULL) || IsEqualGUID(wanted, actual);
    };
    return matches(partial.majortype, majortype) && matches(partial.subtype, subtype) &&
           matches(partial.formattype, formattype);
}

void CMediaType::Clear() {
    FreeMediaType(*this);
    majortype = GUID_NULL;
    subtype = GUID_NULL;
    formattype = GUID_NULL;
    bFixedSizeSamples = TRUE;
    bTemporalCompression = FALSE;
    lSampleSize = 1;
}

}  // namespace qdflip::dshow
