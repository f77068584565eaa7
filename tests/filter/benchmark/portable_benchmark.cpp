// The same measurement as the Google Benchmark program, for builds that have no Google Benchmark
// (MinGW): every case runs in rounds of timed frames; each round gives the mean time of its frames,
// and the table uses the median round, as the other program does.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "benchmark_frames.h"

namespace qdflip::bench {
namespace {
constexpr int kRounds = 15;

template <class Work>
double MedianMilliseconds(const Work& work) {
    using Clock = std::chrono::steady_clock;
    // Enough frames per round for about 50 ms, as measured on a warm-up round.
    const auto warmStart = Clock::now();
    work();
    const double once = std::chrono::duration<double, std::milli>(Clock::now() - warmStart).count();
    const int frames = std::max(1, static_cast<int>(50.0 / std::max(once, 1e-3)));
    std::vector<double> rounds;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        for (int i = 0; i < frames; ++i) {
            work();
        }
        rounds.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count() / frames);
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[rounds.size() / 2];
}
}  // namespace
}  // namespace qdflip::bench

int main(int argc, char** argv) {
    using namespace qdflip::bench;
    qdflip::conversion::KernelPath path;
    if (!KernelPathFromArguments(argc, argv, path)) {
        return 2;
    }
    FrameBuffers buffers(path);
    std::map<std::string, double> medians;
    medians[kMemcpyName] = MedianMilliseconds([&] { buffers.Memcpy(); });
    for (const Scenario& scenario : Scenarios()) {
        buffers.Prepare(scenario);
        medians[scenario.name] = MedianMilliseconds([&] { buffers.Convert(); });
    }
    qdflip::FilterSettings settings;
    medians[kGainReadsName] = MedianMilliseconds([&] { ReadGainsOfOneFrame(settings); });
    PrintRatioTable(medians, sizeof(void*) == 4 ? "32-bit build, single thread" : "64-bit build, single thread",
                    path);
    return 0;
}
