// The transform filter's conformance list, as a graph sees the filter: interfaces, pins, media types,
// connections, allocator, states, streaming events and sample properties.
#include <dshow.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <thread>
#include <vector>

#include "filter_chain.h"

namespace qdflip::test {
namespace {
constexpr int32_t kWidth = 64;
constexpr int32_t kHeight = 8;
constexpr size_t kFrameBytes = kWidth * kHeight * 2;

AM_MEDIA_TYPE* Uyvy() {
    return NewVideoType(MEDIASUBTYPE_UYVY, kWidth, kHeight, 16, kFrameBytes);
}

using Conformance = FilterChain;

TEST_F(Conformance, InterfacesOfTheFilterAndItsPins) {
    EXPECT_TRUE(HasInterface(filter, IID_IBaseFilter));
    EXPECT_TRUE(HasInterface(filter, IID_IMediaFilter));
    EXPECT_TRUE(HasInterface(filter, IID_IPersist));
    EXPECT_TRUE(HasInterface(filter, IID_IUnknown));
    for (const IID* absent : {&IID_IPin, &IID_IQualityControl, &IID_IMediaSeeking, &IID_IMediaPosition,
                              &IID_ISpecifyPropertyPages, &IID_IPersistPropertyBag, &IID_IReferenceClock,
                              &IID_IVideoWindow, &IID_IBasicVideo, &IID_IAMFilterMiscFlags}) {
        EXPECT_FALSE(HasInterface(filter, *absent));
    }
    EXPECT_TRUE(HasInterface(input, IID_IPin));
    EXPECT_TRUE(HasInterface(input, IID_IMemInputPin));
    EXPECT_FALSE(HasInterface(input, IID_IQualityControl));
    EXPECT_FALSE(HasInterface(input, IID_IMediaSeeking));
    EXPECT_TRUE(HasInterface(output, IID_IPin));
    EXPECT_TRUE(HasInterface(output, IID_IQualityControl));
    EXPECT_FALSE(HasInterface(output, IID_IMemInputPin));
    EXPECT_FALSE(HasInterface(output, IID_IMediaSeeking));
    // A pin's IUnknown is the pin, and it holds its filter.
    IUnknown* pinUnknown = QueryOrNull<IUnknown>(input, IID_IUnknown);
    EXPECT_EQ(pinUnknown, static_cast<IUnknown*>(input));
    pinUnknown->Release();
}

TEST_F(Conformance, PinsEnumeratedFoundAndDescribed) {
    IEnumPins* pins = nullptr;
    ASSERT_EQ(filter->EnumPins(&pins), S_OK);
    IPin* found[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(pins->Next(3, found, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(found[0], input);
    EXPECT_EQ(found[1], output);
    found[0]->Release();
    found[1]->Release();
    EXPECT_EQ(pins->Next(1, found, nullptr), S_FALSE);
    EXPECT_EQ(pins->Reset(), S_OK);
    EXPECT_EQ(pins->Skip(1), S_OK);
    IEnumPins* clone = nullptr;
    ASSERT_EQ(pins->Clone(&clone), S_OK);
    ASSERT_EQ(clone->Next(1, found, nullptr), S_OK);
    EXPECT_EQ(found[0], output);
    found[0]->Release();
    EXPECT_EQ(pins->Skip(2), S_FALSE);
    EXPECT_EQ(clone->Release(), 0u);
    EXPECT_EQ(pins->Release(), 0u);

    IPin* none = nullptr;
    EXPECT_EQ(filter->FindPin(L"In", &none), VFW_E_NOT_FOUND);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(filter->FindPin(L"Input", &none), VFW_E_NOT_FOUND);

    for (IPin* pin : {input, output}) {
        PIN_INFO info{};
        ASSERT_EQ(pin->QueryPinInfo(&info), S_OK);
        EXPECT_EQ(info.pFilter, filter);
        info.pFilter->Release();
        const bool isInput = pin == input;
        EXPECT_EQ(info.dir, isInput ? PINDIR_INPUT : PINDIR_OUTPUT);
        EXPECT_STREQ(info.achName, isInput ? L"XForm In" : L"XForm Out");
        PIN_DIRECTION direction;
        EXPECT_EQ(pin->QueryDirection(&direction), S_OK);
        EXPECT_EQ(direction, info.dir);
        LPWSTR id = nullptr;
        ASSERT_EQ(pin->QueryId(&id), S_OK);
        EXPECT_STREQ(id, info.achName);
        CoTaskMemFree(id);
        IPin* peer = reinterpret_cast<IPin*>(1);
        EXPECT_EQ(pin->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
        EXPECT_EQ(peer, nullptr);
        AM_MEDIA_TYPE type;
        EXPECT_EQ(pin->ConnectionMediaType(&type), VFW_E_NOT_CONNECTED);
    }

    FILTER_INFO info{};
    EXPECT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.pGraph, nullptr);
    EXPECT_STREQ(info.achName, L"");
    CLSID classId{};
    EXPECT_EQ(filter->GetClassID(&classId), S_OK);
    EXPECT_TRUE(IsEqualCLSID(classId, kFilterClassId));
}

// How many types a pin's enumerator hands out; the first one goes to `first` when given.
ULONG CountTypes(IPin* pin, AM_MEDIA_TYPE** first) {
    IEnumMediaTypes* types = nullptr;
    EXPECT_EQ(pin->EnumMediaTypes(&types), S_OK);
    ULONG count = 0;
    AM_MEDIA_TYPE* type = nullptr;
    while (types->Next(1, &type, nullptr) == S_OK) {
        if (count == 0 && first != nullptr) {
            *first = type;
        } else {
            FreeType(type);
        }
        ++count;
    }
    EXPECT_EQ(types->Release(), 0u);
    return count;
}

TEST_F(Conformance, MediaTypesBeforeConnection) {
    EXPECT_EQ(CountTypes(input, nullptr), 0u);
    EXPECT_EQ(CountTypes(output, nullptr), 0u);
    dshow::CMediaType type;
    EXPECT_EQ(flip->GetMediaType(0, &type), E_UNEXPECTED);
    EXPECT_EQ(flip->GetMediaType(-1, &type), E_UNEXPECTED);
    StingyAllocator allocator;
    ALLOCATOR_PROPERTIES request{};
    EXPECT_EQ(flip->DecideBufferSize(&allocator, &request), E_UNEXPECTED);
    EXPECT_EQ(allocator.requests, 0);
    AM_MEDIA_TYPE* uyvy = Uyvy();
    EXPECT_EQ(input->QueryAccept(uyvy), S_OK);
    EXPECT_EQ(output->QueryAccept(uyvy), S_FALSE);
    FreeType(uyvy);
    EXPECT_EQ(ConnectOutput(), VFW_E_NOT_CONNECTED);
}

TEST_F(Conformance, OutputOffersExactlyTheInputType) {
    ASSERT_EQ(ConnectInput(Uyvy()), S_OK);
    AM_MEDIA_TYPE* offered = nullptr;
    EXPECT_EQ(CountTypes(output, &offered), 1u);
    ASSERT_NE(offered, nullptr);
    EXPECT_TRUE(dshow::CMediaType(*offered) == dshow::CMediaType(source->Pin().Type()));
    EXPECT_EQ(output->QueryAccept(offered), S_OK);

    dshow::CMediaType type;
    EXPECT_EQ(flip->GetMediaType(-1, &type), E_INVALIDARG);
    EXPECT_EQ(flip->GetMediaType(1, &type), VFW_S_NO_MORE_ITEMS);
    EXPECT_EQ(flip->GetMediaType(0, &type), S_OK);
    EXPECT_TRUE(type == dshow::CMediaType(*offered));

    // The same type but for the target rectangle, or for the format type, is refused.
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(offered->pbFormat);
    info->rcTarget.right -= 2;
    EXPECT_EQ(output->QueryAccept(offered), S_FALSE);
    info->rcTarget.right += 2;
    offered->formattype = FORMAT_VideoInfo2;
    EXPECT_EQ(output->QueryAccept(offered), S_FALSE);
    FreeType(offered);

    AM_MEDIA_TYPE connected{};
    ASSERT_EQ(input->ConnectionMediaType(&connected), S_OK);
    EXPECT_TRUE(dshow::CMediaType(connected) == dshow::CMediaType(source->Pin().Type()));
    CoTaskMemFree(connected.pbFormat);
    IPin* peer = nullptr;
    ASSERT_EQ(input->ConnectedTo(&peer), S_OK);
    EXPECT_EQ(peer, &source->Pin());
    peer->Release();
}

TEST_F(Conformance, ConnectAndDisconnectInBothOrders) {
    ASSERT_EQ(ConnectInput(Uyvy()), S_OK);
    ASSERT_EQ(ConnectOutput(), S_OK);
    EXPECT_EQ(ConnectOutput(), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(input->ReceiveConnection(&source->Pin(), &source->Pin().Type()), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(input->Connect(&source->Pin(), nullptr), E_UNEXPECTED);
    EXPECT_EQ(output->ReceiveConnection(&sink->Pin(), &sink->Pin().Type()), E_UNEXPECTED);

    PauseAll();
    EXPECT_EQ(input->Disconnect(), VFW_E_NOT_STOPPED);
    EXPECT_EQ(output->Disconnect(), VFW_E_NOT_STOPPED);
    StopAll();

    // Input first: the output keeps its connection until it is broken itself.
    EXPECT_EQ(input->Disconnect(), S_OK);
    EXPECT_EQ(input->Disconnect(), S_FALSE);
    source->Pin().Disconnect();
    IPin* peer = nullptr;
    ASSERT_EQ(output->ConnectedTo(&peer), S_OK);
    peer->Release();
    EXPECT_EQ(output->Disconnect(), S_OK);
    sink->Pin().Disconnect();

    // Output first, after connecting again.
    ASSERT_EQ(source->Pin().Connect(input, nullptr), S_OK);
    ASSERT_EQ(ConnectOutput(), S_OK);
    EXPECT_EQ(output->Disconnect(), S_OK);
    sink->Pin().Disconnect();
    EXPECT_EQ(input->Disconnect(), S_OK);
    source->Pin().Disconnect();
    EXPECT_EQ(output->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
}

TEST_F(Conformance, ConnectionRefusedWhileRunning) {
    filter->Pause();
    TestFilter* other = TestFilter::NewSource(Uyvy());
    EXPECT_EQ(input->ReceiveConnection(&other->Pin(), other->Pin().offeredType), VFW_E_NOT_STOPPED);
    filter->Stop();
    EXPECT_EQ(other->Release(), 0u);
}

TEST_F(Conformance, AllocatorThatGrantsLessIsRefused) {
    ASSERT_EQ(ConnectInput(Uyvy()), S_OK);
    StingyAllocator stingy;
    ALLOCATOR_PROPERTIES request{4, 99, 8, 2};
    EXPECT_EQ(flip->DecideBufferSize(&stingy, &request), E_FAIL);
    EXPECT_EQ(stingy.requested.cBuffers, 1);
    EXPECT_EQ(stingy.requested.cbBuffer, static_cast<long>(kFrameBytes));
    EXPECT_EQ(stingy.requested.cbAlign, 8);
    EXPECT_EQ(stingy.requested.cbPrefix, 2);

    // Offered by the downstream pin, it is passed over for a memory allocator of the full size.
    sink = TestFilter::NewSink();
    sink->offeredAllocator = &stingy;
    ASSERT_EQ(ConnectOutput(), S_OK);
    EXPECT_NE(sink->notifiedAllocator, nullptr);
    EXPECT_NE(sink->notifiedAllocator, &stingy);
    EXPECT_GE(sink->notifiedProperties.cBuffers, 1);
    EXPECT_GE(sink->notifiedProperties.cbBuffer, static_cast<long>(kFrameBytes));
    sink->offeredAllocator = nullptr;
    EXPECT_EQ(stingy.references, 1u);
}

TEST_F(Conformance, InputPinOffersOneAllocatorUntilToldOfAnother) {
    IMemInputPin* memInput = QueryOrNull<IMemInputPin>(input, IID_IMemInputPin);
    IMemAllocator* offered = nullptr;
    IMemAllocator* again = nullptr;
    ASSERT_EQ(memInput->GetAllocator(&offered), S_OK);
    ASSERT_EQ(memInput->GetAllocator(&again), S_OK);
    EXPECT_EQ(again, offered);
    again->Release();
    ALLOCATOR_PROPERTIES request{2, 64, 1, 0};
    ALLOCATOR_PROPERTIES granted{};
    EXPECT_EQ(offered->SetProperties(&request, &granted), S_OK);
    EXPECT_EQ(offered->Commit(), S_OK);
    IMediaSample* sample = nullptr;
    ASSERT_EQ(offered->GetBuffer(&sample, nullptr, nullptr, AM_GBF_NOWAIT), S_OK);
    sample->Release();
    EXPECT_EQ(offered->Decommit(), S_OK);

    StingyAllocator other;
    EXPECT_EQ(memInput->NotifyAllocator(&other, FALSE), S_OK);
    ASSERT_EQ(memInput->GetAllocator(&again), S_OK);
    EXPECT_EQ(again, &other);
    again->Release();
    EXPECT_EQ(memInput->NotifyAllocator(offered, FALSE), S_OK);
    EXPECT_EQ(other.references, 1u);
    offered->Release();
    memInput->Release();
}

TEST_F(Conformance, StatesCommitAndDecommitTheOutputAllocator) {
    ASSERT_EQ(ConnectInput(Uyvy()), S_OK);
    ASSERT_EQ(ConnectOutput(), S_OK);
    IMemAllocator* allocator = sink->notifiedAllocator;
    ASSERT_NE(allocator, nullptr);
    IMediaSample* sample = nullptr;
    const auto bufferResult = [&] {
        const HRESULT result = allocator->GetBuffer(&sample, nullptr, nullptr, AM_GBF_NOWAIT);
        if (SUCCEEDED(result)) {
            sample->Release();
        }
        return result;
    };
    FILTER_STATE state;
    EXPECT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_EQ(bufferResult(), VFW_E_NOT_COMMITTED);
    EXPECT_EQ(filter->Pause(), S_OK);
    EXPECT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Paused);
    EXPECT_EQ(bufferResult(), S_OK);
    EXPECT_EQ(filter->Run(0), S_OK);
    EXPECT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Running);
    EXPECT_EQ(filter->Pause(), S_OK);
    EXPECT_EQ(filter->Stop(), S_OK);
    EXPECT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_EQ(bufferResult(), VFW_E_NOT_COMMITTED);
    // Straight from Stopped to Running commits too.
    EXPECT_EQ(filter->Run(0), S_OK);
    EXPECT_EQ(bufferResult(), S_OK);
    EXPECT_EQ(filter->Stop(), S_OK);
}

TEST_F(Conformance, UnconnectedStateChanges) {
    FILTER_STATE state;
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(filter->Pause(), S_OK);
        EXPECT_EQ(filter->Run(0), S_OK);
        EXPECT_EQ(filter->GetState(0, &state), S_OK);
        EXPECT_EQ(state, State_Running);
        EXPECT_EQ(filter->Stop(), S_OK);
    }
    IMemInputPin* memInput = QueryOrNull<IMemInputPin>(input, IID_IMemInputPin);
    EXPECT_EQ(memInput->ReceiveCanBlock(), S_OK);
    memInput->Release();
}

TEST_F(Conformance, SamplePropertiesCopiedAsTheFilterDefines) {
    ASSERT_EQ(ConnectInput(Uyvy()), S_OK);
    ASSERT_EQ(ConnectOutput(), S_OK);
    const std::vector<uint8_t> frame = RawFrame(kWidth, kHeight, 1);
    // A stopped filter refuses samples.
    source->Pause();
    EXPECT_EQ(source->Deliver(frame.data(), frame.size(), {}), VFW_E_WRONG_STATE);
    RunAll();
    SampleProperties timed;
    timed.start = 20000;
    timed.stop = 30000;
    timed.withMediaTime = true;
    timed.mediaStart = 5;
    timed.mediaStop = 6;
    timed.syncPoint = true;
    timed.discontinuity = true;
    timed.preroll = true;
    ASSERT_EQ(source->Deliver(frame.data(), frame.size(), timed), S_OK);
    SampleProperties bare;
    bare.withTime = false;
    bare.syncPoint = false;
    ASSERT_EQ(source->Deliver(frame.data(), frame.size(), bare), S_OK);
    ASSERT_EQ(sink->samples.size(), 2u);

    const ReceivedSample& first = sink->samples[0];
    EXPECT_EQ(first.bytes, frame);
    EXPECT_EQ(first.timeResult, S_OK);
    EXPECT_EQ(first.start, 20000);
    EXPECT_EQ(first.stop, 30000);
    EXPECT_EQ(first.mediaTimeResult, S_OK);
    EXPECT_EQ(first.mediaStart, 5);
    EXPECT_EQ(first.mediaStop, 6);
    EXPECT_EQ(first.syncPoint, S_OK);
    EXPECT_EQ(first.discontinuity, S_OK);
    // The preroll flag is not copied.
    EXPECT_EQ(first.preroll, S_FALSE);

    const ReceivedSample& second = sink->samples[1];
    EXPECT_EQ(second.bytes, frame);
    // The single output buffer kept the first sample's times: they are set only when the input has them.
    EXPECT_EQ(second.syncPoint, S_FALSE);
    EXPECT_EQ(second.discontinuity, S_FALSE);
}

// A quality sink that keeps what it is told.
class RecordingQualitySink : public IQualityControl {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* sender, Quality quality) override {
        senders.push_back(sender);
        proportions.push_back(quality.Proportion);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSink(IQualityControl* sink) override { return E_NOTIMPL; }

    std::vector<IBaseFilter*> senders;
    std::vector<long> proportions;
};

TEST_F(Conformance, QualityMessagesGoToTheSinkSetElseUpstream) {
    ASSERT_EQ(ConnectInput(Uyvy()), S_OK);
    IQualityControl* quality = QueryOrNull<IQualityControl>(output, IID_IQualityControl);
    ASSERT_NE(quality, nullptr);
    Quality message{Famine, 800, -10000, 0};
    // The test source has no IQualityControl of its own.
    EXPECT_EQ(quality->Notify(nullptr, message), VFW_E_NOT_FOUND);
    RecordingQualitySink sink;
    EXPECT_EQ(quality->SetSink(&sink), S_OK);
    EXPECT_EQ(quality->Notify(nullptr, message), S_OK);
    ASSERT_EQ(sink.senders.size(), 1u);
    EXPECT_EQ(sink.senders[0], filter);
    EXPECT_EQ(sink.proportions[0], 800);
    EXPECT_EQ(quality->SetSink(nullptr), S_OK);
    quality->Release();
}

TEST_F(Conformance, EndOfStreamAndNewSegmentGoDownstream) {
    ASSERT_EQ(ConnectInput(Uyvy()), S_OK);
    ASSERT_EQ(ConnectOutput(), S_OK);
    RunAll();
    EXPECT_EQ(input->NewSegment(100, 900, 2.0), S_OK);
    EXPECT_EQ(sink->newSegments, 1);
    EXPECT_EQ(sink->segmentStart, 100);
    EXPECT_EQ(sink->segmentStop, 900);
    EXPECT_EQ(sink->segmentRate, 2.0);
    EXPECT_EQ(input->EndOfStream(), S_OK);
    EXPECT_EQ(sink->endOfStreams, 1);
    EXPECT_EQ(input->BeginFlush(), S_OK);
    EXPECT_EQ(input->EndOfStream(), S_FALSE);
    EXPECT_EQ(sink->endOfStreams, 1);
    EXPECT_EQ(input->EndFlush(), S_OK);
    EXPECT_EQ(sink->beginFlushes, 1);
    EXPECT_EQ(sink->endFlushes, 1);
    // Streaming calls belong to input pins.
    EXPECT_EQ(output->EndOfStream(), E_UNEXPECTED);
    EXPECT_EQ(output->BeginFlush(), E_UNEXPECTED);
}

TEST_F(Conformance, NoSampleReachesDownstreamAfterBeginFlushReturns) {
    ASSERT_EQ(ConnectInput(Uyvy()), S_OK);
    ASSERT_EQ(ConnectOutput(), S_OK);
    RunAll();
    const std::vector<uint8_t> frame = RawFrame(kWidth, kHeight, 2);
    sink->holdSamples.store(true);
    HRESULT streamed = E_FAIL;
    std::thread streaming([&] { streamed = source->Deliver(frame.data(), frame.size(), {}); });
    for (int i = 0; i < 400 && !sink->sampleHeld.load(); ++i) {
        Sleep(25);
    }
    ASSERT_TRUE(sink->sampleHeld.load());
    // The held sample is released by the flush going downstream; BeginFlush returns after it.
    EXPECT_EQ(input->BeginFlush(), S_OK);
    streaming.join();
    EXPECT_EQ(streamed, S_OK);
    sink->holdSamples.store(false);
    EXPECT_EQ(source->Deliver(frame.data(), frame.size(), {}), S_FALSE);
    EXPECT_EQ(sink->samples.size(), 1u);
    EXPECT_EQ(input->EndFlush(), S_OK);
    EXPECT_EQ(source->Deliver(frame.data(), frame.size(), {}), S_OK);
    EXPECT_EQ(sink->samples.size(), 2u);
}

TEST_F(Conformance, StopWakesAReceiveWaitingForAnOutputBuffer) {
    ASSERT_EQ(ConnectInput(Uyvy()), S_OK);
    ASSERT_EQ(ConnectOutput(), S_OK);
    RunAll();
    // The filter's one output buffer is taken, so the next sample waits for it.
    IMediaSample* taken = nullptr;
    ASSERT_EQ(sink->notifiedAllocator->GetBuffer(&taken, nullptr, nullptr, 0), S_OK);
    const std::vector<uint8_t> frame = RawFrame(kWidth, kHeight, 3);
    HRESULT streamed = S_OK;
    std::thread streaming([&] { streamed = source->Deliver(frame.data(), frame.size(), {}); });
    // Most often the sample is waiting by now; either way it must come back and go nowhere.
    Sleep(100);
    EXPECT_EQ(filter->Stop(), S_OK);
    streaming.join();
    EXPECT_TRUE(FAILED(streamed)) << std::hex << streamed;
    EXPECT_TRUE(sink->samples.empty());
    taken->Release();
}

}  // namespace
}  // namespace qdflip::test
