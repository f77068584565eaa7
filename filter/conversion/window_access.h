// The scalar side of the colour conversion: a window's samples, its macropixel's place in the output,
// and the double formulas for the windows a fast kernel leaves to them. Always inlined, for the same
// reason as gain_runs.h.
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
#pragma once

#include <cstddef>
#include <cstdint>

#include "conversion/bytes.h"
#include "conversion/exact_colour.h"
#include "conversion/gain_state.h"
#include "conversion/kernel_paths.h"

namespace qdflip::conversion::kernels {
// Which cell of the window (0 P00, 1 P01, 2 P10, 3 P11) holds red, green and blue.
template <int kRed, int kGreen, int kBlue>
struct Pick {
    static constexpr int kR = kRed;
    static constexpr int kG = kGreen;
    static constexpr int kB = kBlue;
    static_assert(kGreen < 2, "green is read from the upper row");
    static_assert((kRed < 2) != (kBlue < 2), "one of red and blue lies in each row");
};

template <class Cells, int kShift>
[[gnu::always_inline]] inline void WindowSamples(uint32_t upper, uint32_t lower, uint32_t& r, uint32_t& g,
                                                 uint32_t& b) {
    const uint32_t cells[4] = {RawSample<kShift>(upper), RawSample<kShift>(upper >> 16),
                               RawSample<kShift>(lower), RawSample<kShift>(lower >> 16)};
    r = cells[Cells::kR];
    g = cells[Cells::kG];
    b = cells[Cells::kB];
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

// The double formulas for the windows of one run of gains, remembering the last colour: flat areas
// repeat it.
class ExactWindows {
public:
    [[gnu::always_inline]] explicit ExactWindows(const GainState& gains) : gains_(gains) {}

    [[gnu::always_inline]] uint32_t Macropixel(uint32_t r, uint32_t g, uint32_t b) {
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

// Window k of a row, one window at a time: `colour(r, g, b)` gives the macropixel of its 8-bit samples.
template <class Cells, int kShift, bool kFast, class Colour>
[[gnu::always_inline]] inline void WindowAt(const ColourRow& row, size_t k, Colour&& colour) {
    uint32_t r, g, b;
    WindowSamples<Cells, kShift>(WindowRow<kFast>(row.upper, k), WindowRow<kFast>(row.lower, k), r, g, b);
    const uint32_t macropixel = colour(r, g, b);
    StoreMacropixel<kFast>(row.out, k, macropixel);
    if (kFast && row.below != nullptr) {
        StoreMacropixel<kFast>(row.below, k, macropixel);
    }
}

// Window k of a row by the double formulas.
template <class Cells, int kShift, bool kFast>
[[gnu::always_inline]] inline void ExactWindowAt(const ColourRow& row, size_t k, ExactWindows& exact) {
    WindowAt<Cells, kShift, kFast>(
        row, k, [&](uint32_t r, uint32_t g, uint32_t b) { return exact.Macropixel(r, g, b); });
}

// Windows [first, first + count) of a row by the double formulas, all with the gains in `gains`.
template <class Cells, int kShift, bool kFast>
[[gnu::always_inline]] inline void ExactWindowsAt(const ColourRow& row, size_t first, size_t count,
                                                  const GainState& gains) {
    ExactWindows exact(gains);
    for (size_t k = first; k < first + count; ++k) {
        ExactWindowAt<Cells, kShift, kFast>(row, k, exact);
    }
}
}  // namespace qdflip::conversion::kernels
