// The colour conversion's row kernels, compiled from one portable source for several instruction
// sets, and the choice among them at run time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "conversion/gain_state.h"
#include "raw_conversion.h"

namespace qdflip::conversion {
// A piece of the copy of the input into the work buffer, done while a row converts: the copy keeps
// the processor's load and store units busy while the conversion keeps its arithmetic units busy.
// The row must not read the bytes it copies.
struct CopyAlong {
    const uint8_t* from = nullptr;
    uint8_t* to = nullptr;
    size_t bytes = 0;
};

// One row of windows: `upper` and `lower` are rows y and y + 1 of the work buffer, `out` is row y of
// the output; window j starts at byte 4j (8j in fast mode) of each.
struct ColourRow {
    const uint8_t* upper = nullptr;
    const uint8_t* lower = nullptr;
    uint8_t* out = nullptr;
    // Fast mode: row y + 1 of the output, which takes the same bytes, when it lies in the buffer.
    uint8_t* below = nullptr;
    size_t windows = 0;
    // Done by the time the row is.
    CopyAlong copy;
};

// Converts a row, reading the gains once per window and keeping `gains` as last read.
using ColourRowFunction = void (*)(const ColourRow& row, const FilterSettings& settings, GainState& gains);

// Which cells of the window hold red, green and blue; every alignment and row parity is one of these.
enum class WindowCells { kRgbIs01_00_10, kRgbIs11_01_00, kRgbIs10_00_01, kRgbIs00_01_11 };

WindowCells CellsFor(int32_t bayerFormat, bool oddRow);

struct KernelSet {
    // [12-bit samples][fast mode][cells]
    std::array<std::array<std::array<ColourRowFunction, 4>, 2>, 2> colourRows;

    ColourRowFunction Row(bool twelveBits, bool fast, WindowCells cells) const {
        return colourRows[twelveBits][fast][static_cast<size_t>(cells)];
    }
};

// In order of speed; every machine has the portable path.
enum class KernelPath { kPortable, kSse41, kAvx2, kAvx512 };

const char* KernelPathName(KernelPath path);
// The paths this machine can run; the portable one always.
std::vector<KernelPath> AvailableKernelPaths();
// The fastest available path, chosen once.
KernelPath BestKernelPath();
// Precondition: `path` is available.
const KernelSet& Kernels(KernelPath path);
}  // namespace qdflip::conversion
