// A real graph of Wine's filter graph manager around QDFlipDLL.ax: a push source of the test tree,
// the filter, Wine's SampleGrabber and its null renderer, with no clock. The thread that delivers a
// frame is the streaming thread; the grabber hands each output sample to a callback on it.
#pragma once

#include <dshow.h>
#include <qedit.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "test_filters.h"

namespace qdflip::test {

class TestGraph {
public:
    // What the grabber saw of one output sample.
    using SampleCallback = std::function<void(IMediaSample* sample)>;

    TestGraph() = default;
    TestGraph(const TestGraph&) = delete;
    TestGraph& operator=(const TestGraph&) = delete;
    ~TestGraph();

    // Builds and connects the graph for UYVY frames of the given size; S_OK or the first failure.
    HRESULT Build(int32_t width, int32_t height, SampleCallback callback);
    HRESULT Run();
    HRESULT Stop();
    // One frame through the graph, on the calling thread.
    HRESULT Deliver(const std::vector<uint8_t>& frame, REFERENCE_TIME start);

    IBaseFilter* Filter() const { return filter_; }
    // Stops the graph and lets go of every filter; the filters' references must all come back.
    void Release();

private:
    class Grabbed;

    IGraphBuilder* graph_ = nullptr;
    TestFilter* source_ = nullptr;
    IBaseFilter* filter_ = nullptr;
    IBaseFilter* grabber_ = nullptr;
    IBaseFilter* renderer_ = nullptr;
    Grabbed* callback_ = nullptr;
};

}  // namespace qdflip::test
