#include "dshow/allocator.h"

#include <vfwmsgs.h>

#include <limits>
#include <new>

#include "dshow/media_type.h"

namespace qdflip::dshow {

namespace {
// Holds the allocator's lock for one scope.
class ExclusiveHold {
public:
    explicit ExclusiveHold(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ExclusiveHold(const ExclusiveHold&) = delete;
    ExclusiveHold& operator=(const ExclusiveHold&) = delete;
    ~ExclusiveHold() { ReleaseSRWLockExclusive(&lock_); }

private:
    SRWLOCK& lock_;
};

DWORD PageSize() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}

bool IsPowerOfTwo(long value) {
    return value > 0 && (value & (value - 1)) == 0;
}

// `value` rounded up to a multiple of `alignment` (a power of two). The properties are below 2^31 and
// the alignment at most a page, so this fits a size_t of any build.
size_t RoundUp(size_t value, size_t alignment) {
    return (value + alignment - 1) & ~(alignment - 1);
}
}  // namespace

// ---- CMediaSample ----

CMediaSample::~CMediaSample() {
    DeleteMediaType(mediaType_);
}

HRESULT CMediaSample::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMediaSample)) {
        *object = static_cast<IMediaSample*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// A sample is used by one holder at a time, as IMediaSample's contract says, but its holders may be on
// different threads; the count is interlocked.
ULONG CMediaSample::AddRef() {
    return InterlockedIncrement(reinterpret_cast<volatile LONG*>(&references_));
}

ULONG CMediaSample::Release() {
    const ULONG left = InterlockedDecrement(reinterpret_cast<volatile LONG*>(&references_));
    if (left == 0) {
        ClearProperties();
        // The allocator may free this sample's memory or drop its own last reference: nothing of this
        // object is touched after the call.
        allocator_.Return(this);
    }
    return left;
}

HRESULT CMediaSample::GetPointer(BYTE** buffer) {
    if (buffer == nullptr) {
        return E_POINTER;
    }
    *buffer = buffer_;
    return S_OK;
}

HRESULT CMediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    if (start == nullptr || stop == nullptr) {
        return E_POINTER;
    }
    if ((flags_ & AM_SAMPLE_TIMEVALID) == 0) {
        return VFW_E_SAMPLE_TIME_NOT_SET;
    }
    *start = start_;
    if ((flags_ & AM_SAMPLE_STOPVALID) == 0) {
        *stop = start_ + 1;
        return VFW_S_NO_STOP_TIME;
    }
    *stop = stop_;
    return S_OK;
}

HRESULT CMediaSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    flags_ &= ~(AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID);
    if (start != nullptr) {
        start_ = *start;
        flags_ |= AM_SAMPLE_TIMEVALID;
        // A stop time means nothing without a start time.
        if (stop != nullptr) {
            stop_ = *stop;
            flags_ |= AM_SAMPLE_STOPVALID;
        }
    }
    return S_OK;
}

void CMediaSample::SetFlag(DWORD flag, BOOL on) {
    flags_ = on ? (flags_ | flag) : (flags_ & ~flag);
}

HRESULT CMediaSample::SetSyncPoint(BOOL syncPoint) {
    SetFlag(AM_SAMPLE_SPLICEPOINT, syncPoint);
    return S_OK;
}

HRESULT CMediaSample::SetPreroll(BOOL preroll) {
    SetFlag(AM_SAMPLE_PREROLL, preroll);
    return S_OK;
}

HRESULT CMediaSample::SetDiscontinuity(BOOL discontinuity) {
    SetFlag(AM_SAMPLE_DATADISCONTINUITY, discontinuity);
    return S_OK;
}

HRESULT CMediaSample::SetActualDataLength(long length) {
    if (length < 0 || length > size_) {
        return VFW_E_BUFFER_OVERFLOW;
    }
    actual_ = length;
    return S_OK;
}

HRESULT CMediaSample::GetMediaType(AM_MEDIA_TYPE** type) {
    if (type == nullptr) {
        return E_POINTER;
    }
    *type = nullptr;
    if (mediaType_ == nullptr) {
        return S_FALSE;
    }
    *type = CreateMediaType(*mediaType_);
    return *type != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CMediaSample::SetMediaType(AM_MEDIA_TYPE* type) {
    if (type == nullptr) {
        DeleteMediaType(mediaType_);
        mediaType_ = nullptr;
        return S_OK;
    }
    AM_MEDIA_TYPE* copy = CreateMediaType(*type);
    if (copy == nullptr) {
        return E_OUTOFMEMORY;
    }
    DeleteMediaType(mediaType_);
    mediaType_ = copy;
    return S_OK;
}

HRESULT CMediaSample::GetMediaTime(LONGLONG* start, LONGLONG* stop) {
    if (start == nullptr || stop == nullptr) {
        return E_POINTER;
    }
    if (!mediaTimeSet_) {
        return VFW_E_MEDIA_TIME_NOT_SET;
    }
    *start = mediaStart_;
    *stop = mediaStop_;
    return S_OK;
}

HRESULT CMediaSample::SetMediaTime(LONGLONG* start, LONGLONG* stop) {
    // Both or neither: a media time is a range.
    mediaTimeSet_ = start != nullptr && stop != nullptr;
    if (mediaTimeSet_) {
        mediaStart_ = *start;
        mediaStop_ = *stop;
    }
    return S_OK;
}

void CMediaSample::Place(BYTE* buffer, long size) {
    buffer_ = buffer;
    size_ = size;
}

void CMediaSample::HandOut() {
    references_ = 1;
    actual_ = size_;
}

void CMediaSample::ClearProperties() {
    flags_ = 0;
    mediaTimeSet_ = false;
    DeleteMediaType(mediaType_);
    mediaType_ = nullptr;
}

// ---- CMemAllocator ----

CMemAllocator::CMemAllocator() = default;

CMemAllocator::~CMemAllocator() {
    FreeMemory();
}

CMemAllocator* CMemAllocator::Create() {
    return new (std::nothrow) CMemAllocator();
}

HRESULT CMemAllocator::SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) {
    if (request == nullptr || actual == nullptr) {
        return E_POINTER;
    }
    ExclusiveHold hold(lock_);
    if (committed_) {
        return VFW_E_ALREADY_COMMITTED;
    }
    if (free_.size() != samples_.size()) {
        return VFW_E_BUFFERS_OUTSTANDING;
    }
    if (!IsPowerOfTwo(request->cbAlign) || static_cast<DWORD>(request->cbAlign) > PageSize()) {
        return VFW_E_BADALIGN;
    }
    if (request->cBuffers < 0 || request->cbBuffer < 0 || request->cbPrefix < 0) {
        return E_INVALIDARG;
    }
    properties_ = *request;
    *actual = properties_;
    return S_OK;
}

HRESULT CMemAllocator::GetProperties(ALLOCATOR_PROPERTIES* properties) {
    if (properties == nullptr) {
        return E_POINTER;
    }
    ExclusiveHold hold(lock_);
    *properties = properties_;
    return S_OK;
}

HRESULT CMemAllocator::Commit() {
    ExclusiveHold hold(lock_);
    if (properties_.cbAlign == 0) {
        return VFW_E_BADALIGN;
    }
    if (properties_.cbBuffer == 0) {
        return VFW_E_SIZENOTSET;
    }
    if (properties_.cBuffers == 0) {
        return VFW_E_BUFFER_NOTSET;
    }
    // After a Decommit whose samples are not all back, the memory is still there and is used again.
    if (memory_ == nullptr) {
        const HRESULT allocated = Allocate();
        if (FAILED(allocated)) {
            return allocated;
        }
    }
    committed_ = true;
    return S_OK;
}

HRESULT CMemAllocator::Decommit() {
    ExclusiveHold hold(lock_);
    if (!committed_) {
        return S_OK;
    }
    committed_ = false;
    ++decommits_;
    if (free_.size() == samples_.size()) {
        FreeMemory();
    }
    WakeAllConditionVariable(&bufferFreed_);
    return S_OK;
}

HRESULT CMemAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME*, REFERENCE_TIME*, DWORD flags) {
    if (sample == nullptr) {
        return E_POINTER;
    }
    *sample = nullptr;
    CMediaSample* taken = nullptr;
    {
        ExclusiveHold hold(lock_);
        // A Decommit while this call waits fails it, even when a Commit follows before it wakes.
        const unsigned long decommits = decommits_;
        while (committed_ && free_.empty()) {
            if ((flags & AM_GBF_NOWAIT) != 0) {
                return VFW_E_TIMEOUT;
            }
            ++waiting_;
            SleepConditionVariableSRW(&bufferFreed_, &lock_, INFINITE, 0);
            --waiting_;
            if (decommits_ != decommits) {
                return VFW_E_NOT_COMMITTED;
            }
        }
        if (!committed_) {
            return VFW_E_NOT_COMMITTED;
        }
        taken = free_.back();
        free_.pop_back();
        taken->HandOut();
    }
    // The sample's hold on its allocator, given back in Return.
    AddRef();
    *sample = taken;
    return S_OK;
}

HRESULT CMemAllocator::ReleaseBuffer(IMediaSample* sample) {
    return sample == nullptr ? E_POINTER : E_INVALIDARG;
}

long CMemAllocator::WaitingCount() {
    ExclusiveHold hold(lock_);
    return waiting_;
}

void CMemAllocator::Return(CMediaSample* sample) {
    {
        ExclusiveHold hold(lock_);
        free_.push_back(sample);
        if (!committed_ && free_.size() == samples_.size()) {
            FreeMemory();
        } else if (waiting_ > 0) {
            WakeConditionVariable(&bufferFreed_);
        }
    }
    Release();
}

HRESULT CMemAllocator::Allocate() {
    const size_t alignment = static_cast<size_t>(properties_.cbAlign);
    const size_t prefix = RoundUp(static_cast<size_t>(properties_.cbPrefix), alignment);
    const size_t body = RoundUp(static_cast<size_t>(properties_.cbBuffer), alignment);
    const size_t count = static_cast<size_t>(properties_.cBuffers);
    // Commit has made sure that neither the size nor the count is 0; their sum and product may still
    // not fit a 32-bit build's size_t.
    if (prefix > std::numeric_limits<size_t>::max() - body ||
        prefix + body > std::numeric_limits<size_t>::max() / count) {
        return E_OUTOFMEMORY;
    }
    const size_t stride = prefix + body;
    memory_ =
        static_cast<BYTE*>(VirtualAlloc(nullptr, stride * count, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (memory_ == nullptr) {
        return E_OUTOFMEMORY;
    }
    try {
        samples_.resize(count);
        free_.clear();
        free_.reserve(count);
        for (size_t i = 0; i < count; ++i) {
            if (samples_[i] == nullptr) {
                samples_[i] = std::make_unique<CMediaSample>(*this);
            }
            samples_[i]->Place(memory_ + i * stride + prefix, properties_.cbBuffer);
        }
        // Handed out from the back: the first buffer first.
        for (size_t i = count; i > 0; --i) {
            free_.push_back(samples_[i - 1].get());
        }
    } catch (const std::bad_alloc&) {
        samples_.clear();
        free_.clear();
        FreeMemory();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void CMemAllocator::FreeMemory() {
    if (memory_ != nullptr) {
        VirtualFree(memory_, 0, MEM_RELEASE);
        memory_ = nullptr;
    }
    for (const auto& sample : samples_) {
        if (sample != nullptr) {
            sample->Place(nullptr, 0);
        }
    }
}

}  // namespace qdflip::dshow
