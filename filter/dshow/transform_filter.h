// A transform filter: one input pin, one output pin, one output sample for every input sample. This
// stands in for the DirectShow base classes, with only what the raw video filter uses. A derived
// filter decides the media types, the output buffers and the work on each sample:
//   CheckInputType    whether the input pin accepts a type;
//   CheckTransform    whether an output type goes with the connected input type;
//   GetMediaType      the output types offered, by position;
//   DecideBufferSize  the output allocator's properties;
//   CompleteConnect   called when either pin has connected;
//   Transform         one input sample into one output sample, on the streaming thread.
//
// Interfaces: the filter has IBaseFilter (with IMediaFilter and IPersist); both pins have IPin; the
// input pin also IMemInputPin, the output pin also IQualityControl. There is nothing else.
//
// Locks, in the order they are taken:
//   1. the filter lock: state changes, connecting and disconnecting, flushing, the clock and the graph.
//      The streaming thread never takes it.
//   2. the receive lock: held by Receive, EndOfStream and NewSegment on the streaming thread. Flushing
//      and stopping take it (under the filter lock) after they have told Receive to refuse samples,
//      which waits out a sample in flight; so no sample goes downstream after BeginFlush or Stop returns.
// The state and the flushing flag are read by the streaming thread without the filter lock.
//
// The output allocator is committed when the filter leaves Stopped and decommitted when it stops; the
// decommit also wakes a Receive that waits for an output buffer.
#pragma once

#include <strmif.h>
#include <uuids.h>
#include <vfwmsgs.h>
#include <windows.h>

#include <atomic>
#include <string>

#include "dshow/media_type.h"
#include "dshow/unknown.h"

namespace qdflip::dshow {

class CTransformFilter;

// A critical section owned for the life of its holder.
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    void Enter() { EnterCriticalSection(&section_); }
    void Leave() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

// Holds a critical section for one scope.
class LockHold {
public:
    explicit LockHold(CriticalSection& lock) : lock_(lock) { lock_.Enter(); }
    LockHold(const LockHold&) = delete;
    LockHold& operator=(const LockHold&) = delete;
    ~LockHold() { lock_.Leave(); }

private:
    CriticalSection& lock_;
};

// What both pins share: the connection, its media type, identity and the IPin calls that are the same.
// A pin is part of its filter: its references are the filter's.
class CBasePin : public IPin {
public:
    CBasePin(CTransformFilter& filter, const wchar_t* name, PIN_DIRECTION direction);
    CBasePin(const CBasePin&) = delete;
    CBasePin& operator=(const CBasePin&) = delete;
    virtual ~CBasePin();

    // IUnknown: the filter's references.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IPin
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) override;

    // The types this pin offers, by position: S_OK, or VFW_S_NO_MORE_ITEMS past the last one, or an error.
    virtual HRESULT MediaTypeAt(int position, CMediaType* type) = 0;
    // Whether this pin can connect with `type` now.
    virtual HRESULT CheckMediaType(const CMediaType& type) = 0;

    bool IsConnected() const { return connected_ != nullptr; }
    IPin* Peer() const { return connected_; }
    const CMediaType& CurrentMediaType() const { return mediaType_; }
    const std::wstring& Name() const { return name_; }

protected:
    // S_OK when the pin may take a new connection now (filter lock held).
    HRESULT CanConnect() const;
    // Forgets the peer and the type (called under the filter lock).
    virtual void BreakConnection();
    // Stores the peer and the type of a new connection.
    void SetConnection(IPin* peer, const CMediaType& type);

    CTransformFilter& filter_;

private:
    std::wstring name_;
    PIN_DIRECTION direction_;
    IPin* connected_ = nullptr;
    CMediaType mediaType_;
};

class CTransformOutputPin;

class CTransformInputPin : public CBasePin, public IMemInputPin {
public:
    explicit CTransformInputPin(CTransformFilter& filter);
    ~CTransformInputPin() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return CBasePin::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return CBasePin::Release(); }

    // IPin
    HRESULT STDMETHODCALLTYPE Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // IMemInputPin
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override;

    HRESULT MediaTypeAt(int position, CMediaType* type) override;
    HRESULT CheckMediaType(const CMediaType& type) override;

    // Called by the filter when it stops: the upstream allocator is decommitted.
    void Inactive();
    bool IsFlushing() const { return flushing_.load(); }

protected:
    void BreakConnection() override;

private:
    CTransformOutputPin& Output();

    IMemAllocator* allocator_ = nullptr;
    std::atomic<bool> flushing_{false};
};

class CTransformOutputPin : public CBasePin, public IQualityControl {
public:
    explicit CTransformOutputPin(CTransformFilter& filter);
    ~CTransformOutputPin() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return CBasePin::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return CBasePin::Release(); }

    // IPin; the streaming calls answer E_UNEXPECTED on an output pin.
    HRESULT STDMETHODCALLTYPE Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // IQualityControl: messages from downstream go to the sink set, else upstream.
    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* sender, Quality quality) override;
    HRESULT STDMETHODCALLTYPE SetSink(IQualityControl* sink) override;

    HRESULT MediaTypeAt(int position, CMediaType* type) override;
    HRESULT CheckMediaType(const CMediaType& type) override;

    // Commits and decommits the output allocator with the filter's state.
    HRESULT Active();
    void Inactive();
    // An empty output sample (may wait for the allocator); streaming thread only.
    HRESULT GetDeliveryBuffer(IMediaSample** sample);
    // Hands a sample to the downstream pin; streaming thread only.
    HRESULT Deliver(IMediaSample* sample);
    // What the input pin passes on to the downstream pin.
    HRESULT DeliverEndOfStream();
    HRESULT DeliverBeginFlush();
    HRESULT DeliverEndFlush();
    HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);
    // The downstream input pin's own answer to ReceiveCanBlock.
    HRESULT DownstreamCanBlock();

protected:
    void BreakConnection() override;

private:
    // One attempt with one fully given type: the peer's consent, then the allocator.
    HRESULT TryConnection(IPin* receivePin, const CMediaType& type);
    HRESULT DecideAllocator(IMemInputPin* peerInput);

    IMemInputPin* peerInput_ = nullptr;
    IMemAllocator* allocator_ = nullptr;
    IQualityControl* qualitySink_ = nullptr;
};

class CTransformFilter : public CUnknown, public IBaseFilter {
public:
    CTransformFilter(IUnknown* outer, REFCLSID classId);
    ~CTransformFilter() override;

    QDFLIP_DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;

    // IPersist
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) override;
    // IMediaFilter
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeout, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;
    // IBaseFilter
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* info) override;

    int GetPinCount() const { return 2; }
    CBasePin* GetPin(int index);

    // What a derived filter decides (see the top of this file).
    virtual HRESULT CheckInputType(const CMediaType* type) = 0;
    virtual HRESULT CheckTransform(const CMediaType* input, const CMediaType* output) = 0;
    virtual HRESULT GetMediaType(int position, CMediaType* type) = 0;
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
    virtual HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* peer);
    virtual HRESULT Transform(IMediaSample* input, IMediaSample* output) = 0;

    // The streaming side of the input pin: one sample through Transform and on downstream.
    HRESULT Receive(IMediaSample* sample);

    CriticalSection& FilterLock() { return filterLock_; }
    CriticalSection& ReceiveLock() { return receiveLock_; }
    bool IsStopped() const { return state_.load() == State_Stopped; }
    IBaseFilter* AsBaseFilter() { return this; }

protected:
    CTransformInputPin* input_;
    CTransformOutputPin* output_;

private:
    // Pause and Run: leaving Stopped commits the output allocator.
    HRESULT Start(FILTER_STATE state);

    CLSID classId_;
    CriticalSection filterLock_;
    CriticalSection receiveLock_;
    std::atomic<FILTER_STATE> state_{State_Stopped};
    IReferenceClock* clock_ = nullptr;
    IFilterGraph* graph_ = nullptr;
    std::wstring graphName_;
};

}  // namespace qdflip::dshow
