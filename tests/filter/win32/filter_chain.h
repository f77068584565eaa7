// A CFlipFilter of the filter library, made in this process, between a test source and a test sink,
// so that its COM interfaces and its overrides can be driven together.
#pragma once

#include <dshow.h>
#include <windows.h>

#include "com_test_support.h"
#include "flip_filter.h"
#include "test_filters.h"

namespace qdflip::test {

class FilterChain : public ComTest {
protected:
    void SetUp() override;
    // Stops everything, disconnects, and checks that every object's references go back to 0.
    void TearDown() override;

    // The source connects to the filter's input with `type` (taken over).
    HRESULT ConnectInput(AM_MEDIA_TYPE* type);
    HRESULT ConnectOutput();
    void PauseAll();
    void RunAll();
    void StopAll();
    // Stops, breaks every connection and lets go of the source and the sink (their references must
    // come back to 0), so that the filter can be connected anew.
    void DisconnectAll();

    IBaseFilter* filter = nullptr;
    CFlipFilter* flip = nullptr;
    IPin* input = nullptr;
    IPin* output = nullptr;
    TestFilter* source = nullptr;
    TestFilter* sink = nullptr;
};

}  // namespace qdflip::test
