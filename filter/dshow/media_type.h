// Media types as values. An AM_MEDIA_TYPE owns two things beside its GUIDs: a format block from
// CoTaskMemAlloc and a counted reference in pUnk. CMediaType copies both on copy and frees both on
// destruction, so a type can be kept, compared and handed out without leaks or double frees.
#pragma once

#include <strmif.h>
#include <windows.h>

namespace qdflip::dshow {

// Frees the format block and the pUnk reference of `type` and leaves it without them.
void FreeMediaType(AM_MEDIA_TYPE& type);
// Frees a type that was allocated whole with CoTaskMemAlloc, as IEnumMediaTypes hands them out.
void DeleteMediaType(AM_MEDIA_TYPE* type);
// A deep copy of `source` in `target` (whose own contents are not freed); E_OUTOFMEMORY leaves
// `target` without format block.
HRESULT CopyMediaType(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source);
// A deep copy allocated whole with CoTaskMemAlloc, or null when out of memory.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE& source);

class CMediaType : public AM_MEDIA_TYPE {
public:
    CMediaType();
    CMediaType(const AM_MEDIA_TYPE& source);
    CMediaType(const CMediaType& source);
    CMediaType& operator=(const AM_MEDIA_TYPE& source);
    CMediaType& operator=(const CMediaType& source);
    ~CMediaType();

    // Same major type, subtype, format type, format size and format bytes.
    bool operator==(const CMediaType& other) const;
    bool operator!=(const CMediaType& other) const { return !(*this == other); }

    // False when a copy ran out of memory for the format block.
    bool IsValid() const { return cbFormat == 0 || pbFormat != nullptr; }
    // Whether the GUIDs of `partial` that are not GUID_NULL match this type.
    bool MatchesPartial(const AM_MEDIA_TYPE& partial) const;
    // Back to an empty type, as a new CMediaType is.
    void Clear();
};

}  // namespace qdflip::dshow
