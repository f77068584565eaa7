#include "filter_chain.h"

namespace qdflip::test {

void FilterChain::SetUp() {
    ComTest::SetUp();
    HRESULT result = S_OK;
    IUnknown* inner = CFlipFilter::CreateInstance(nullptr, &result);
    ASSERT_NE(inner, nullptr);
    ASSERT_EQ(inner->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter)), S_OK);
    EXPECT_EQ(inner->Release(), 1u);
    flip = static_cast<CFlipFilter*>(static_cast<dshow::CTransformFilter*>(filter));
    input = FindPin(filter, L"XForm In");
    output = FindPin(filter, L"XForm Out");
    ASSERT_NE(input, nullptr);
    ASSERT_NE(output, nullptr);
}

void FilterChain::DisconnectAll() {
    StopAll();
    input->Disconnect();
    output->Disconnect();
    if (source != nullptr) {
        source->Pin().Disconnect();
        EXPECT_EQ(source->Release(), 0u);
        source = nullptr;
    }
    if (sink != nullptr) {
        sink->Pin().Disconnect();
        EXPECT_EQ(sink->Release(), 0u);
        sink = nullptr;
    }
}

void FilterChain::TearDown() {
    if (filter != nullptr) {
        DisconnectAll();
        input->Release();
        output->Release();
        EXPECT_EQ(filter->Release(), 0u);
    }
    ComTest::TearDown();
}

HRESULT FilterChain::ConnectInput(AM_MEDIA_TYPE* type) {
    source = TestFilter::NewSource(type);
    return source->Pin().Connect(input, nullptr);
}

HRESULT FilterChain::ConnectOutput() {
    if (sink == nullptr) {
        sink = TestFilter::NewSink();
    }
    return output->Connect(&sink->Pin(), nullptr);
}

void FilterChain::PauseAll() {
    if (sink != nullptr) {
        sink->Pause();
    }
    filter->Pause();
    if (source != nullptr) {
        source->Pause();
    }
}

void FilterChain::RunAll() {
    if (sink != nullptr) {
        sink->Run(0);
    }
    filter->Run(0);
    if (source != nullptr) {
        source->Run(0);
    }
}

void FilterChain::StopAll() {
    if (sink != nullptr) {
        sink->Stop();
    }
    filter->Stop();
    if (source != nullptr) {
        source->Stop();
    }
}

}  // namespace qdflip::test
