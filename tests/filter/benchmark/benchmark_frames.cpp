#include "benchmark_frames.h"

#include <cstdio>
#include <cstring>
#include <random>

#include "conversion/frame_conversion.h"
#include "conversion/gain_state.h"
#include "ring_size.h"

namespace qdflip::bench {
size_t FrameRingLength() {
    return RingFrames(2 * kFrameBytes);
}

std::string FrameRingSuffix() {
    return RingSuffix(FrameRingLength());
}

const std::vector<Scenario>& Scenarios() {
    static const std::vector<Scenario> scenarios{
        {"Thru", 0, 0, false, 2.5},
        {"Raw10/Gray", 1, 0, false, 3.0},
        {"Raw12/Gray", 3, 0, false, 3.0},
        {"Raw10/Color FastMode 1", 2, 1, false, 3.0},
        {"Raw12/Color FastMode 1", 4, 1, false, 3.0},
        {"Raw10/Color FastMode 0", 2, 0, false, 5.0},
        {"Raw12/Color FastMode 0", 4, 0, false, 5.0},
        {"Raw10/Color FastMode 0, flat grey frame", 2, 0, true, 0.0},
    };
    return scenarios;
}

FrameBuffers::FrameBuffers(conversion::KernelPath path)
    : randomInput_(kFrameBytes),
      flatInput_(kFrameBytes),
      work_(2 * kFrameBytes),
      output_(kFrameBytes),
      ringInputs_(FrameRingLength(), std::vector<uint8_t>(kFrameBytes)),
      ringOutputs_(FrameRingLength(), std::vector<uint8_t>(kFrameBytes)),
      path_(path) {
    std::mt19937 rng(1);
    for (auto& byte : randomInput_) {
        byte = static_cast<uint8_t>(rng());
    }
    // Mid-grey 10-bit samples (0x200): every window is a grey colour, the slowest case for the kernels.
    for (size_t i = 0; i < kFrameBytes; i += 2) {
        flatInput_[i] = 0x02;
        flatInput_[i + 1] = 0x00;
    }
    // Gains as a white balance would set them.
    settings_.RGain = 1.3f;
    settings_.GGain = 1.0f;
    settings_.BGain = 1.7f;
    settings_.BayerFormat = 0;
    input_ = &randomInput_;
    for (auto& frame : ringInputs_) {
        frame = randomInput_;
    }
}

void FrameBuffers::Prepare(const Scenario& scenario) {
    settings_.FrameFormat = scenario.frameFormat;
    settings_.FastMode = scenario.fastMode;
    input_ = scenario.flat ? &flatInput_ : &randomInput_;
    for (auto& frame : ringInputs_) {
        frame = *input_;
    }
}

const uint8_t* FrameBuffers::NextInput() {
    return ring_ ? ringInputs_[ringPosition_].data() : input_->data();
}

uint8_t* FrameBuffers::NextOutput() {
    if (!ring_) {
        return output_.data();
    }
    uint8_t* output = ringOutputs_[ringPosition_].data();
    ringPosition_ = (ringPosition_ + 1) % ringOutputs_.size();
    return output;
}

void FrameBuffers::Convert() {
    const uint8_t* input = NextInput();
    conversion::ConvertFrameOn(path_, settings_, kWidth, kHeight, input, kFrameBytes, work_.data(),
                               work_.size(), NextOutput(), kFrameBytes);
}

void FrameBuffers::Memcpy() {
    const uint8_t* input = NextInput();
    std::memcpy(NextOutput(), input, kFrameBytes);
}

void ReadGainsOfOneFrame(const FilterSettings& settings) {
    // The least that uses every value read: fold the bits together.
    uint32_t folded = 0;
    for (int32_t y = 0; y + 1 < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth - 4; x += 2) {
            const conversion::GainBits read = conversion::ReadGains(settings);
            folded ^= read.r ^ read.g ^ read.b;
        }
    }
    if (folded == 1) {
        std::puts("(folded gains happened to be 1)");
    }
}

bool KernelPathFromArguments(int argc, char** argv, conversion::KernelPath& path) {
    path = conversion::BestKernelPath();
    const std::string prefix = "--kernels=";
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind(prefix, 0) != 0) {
            continue;
        }
        for (const conversion::KernelPath available : conversion::AvailableKernelPaths()) {
            if (argument.substr(prefix.size()) == conversion::KernelPathName(available)) {
                path = available;
                return true;
            }
        }
        std::fprintf(stderr, "%s: not a kernel path of this machine\n", argument.c_str());
        return false;
    }
    return true;
}

namespace {
// Against the memcpy over the ring, the normal-mode colour frame of random samples has targets of its
// own, by the width of the kernels' registers.
double RingTarget(const Scenario& scenario, conversion::KernelPath path) {
    if ((scenario.frameFormat != 2 && scenario.frameFormat != 4) || scenario.fastMode != 0 || scenario.flat) {
        return 0.0;
    }
    switch (path) {
        case conversion::KernelPath::kAvx512:
            return 3.0;
        case conversion::KernelPath::kAvx2:
            return 4.0;
        default:
            return 0.0;
    }
}

std::string TargetText(double ratio, double target) {
    if (target <= 0) {
        return "";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%s %.1f", ratio <= target ? "<=" : "MISSED", target);
    return text;
}
}  // namespace

void PrintRatioTable(const std::map<std::string, double>& medianMilliseconds, const std::string& title,
                     conversion::KernelPath path) {
    const auto memcpyTime = medianMilliseconds.find(kMemcpyName);
    if (memcpyTime == medianMilliseconds.end()) {
        return;
    }
    const auto ringMemcpyTime = medianMilliseconds.find(std::string(kMemcpyName) + FrameRingSuffix());
    std::printf("\n%s, colour kernels: %s\n", title.c_str(), conversion::KernelPathName(path));
    std::printf("%-50s %9s %9s %9s %9s %10s %10s\n", "mode (1920 x 1080, median per frame)", "time ms",
                "x memcpy", "ring ms", "x ring", "target", "ring target");
    struct Row {
        std::string name;
        double target;
        double ringTarget;
    };
    std::vector<Row> rows{{kMemcpyName, 0.0, 0.0}};
    for (const Scenario& scenario : Scenarios()) {
        rows.push_back({scenario.name, scenario.target, RingTarget(scenario, path)});
    }
    rows.push_back({kGainReadsName, 0.0, 0.0});
    for (const Row& row : rows) {
        const auto time = medianMilliseconds.find(row.name);
        if (time == medianMilliseconds.end()) {
            continue;
        }
        const double ratio = time->second / memcpyTime->second;
        char ringText[2][16] = {"", ""};
        double ringRatio = 0;
        const auto ringTime = medianMilliseconds.find(row.name + FrameRingSuffix());
        if (ringTime != medianMilliseconds.end() && ringMemcpyTime != medianMilliseconds.end()) {
            ringRatio = ringTime->second / ringMemcpyTime->second;
            std::snprintf(ringText[0], sizeof ringText[0], "%.3f", ringTime->second);
            std::snprintf(ringText[1], sizeof ringText[1], "%.2f", ringRatio);
        }
        std::printf("%-50s %9.3f %9.2f %9s %9s %10s %10s\n", row.name.c_str(), time->second, ratio,
                    ringText[0], ringText[1], TargetText(ratio, row.target).c_str(),
                    TargetText(ringRatio, ringTime != medianMilliseconds.end() ? row.ringTarget : 0).c_str());
    }
}
}  // namespace qdflip::bench
