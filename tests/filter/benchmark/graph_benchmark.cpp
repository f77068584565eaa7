// Frames per second through a real graph (test source, QDFlipDLL.ax, SampleGrabber, null renderer),
// each mode chosen in the options window, against the conversion core on the same frames and against
// the test source alone, all in one run on the streaming thread. What the filter layer
// adds beyond the conversion is shown as a share of one memcpy of the frame. Needs a display (Xvfb).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "benchmark_frames.h"
#include "com_test_support.h"
#include "dshow/allocator.h"
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
    Frames(int32_t width, int32_t height) : frames_(FrameRingLength()) {
        for (size_t i = 0; i < frames_.size(); ++i) {
            frames_[i] = test::RawFrame(width, height, static_cast<uint32_t>(i));
        }
    }
    const std::vector<uint8_t>& Next() {
        position_ = (position_ + 1) % frames_.size();
        return frames_[position_];
    }

private:
    std::vector<std::vector<uint8_t>> frames_;
    size_t position_ = 0;
};

// The test source straight into a sink of the test tree that keeps nothing; the sink may work on
// each sample. The sink offers the source an allocator of the filter's own kind, as the filter's input
// pin does in the graph, so that the source's samples cost the same on both paths.
class DirectChain {
public:
    DirectChain(int32_t width, int32_t height, std::function<void(IMediaSample*)> work)
        : source_(test::TestFilter::NewSource(
              test::NewVideoType(MEDIASUBTYPE_UYVY, width, height, 16, 2 * size_t(width) * size_t(height)))),
          sink_(test::TestFilter::NewSink()) {
        sink_->keepSamples = false;
        sink_->countedSampleWork = std::move(work);
        IMemAllocator* allocator = dshow::CMemAllocator::Create();
        sink_->offeredAllocator = allocator;
        source_->Pin().Connect(&sink_->Pin(), nullptr);
        sink_->offeredAllocator = nullptr;
        allocator->Release();
        sink_->Run(0);
        source_->Run(0);
    }
    DirectChain(const DirectChain&) = delete;
    DirectChain& operator=(const DirectChain&) = delete;
    ~DirectChain() {
        source_->Stop();
        sink_->Stop();
        source_->Pin().Disconnect();
        sink_->Pin().Disconnect();
        source_->Release();
        sink_->Release();
    }
    void Deliver(const std::vector<uint8_t>& frame) { source_->Deliver(frame.data(), frame.size(), {}); }

private:
    test::TestFilter* source_;
    test::TestFilter* sink_;
};

// One frame size through the real graph and beside it, all on this thread:
//   graph        source -> QDFlipDLL.ax -> SampleGrabber -> null renderer;
//   source+core  source -> a sink that runs ConvertFrame on each sample, with the filter's settings
//                and buffers of the filter's sizes: the conversion finds its input where the
//                source left it, as it does in the graph;
//   source       source -> a sink that does nothing.
// The core's time is source+core - source; what the filter layer adds to the graph is
// graph - source+core (the grabber's and the renderer's small cost counted as the layer's).
class Bench {
public:
    Bench(int32_t width, int32_t height)
        : width_(width),
          height_(height),
          frames_(width, height),
          work_(4 * size_t(width) * size_t(height)),
          output_(2 * size_t(width) * size_t(height)),
          memcpyOutput_(output_.size()),
          sourceCore_(width, height, [this](IMediaSample* sample) { Convert(sample); }),
          source_(width, height, {}) {
        settings_.RGain = settings_.GGain = settings_.BGain = 1.0f;
    }
    HRESULT Start() {
        const HRESULT result = graph_.Build(width_, height_, [](IMediaSample*) {});
        return FAILED(result) ? result : graph_.Run();
    }
    void Stop() { graph_.Release(); }
    // The settings the options window has just been given.
    void Use(const Mode& mode) {
        settings_.FrameFormat = mode.frameFormat;
        settings_.FastMode = mode.fastMode ? 1 : 0;
    }

    struct Figures {
        double graph, sourceCore, source, memcpy, layer;
        double Core() const { return sourceCore - source; }
    };

    // Medians over `rounds`; in each round every figure is taken over `frames` frames, in turns, so
    // that the machine's changing speed touches every figure alike. The layer's figure is the median
    // of its value in each round.
    Figures Measure(int rounds, int frames) {
        std::vector<double> graph, sourceCore, source, memcpy, layer;
        for (int round = 0; round < rounds; ++round) {
            graph.push_back(Milliseconds(frames, [&] { graph_.Deliver(frames_.Next(), time_ += 400000); }));
            sourceCore.push_back(Milliseconds(frames, [&] { sourceCore_.Deliver(frames_.Next()); }));
            source.push_back(Milliseconds(frames, [&] { source_.Deliver(frames_.Next()); }));
            memcpy.push_back(Milliseconds(frames, [&] {
                std::memcpy(memcpyOutput_.data(), frames_.Next().data(), memcpyOutput_.size());
            }));
            layer.push_back(graph.back() - sourceCore.back());
        }
        return {Median(graph), Median(sourceCore), Median(source), Median(memcpy), Median(layer)};
    }

private:
    template <class Work>
    static double Milliseconds(int frames, const Work& work) {
        using Clock = std::chrono::steady_clock;
        const auto start = Clock::now();
        for (int i = 0; i < frames; ++i) {
            work();
        }
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / frames;
    }

    static double Median(std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    }

    void Convert(IMediaSample* sample) {
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        ConvertFrame(settings_, width_, height_, data, static_cast<size_t>(sample->GetActualDataLength()),
                     work_.data(), work_.size(), output_.data(), output_.size());
    }

    int32_t width_;
    int32_t height_;
    Frames frames_;
    std::vector<uint8_t> work_;
    std::vector<uint8_t> output_;
    std::vector<uint8_t> memcpyOutput_;
    FilterSettings settings_;
    DirectChain sourceCore_;
    DirectChain source_;
    TestGraph graph_;
    REFERENCE_TIME time_ = 0;
};

void ChooseMode(HWND dialog, const Mode& mode) {
    test::ChooseListItem(dialog, test::kModeList, mode.frameFormat);
    if ((IsDlgButtonChecked(dialog, test::kFastModeBox) == BST_CHECKED) != mode.fastMode) {
        SendMessageA(GetDlgItem(dialog, test::kFastModeBox), BM_CLICK, 0, 0);
    }
}

constexpr int kRounds = 31;
constexpr int kFramesPerRound = 8;
// A frame so small that the conversion costs next to nothing: what remains is the cost of the calls
// that every sample makes, whatever its size.
constexpr int32_t kSmallWidth = 64;
constexpr int32_t kSmallHeight = 2;
constexpr int kSmallFramesPerRound = 2000;

int RunBenches() {
    auto show = test::FilterModule::Export<test::ShowModelessDialogFunction>("ShowModelessDialog");
    Bench large(kWidth, kHeight);
    Bench small(kSmallWidth, kSmallHeight);
    if (FAILED(large.Start()) || FAILED(small.Start())) {
        std::fprintf(stderr, "the graph could not run\n");
        return 1;
    }
    show(0, nullptr, SW_SHOWNORMAL);
    HWND dialog = test::WaitForOptionsWindow(5000);
    if (dialog == nullptr) {
        std::fprintf(stderr, "no options window (is there a display?)\n");
        return 1;
    }

    std::printf("\n%s build, 1920 x 1080 UYVY, single streaming thread, frames from a ring of %zu\n",
                sizeof(void*) == 4 ? "32-bit" : "64-bit", FrameRingLength());
    std::printf("medians over %d rounds; in each round every figure is taken over %d frames, side by side\n",
                kRounds, kFramesPerRound);
    std::printf("core = source+core - source; layer = graph - source+core; x memcpy = layer / memcpy\n");
    std::printf("%-24s %9s %7s %9s %9s %9s %9s %9s\n", "mode", "graph ms", "fps", "core ms", "source ms",
                "memcpy ms", "layer ms", "x memcpy");
    double frameMemcpy = 0;
    for (const Mode& mode : kModes) {
        ChooseMode(dialog, mode);
        large.Use(mode);
        const Bench::Figures figures = large.Measure(kRounds, kFramesPerRound);
        frameMemcpy = figures.memcpy;
        std::printf("%-24s %9.3f %7.1f %9.3f %9.3f %9.3f %9.3f %9.3f\n", mode.name, figures.graph,
                    1000.0 / figures.graph, figures.Core(), figures.source, figures.memcpy, figures.layer,
                    figures.layer / figures.memcpy);
    }
    ChooseMode(dialog, kModes[0]);
    small.Use(kModes[0]);
    const Bench::Figures calls = small.Measure(kRounds, kSmallFramesPerRound);
    std::printf("\nThe calls of one sample alone (Thru, %d x %d frames, %d frames a round):\n", kSmallWidth,
                kSmallHeight, kSmallFramesPerRound);
    std::printf("graph %.4f ms, source+core %.4f ms, layer %.4f ms = %.4f x the 1920 x 1080 memcpy\n",
                calls.graph, calls.sourceCore, calls.layer, calls.layer / frameMemcpy);
    large.Stop();
    small.Stop();
    return 0;
}

int Run() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) || test::FilterModule::Handle() == nullptr) {
        std::fprintf(stderr, "QDFlipDLL.ax could not be loaded\n");
        return 1;
    }
    DeleteFileA(test::OwnIniPath().c_str());
    const int result = RunBenches();
    DeleteFileA(test::OwnIniPath().c_str());
    CoUninitialize();
    return result;
}
}  // namespace
}  // namespace qdflip::bench

int main() {
    return qdflip::bench::Run();
}
