// The pins of the transform filter (see transform_filter.h for the locks).
#include <cstring>
#include <new>

#include "dshow/allocator.h"
#include "dshow/enumerators.h"
#include "dshow/transform_filter.h"

namespace qdflip::dshow {
namespace {
constexpr wchar_t kInputPinName[] = L"XForm In";
constexpr wchar_t kOutputPinName[] = L"XForm Out";

// A copy of `text` in task memory, as IPin::QueryId hands it out.
HRESULT TaskMemoryString(const std::wstring& text, LPWSTR* copy) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    *copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (*copy == nullptr) {
        return E_OUTOFMEMORY;
    }
    std::memcpy(*copy, text.c_str(), bytes);
    return S_OK;
}

template <class Interface>
void ReleaseAndClear(Interface*& pointer) {
    if (pointer != nullptr) {
        pointer->Release();
        pointer = nullptr;
    }
}
}  // namespace

// ---- CBasePin ----

CBasePin::CBasePin(CTransformFilter& filter, const wchar_t* name, PIN_DIRECTION direction)
    : filter_(filter), name_(name), direction_(direction) {}

CBasePin::~CBasePin() {
    ReleaseAndClear(connected_);
}

HRESULT CBasePin::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPin)) {
        *object = static_cast<IPin*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CBasePin::AddRef() {
    return filter_.AddRef();
}

ULONG CBasePin::Release() {
    return filter_.Release();
}

HRESULT CBasePin::Disconnect() {
    LockHold hold(filter_.FilterLock());
    if (!filter_.IsStopped()) {
        return VFW_E_NOT_STOPPED;
    }
    if (connected_ == nullptr) {
        return S_FALSE;
    }
    BreakConnection();
    return S_OK;
}

HRESULT CBasePin::ConnectedTo(IPin** pin) {
    if (pin == nullptr) {
        return E_POINTER;
    }
    LockHold hold(filter_.FilterLock());
    *pin = connected_;
    if (connected_ == nullptr) {
        return VFW_E_NOT_CONNECTED;
    }
    connected_->AddRef();
    return S_OK;
}

HRESULT CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
    if (type == nullptr) {
        return E_POINTER;
    }
    LockHold hold(filter_.FilterLock());
    if (connected_ == nullptr) {
        *type = AM_MEDIA_TYPE{};
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(*type, mediaType_);
}

HRESULT CBasePin::QueryPinInfo(PIN_INFO* info) {
    if (info == nullptr) {
        return E_POINTER;
    }
    info->pFilter = filter_.AsBaseFilter();
    info->pFilter->AddRef();
    info->dir = direction_;
    lstrcpynW(info->achName, name_.c_str(), MAX_PIN_NAME);
    return S_OK;
}

HRESULT CBasePin::QueryDirection(PIN_DIRECTION* direction) {
    if (direction == nullptr) {
        return E_POINTER;
    }
    *direction = direction_;
    return S_OK;
}

HRESULT CBasePin::QueryId(LPWSTR* id) {
    if (id == nullptr) {
        return E_POINTER;
    }
    return TaskMemoryString(name_, id);
}

HRESULT CBasePin::QueryAccept(const AM_MEDIA_TYPE* type) {
    if (type == nullptr) {
        return E_POINTER;
    }
    return CheckMediaType(CMediaType(*type)) == S_OK ? S_OK : S_FALSE;
}

HRESULT CBasePin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (types == nullptr) {
        return E_POINTER;
    }
    *types = new (std::nothrow) CEnumMediaTypes(*this, 0);
    return *types != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CBasePin::QueryInternalConnections(IPin** pins, ULONG* count) {
    return E_NOTIMPL;
}

HRESULT CBasePin::CanConnect() const {
    if (!filter_.IsStopped()) {
        return VFW_E_NOT_STOPPED;
    }
    return IsConnected() ? VFW_E_ALREADY_CONNECTED : S_OK;
}

void CBasePin::BreakConnection() {
    ReleaseAndClear(connected_);
    mediaType_.Clear();
}

void CBasePin::SetConnection(IPin* peer, const CMediaType& type) {
    peer->AddRef();
    connected_ = peer;
    mediaType_ = type;
}

// ---- CTransformInputPin ----

CTransformInputPin::CTransformInputPin(CTransformFilter& filter)
    : CBasePin(filter, kInputPinName, PINDIR_INPUT) {}

CTransformInputPin::~CTransformInputPin() {
    ReleaseAndClear(allocator_);
}

HRESULT CTransformInputPin::QueryInterface(REFIID iid, void** object) {
    if (object != nullptr && IsEqualIID(iid, IID_IMemInputPin)) {
        *object = static_cast<IMemInputPin*>(this);
        AddRef();
        return S_OK;
    }
    return CBasePin::QueryInterface(iid, object);
}

HRESULT CTransformInputPin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
    // An input pin is connected to, it never connects itself.
    return E_UNEXPECTED;
}

HRESULT CTransformInputPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
    if (connector == nullptr || type == nullptr) {
        return E_POINTER;
    }
    LockHold hold(filter_.FilterLock());
    const HRESULT free = CanConnect();
    if (free != S_OK) {
        return free;
    }
    PIN_DIRECTION direction;
    if (FAILED(connector->QueryDirection(&direction)) || direction != PINDIR_OUTPUT) {
        return VFW_E_INVALID_DIRECTION;
    }
    const CMediaType offered(*type);
    if (!offered.IsValid()) {
        return E_OUTOFMEMORY;
    }
    if (CheckMediaType(offered) != S_OK) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    SetConnection(connector, offered);
    const HRESULT completed = filter_.CompleteConnect(PINDIR_INPUT, connector);
    if (FAILED(completed)) {
        BreakConnection();
        return completed;
    }
    return S_OK;
}

HRESULT CTransformInputPin::MediaTypeAt(int position, CMediaType* type) {
    // The input pin takes what the upstream pin offers; it proposes nothing itself.
    return VFW_S_NO_MORE_ITEMS;
}

HRESULT CTransformInputPin::CheckMediaType(const CMediaType& type) {
    return filter_.CheckInputType(&type);
}

void CTransformInputPin::BreakConnection() {
    ReleaseAndClear(allocator_);
    CBasePin::BreakConnection();
}

HRESULT CTransformInputPin::EndOfStream() {
    LockHold hold(filter_.ReceiveLock());
    if (flushing_.load()) {
        return S_FALSE;
    }
    return filter_.IsStopped() ? VFW_E_WRONG_STATE : Output().DeliverEndOfStream();
}

HRESULT CTransformInputPin::BeginFlush() {
    LockHold hold(filter_.FilterLock());
    flushing_.store(true);
    // Downstream first, so that a Receive blocked there returns; then wait for it to leave.
    const HRESULT passed = Output().DeliverBeginFlush();
    LockHold drain(filter_.ReceiveLock());
    return passed;
}

HRESULT CTransformInputPin::EndFlush() {
    LockHold hold(filter_.FilterLock());
    const HRESULT passed = Output().DeliverEndFlush();
    flushing_.store(false);
    return passed;
}

HRESULT CTransformInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    LockHold hold(filter_.ReceiveLock());
    return Output().DeliverNewSegment(start, stop, rate);
}

HRESULT CTransformInputPin::GetAllocator(IMemAllocator** allocator) {
    if (allocator == nullptr) {
        return E_POINTER;
    }
    LockHold hold(filter_.FilterLock());
    if (allocator_ == nullptr) {
        allocator_ = CMemAllocator::Create();
        if (allocator_ == nullptr) {
            *allocator = nullptr;
            return E_OUTOFMEMORY;
        }
    }
    *allocator = allocator_;
    allocator_->AddRef();
    return S_OK;
}

HRESULT CTransformInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
    if (allocator == nullptr) {
        return E_POINTER;
    }
    LockHold hold(filter_.FilterLock());
    allocator->AddRef();
    ReleaseAndClear(allocator_);
    allocator_ = allocator;
    return S_OK;
}

HRESULT CTransformInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) {
    return E_NOTIMPL;
}

HRESULT CTransformInputPin::Receive(IMediaSample* sample) {
    if (sample == nullptr) {
        return E_POINTER;
    }
    LockHold hold(filter_.ReceiveLock());
    if (flushing_.load()) {
        return S_FALSE;
    }
    if (filter_.IsStopped()) {
        return VFW_E_WRONG_STATE;
    }
    return filter_.Receive(sample);
}

HRESULT CTransformInputPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
    if (samples == nullptr || processed == nullptr) {
        return E_POINTER;
    }
    HRESULT result = S_OK;
    *processed = 0;
    while (*processed < count) {
        result = Receive(samples[*processed]);
        if (result != S_OK) {
            break;
        }
        ++*processed;
    }
    return result;
}

HRESULT CTransformInputPin::ReceiveCanBlock() {
    return Output().DownstreamCanBlock();
}

CTransformOutputPin& CTransformInputPin::Output() {
    return *static_cast<CTransformOutputPin*>(filter_.GetPin(1));
}

void CTransformInputPin::Inactive() {
    if (allocator_ != nullptr) {
        allocator_->Decommit();
    }
}

// ---- CTransformOutputPin ----

CTransformOutputPin::CTransformOutputPin(CTransformFilter& filter)
    : CBasePin(filter, kOutputPinName, PINDIR_OUTPUT) {}

CTransformOutputPin::~CTransformOutputPin() {
    ReleaseAndClear(allocator_);
    ReleaseAndClear(peerInput_);
}

HRESULT CTransformOutputPin::QueryInterface(REFIID iid, void** object) {
    if (object != nullptr && IsEqualIID(iid, IID_IQualityControl)) {
        *object = static_cast<IQualityControl*>(this);
        AddRef();
        return S_OK;
    }
    return CBasePin::QueryInterface(iid, object);
}

HRESULT CTransformOutputPin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
    if (receivePin == nullptr) {
        return E_POINTER;
    }
    LockHold hold(filter_.FilterLock());
    const HRESULT free = CanConnect();
    if (free != S_OK) {
        return free;
    }
    if (!filter_.GetPin(0)->IsConnected()) {
        // The output type is the input type: there is nothing to offer yet.
        return VFW_E_NOT_CONNECTED;
    }
    const CMediaType wanted = type != nullptr ? CMediaType(*type) : CMediaType();
    const bool partial = type == nullptr || IsEqualGUID(type->majortype, GUID_NULL) ||
                         IsEqualGUID(type->subtype, GUID_NULL) || IsEqualGUID(type->formattype, GUID_NULL);
    if (!partial) {
        return TryConnection(receivePin, wanted);
    }
    // Our own types first, then those the peer offers; the first one both sides accept wins.
    CMediaType candidate;
    for (int position = 0; MediaTypeAt(position, &candidate) == S_OK; ++position) {
        if ((type == nullptr || candidate.MatchesPartial(*type)) &&
            TryConnection(receivePin, candidate) == S_OK) {
            return S_OK;
        }
        candidate.Clear();
    }
    IEnumMediaTypes* peerTypes = nullptr;
    if (SUCCEEDED(receivePin->EnumMediaTypes(&peerTypes))) {
        AM_MEDIA_TYPE* offered = nullptr;
        HRESULT result = VFW_E_NO_ACCEPTABLE_TYPES;
        while (result != S_OK && peerTypes->Next(1, &offered, nullptr) == S_OK) {
            const CMediaType peerType(*offered);
            DeleteMediaType(offered);
            if (type == nullptr || peerType.MatchesPartial(*type)) {
                result = TryConnection(receivePin, peerType) == S_OK ? S_OK : result;
            }
        }
        peerTypes->Release();
        return result;
    }
    return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT CTransformOutputPin::TryConnection(IPin* receivePin, const CMediaType& type) {
    if (!type.IsValid()) {
        return E_OUTOFMEMORY;
    }
    if (CheckMediaType(type) != S_OK) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    SetConnection(receivePin, type);
    HRESULT result = receivePin->ReceiveConnection(this, &type);
    if (FAILED(result)) {
        BreakConnection();
        return result;
    }
    result = receivePin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&peerInput_));
    if (SUCCEEDED(result)) {
        result = DecideAllocator(peerInput_);
    }
    if (SUCCEEDED(result)) {
        result = filter_.CompleteConnect(PINDIR_OUTPUT, receivePin);
    }
    if (FAILED(result)) {
        receivePin->Disconnect();
        BreakConnection();
        return result;
    }
    return S_OK;
}

HRESULT CTransformOutputPin::DecideAllocator(IMemInputPin* peerInput) {
    ALLOCATOR_PROPERTIES requirements{};
    peerInput->GetAllocatorRequirements(&requirements);
    if (requirements.cbAlign == 0) {
        requirements.cbAlign = 1;
    }
    // The downstream pin's allocator if it has one that takes our sizes, else our own.
    IMemAllocator* allocator = nullptr;
    if (SUCCEEDED(peerInput->GetAllocator(&allocator))) {
        ALLOCATOR_PROPERTIES request = requirements;
        if (SUCCEEDED(filter_.DecideBufferSize(allocator, &request)) &&
            SUCCEEDED(peerInput->NotifyAllocator(allocator, FALSE))) {
            allocator_ = allocator;
            return S_OK;
        }
        allocator->Release();
    }
    allocator = CMemAllocator::Create();
    if (allocator == nullptr) {
        return E_OUTOFMEMORY;
    }
    ALLOCATOR_PROPERTIES request = requirements;
    HRESULT result = filter_.DecideBufferSize(allocator, &request);
    if (SUCCEEDED(result)) {
        result = peerInput->NotifyAllocator(allocator, FALSE);
    }
    if (FAILED(result)) {
        allocator->Release();
        return result;
    }
    allocator_ = allocator;
    return S_OK;
}

HRESULT CTransformOutputPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
    // An output pin connects itself; nothing connects to it.
    return E_UNEXPECTED;
}

void CTransformOutputPin::BreakConnection() {
    ReleaseAndClear(allocator_);
    ReleaseAndClear(peerInput_);
    CBasePin::BreakConnection();
}

HRESULT CTransformOutputPin::MediaTypeAt(int position, CMediaType* type) {
    return filter_.GetMediaType(position, type);
}

HRESULT CTransformOutputPin::CheckMediaType(const CMediaType& type) {
    CBasePin* input = filter_.GetPin(0);
    if (!input->IsConnected()) {
        return VFW_E_NOT_CONNECTED;
    }
    return filter_.CheckTransform(&input->CurrentMediaType(), &type);
}

// Streaming calls arrive at input pins only.
HRESULT CTransformOutputPin::EndOfStream() {
    return E_UNEXPECTED;
}

HRESULT CTransformOutputPin::BeginFlush() {
    return E_UNEXPECTED;
}

HRESULT CTransformOutputPin::EndFlush() {
    return E_UNEXPECTED;
}

HRESULT CTransformOutputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    return E_UNEXPECTED;
}

HRESULT CTransformOutputPin::DeliverEndOfStream() {
    return Peer() != nullptr ? Peer()->EndOfStream() : S_OK;
}

HRESULT CTransformOutputPin::DeliverBeginFlush() {
    return Peer() != nullptr ? Peer()->BeginFlush() : S_OK;
}

HRESULT CTransformOutputPin::DeliverEndFlush() {
    return Peer() != nullptr ? Peer()->EndFlush() : S_OK;
}

HRESULT CTransformOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    return Peer() != nullptr ? Peer()->NewSegment(start, stop, rate) : S_OK;
}

HRESULT CTransformOutputPin::Notify(IBaseFilter* sender, Quality quality) {
    if (qualitySink_ != nullptr) {
        return qualitySink_->Notify(filter_.AsBaseFilter(), quality);
    }
    IPin* upstream = filter_.GetPin(0)->Peer();
    IQualityControl* upstreamControl = nullptr;
    if (upstream == nullptr ||
        FAILED(upstream->QueryInterface(IID_IQualityControl, reinterpret_cast<void**>(&upstreamControl)))) {
        return VFW_E_NOT_FOUND;
    }
    const HRESULT result = upstreamControl->Notify(filter_.AsBaseFilter(), quality);
    upstreamControl->Release();
    return result;
}

HRESULT CTransformOutputPin::SetSink(IQualityControl* sink) {
    // Not counted: the sink is the one that lives longer, as IQualityControl says.
    qualitySink_ = sink;
    return S_OK;
}

HRESULT CTransformOutputPin::Active() {
    return allocator_ != nullptr ? allocator_->Commit() : S_OK;
}

void CTransformOutputPin::Inactive() {
    if (allocator_ != nullptr) {
        allocator_->Decommit();
    }
}

HRESULT CTransformOutputPin::GetDeliveryBuffer(IMediaSample** sample) {
    if (allocator_ == nullptr) {
        return VFW_E_NO_ALLOCATOR;
    }
    return allocator_->GetBuffer(sample, nullptr, nullptr, 0);
}

HRESULT CTransformOutputPin::Deliver(IMediaSample* sample) {
    return peerInput_ != nullptr ? peerInput_->Receive(sample) : VFW_E_NOT_CONNECTED;
}

HRESULT CTransformOutputPin::DownstreamCanBlock() {
    // Unconnected, a sample would wait for a buffer: say it can block.
    return peerInput_ != nullptr ? peerInput_->ReceiveCanBlock() : S_OK;
}

}  // namespace qdflip::dshow
