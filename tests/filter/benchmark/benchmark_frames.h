// What the conversion benchmarks measure: one 1920 x 1080 frame in each mode, and one memcpy of the
// same 4,147,200 bytes as the yardstick. Shared by the Google Benchmark program and the small
// harness used for Windows builds, so both report the same table.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "conversion/kernel_paths.h"
#include "raw_conversion.h"

namespace qdflip::bench {
inline constexpr int32_t kWidth = 1920;
inline constexpr int32_t kHeight = 1080;
inline constexpr size_t kFrameBytes = 2 * size_t(kWidth) * size_t(kHeight);

struct Scenario {
    std::string name;
    int32_t frameFormat;
    int32_t fastMode;
    bool flat;      // a flat mid-grey frame instead of random samples
    double target;  // at most this many times the memcpy from the cache; 0 when there is no target
};

// The modes with the targets they must reach, then two rows that explain the colour figures.
const std::vector<Scenario>& Scenarios();

// Frames in a ring, for the figures from memory: a live graph's frames arrive by DMA and are touched
// once, while one frame copied again and again stays in a large last-level cache. The ring is sized
// for this host's cache, an input and an output frame to each of its places (ring_size.h).
size_t FrameRingLength();
// What the names of the ring figures end with.
std::string FrameRingSuffix();

// Buffers as the filter has them: input, a work buffer of 4 bytes a pixel, output. In ring mode each
// call takes the next input and output frame of the ring; the work buffer is the filter's one.
class FrameBuffers {
public:
    // Converts on `path`: the one the library would choose unless the command line names another.
    explicit FrameBuffers(conversion::KernelPath path);
    void Prepare(const Scenario& scenario);
    void UseRing(bool ring) { ring_ = ring; }
    void Convert();
    void Memcpy();

private:
    const uint8_t* NextInput();
    uint8_t* NextOutput();

    std::vector<uint8_t> randomInput_;
    std::vector<uint8_t> flatInput_;
    const std::vector<uint8_t>* input_ = nullptr;
    std::vector<uint8_t> work_;
    std::vector<uint8_t> output_;
    std::vector<std::vector<uint8_t>> ringInputs_;
    std::vector<std::vector<uint8_t>> ringOutputs_;
    bool ring_ = false;
    size_t ringPosition_ = 0;
    FilterSettings settings_;
    conversion::KernelPath path_;
};

// The kernel path named by a "--kernels=NAME" argument (a name of KernelPathName), else the best one;
// false when the name is not one of this machine's paths.
bool KernelPathFromArguments(int argc, char** argv, conversion::KernelPath& path);

// The cost of reading the three gains once per window of a normal-mode colour frame, and next to nothing
// else: the floor that the per-window reads set for the colour modes.
void ReadGainsOfOneFrame(const FilterSettings& settings);

// The median over rounds of the mean time per call of `work`, in milliseconds; each round runs enough
// calls for about 50 ms, as measured on a warm-up call.
template <class Work>
double MedianMilliseconds(const Work& work, int rounds = 15) {
    using Clock = std::chrono::steady_clock;
    const auto warmStart = Clock::now();
    work();
    const double once = std::chrono::duration<double, std::milli>(Clock::now() - warmStart).count();
    const int calls = std::max(1, static_cast<int>(50.0 / std::max(once, 1e-3)));
    std::vector<double> means;
    for (int round = 0; round < rounds; ++round) {
        const auto start = Clock::now();
        for (int i = 0; i < calls; ++i) {
            work();
        }
        means.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count() / calls);
    }
    std::sort(means.begin(), means.end());
    return means[means.size() / 2];
}

inline constexpr const char* kMemcpyName = "memcpy 4147200 B";
inline constexpr const char* kGainReadsName = "gain reads alone (3 per window, 1033682 windows)";

// Prints the table of median times per frame (milliseconds, by scenario name) and their ratios; the
// ring figures (names with FrameRingSuffix()) beside them, against the memcpy over the ring, where the
// normal-mode colour frames have targets by kernel path.
void PrintRatioTable(const std::map<std::string, double>& medianMilliseconds, const std::string& title,
                     conversion::KernelPath path);
}  // namespace qdflip::bench
