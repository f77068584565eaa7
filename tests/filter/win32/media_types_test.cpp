// The filter's own decisions: which input types it takes, and what it does with frame sizes, sample
// lengths and subtypes the raw modes cannot convert.
#include <dshow.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "filter_chain.h"
#include "options/options_window.h"
#include "raw_conversion.h"

namespace qdflip::test {
namespace {

struct TypeCase {
    const char* name;
    GUID majorType;
    GUID subtype;
    GUID formatType;
    uint16_t bitCount;
    bool accepted;
};

class InputTypes : public FilterChain {};

TEST_F(InputTypes, AcceptedAsTheFilterDefines) {
    const TypeCase cases[] = {
        {"UYVY 16", MEDIATYPE_Video, MEDIASUBTYPE_UYVY, FORMAT_VideoInfo, 16, true},
        {"YUY2 16", MEDIATYPE_Video, MEDIASUBTYPE_YUY2, FORMAT_VideoInfo, 16, true},
        {"UYVY 24", MEDIATYPE_Video, MEDIASUBTYPE_UYVY, FORMAT_VideoInfo, 24, false},
        {"YUY2 12", MEDIATYPE_Video, MEDIASUBTYPE_YUY2, FORMAT_VideoInfo, 12, false},
        {"RGB24 24", MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, 24, true},
        {"RGB24 32", MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, 32, true},
        {"RGB24 0", MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, 0, true},
        {"RGB32", MEDIATYPE_Video, MEDIASUBTYPE_RGB32, FORMAT_VideoInfo, 32, false},
        {"UYVY VideoInfo2", MEDIATYPE_Video, MEDIASUBTYPE_UYVY, FORMAT_VideoInfo2, 16, false},
        {"UYVY as stream", MEDIATYPE_Stream, MEDIASUBTYPE_UYVY, FORMAT_VideoInfo, 16, false},
    };
    for (const TypeCase& type : cases) {
        AM_MEDIA_TYPE* proposed = NewVideoType(type.subtype, 32, 4, type.bitCount, 256);
        proposed->majortype = type.majorType;
        proposed->formattype = type.formatType;
        const dshow::CMediaType value(*proposed);
        EXPECT_EQ(flip->CheckInputType(&value), type.accepted ? S_OK : VFW_E_TYPE_NOT_ACCEPTED) << type.name;
        EXPECT_EQ(input->QueryAccept(proposed), type.accepted ? S_OK : S_FALSE) << type.name;
        EXPECT_EQ(flip->CheckTransform(&value, &value), type.accepted ? S_OK : VFW_E_TYPE_NOT_ACCEPTED)
            << type.name;
        FreeType(proposed);
    }
}

TEST_F(InputTypes, AFormatBlockTooShortForItsHeaderIsRefused) {
    AM_MEDIA_TYPE* proposed = NewVideoType(MEDIASUBTYPE_UYVY, 32, 4, 16, 256);
    proposed->cbFormat = sizeof(VIDEOINFOHEADER) - 1;
    EXPECT_EQ(input->QueryAccept(proposed), S_FALSE);
    proposed->cbFormat = sizeof(VIDEOINFOHEADER);
    FreeType(proposed);
}

TEST_F(InputTypes, TransformRefusesAnyOtherOutputType) {
    AM_MEDIA_TYPE* in = NewVideoType(MEDIASUBTYPE_UYVY, 32, 4, 16, 256);
    AM_MEDIA_TYPE* out = NewVideoType(MEDIASUBTYPE_UYVY, 32, 4, 16, 256);
    const dshow::CMediaType input(*in);
    EXPECT_EQ(flip->CheckTransform(&input, &input), S_OK);
    reinterpret_cast<VIDEOINFOHEADER*>(out->pbFormat)->rcTarget.bottom = 2;
    const dshow::CMediaType otherTarget(*out);
    EXPECT_EQ(flip->CheckTransform(&input, &otherTarget), VFW_E_TYPE_NOT_ACCEPTED);
    FreeType(out);
    out = NewVideoType(MEDIASUBTYPE_YUY2, 32, 4, 16, 256);
    const dshow::CMediaType otherSubtype(*out);
    EXPECT_EQ(flip->CheckTransform(&input, &otherSubtype), VFW_E_TYPE_NOT_ACCEPTED);
    FreeType(out);
    FreeType(in);
}

// Frames through the connected filter in a raw mode, compared with the conversion core.
class FrameSizes : public FilterChain {
protected:
    void SetUp() override {
        FilterChain::SetUp();
        saved = ModuleSettings().FrameFormat.load();
        ModuleSettings().FrameFormat.store(1);
    }
    void TearDown() override {
        ModuleSettings().FrameFormat.store(saved);
        FilterChain::TearDown();
    }

    // One frame of `bytes` raw bytes through the filter; what the sink received.
    std::vector<uint8_t> Through(const std::vector<uint8_t>& bytes) {
        EXPECT_EQ(source->Deliver(bytes.data(), bytes.size(), {}), S_OK);
        EXPECT_FALSE(sink->samples.empty());
        return sink->samples.empty() ? std::vector<uint8_t>() : sink->samples.back().bytes;
    }

    int32_t saved = 0;
};

TEST_F(FrameSizes, RawModesConvertUyvyAndYuy2Alike) {
    for (const GUID* subtype : {&MEDIASUBTYPE_UYVY, &MEDIASUBTYPE_YUY2}) {
        ASSERT_EQ(ConnectInput(NewVideoType(*subtype, 16, 4, 16, 128)), S_OK);
        ASSERT_EQ(ConnectOutput(), S_OK);
        RunAll();
        const std::vector<uint8_t> frame = RawFrame(16, 4, 4);
        std::vector<uint8_t> work(16 * 4 * 4), expected(128);
        ConvertFrame(ModuleSettings(), 16, 4, frame.data(), frame.size(), work.data(), work.size(),
                     expected.data(), expected.size());
        EXPECT_EQ(Through(frame), expected);
        DisconnectAll();
    }
}

TEST_F(FrameSizes, Rgb24PassesThroughInRawModes) {
    ASSERT_EQ(ConnectInput(NewVideoType(MEDIASUBTYPE_RGB24, 16, 4, 24, 192)), S_OK);
    ASSERT_EQ(ConnectOutput(), S_OK);
    RunAll();
    const std::vector<uint8_t> frame = RawFrame(16, 6, 5);  // 192 bytes
    EXPECT_EQ(Through(frame), frame);
}

TEST_F(FrameSizes, FramesWithoutAUsableSizePassThrough) {
    const struct { int32_t width, height; } sizes[] = {{16, -4}, {0, 4}, {-16, 4}, {16, 0}};
    for (const auto& size : sizes) {
        ASSERT_EQ(ConnectInput(NewVideoType(MEDIASUBTYPE_UYVY, size.width, size.height, 16, 128)), S_OK);
        ASSERT_EQ(ConnectOutput(), S_OK);
        RunAll();
        const std::vector<uint8_t> frame = RawFrame(16, 4, 6);
        EXPECT_EQ(Through(frame), frame) << size.width << " x " << size.height;
        DisconnectAll();
    }
}

TEST_F(FrameSizes, AFrameTooLargeForMemoryIsRefusedOrPassedThrough) {
    const int32_t largest = 0x7FFFFFFF;
    const HRESULT connected = ConnectInput(NewVideoType(MEDIASUBTYPE_UYVY, largest, largest, 16, 128));
    if (sizeof(void*) == 4) {
        // Its work buffer cannot even be counted: no work buffer, and frames pass through.
        ASSERT_EQ(connected, S_OK);
        ASSERT_EQ(ConnectOutput(), S_OK);
        RunAll();
        const std::vector<uint8_t> frame = RawFrame(16, 4, 9);
        EXPECT_EQ(Through(frame), frame);
    } else {
        // It can be counted but not allocated: the connection fails and the filter stays unconnected.
        EXPECT_EQ(connected, E_OUTOFMEMORY);
        IPin* peer = nullptr;
        EXPECT_EQ(input->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
    }
}

TEST_F(FrameSizes, ASampleLongerThanTheWorkAndOutputBuffersIsCutToThem) {
    // The type says 64 bytes a sample, the work buffer has 128 and the source's samples hold 256.
    AM_MEDIA_TYPE* type = NewVideoType(MEDIASUBTYPE_UYVY, 8, 4, 16, 64);
    ASSERT_EQ(ConnectInput(type), S_OK);
    ASSERT_EQ(ConnectOutput(), S_OK);
    source->Pin().allocator->Decommit();
    ALLOCATOR_PROPERTIES larger{1, 256, 1, 0}, actual{};
    ASSERT_EQ(source->Pin().allocator->SetProperties(&larger, &actual), S_OK);
    RunAll();
    ASSERT_GE(sink->notifiedProperties.cbBuffer, 64);
    const size_t outputSize = static_cast<size_t>(sink->notifiedProperties.cbBuffer);
    const std::vector<uint8_t> frame = RawFrame(8, 16, 7);  // 256 bytes
    for (const int32_t mode : {0, 1, 2}) {
        ModuleSettings().FrameFormat.store(mode);
        const std::vector<uint8_t> received = Through(frame);
        ASSERT_EQ(received.size(), std::min<size_t>(frame.size(), outputSize)) << mode;
        if (mode == 0) {
            EXPECT_TRUE(std::equal(received.begin(), received.end(), frame.begin())) << mode;
        } else {
            std::vector<uint8_t> work(8 * 4 * 4), expected(received);
            ConvertFrame(ModuleSettings(), 8, 4, frame.data(), frame.size(), work.data(), work.size(),
                         expected.data(), expected.size());
            EXPECT_EQ(received, expected) << mode;
        }
    }
}

TEST_F(FrameSizes, ReconnectingResizesTheWorkBuffer) {
    // A small first connection must not leave a small work buffer for a larger second one.
    ASSERT_EQ(ConnectInput(NewVideoType(MEDIASUBTYPE_UYVY, 4, 2, 16, 16)), S_OK);
    DisconnectAll();
    ASSERT_EQ(ConnectInput(NewVideoType(MEDIASUBTYPE_UYVY, 32, 16, 16, 1024)), S_OK);
    ASSERT_EQ(ConnectOutput(), S_OK);
    RunAll();
    const std::vector<uint8_t> frame = RawFrame(32, 16, 8);
    std::vector<uint8_t> work(32 * 16 * 4), expected(1024);
    ConvertFrame(ModuleSettings(), 32, 16, frame.data(), frame.size(), work.data(), work.size(),
                 expected.data(), expected.size());
    EXPECT_EQ(Through(frame), expected);
}

}  // namespace
}  // namespace qdflip::test
