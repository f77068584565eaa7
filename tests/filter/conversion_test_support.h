// Frames, settings and kernel paths for the conversion tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "conversion/frame_conversion.h"
#include "conversion/kernel_paths.h"
#include "raw_conversion.h"
#include "reference_conversion.h"

namespace qdflip::testing {
inline void Configure(FilterSettings& settings, int32_t frameFormat, int32_t bayerFormat, int32_t fastMode,
                      float rGain = 1.0f, float gGain = 1.0f, float bGain = 1.0f) {
    settings.FrameFormat = frameFormat;
    settings.BayerFormat = bayerFormat;
    settings.FastMode = fastMode;
    settings.RGain = rGain;
    settings.GGain = gGain;
    settings.BGain = bGain;
}

// A frame of 16-bit pixels whose raw samples are stored high byte first.
struct Frame {
    int32_t width;
    int32_t height;
    std::vector<uint8_t> bytes;

    Frame(int32_t w, int32_t h, uint8_t fill = 0)
        : width(w), height(h), bytes(2 * size_t(w) * size_t(h), fill) {}

    void SetSample(int32_t x, int32_t y, uint16_t sample) {
        const size_t offset = 2 * (size_t(y) * size_t(width) + size_t(x));
        bytes[offset] = static_cast<uint8_t>(sample >> 8);
        bytes[offset + 1] = static_cast<uint8_t>(sample);
    }
};

// The raw sample that reduces to `value` at the depth of `frameFormat` (10 bits for 1 and 2).
inline uint16_t SampleFor(uint8_t value, int32_t frameFormat) {
    return static_cast<uint16_t>(frameFormat <= 2 ? value << 2 : value << 4);
}

inline std::vector<uint8_t> RandomBytes(size_t count, std::mt19937& rng) {
    std::vector<uint8_t> bytes(count);
    std::uniform_int_distribution<int> byte(0, 255);
    for (auto& b : bytes) {
        b = static_cast<uint8_t>(byte(rng));
    }
    return bytes;
}

// Runs `test` once for every kernel path this machine has, the path named in failures.
inline void ForEachKernelPath(const std::function<void(conversion::KernelPath)>& test) {
    for (const conversion::KernelPath path : conversion::AvailableKernelPaths()) {
        SCOPED_TRACE(std::string("kernel path ") + conversion::KernelPathName(path));
        test(path);
    }
}

// The output of one conversion with buffers of the frame's own size (the work buffer four bytes a
// pixel, as the filter allocates it); the output starts as `prefill`.
inline std::vector<uint8_t> Convert(conversion::KernelPath path, const FilterSettings& settings,
                                    const Frame& frame, uint8_t prefill = 0xA5) {
    std::vector<uint8_t> work(frame.bytes.size() * 2);
    std::vector<uint8_t> output(frame.bytes.size(), prefill);
    conversion::ConvertFrameOn(path, settings, frame.width, frame.height, frame.bytes.data(),
                               frame.bytes.size(), work.data(), work.size(), output.data(), output.size());
    return output;
}

// Runs the library on every path and the reference with the same buffers and sizes; both outputs
// and work buffers must agree byte for byte. Buffers are allocated with room to spare, prefilled,
// and the spare bytes must stay untouched.
inline void ExpectSameAsReference(const FilterSettings& settings, int32_t width, int32_t height,
                                  const std::vector<uint8_t>& input, size_t inputLength, size_t workSize,
                                  size_t outputSize) {
    constexpr size_t kSpare = 64;
    std::vector<uint8_t> referenceWork(workSize + kSpare, 0x11);
    std::vector<uint8_t> referenceOutput(outputSize + kSpare, 0x22);
    reference::ConvertFrame(settings, width, height, input.data(), inputLength, referenceWork.data(),
                            workSize, referenceOutput.data(), outputSize);
    for (size_t i = 0; i < kSpare; ++i) {
        ASSERT_EQ(referenceWork[workSize + i], 0x11);
        ASSERT_EQ(referenceOutput[outputSize + i], 0x22);
    }
    ForEachKernelPath([&](conversion::KernelPath path) {
        std::vector<uint8_t> work(workSize + kSpare, 0x11);
        std::vector<uint8_t> output(outputSize + kSpare, 0x22);
        conversion::ConvertFrameOn(path, settings, width, height, input.data(), inputLength, work.data(),
                                   workSize, output.data(), outputSize);
        EXPECT_EQ(work, referenceWork);
        EXPECT_EQ(output, referenceOutput);
    });
}
}  // namespace qdflip::testing
