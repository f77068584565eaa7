// The gains are read once per window, in window order. ConvertRowByGains does the reading for one row
// and hands the windows to a kernel in blocks, and in shorter runs where the gains change, every
// window of a block or run having read the same gains. Everything here is always inlined: the
// instruction-set kernels include it, and no copy of it compiled for one instruction set may stand in
// for another's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "conversion/gain_state.h"
#include "raw_conversion.h"

namespace qdflip::conversion {
// Reads the gains of one window from the settings: what a row's driver reads unless a test gives it
// other readings.
struct SettingsGains {
    const FilterSettings& settings;

    [[gnu::always_inline]] GainBits operator()() const { return ReadGains(settings); }
};

// Reads the gains of up to `count` windows, in order, while each reads `current`. Returns how many
// did; if fewer than `count`, `differing` holds the next window's read.
template <class Read>
[[gnu::always_inline]] inline size_t ReadWhileSame(Read& read, size_t count, const GainBits& current,
                                                   GainBits& differing) {
    // The gains compared against live in registers: the reads are atomic, and the compiler would
    // otherwise load them again after every read.
    const uint32_t r = current.r;
    const uint32_t g = current.g;
    const uint32_t b = current.b;
#pragma GCC unroll 16
    for (size_t k = 0; k < count; ++k) {
        // Three compares and branches: cheaper here than folding the differences together.
        const GainBits window = read();
        if (window.r != r || window.g != g || window.b != b) [[unlikely]] {
            differing = window;
            return k;
        }
    }
    return count;
}

// Converts a row of `windows` windows, `readWindow()` giving each window's gains. The kernel provides:
//   kBlock                    the windows of a block;
//   Load(gains)               takes the gains now read (called before any window that uses them);
//   Block(first)              converts windows [first, first + kBlock);
//   Run(first, count, since)  converts windows [first, first + count), 0 < count <= kBlock, where
//                             every window from `since` on read the current gains.
// The gains of a block's windows are read in the same loop turn as its conversion: the processor
// overlaps the reads of one block with the arithmetic of the one before.
template <class Kernel, class Read = SettingsGains>
[[gnu::always_inline]] inline void ConvertRowByGains(size_t windows, Read readWindow, GainState& gains,
                                                     Kernel& kernel) {
    constexpr size_t kBlock = Kernel::kBlock;
    if (windows == 0) {
        return;
    }
    GainBits read = readWindow();
    size_t first = 0;
    size_t sameSince = 0;
    for (;;) {
        // `read` is window `first`'s read.
        if (!gains.valid || !(read == gains.bits)) {
            gains.Reset(read);
            sameSince = first;
        }
        kernel.Load(gains);
        const GainBits current = gains.bits;
        size_t same = 0;  // windows after `first` that read the current gains
        // A block is converted once the windows after it up to the next block's first have read.
        while (first + kBlock < windows) {
            same = ReadWhileSame(readWindow, kBlock, current, read);
            if (same < kBlock) [[unlikely]] {
                break;
            }
            kernel.Block(first);
            first += kBlock;
        }
        if (first + kBlock >= windows) {
            same = ReadWhileSame(readWindow, windows - first - 1, current, read);
            if (first + 1 + same == windows) {
                kernel.Run(first, windows - first, sameSince);
                return;
            }
        }
        kernel.Run(first, 1 + same, sameSince);
        first += 1 + same;
    }
}
}  // namespace qdflip::conversion
