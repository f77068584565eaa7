#include "test_filters.h"

#include <cstring>

namespace qdflip::test {
namespace {

void CopyType(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source) {
    target = source;
    target.pUnk = nullptr;
    if (source.cbFormat != 0) {
        target.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source.cbFormat));
        std::memcpy(target.pbFormat, source.pbFormat, source.cbFormat);
    }
}

void ClearType(AM_MEDIA_TYPE& type) {
    CoTaskMemFree(type.pbFormat);
    type = AM_MEDIA_TYPE{};
}

bool IsPartial(const AM_MEDIA_TYPE* type) {
    return type == nullptr || IsEqualGUID(type->majortype, GUID_NULL) ||
           IsEqualGUID(type->subtype, GUID_NULL) || IsEqualGUID(type->formattype, GUID_NULL);
}

// Walks the one pin of a test filter.
class OnePinEnumerator : public IEnumPins {
public:
    OnePinEnumerator(IPin* pin, ULONG position) : pin_(pin), position_(position) { pin_->AddRef(); }
    virtual ~OnePinEnumerator() { pin_->Release(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IEnumPins)) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override {
        ULONG done = 0;
        if (count > 0 && position_ == 0) {
            pins[0] = pin_;
            pin_->AddRef();
            done = 1;
            position_ = 1;
        }
        if (fetched != nullptr) {
            *fetched = done;
        }
        return done == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        position_ += count;
        return position_ <= 1 ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins** clone) override {
        *clone = new OnePinEnumerator(pin_, position_);
        return S_OK;
    }

private:
    IPin* pin_;
    ULONG position_;
    std::atomic<ULONG> references_{1};
};

}  // namespace

AM_MEDIA_TYPE* NewVideoType(const GUID& subtype, int32_t width, int32_t height, uint16_t bitCount,
                            size_t sampleSize) {
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    *type = AM_MEDIA_TYPE{};
    type->majortype = MEDIATYPE_Video;
    type->subtype = subtype;
    type->formattype = FORMAT_VideoInfo;
    type->bFixedSizeSamples = TRUE;
    type->lSampleSize = static_cast<ULONG>(sampleSize);
    type->cbFormat = sizeof(VIDEOINFOHEADER);
    type->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
    *info = VIDEOINFOHEADER{};
    info->rcTarget = {0, 0, width, height};
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = bitCount;
    info->bmiHeader.biCompression = subtype.Data1;
    info->bmiHeader.biSizeImage = static_cast<DWORD>(sampleSize);
    return type;
}

void FreeType(AM_MEDIA_TYPE* type) {
    if (type != nullptr) {
        ClearType(*type);
        CoTaskMemFree(type);
    }
}

// ---- TestPin ----

TestPin::TestPin(TestFilter& filter, PIN_DIRECTION direction, const wchar_t* name)
    : filter_(filter), direction_(direction), name_(name) {}

TestPin::~TestPin() {
    Forget();
    FreeType(offeredType);
}

void TestPin::Forget() {
    if (peer_ != nullptr) {
        peer_->Release();
        peer_ = nullptr;
    }
    if (peerInput != nullptr) {
        peerInput->Release();
        peerInput = nullptr;
    }
    if (allocator != nullptr) {
        allocator->Release();
        allocator = nullptr;
    }
    ClearType(type_);
}

HRESULT TestPin::QueryInterface(REFIID iid, void** object) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPin)) {
        *object = static_cast<IPin*>(this);
    } else if (direction_ == PINDIR_INPUT && IsEqualIID(iid, IID_IMemInputPin)) {
        *object = static_cast<IMemInputPin*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG TestPin::AddRef() {
    return filter_.AddRef();
}

ULONG TestPin::Release() {
    return filter_.Release();
}

HRESULT TestPin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
    if (direction_ != PINDIR_OUTPUT) {
        return E_UNEXPECTED;
    }
    CopyType(type_, IsPartial(type) ? *offeredType : *type);
    peer_ = receivePin;
    peer_->AddRef();
    HRESULT result = receivePin->ReceiveConnection(this, &type_);
    if (FAILED(result)) {
        Forget();
        return result;
    }
    receivePin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&peerInput));
    if (FAILED(peerInput->GetAllocator(&allocator))) {
        CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                         reinterpret_cast<void**>(&allocator));
    }
    ALLOCATOR_PROPERTIES request{1, static_cast<long>(type_.lSampleSize), 1, 0};
    ALLOCATOR_PROPERTIES actual{};
    result = allocator->SetProperties(&request, &actual);
    if (SUCCEEDED(result)) {
        result = peerInput->NotifyAllocator(allocator, FALSE);
    }
    if (FAILED(result)) {
        receivePin->Disconnect();
        Forget();
    }
    return result;
}

HRESULT TestPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
    if (direction_ != PINDIR_INPUT) {
        return E_UNEXPECTED;
    }
    if (peer_ != nullptr) {
        return VFW_E_ALREADY_CONNECTED;
    }
    peer_ = connector;
    peer_->AddRef();
    CopyType(type_, *type);
    return S_OK;
}

HRESULT TestPin::Disconnect() {
    if (peer_ == nullptr) {
        return S_FALSE;
    }
    Forget();
    return S_OK;
}

HRESULT TestPin::ConnectedTo(IPin** pin) {
    *pin = peer_;
    if (peer_ == nullptr) {
        return VFW_E_NOT_CONNECTED;
    }
    peer_->AddRef();
    return S_OK;
}

HRESULT TestPin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
    if (peer_ == nullptr) {
        return VFW_E_NOT_CONNECTED;
    }
    CopyType(*type, type_);
    return S_OK;
}

HRESULT TestPin::QueryPinInfo(PIN_INFO* info) {
    info->pFilter = &filter_;
    filter_.AddRef();
    info->dir = direction_;
    lstrcpynW(info->achName, name_.c_str(), MAX_PIN_NAME);
    return S_OK;
}

HRESULT TestPin::QueryDirection(PIN_DIRECTION* direction) {
    *direction = direction_;
    return S_OK;
}

HRESULT TestPin::QueryId(LPWSTR* id) {
    *id = static_cast<LPWSTR>(CoTaskMemAlloc((name_.size() + 1) * sizeof(wchar_t)));
    std::memcpy(*id, name_.c_str(), (name_.size() + 1) * sizeof(wchar_t));
    return S_OK;
}

HRESULT TestPin::QueryAccept(const AM_MEDIA_TYPE* type) {
    return S_OK;
}

HRESULT TestPin::EnumMediaTypes(IEnumMediaTypes** types) {
    return E_NOTIMPL;
}

HRESULT TestPin::QueryInternalConnections(IPin** pins, ULONG* count) {
    return E_NOTIMPL;
}

HRESULT TestPin::EndOfStream() {
    std::lock_guard<std::mutex> hold(filter_.lock);
    ++filter_.endOfStreams;
    return S_OK;
}

HRESULT TestPin::BeginFlush() {
    std::lock_guard<std::mutex> hold(filter_.lock);
    ++filter_.beginFlushes;
    SetEvent(filter_.release);
    return S_OK;
}

HRESULT TestPin::EndFlush() {
    std::lock_guard<std::mutex> hold(filter_.lock);
    ++filter_.endFlushes;
    ResetEvent(filter_.release);
    return S_OK;
}

HRESULT TestPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    std::lock_guard<std::mutex> hold(filter_.lock);
    ++filter_.newSegments;
    filter_.segmentStart = start;
    filter_.segmentStop = stop;
    filter_.segmentRate = rate;
    return S_OK;
}

HRESULT TestPin::GetAllocator(IMemAllocator** result) {
    *result = filter_.offeredAllocator;
    if (*result == nullptr) {
        return VFW_E_NO_ALLOCATOR;
    }
    (*result)->AddRef();
    return S_OK;
}

HRESULT TestPin::NotifyAllocator(IMemAllocator* notified, BOOL readOnly) {
    notified->AddRef();
    if (filter_.notifiedAllocator != nullptr) {
        filter_.notifiedAllocator->Release();
    }
    filter_.notifiedAllocator = notified;
    return notified->GetProperties(&filter_.notifiedProperties);
}

HRESULT TestPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) {
    return E_NOTIMPL;
}

HRESULT TestPin::Receive(IMediaSample* sample) {
    if (!filter_.keepSamples) {
        ++filter_.samplesCounted;
        if (filter_.countedSampleWork) {
            filter_.countedSampleWork(sample);
        }
        return S_OK;
    }
    ReceivedSample received;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    received.buffer = data;
    received.bytes.assign(data, data + sample->GetActualDataLength());
    received.timeResult = sample->GetTime(&received.start, &received.stop);
    received.mediaTimeResult = sample->GetMediaTime(&received.mediaStart, &received.mediaStop);
    received.syncPoint = sample->IsSyncPoint();
    received.discontinuity = sample->IsDiscontinuity();
    received.preroll = sample->IsPreroll();
    {
        std::lock_guard<std::mutex> hold(filter_.lock);
        filter_.samples.push_back(std::move(received));
    }
    if (filter_.holdSamples.load()) {
        filter_.sampleHeld.store(true);
        WaitForSingleObject(filter_.release, 30000);
    }
    return S_OK;
}

HRESULT TestPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
    for (*processed = 0; *processed < count; ++*processed) {
        Receive(samples[*processed]);
    }
    return S_OK;
}

HRESULT TestPin::ReceiveCanBlock() {
    return S_FALSE;
}

// ---- TestFilter ----

TestFilter::TestFilter(PIN_DIRECTION direction)
    : pin_(new TestPin(*this, direction, direction == PINDIR_INPUT ? L"Sink" : L"Source")) {}

TestFilter::~TestFilter() {
    delete pin_;
    if (notifiedAllocator != nullptr) {
        notifiedAllocator->Release();
    }
    CloseHandle(release);
}

TestFilter* TestFilter::NewSource(AM_MEDIA_TYPE* type) {
    auto* filter = new TestFilter(PINDIR_OUTPUT);
    filter->pin_->offeredType = type;
    return filter;
}

TestFilter* TestFilter::NewSink() {
    return new TestFilter(PINDIR_INPUT);
}

HRESULT TestFilter::QueryInterface(REFIID iid, void** object) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBaseFilter) ||
        IsEqualIID(iid, IID_IMediaFilter) || IsEqualIID(iid, IID_IPersist)) {
        *object = static_cast<IBaseFilter*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG TestFilter::Release() {
    const ULONG left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT TestFilter::GetClassID(CLSID* classId) {
    *classId = GUID_NULL;
    return S_OK;
}

HRESULT TestFilter::Stop() {
    if (pin_->allocator != nullptr) {
        pin_->allocator->Decommit();
    }
    SetEvent(release);
    state_ = State_Stopped;
    return S_OK;
}

HRESULT TestFilter::Pause() {
    if (state_ == State_Stopped && pin_->allocator != nullptr) {
        pin_->allocator->Commit();
    }
    ResetEvent(release);
    state_ = State_Paused;
    return S_OK;
}

HRESULT TestFilter::Run(REFERENCE_TIME start) {
    if (state_ == State_Stopped) {
        Pause();
    }
    state_ = State_Running;
    return S_OK;
}

HRESULT TestFilter::GetState(DWORD timeout, FILTER_STATE* state) {
    *state = state_;
    return S_OK;
}

HRESULT TestFilter::GetSyncSource(IReferenceClock** clock) {
    *clock = nullptr;
    return S_OK;
}

HRESULT TestFilter::EnumPins(IEnumPins** pins) {
    *pins = new OnePinEnumerator(pin_, 0);
    return S_OK;
}

HRESULT TestFilter::FindPin(LPCWSTR id, IPin** pin) {
    PIN_INFO info;
    pin_->QueryPinInfo(&info);
    info.pFilter->Release();
    if (lstrcmpW(info.achName, id) != 0) {
        *pin = nullptr;
        return VFW_E_NOT_FOUND;
    }
    *pin = pin_;
    pin_->AddRef();
    return S_OK;
}

HRESULT TestFilter::QueryFilterInfo(FILTER_INFO* info) {
    info->achName[0] = 0;
    info->pGraph = graph_;
    if (graph_ != nullptr) {
        graph_->AddRef();
    }
    return S_OK;
}

HRESULT TestFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    graph_ = graph;
    return S_OK;
}

HRESULT TestFilter::Deliver(const uint8_t* data, size_t length, const SampleProperties& properties) {
    IMediaSample* sample = nullptr;
    HRESULT result = pin_->allocator->GetBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(result)) {
        return result;
    }
    BYTE* buffer = nullptr;
    sample->GetPointer(&buffer);
    const size_t room = static_cast<size_t>(sample->GetSize());
    std::memcpy(buffer, data, length < room ? length : room);
    sample->SetActualDataLength(properties.actualLength >= 0 ? properties.actualLength
                                                             : static_cast<long>(length));
    REFERENCE_TIME start = properties.start, stop = properties.stop;
    sample->SetTime(properties.withTime ? &start : nullptr, properties.withTime ? &stop : nullptr);
    LONGLONG mediaStart = properties.mediaStart, mediaStop = properties.mediaStop;
    sample->SetMediaTime(properties.withMediaTime ? &mediaStart : nullptr,
                         properties.withMediaTime ? &mediaStop : nullptr);
    sample->SetSyncPoint(properties.syncPoint);
    sample->SetDiscontinuity(properties.discontinuity);
    sample->SetPreroll(properties.preroll);
    result = pin_->peerInput->Receive(sample);
    sample->Release();
    return result;
}

// ---- StingyAllocator ----

HRESULT StingyAllocator::QueryInterface(REFIID iid, void** object) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMemAllocator)) {
        *object = this;
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT StingyAllocator::SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) {
    requested = *request;
    ++requests;
    *actual = *request;
    actual->cbBuffer = request->cbBuffer / 2;
    return S_OK;
}

HRESULT StingyAllocator::GetProperties(ALLOCATOR_PROPERTIES* properties) {
    *properties = requested;
    properties->cbBuffer /= 2;
    return S_OK;
}

}  // namespace qdflip::test
