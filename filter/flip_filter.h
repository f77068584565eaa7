// CFlipFilter, the raw video filter: it passes its input type through unchanged and rewrites each
// frame through qdflip::ConvertFrame by the module-wide settings of the options window. What it does
// with frame sizes and subtypes is written in media_rules.h.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "dshow/transform_filter.h"
#include "media_rules.h"

namespace qdflip {

// {5C694289-4CB3-4130-A239-E91BBF1F1ABE}
extern const CLSID CLSID_QDBinarizationFilter;

class CFlipFilter : public dshow::CTransformFilter {
public:
    // The factory's creation function: the filter's inner unknown, or null with E_OUTOFMEMORY.
    static IUnknown* CreateInstance(IUnknown* outer, HRESULT* result);

    ~CFlipFilter() override;

    HRESULT CheckInputType(const dshow::CMediaType* type) override;
    HRESULT CheckTransform(const dshow::CMediaType* input, const dshow::CMediaType* output) override;
    HRESULT GetMediaType(int position, dshow::CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* peer) override;
    HRESULT Transform(IMediaSample* input, IMediaSample* output) override;

private:
    explicit CFlipFilter(IUnknown* outer);

    // Set on each completed connection, read by Transform; a connection needs the filter stopped.
    std::unique_ptr<uint8_t[]> work_;
    size_t workSize_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    bool rawModes_ = false;
};

}  // namespace qdflip
