// The portable colour kernel: plain C++ over 32-bit lanes that the compiler vectorises for whatever
// machine it builds for. It serves machines without a hand-written kernel and is the yardstick the
// others are tested against.
//
// Exactness: with gains that are not negative, every value is an integer in 0..255, and
//   Y = floor(NY / 1000), NY = 587 G + 299 R + 114 B,
//   U = floor(NU / 1000), NU = 500 B - 115 R - 385 G + 128000,
//   V = floor(NV / 1000), NV = 500 R - 454 G - 46 B + 128000,
// all of N in 0..255500, are what the double formulas truncate to, except where an N is a multiple of
// 1000: there the double result may fall a hair below the integer. This kernel computes the N in float
// (exact: integers below 2^24), divides with a margin that no rounding can cross, marks the windows
// where an N is a multiple of 1000, and redoes those with the double formulas. Negative gains leave
// the 0..255 range below, and such windows all take the double formulas.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "conversion/gain_runs.h"
#include "conversion/gain_state.h"
#include "conversion/kernel_paths.h"
#include "conversion/window_access.h"
#include "raw_conversion.h"

namespace qdflip::conversion::kernels {
// The windows converted at once: enough to amortise the loop set-up, small enough for the stack.
inline constexpr size_t kPortableRun = 64;

// The vectorisable part: `count` windows with scalable gains; exact[k] becomes non-zero where an N is
// a multiple of 1000.
template <class Cells, int kShift, bool kFast>
[[gnu::always_inline]] inline void ScaledWindows(const uint8_t* upperRow, const uint8_t* lowerRow,
                                                 uint8_t* outRow, size_t count, const GainState& gains,
                                                 uint8_t* exact) {
    const uint32_t rMultiplier = gains.rScale.multiplier;
    const uint32_t rShift = gains.rScale.shift;
    const uint32_t gMultiplier = gains.gScale.multiplier;
    const uint32_t gShift = gains.gScale.shift;
    const uint32_t bMultiplier = gains.bScale.multiplier;
    const uint32_t bShift = gains.bScale.shift;
    for (size_t k = 0; k < count; ++k) {
        uint32_t r, g, b;
        WindowSamples<Cells, kShift>(WindowRow<kFast>(upperRow, k), WindowRow<kFast>(lowerRow, k), r, g, b);
        const float red = static_cast<float>(static_cast<int32_t>(Scaled(r, rMultiplier, rShift)));
        const float green = static_cast<float>(static_cast<int32_t>(Scaled(g, gMultiplier, gShift)));
        const float blue = static_cast<float>(static_cast<int32_t>(Scaled(b, bMultiplier, bShift)));
        const float nY = 587.0f * green + 299.0f * red + 114.0f * blue;
        const float nU = 500.0f * blue - 115.0f * red - 385.0f * green + 128000.0f;
        const float nV = 500.0f * red - 454.0f * green - 46.0f * blue + 128000.0f;
        // (n + 0.5) / 1000 lies at least 0.0005 away from an integer, and the float product errs by
        // less than 0.00004: truncation gives floor(n / 1000).
        const int32_t y = static_cast<int32_t>((nY + 0.5f) * 0.001f);
        const int32_t u = static_cast<int32_t>((nU + 0.5f) * 0.001f);
        const int32_t v = static_cast<int32_t>((nV + 0.5f) * 0.001f);
        exact[k] = static_cast<uint8_t>((static_cast<float>(y) * 1000.0f == nY) |
                                        (static_cast<float>(u) * 1000.0f == nU) |
                                        (static_cast<float>(v) * 1000.0f == nV));
        const uint32_t macropixel = static_cast<uint32_t>(u) | (static_cast<uint32_t>(y) << 8) |
                                    (static_cast<uint32_t>(v) << 16) | (static_cast<uint32_t>(y) << 24);
        StoreMacropixel<kFast>(outRow, k, macropixel);
    }
}

// Windows [first, first + count) of a row, all with the gains in `gains`; count <= kPortableRun.
template <class Cells, int kShift, bool kFast>
[[gnu::always_inline]] inline void ConvertWindows(const ColourRow& row, size_t first, size_t count,
                                                  const GainState& gains) {
    constexpr size_t kStride = kFast ? 8 : 4;
    if (!gains.scalable) {
        ExactWindowsAt<Cells, kShift, kFast>(row, first, count, gains);
        return;
    }
    ExactWindows exactWindows(gains);
    uint8_t exact[kPortableRun + 8];
    ScaledWindows<Cells, kShift, kFast>(row.upper + kStride * first, row.lower + kStride * first,
                                        row.out + kStride * first, count, gains, exact);
    if (kFast && row.below != nullptr) {
        std::memcpy(row.below + kStride * first, row.out + kStride * first, kStride * count);
    }
    // Scan the marks eight at a time; about one window in three hundred carries one in varied pictures.
    std::memset(exact + count, 0, 8);
    for (size_t k = 0; k < count; k += 8) {
        uint64_t eight;
        std::memcpy(&eight, exact + k, sizeof eight);
        if (eight == 0) {
            continue;
        }
        for (size_t i = k; i < k + 8 && i < count; ++i) {
            if (exact[i] != 0) {
                ExactWindowAt<Cells, kShift, kFast>(row, first + i, exactWindows);
            }
        }
    }
}

template <class Cells, int kShift, bool kFast>
class PortableKernel {
public:
    static constexpr size_t kBlock = kPortableRun;

    [[gnu::always_inline]] explicit PortableKernel(const ColourRow& row) : row_(row) {}
    [[gnu::always_inline]] void Load(const GainState& gains) { gains_ = &gains; }
    [[gnu::always_inline]] void Block(size_t first) { Run(first, kBlock, first); }
    [[gnu::always_inline]] void Run(size_t first, size_t count, size_t) {
        ConvertWindows<Cells, kShift, kFast>(row_, first, count, *gains_);
    }

private:
    const ColourRow& row_;
    const GainState* gains_ = nullptr;
};

template <class Cells, int kShift, bool kFast>
[[gnu::always_inline]] inline void PortableRow(const ColourRow& row, const FilterSettings& settings,
                                               GainState& gains) {
    PortableKernel<Cells, kShift, kFast> kernel(row);
    ConvertRowByGains(row.windows, SettingsGains{settings}, gains, kernel, row.copy);
}
}  // namespace qdflip::conversion::kernels
