// What the conversion benchmarks measure: one 1920 x 1080 frame in each mode, and one memcpy of the
// same 4,147,200 bytes as the yardstick. Shared by the Google Benchmark program and the small
// harness used for Windows builds, so both report the same table.
#pragma once

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
    double target;  // at most this many times the memcpy; 0 when there is no target
};

// The modes with the targets they must reach, then two rows that explain the colour figures.
const std::vector<Scenario>& Scenarios();

// Buffers as the filter has them: input, a work buffer of 4 bytes a pixel, output.
class FrameBuffers {
public:
    // Converts on `path`: the one the library would choose unless the command line names another.
    explicit FrameBuffers(conversion::KernelPath path);
    void Prepare(const Scenario& scenario);
    void Convert();
    void Memcpy();

private:
    std::vector<uint8_t> randomInput_;
    std::vector<uint8_t> flatInput_;
    const std::vector<uint8_t>* input_ = nullptr;
    std::vector<uint8_t> work_;
    std::vector<uint8_t> output_;
    FilterSettings settings_;
    conversion::KernelPath path_;
};

// The kernel path named by a "--kernels=NAME" argument (a name of KernelPathName), else the best one;
// false when the name is not one of this machine's paths.
bool KernelPathFromArguments(int argc, char** argv, conversion::KernelPath& path);

// The cost of reading the three gains once per window of a normal-mode colour frame, and next to nothing
// else: the floor that the per-window reads set for the colour modes.
void ReadGainsOfOneFrame(const FilterSettings& settings);

inline constexpr const char* kMemcpyName = "memcpy 4147200 B";
inline constexpr const char* kGainReadsName = "gain reads alone (3 per window, 1033682 windows)";

// Prints the table of median times per frame (milliseconds, by scenario name) and their ratios.
void PrintRatioTable(const std::map<std::string, double>& medianMilliseconds, const std::string& title,
                     conversion::KernelPath path);
}  // namespace qdflip::bench
