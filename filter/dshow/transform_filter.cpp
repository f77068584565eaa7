#include "dshow/transform_filter.h"

#include <new>

#include "dshow/enumerators.h"

namespace qdflip::dshow {

CTransformFilter::CTransformFilter(IUnknown* outer, REFCLSID classId) : CUnknown(outer), classId_(classId) {
    input_ = new CTransformInputPin(*this);
    output_ = new CTransformOutputPin(*this);
}

CTransformFilter::~CTransformFilter() {
    delete output_;
    delete input_;
    if (clock_ != nullptr) {
        clock_->Release();
    }
}

HRESULT CTransformFilter::NonDelegatingQueryInterface(REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IBaseFilter) || IsEqualIID(iid, IID_IMediaFilter) ||
        IsEqualIID(iid, IID_IPersist)) {
        return GetInterface(static_cast<IBaseFilter*>(this), object);
    }
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CTransformFilter::GetClassID(CLSID* classId) {
    if (classId == nullptr) {
        return E_POINTER;
    }
    *classId = classId_;
    return S_OK;
}

HRESULT CTransformFilter::Stop() {
    LockHold hold(filterLock_);
    if (state_.load() != State_Stopped) {
        // Refuse new samples and wake a Receive that waits for an output buffer, then wait out the
        // sample in flight.
        state_.store(State_Stopped);
        output_->Inactive();
        input_->Inactive();
        LockHold drain(receiveLock_);
    }
    return S_OK;
}

HRESULT CTransformFilter::Pause() {
    return Start(State_Paused);
}

HRESULT CTransformFilter::Run(REFERENCE_TIME start) {
    return Start(State_Running);
}

HRESULT CTransformFilter::Start(FILTER_STATE state) {
    LockHold hold(filterLock_);
    if (state_.load() == State_Stopped) {
        const HRESULT committed = output_->Active();
        if (FAILED(committed)) {
            return committed;
        }
    }
    state_.store(state);
    return S_OK;
}

HRESULT CTransformFilter::GetState(DWORD timeout, FILTER_STATE* state) {
    if (state == nullptr) {
        return E_POINTER;
    }
    *state = state_.load();
    return S_OK;
}

HRESULT CTransformFilter::SetSyncSource(IReferenceClock* clock) {
    LockHold hold(filterLock_);
    if (clock != nullptr) {
        clock->AddRef();
    }
    if (clock_ != nullptr) {
        clock_->Release();
    }
    clock_ = clock;
    return S_OK;
}

HRESULT CTransformFilter::GetSyncSource(IReferenceClock** clock) {
    if (clock == nullptr) {
        return E_POINTER;
    }
    LockHold hold(filterLock_);
    *clock = clock_;
    if (clock_ != nullptr) {
        clock_->AddRef();
    }
    return S_OK;
}

HRESULT CTransformFilter::EnumPins(IEnumPins** pins) {
    if (pins == nullptr) {
        return E_POINTER;
    }
    *pins = new (std::nothrow) CEnumPins(*this, 0);
    return *pins != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CTransformFilter::FindPin(LPCWSTR id, IPin** pin) {
    if (id == nullptr || pin == nullptr) {
        return E_POINTER;
    }
    for (int i = 0; i < GetPinCount(); ++i) {
        if (GetPin(i)->Name() == id) {
            *pin = GetPin(i);
            (*pin)->AddRef();
            return S_OK;
        }
    }
    *pin = nullptr;
    return VFW_E_NOT_FOUND;
}

HRESULT CTransformFilter::QueryFilterInfo(FILTER_INFO* info) {
    if (info == nullptr) {
        return E_POINTER;
    }
    LockHold hold(filterLock_);
    lstrcpynW(info->achName, graphName_.c_str(), MAX_FILTER_NAME);
    info->pGraph = graph_;
    if (graph_ != nullptr) {
        graph_->AddRef();
    }
    return S_OK;
}

HRESULT CTransformFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    LockHold hold(filterLock_);
    // Not counted: the graph holds the filter, not the other way round.
    graph_ = graph;
    graphName_ = name != nullptr ? name : L"";
    return S_OK;
}

HRESULT CTransformFilter::QueryVendorInfo(LPWSTR* info) {
    return E_NOTIMPL;
}

CBasePin* CTransformFilter::GetPin(int index) {
    switch (index) {
        case 0:
            return input_;
        case 1:
            return output_;
        default:
            return nullptr;
    }
}

HRESULT CTransformFilter::CompleteConnect(PIN_DIRECTION direction, IPin* peer) {
    return S_OK;
}

HRESULT CTransformFilter::Receive(IMediaSample* sample) {
    IMediaSample* output = nullptr;
    HRESULT result = output_->GetDeliveryBuffer(&output);
    if (FAILED(result)) {
        return result;
    }
    result = Transform(sample, output);
    if (result == S_FALSE) {
        // Nothing to deliver for this sample; that is no failure.
        result = S_OK;
    } else if (result == S_OK && !IsStopped() && !input_->IsFlushing()) {
        result = output_->Deliver(output);
    }
    output->Release();
    return result;
}

}  // namespace qdflip::dshow
