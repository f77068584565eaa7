#include "flip_filter.h"

#include <amvideo.h>
#include <uuids.h>

#include <algorithm>
#include <new>

#include "options/options_window.h"
#include "raw_conversion.h"

namespace qdflip {

const CLSID CLSID_QDBinarizationFilter = {
    0x5C694289, 0x4CB3, 0x4130, {0xA2, 0x39, 0xE9, 0x1B, 0xBF, 0x1F, 0x1A, 0xBE}};

namespace {
// The settings of "Thru", for frames the raw modes do not apply to.
const FilterSettings kPassThrough;

InputSubtype SubtypeOf(const GUID& subtype) {
    if (IsEqualGUID(subtype, MEDIASUBTYPE_UYVY)) {
        return InputSubtype::kUyvy;
    }
    if (IsEqualGUID(subtype, MEDIASUBTYPE_YUY2)) {
        return InputSubtype::kYuy2;
    }
    if (IsEqualGUID(subtype, MEDIASUBTYPE_RGB24)) {
        return InputSubtype::kRgb24;
    }
    return InputSubtype::kOther;
}

// The VIDEOINFOHEADER of a FORMAT_VideoInfo type, or null when the type has none whole.
const VIDEOINFOHEADER* VideoInfoOf(const AM_MEDIA_TYPE& type) {
    if (!IsEqualGUID(type.formattype, FORMAT_VideoInfo) || type.pbFormat == nullptr ||
        type.cbFormat < sizeof(VIDEOINFOHEADER)) {
        return nullptr;
    }
    return reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
}

InputTypeFacts FactsOf(const AM_MEDIA_TYPE& type) {
    InputTypeFacts facts;
    const VIDEOINFOHEADER* info = VideoInfoOf(type);
    facts.videoInfoFormat = info != nullptr;
    facts.videoMajorType = IsEqualGUID(type.majortype, MEDIATYPE_Video) != FALSE;
    facts.subtype = SubtypeOf(type.subtype);
    facts.bitCount = info != nullptr ? info->bmiHeader.biBitCount : 0;
    return facts;
}

size_t ByteCount(long count) {
    return count > 0 ? static_cast<size_t>(count) : 0;
}

// The sample properties that go with the frame, in this order; E_UNEXPECTED when the input cannot
// say whether it is a sync point or a discontinuity.
HRESULT CopySampleProperties(IMediaSample* input, IMediaSample* output) {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    if (SUCCEEDED(input->GetTime(&start, &stop))) {
        output->SetTime(&start, &stop);
    }
    LONGLONG mediaStart = 0;
    LONGLONG mediaStop = 0;
    if (SUCCEEDED(input->GetMediaTime(&mediaStart, &mediaStop))) {
        output->SetMediaTime(&mediaStart, &mediaStop);
    }
    const HRESULT syncPoint = input->IsSyncPoint();
    if (syncPoint != S_OK && syncPoint != S_FALSE) {
        return E_UNEXPECTED;
    }
    output->SetSyncPoint(syncPoint == S_OK);
    AM_MEDIA_TYPE* mediaType = nullptr;
    input->GetMediaType(&mediaType);
    output->SetMediaType(mediaType);
    dshow::DeleteMediaType(mediaType);
    const HRESULT discontinuity = input->IsDiscontinuity();
    if (discontinuity != S_OK && discontinuity != S_FALSE) {
        return E_UNEXPECTED;
    }
    output->SetDiscontinuity(discontinuity == S_OK);
    return S_OK;
}
}  // namespace

CFlipFilter::CFlipFilter(IUnknown* outer) : CTransformFilter(outer, CLSID_QDBinarizationFilter) {}

CFlipFilter::~CFlipFilter() {
    DestroyOptionsWindow();
}

IUnknown* CFlipFilter::CreateInstance(IUnknown* outer, HRESULT* result) {
    auto* filter = new (std::nothrow) CFlipFilter(outer);
    if (filter == nullptr) {
        *result = E_OUTOFMEMORY;
        return nullptr;
    }
    return reinterpret_cast<IUnknown*>(static_cast<dshow::INonDelegatingUnknown*>(filter));
}

HRESULT CFlipFilter::CheckInputType(const dshow::CMediaType* type) {
    return AcceptsInputType(FactsOf(*type)) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CFlipFilter::CheckTransform(const dshow::CMediaType* input, const dshow::CMediaType* output) {
    return AcceptsInputType(FactsOf(*input)) && *input == *output ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CFlipFilter::GetMediaType(int position, dshow::CMediaType* type) {
    if (!input_->IsConnected()) {
        return E_UNEXPECTED;
    }
    if (position < 0) {
        return E_INVALIDARG;
    }
    if (position > 0) {
        return VFW_S_NO_MORE_ITEMS;
    }
    *type = input_->CurrentMediaType();
    return type->IsValid() ? S_OK : E_OUTOFMEMORY;
}

HRESULT CFlipFilter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
    if (!input_->IsConnected()) {
        return E_UNEXPECTED;
    }
    const dshow::CMediaType& type = input_->CurrentMediaType();
    request->cBuffers = 1;
    request->cbBuffer = type.bFixedSizeSamples ? static_cast<long>(type.lSampleSize) : 0;
    ALLOCATOR_PROPERTIES granted{};
    const HRESULT result = allocator->SetProperties(request, &granted);
    if (FAILED(result)) {
        return result;
    }
    return granted.cBuffers < request->cBuffers || granted.cbBuffer < request->cbBuffer ? E_FAIL : S_OK;
}

HRESULT CFlipFilter::CompleteConnect(PIN_DIRECTION direction, IPin* peer) {
    work_.reset();
    workSize_ = 0;
    const dshow::CMediaType& type = input_->CurrentMediaType();
    const VIDEOINFOHEADER* info = VideoInfoOf(type);
    width_ = info != nullptr ? info->bmiHeader.biWidth : 0;
    height_ = info != nullptr ? info->bmiHeader.biHeight : 0;
    rawModes_ = RawModesApply(SubtypeOf(type.subtype), width_, height_);
    const size_t bytes = WorkBufferBytes(width_, height_);
    if (bytes != 0) {
        work_.reset(new (std::nothrow) uint8_t[bytes]());
        if (work_ == nullptr) {
            rawModes_ = false;
            return E_OUTOFMEMORY;
        }
        workSize_ = bytes;
    }
    return S_OK;
}

HRESULT CFlipFilter::Transform(IMediaSample* input, IMediaSample* output) {
    const size_t length = ByteCount(input->GetActualDataLength());
    BYTE* source = nullptr;
    BYTE* target = nullptr;
    if (FAILED(input->GetPointer(&source))) {
        source = nullptr;
    }
    if (FAILED(output->GetPointer(&target))) {
        target = nullptr;
    }
    const size_t outputSize = target != nullptr ? ByteCount(output->GetSize()) : 0;
    ConvertFrame(rawModes_ ? ModuleSettings() : kPassThrough, width_, height_, source, length, work_.get(),
                 workSize_, target, outputSize);
    const HRESULT copied = CopySampleProperties(input, output);
    if (FAILED(copied)) {
        return copied;
    }
    output->SetActualDataLength(static_cast<long>(std::min(length, outputSize)));
    return S_OK;
}

}  // namespace qdflip
