// Frames per second through a real graph (test source, QDFlipDLL.ax, SampleGrabber, null renderer),
// each mode chosen in the options window, against the conversion core on the same frames and against
// the test source alone, all in one run on the streaming thread. What the filter layer
// adds beyond the conversion is shown as a share of one memcpy of the frame. Needs a display (Xvfb).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "benchmark_frames.h"
#include "com_test_support.h"
#include "filter_module.h"
#include "options_window_support.h"
#include "test_graph.h"

namespace qdflip::bench {
namespace {
using test::TestGraph;

struct Mode {
    const char* name;
    int frameFormat;
    bool fastMode;
};
const Mode kModes[] = {{"Thru", 0, false},
                       {"Raw10/Gray", 1, false},
                       {"Raw12/Gray", 3, false},
                       {"Raw10/Color FastMode 1", 2, true},
                       {"Raw10/Color FastMode 0", 2, false},
                       {"Raw12/Color FastMode 0", 4, false}};

// One frame at a time from a ring of distinct frames, as frames of a live graph arrive.
class Frames {
public:
    Frames() : frames_(kRingFrames) {
        for (size_t i = 0; i < kRingFrames; ++i) {
            frames_[i] = test::RawFrame(kWidth, kHeight, static_cast<uint32_t>(i));
        }
    }
    const std::vector<uint8_t>& Next() {
        position_ = (position_ + 1) % kRingFrames;
        return frames_[position_];
    }

private:
    std::vector<std::vector<uint8_t>> frames_;
    size_t position_ = 0;
};

constexpr int kRounds = 31;
constexpr int kFramesPerRound = 4;

template <class Work>
double MillisecondsPerFrame(const Work& work) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    for (int i = 0; i < kFramesPerRound; ++i) {
        work();
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / kFramesPerRound;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int Run() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) || test::FilterModule::Handle() == nullptr) {
        std::fprintf(stderr, "QDFlipDLL.ax could not be loaded\n");
        return 1;
    }
    DeleteFileA(test::OwnIniPath().c_str());
    auto show = test::FilterModule::Export<test::ShowModelessDialogFunction>("ShowModelessDialog");
    Frames frames;
    REFERENCE_TIME time = 0;

    // What the source costs alone: its copy of each frame into a sample, handed to a sink that
    // keeps nothing. The grabber and the renderer copy nothing; their small cost counts as the layer's.
    test::TestFilter* source =
        test::TestFilter::NewSource(test::NewVideoType(MEDIASUBTYPE_UYVY, kWidth, kHeight, 16, kFrameBytes));
    test::TestFilter* sink = test::TestFilter::NewSink();
    sink->keepSamples = false;
    source->Pin().Connect(&sink->Pin(), nullptr);
    sink->Run(0);
    source->Run(0);

    TestGraph graph;
    if (FAILED(graph.Build(kWidth, kHeight, [](IMediaSample*) {})) || FAILED(graph.Run())) {
        std::fprintf(stderr, "the graph could not run\n");
        return 1;
    }
    show(0, nullptr, SW_SHOWNORMAL);
    HWND dialog = test::WaitForOptionsWindow(5000);
    if (dialog == nullptr) {
        std::fprintf(stderr, "no options window (is there a display?)\n");
        return 1;
    }
    // The core alone, on the same frames, into buffers of the same sizes as the filter's.
    std::vector<uint8_t> work(static_cast<size_t>(kWidth) * kHeight * 4), output(kFrameBytes);
    FilterSettings settings;
    settings.RGain = settings.GGain = settings.BGain = 1.0f;

    std::printf("\n%s build, 1920 x 1080 UYVY, single streaming thread, frames from a ring of %zu\n",
                sizeof(void*) == 4 ? "32-bit" : "64-bit", kRingFrames);
    std::printf("medians over %d rounds; in each round every figure is taken over %d frames, side by side\n",
                kRounds, kFramesPerRound);
    std::printf("%-24s %9s %7s %9s %9s %9s %9s %9s\n", "mode", "graph ms", "fps", "core ms", "source ms",
                "memcpy ms", "layer ms", "x memcpy");
    for (const Mode& mode : kModes) {
        test::ChooseListItem(dialog, test::kModeList, mode.frameFormat);
        if ((IsDlgButtonChecked(dialog, test::kFastModeBox) == BST_CHECKED) != mode.fastMode) {
            SendMessageA(GetDlgItem(dialog, test::kFastModeBox), BM_CLICK, 0, 0);
        }
        settings.FrameFormat = mode.frameFormat;
        settings.FastMode = mode.fastMode ? 1 : 0;
        // Taken in turns, so that the machine's changing speed touches every figure alike.
        std::vector<double> graphMs, coreMs, sourceMs, memcpyMs, layerMs;
        for (int round = 0; round < kRounds; ++round) {
            graphMs.push_back(MillisecondsPerFrame([&] { graph.Deliver(frames.Next(), time += 400000); }));
            coreMs.push_back(MillisecondsPerFrame([&] {
                const std::vector<uint8_t>& frame = frames.Next();
                ConvertFrame(settings, kWidth, kHeight, frame.data(), frame.size(), work.data(), work.size(),
                             output.data(), output.size());
            }));
            sourceMs.push_back(
                MillisecondsPerFrame([&] { source->Deliver(frames.Next().data(), kFrameBytes, {}); }));
            memcpyMs.push_back(
                MillisecondsPerFrame([&] { std::memcpy(output.data(), frames.Next().data(), kFrameBytes); }));
            // What the filter adds to the graph beyond the conversion itself.
            layerMs.push_back(graphMs.back() - coreMs.back() - sourceMs.back());
        }
        const double graphMedian = Median(graphMs);
        const double memcpyMedian = Median(memcpyMs);
        std::printf("%-24s %9.3f %7.1f %9.3f %9.3f %9.3f %9.3f %9.3f\n", mode.name, graphMedian,
                    1000.0 / graphMedian, Median(coreMs), Median(sourceMs), memcpyMedian, Median(layerMs),
                    Median(layerMs) / memcpyMedian);
    }
    source->Stop();
    sink->Stop();
    source->Pin().Disconnect();
    sink->Pin().Disconnect();
    source->Release();
    sink->Release();
    graph.Release();
    DeleteFileA(test::OwnIniPath().c_str());
    CoUninitialize();
    return 0;
}
}  // namespace
}  // namespace qdflip::bench

int main() {
    return qdflip::bench::Run();
}
