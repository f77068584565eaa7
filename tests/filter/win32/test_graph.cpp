#include "test_graph.h"

#include <atomic>

#include "com_test_support.h"
#include "filter_module.h"

extern "C" const CLSID CLSID_SampleGrabber;
extern "C" const CLSID CLSID_NullRenderer;

namespace qdflip::test {

class TestGraph::Grabbed final : public ISampleGrabberCB {
public:
    explicit Grabbed(SampleCallback callback) : callback_(std::move(callback)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISampleGrabberCB)) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // Owned by the graph object; the grabber's references only need to balance.
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }
    HRESULT STDMETHODCALLTYPE SampleCB(double time, IMediaSample* sample) override {
        callback_(sample);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BufferCB(double time, BYTE* buffer, long length) override { return E_NOTIMPL; }

private:
    SampleCallback callback_;
    std::atomic<ULONG> references_{1};
};

namespace {
IPin* PinOf(IBaseFilter* filter, PIN_DIRECTION wanted) {
    IEnumPins* pins = nullptr;
    IPin* found = nullptr;
    if (SUCCEEDED(filter->EnumPins(&pins))) {
        IPin* pin = nullptr;
        while (found == nullptr && pins->Next(1, &pin, nullptr) == S_OK) {
            PIN_DIRECTION direction;
            pin->QueryDirection(&direction);
            if (direction == wanted) {
                found = pin;
            } else {
                pin->Release();
            }
        }
        pins->Release();
    }
    return found;
}

HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* from, IBaseFilter* to) {
    IPin* output = PinOf(from, PINDIR_OUTPUT);
    IPin* input = PinOf(to, PINDIR_INPUT);
    HRESULT result =
        output != nullptr && input != nullptr ? graph->ConnectDirect(output, input, nullptr) : E_FAIL;
    if (output != nullptr) {
        output->Release();
    }
    if (input != nullptr) {
        input->Release();
    }
    return result;
}
}  // namespace

HRESULT TestGraph::Build(int32_t width, int32_t height, SampleCallback callback) {
    HRESULT result = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                      reinterpret_cast<void**>(&graph_));
    if (FAILED(result)) {
        return result;
    }
    const size_t frameBytes = static_cast<size_t>(width) * height * 2;
    source_ = TestFilter::NewSource(NewVideoType(MEDIASUBTYPE_UYVY, width, height, 16, frameBytes));
    filter_ = static_cast<IBaseFilter*>(CreateFilterFromModule(IID_IBaseFilter));
    if (filter_ == nullptr) {
        return E_FAIL;
    }
    result = CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              reinterpret_cast<void**>(&grabber_));
    if (SUCCEEDED(result)) {
        result = CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                  reinterpret_cast<void**>(&renderer_));
    }
    if (FAILED(result)) {
        return result;
    }
    graph_->AddFilter(source_, L"source");
    graph_->AddFilter(filter_, L"QDBinarizationFilter");
    graph_->AddFilter(grabber_, L"grabber");
    graph_->AddFilter(renderer_, L"renderer");
    callback_ = new Grabbed(std::move(callback));
    ISampleGrabber* sampleGrabber = QueryOrNull<ISampleGrabber>(grabber_, IID_ISampleGrabber);
    if (sampleGrabber == nullptr) {
        return E_NOINTERFACE;
    }
    sampleGrabber->SetCallback(callback_, 0);
    sampleGrabber->Release();
    IMediaFilter* mediaFilter = QueryOrNull<IMediaFilter>(graph_, IID_IMediaFilter);
    mediaFilter->SetSyncSource(nullptr);
    mediaFilter->Release();
    result = ConnectFilters(graph_, source_, filter_);
    if (SUCCEEDED(result)) {
        result = ConnectFilters(graph_, filter_, grabber_);
    }
    if (SUCCEEDED(result)) {
        result = ConnectFilters(graph_, grabber_, renderer_);
    }
    return result;
}

HRESULT TestGraph::Run() {
    IMediaControl* control = QueryOrNull<IMediaControl>(graph_, IID_IMediaControl);
    HRESULT result = control->Run();
    control->Release();
    return result;
}

HRESULT TestGraph::Stop() {
    IMediaControl* control = QueryOrNull<IMediaControl>(graph_, IID_IMediaControl);
    HRESULT result = control->Stop();
    control->Release();
    return result;
}

HRESULT TestGraph::Deliver(const std::vector<uint8_t>& frame, REFERENCE_TIME start) {
    SampleProperties properties;
    properties.start = start;
    properties.stop = start + 1;
    return source_->Deliver(frame.data(), frame.size(), properties);
}

TestGraph::~TestGraph() {
    Release();
}

void TestGraph::Release() {
    if (graph_ != nullptr) {
        Stop();
        for (IBaseFilter* filter : {static_cast<IBaseFilter*>(source_), filter_, grabber_, renderer_}) {
            if (filter != nullptr) {
                graph_->RemoveFilter(filter);
            }
        }
        graph_->Release();
        graph_ = nullptr;
    }
    for (IBaseFilter** filter : {&renderer_, &grabber_, &filter_}) {
        if (*filter != nullptr) {
            (*filter)->Release();
            *filter = nullptr;
        }
    }
    if (source_ != nullptr) {
        source_->Release();
        source_ = nullptr;
    }
    delete callback_;
    callback_ = nullptr;
}

}  // namespace qdflip::test
