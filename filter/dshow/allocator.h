// The memory allocator of the output pin, for when the downstream pin offers none of its own. It hands
// out what the system's memory allocator does (samples of plain memory with the properties of
// IMediaSample) but keeps its free list under a slim lock and a condition variable, so that taking a
// free buffer and giving it back stay in this process. The system's allocator counts its buffers with a
// semaphore, which costs two kernel calls a sample; under Wine each is a round trip to the server, and
// the pair cost 60 microseconds a sample, a third of the time one memcpy of a 1920 x 1080 frame takes.
//
// A sample keeps the allocator alive while it is out. GetBuffer waits only when every buffer is out;
// Decommit wakes every waiter, and the memory goes when the last sample comes back.
#pragma once

#include <strmif.h>
#include <windows.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "dshow/com_object.h"

namespace qdflip::dshow {

class CMemAllocator;

// One buffer of the allocator. Its reference count is 0 while it is free; its last Release gives it
// back to the allocator.
class CMediaSample final : public IMediaSample {
public:
    explicit CMediaSample(CMemAllocator& allocator) : allocator_(allocator) {}
    CMediaSample(const CMediaSample&) = delete;
    CMediaSample& operator=(const CMediaSample&) = delete;
    ~CMediaSample();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetPointer(BYTE** buffer) override;
    long STDMETHODCALLTYPE GetSize() override { return size_; }
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    HRESULT STDMETHODCALLTYPE IsSyncPoint() override { return FlagAnswer(AM_SAMPLE_SPLICEPOINT); }
    HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL syncPoint) override;
    HRESULT STDMETHODCALLTYPE IsPreroll() override { return FlagAnswer(AM_SAMPLE_PREROLL); }
    HRESULT STDMETHODCALLTYPE SetPreroll(BOOL preroll) override;
    long STDMETHODCALLTYPE GetActualDataLength() override { return actual_; }
    HRESULT STDMETHODCALLTYPE SetActualDataLength(long length) override;
    HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE** type) override;
    HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE IsDiscontinuity() override { return FlagAnswer(AM_SAMPLE_DATADISCONTINUITY); }
    HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL discontinuity) override;
    HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG* start, LONGLONG* stop) override;
    HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG* start, LONGLONG* stop) override;

    // Called by the allocator, under its lock.
    void Place(BYTE* buffer, long size);
    // Ready to be handed out: one reference, the whole buffer as data, no properties.
    void HandOut();

private:
    HRESULT FlagAnswer(DWORD flag) const { return (flags_ & flag) != 0 ? S_OK : S_FALSE; }
    void SetFlag(DWORD flag, BOOL on);
    void ClearProperties();

    CMemAllocator& allocator_;
    ULONG references_ = 0;
    BYTE* buffer_ = nullptr;
    long size_ = 0;
    long actual_ = 0;
    DWORD flags_ = 0;
    REFERENCE_TIME start_ = 0;
    REFERENCE_TIME stop_ = 0;
    bool mediaTimeSet_ = false;
    LONGLONG mediaStart_ = 0;
    LONGLONG mediaStop_ = 0;
    AM_MEDIA_TYPE* mediaType_ = nullptr;
};

class CMemAllocator final : public CComObject<IMemAllocator, IID_IMemAllocator> {
public:
    // A new allocator with one reference, or null when out of memory.
    static CMemAllocator* Create();

    // SetProperties takes any buffer count and size; the alignment must be a power of two no larger
    // than a page. Each sample's pointer is aligned, and at least cbPrefix bytes precede it.
    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request,
                                            ALLOCATOR_PROPERTIES* actual) override;
    HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* properties) override;
    HRESULT STDMETHODCALLTYPE Commit() override;
    HRESULT STDMETHODCALLTYPE Decommit() override;
    // AM_GBF_NOWAIT answers VFW_E_TIMEOUT at once when no buffer is free. The times are not used.
    HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                        DWORD flags) override;
    // A sample comes back by its last Release. Anything handed in here is either not this allocator's
    // or still referenced by someone: E_INVALIDARG, and nothing changes.
    HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample* sample) override;

    // How many GetBuffer calls wait for a buffer now.
    long WaitingCount();

private:
    friend class CMediaSample;

    CMemAllocator();
    ~CMemAllocator() override;

    // A sample's last Release: back on the free list; releases the sample's hold on the allocator.
    void Return(CMediaSample* sample);
    // Lays out the buffers of the properties; E_OUTOFMEMORY when they cannot be had.
    HRESULT Allocate();
    void FreeMemory();

    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE bufferFreed_ = CONDITION_VARIABLE_INIT;
    ALLOCATOR_PROPERTIES properties_{};
    bool committed_ = false;
    BYTE* memory_ = nullptr;
    std::vector<std::unique_ptr<CMediaSample>> samples_;
    std::vector<CMediaSample*> free_;
    long waiting_ = 0;
    unsigned long decommits_ = 0;
};

}  // namespace qdflip::dshow
