// Frames through a real graph of Wine's filter graph manager, in every mode chosen in the options
// window, byte for byte against the conversion core.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <mutex>
#include <vector>

#include "com_test_support.h"
#include "filter_module.h"
#include "options_window_support.h"
#include "raw_conversion.h"
#include "test_graph.h"

namespace qdflip::test {
namespace {
constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;

// The first offset where two frames differ, or -1.
long long FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size()) {
        return 0;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            return static_cast<long long>(i);
        }
    }
    return -1;
}

struct Step {
    int frameFormat;
    int bayerFormat;
    bool fastMode;
};

class RealGraph : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        DeleteFileA(OwnIniPath().c_str());
        ASSERT_NE(FilterModule::Handle(), nullptr);
    }
    void TearDown() override {
        DeleteFileA(OwnIniPath().c_str());
        ComTest::TearDown();
    }
};

TEST_F(RealGraph, EveryModeByteForByteAndChangesApplyFromTheNextFrame) {
    struct Output {
        const BYTE* buffer;
        std::vector<uint8_t> bytes;
    };
    std::mutex lock;
    std::vector<Output> outputs;
    TestGraph graph;
    ASSERT_EQ(
        graph.Build(
            kWidth, kHeight,
            [&](IMediaSample* sample) {
                BYTE* data = nullptr;
                sample->GetPointer(&data);
                std::lock_guard<std::mutex> hold(lock);
                outputs.push_back({data, std::vector<uint8_t>(data, data + sample->GetActualDataLength())});
            }),
        S_OK);
    auto show = FilterModule::Export<ShowModelessDialogFunction>("ShowModelessDialog");
    ASSERT_EQ(show(0, nullptr, SW_SHOWNORMAL), 0);
    HWND dialog = WaitForOptionsWindow(5000);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(SUCCEEDED(graph.Run()));

    // What the window has set: no INI file, so gains of 1.0 and "Thru".
    FilterSettings expected;
    expected.RGain.store(1.0f);
    expected.GGain.store(1.0f);
    expected.BGain.store(1.0f);
    const Step steps[] = {{0, 0, false}, {1, 0, false}, {2, 0, false}, {3, 0, false}, {4, 0, false},
                          {2, 1, false}, {4, 2, true},  {2, 3, true},  {0, 3, true}};
    // The filter's output buffers keep what no colour window writes: what each held last.
    std::map<const BYTE*, std::vector<uint8_t>> held;
    std::vector<uint8_t> work(static_cast<size_t>(kWidth) * kHeight * 4);
    int frameNumber = 0;
    for (const Step& step : steps) {
        ChooseListItem(dialog, kModeList, step.frameFormat);
        ChooseListItem(dialog, kBayerList, step.bayerFormat);
        if ((IsDlgButtonChecked(dialog, kFastModeBox) == BST_CHECKED) != step.fastMode) {
            SendMessageA(GetDlgItem(dialog, kFastModeBox), BM_CLICK, 0, 0);
        }
        expected.FrameFormat.store(step.frameFormat);
        expected.BayerFormat.store(step.bayerFormat);
        expected.FastMode.store(step.fastMode ? 1 : 0);
        for (int repeat = 0; repeat < 2; ++repeat, ++frameNumber) {
            const std::vector<uint8_t> frame = RawFrame(kWidth, kHeight, frameNumber);
            ASSERT_EQ(graph.Deliver(frame, frameNumber * 400000LL), S_OK);
            std::lock_guard<std::mutex> hold(lock);
            ASSERT_EQ(outputs.size(), static_cast<size_t>(frameNumber + 1));
            const Output& output = outputs.back();
            const auto known = held.find(output.buffer);
            // A buffer first seen must have been written whole, which only "Thru" does.
            ASSERT_TRUE(known != held.end() || step.frameFormat == 0) << "frame " << frameNumber;
            std::vector<uint8_t> want =
                known != held.end() ? known->second : std::vector<uint8_t>(frame.size());
            ConvertFrame(expected, kWidth, kHeight, frame.data(), frame.size(), work.data(), work.size(),
                         want.data(), want.size());
            EXPECT_EQ(FirstDifference(output.bytes, want), -1)
                << "frame " << frameNumber << " mode " << step.frameFormat << " bayer " << step.bayerFormat
                << " fast " << step.fastMode;
            held[output.buffer] = output.bytes;
        }
    }
    EXPECT_TRUE(SUCCEEDED(graph.Stop()));
    graph.Release();
    // The filter's end took the options window with it, and the graph gave back every reference to
    // the module's objects.
    EXPECT_EQ(FindOptionsWindow(), nullptr);
    EXPECT_EQ(FilterModule::Export<DllCanUnloadNowFunction>("DllCanUnloadNow")(), S_OK);
}

}  // namespace
}  // namespace qdflip::test
