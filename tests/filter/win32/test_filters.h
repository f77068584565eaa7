// Filters of the test tree for graphs around the raw video filter: a push source whose samples the
// test hands over one by one (the calling thread is the streaming thread), and a sink that keeps
// what reaches it. Both are plain COM objects with one pin each, enough for the filter graph manager.
#pragma once

#include <dshow.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace qdflip::test {

// A VIDEOINFOHEADER type of the given subtype and size, with fixed-size samples.
AM_MEDIA_TYPE* NewVideoType(const GUID& subtype, int32_t width, int32_t height, uint16_t bitCount,
                            size_t sampleSize);
void FreeType(AM_MEDIA_TYPE* type);

class TestFilter;

// One pin of a test filter; its references are the filter's.
class TestPin : public IPin, public IMemInputPin {
public:
    TestPin(TestFilter& filter, PIN_DIRECTION direction, const wchar_t* name);
    virtual ~TestPin();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override;

    IPin* Peer() const { return peer_; }
    const AM_MEDIA_TYPE& Type() const { return type_; }

    // Source side: the type it connects with, and the allocator it decided on.
    AM_MEDIA_TYPE* offeredType = nullptr;
    IMemAllocator* allocator = nullptr;
    IMemInputPin* peerInput = nullptr;

private:
    void Forget();

    TestFilter& filter_;
    PIN_DIRECTION direction_;
    std::wstring name_;
    IPin* peer_ = nullptr;
    AM_MEDIA_TYPE type_{};
};

// What a sink saw of one sample.
struct ReceivedSample {
    std::vector<uint8_t> bytes;
    const BYTE* buffer = nullptr;
    HRESULT timeResult = E_FAIL;
    REFERENCE_TIME start = 0, stop = 0;
    HRESULT mediaTimeResult = E_FAIL;
    LONGLONG mediaStart = 0, mediaStop = 0;
    HRESULT syncPoint = E_FAIL, discontinuity = E_FAIL, preroll = E_FAIL;
};

// Properties a source puts on a sample.
struct SampleProperties {
    bool withTime = true;
    REFERENCE_TIME start = 0, stop = 0;
    bool withMediaTime = false;
    LONGLONG mediaStart = 0, mediaStop = 0;
    bool syncPoint = true, discontinuity = false, preroll = false;
    // A length below the data given, or -1 for all of it.
    long actualLength = -1;
};

class TestFilter final : public IBaseFilter {
public:
    // A source with an output pin, or a sink with an input pin.
    static TestFilter* NewSource(AM_MEDIA_TYPE* type);
    static TestFilter* NewSink();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeout, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* info) override { return E_NOTIMPL; }

    TestPin& Pin() { return *pin_; }
    FILTER_STATE State() const { return state_; }

    // Source: one sample downstream, on the calling thread.
    HRESULT Deliver(const uint8_t* data, size_t length, const SampleProperties& properties);

    // Sink: what arrived, and what it answers.
    std::mutex lock;
    std::vector<ReceivedSample> samples;
    int endOfStreams = 0, beginFlushes = 0, endFlushes = 0, newSegments = 0;
    REFERENCE_TIME segmentStart = 0, segmentStop = 0;
    double segmentRate = 0;
    // The allocator the sink offers from GetAllocator (null: none, the upstream pin brings one).
    IMemAllocator* offeredAllocator = nullptr;
    ALLOCATOR_PROPERTIES notifiedProperties{};
    IMemAllocator* notifiedAllocator = nullptr;
    // While cleared, Receive counts samples but keeps nothing of them; it only hands each to
    // `countedSampleWork` when that is set (what a benchmark measures beside the filter).
    bool keepSamples = true;
    int samplesCounted = 0;
    std::function<void(IMediaSample* sample)> countedSampleWork;
    // While set, Receive waits until a flush or a stop releases it.
    std::atomic<bool> holdSamples{false};
    std::atomic<bool> sampleHeld{false};
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);

private:
    TestFilter(PIN_DIRECTION direction);
    ~TestFilter();

    std::atomic<ULONG> references_{1};
    TestPin* pin_;
    FILTER_STATE state_ = State_Stopped;
    IFilterGraph* graph_ = nullptr;
    friend class TestPin;
};

// An allocator that grants fewer and smaller buffers than asked for; it only records the request.
class StingyAllocator : public IMemAllocator {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request,
                                            ALLOCATOR_PROPERTIES* actual) override;
    HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* properties) override;
    HRESULT STDMETHODCALLTYPE Commit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Decommit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                        DWORD flags) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample* sample) override { return E_NOTIMPL; }

    ULONG references = 1;
    ALLOCATOR_PROPERTIES requested{};
    int requests = 0;
};

}  // namespace qdflip::test
