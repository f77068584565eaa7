// The colour conversion of one row of windows, as templates that a kernel path instantiates for its
// instruction set. Included by kernel_paths.cpp only.
//
// A window is the 2x2 block of raw samples whose top-left pixel is (x, y), x even:
//
//        x     x+1
//     +-----+-----+
//  y  | P00 | P01 |   upper row: the bytes [stride*j, stride*j + 4) of row y
//     +-----+-----+
// y+1 | P10 | P11 |   lower row: the same bytes of row y + 1
//     +-----+-----+
//
// Its red, green and blue samples are three of the four cells (the green one always in the upper row),
// chosen by the Bayer alignment and the parity of y. The window's macropixel U, Y, V, Y goes to the
// same 4 bytes of row y of the output; in fast mode also to the 4 bytes after them.
//
// Exactness: with gains that are not negative, every value is an integer in 0..255, and
//   Y = floor(NY / 1000), NY = 587 G + 299 R + 114 B,
//   U = floor(NU / 1000), NU = 500 B - 115 R - 385 G + 128000,
//   V = floor(NV / 1000), NV = 500 R - 454 G - 46 B + 128000,
// all of N in 0..255500, are what the double formulas truncate to, except where an N is a multiple of
// 1000: there the double result may fall a hair below the integer. The kernels compute the N in float
// (exact: integers below 2^24), divide with a margin that no rounding can cross, mark the windows
// where an N is a multiple of 1000, and redo those with the double formulas. Negative gains leave the
// 0..255 range below, and such windows all take the double formulas.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "conversion/bytes.h"
#include "conversion/exact_colour.h"
#include "conversion/gain_state.h"
#include "conversion/kernel_paths.h"
#include "raw_conversion.h"

namespace qdflip::conversion::kernels {
// Which cell of the window (0 P00, 1 P01, 2 P10, 3 P11) holds red, green and blue.
template <int kRed, int kGreen, int kBlue>
struct Pick {
    static constexpr int kR = kRed;
    static constexpr int kG = kGreen;
    static constexpr int kB = kBlue;
};

// Windows whose gains are read ahead and that go through the vector kernel at most at once: enough to
// amortise a call, small enough for the stack.
inline constexpr size_t kChunk = 256;

template <class Cells, int kShift>
[[gnu::always_inline]] inline void WindowSamples(uint32_t upper, uint32_t lower, uint32_t& r, uint32_t& g,
                                                 uint32_t& b) {
    const uint32_t cells[4] = {RawSample<kShift>(upper), RawSample<kShift>(upper >> 16),
                               RawSample<kShift>(lower), RawSample<kShift>(lower >> 16)};
    r = cells[Cells::kR];
    g = cells[Cells::kG];
    b = cells[Cells::kB];
}

[[gnu::always_inline]] inline uint32_t Scaled(uint32_t value, uint32_t multiplier, uint32_t shift) {
    return std::min((value * multiplier) >> shift, 255u);
}

// Window k's samples of one row: its first 4 bytes. In fast mode windows lie 8 bytes apart; reading
// all 8 keeps the loads contiguous, which the vectoriser handles far better than a stride.
template <bool kFast>
[[gnu::always_inline]] inline uint32_t WindowRow(const uint8_t* row, size_t k) {
    if constexpr (kFast) {
        return static_cast<uint32_t>(LoadLe64(row + 8 * k));
    } else {
        return LoadLe32(row + 4 * k);
    }
}

// Window k's macropixel, in fast mode twice (pixels x .. x + 3).
template <bool kFast>
[[gnu::always_inline]] inline void StoreMacropixel(uint8_t* out, size_t k, uint32_t macropixel) {
    if constexpr (kFast) {
        StoreLe64(out + 8 * k, (uint64_t{macropixel} << 32) | macropixel);
    } else {
        StoreLe32(out + 4 * k, macropixel);
    }
}

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

// The double formulas for one window, remembering the last colour: flat areas repeat it.
class ExactWindows {
public:
    explicit ExactWindows(const GainState& gains) : gains_(gains) {}

    uint32_t Macropixel(uint32_t r, uint32_t g, uint32_t b) {
        const uint32_t key = (r << 16) | (g << 8) | b;
        if (key != lastKey_) {
            lastKey_ = key;
            lastMacropixel_ = ExactWindow(r, g, b, gains_.r, gains_.g, gains_.b);
        }
        return lastMacropixel_;
    }

private:
    const GainState& gains_;
    uint32_t lastKey_ = UINT32_MAX;  // no 8-bit triple has this key
    uint32_t lastMacropixel_ = 0;
};

template <class Cells, int kShift, bool kFast>
[[gnu::always_inline]] inline void ExactWindowAt(const uint8_t* upperRow, const uint8_t* lowerRow,
                                                 uint8_t* outRow, size_t k, ExactWindows& exact) {
    uint32_t r, g, b;
    WindowSamples<Cells, kShift>(WindowRow<kFast>(upperRow, k), WindowRow<kFast>(lowerRow, k), r, g, b);
    StoreMacropixel<kFast>(outRow, k, exact.Macropixel(r, g, b));
}

// Windows [first, first + count) of a row, all with the gains in `gains`.
template <class Cells, int kShift, bool kFast>
[[gnu::always_inline]] inline void ConvertWindows(const ColourRow& row, size_t first, size_t count,
                                                  const GainState& gains) {
    constexpr size_t kStride = kFast ? 8 : 4;
    const uint8_t* upper = row.upper + kStride * first;
    const uint8_t* lower = row.lower + kStride * first;
    uint8_t* out = row.out + kStride * first;
    ExactWindows exactWindows(gains);
    if (!gains.scalable) {
        for (size_t k = 0; k < count; ++k) {
            ExactWindowAt<Cells, kShift, kFast>(upper, lower, out, k, exactWindows);
        }
        return;
    }
    uint8_t exact[kChunk + 8];
    ScaledWindows<Cells, kShift, kFast>(upper, lower, out, count, gains, exact);
    // Scan the marks eight at a time; about one window in a hundred carries one in varied pictures.
    std::memset(exact + count, 0, 8);
    for (size_t k = 0; k < count; k += 8) {
        uint64_t eight;
        std::memcpy(&eight, exact + k, sizeof eight);
        if (eight == 0) {
            continue;
        }
        for (size_t i = k; i < k + 8 && i < count; ++i) {
            if (exact[i] != 0) {
                ExactWindowAt<Cells, kShift, kFast>(upper, lower, out, i, exactWindows);
            }
        }
    }
}

// The gains as read for each window of a chunk, three words per window (red, green, blue bits).
struct ChunkGains {
    uint32_t bits[3 * kChunk];

    GainBits At(size_t k) const { return {bits[3 * k], bits[3 * k + 1], bits[3 * k + 2]}; }
};

// One read of each gain per window, in window order, for `count` windows. Only loads and stores: this
// loop is what a window costs beyond its arithmetic.
[[gnu::always_inline]] inline void ReadGainsOfWindows(const FilterSettings& settings, size_t count,
                                                      ChunkGains& read) {
#pragma GCC unroll 4
    for (size_t k = 0; k < count; ++k) {
        read.bits[3 * k] = std::bit_cast<uint32_t>(settings.RGain.load(std::memory_order_relaxed));
        read.bits[3 * k + 1] = std::bit_cast<uint32_t>(settings.GGain.load(std::memory_order_relaxed));
        read.bits[3 * k + 2] = std::bit_cast<uint32_t>(settings.BGain.load(std::memory_order_relaxed));
    }
}

// The first window from `from` on (below `count`) that read other gains than `current`, or `count`.
[[gnu::always_inline]] inline size_t EndOfSameGains(const ChunkGains& read, size_t from, size_t count,
                                                    const GainBits& current) {
    // Eight windows at a time, compared as 24 words with one vector reduction.
    uint32_t pattern[24];
    for (size_t i = 0; i < 24; i += 3) {
        pattern[i] = current.r;
        pattern[i + 1] = current.g;
        pattern[i + 2] = current.b;
    }
    size_t k = from;
    for (; k + 8 <= count; k += 8) {
        uint32_t difference = 0;
        for (size_t i = 0; i < 24; ++i) {
            difference |= read.bits[3 * k + i] ^ pattern[i];
        }
        if (difference != 0) {
            break;
        }
    }
    for (; k < count; ++k) {
        if (!(read.At(k) == current)) {
            return k;
        }
    }
    return count;
}

// One row of windows. The gains are read once per window, in window order, a chunk of windows ahead
// of their conversion; runs of windows that read the same gains go through the vector kernel together.
template <class Cells, int kShift, bool kFast>
[[gnu::always_inline]] inline void ConvertRow(const ColourRow& row, const FilterSettings& settings,
                                              GainState& gains) {
    ChunkGains read;
    for (size_t done = 0; done < row.windows; done += kChunk) {
        const size_t chunk = std::min(kChunk, row.windows - done);
        ReadGainsOfWindows(settings, chunk, read);
        for (size_t k = 0; k < chunk;) {
            if (!gains.valid || !(read.At(k) == gains.bits)) {
                gains.Reset(read.At(k));
            }
            const size_t end = EndOfSameGains(read, k + 1, chunk, gains.bits);
            ConvertWindows<Cells, kShift, kFast>(row, done + k, end - k, gains);
            k = end;
        }
    }
}
}  // namespace qdflip::conversion::kernels
