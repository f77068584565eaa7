#include "raw_conversion.h"

#include <algorithm>
#include <cstring>

#include "conversion/bytes.h"
#include "conversion/frame_conversion.h"
#include "conversion/gain_state.h"
#include "conversion/kernel_paths.h"

namespace qdflip {
namespace conversion {
namespace {
void CopyBytes(uint8_t* to, const uint8_t* from, size_t count) {
    if (count > 0) {
        std::memcpy(to, from, count);
    }
}

// The part of the frame that lies in the buffers: rows wholly inside the work buffer can be read,
// rows wholly inside the output can be written.
struct FrameRows {
    size_t rowBytes;
    size_t readable;
    size_t writable;
};

template <int kShift>
void GreyPixels(const uint8_t* work, uint8_t* output, size_t bytes) {
    for (size_t i = 0; i < bytes; i += 2) {
        StoreLe16(output + i, 0x80u | (RawSample<kShift>(LoadLe16(work + i)) << 8));
    }
}

void GreyFrame(bool twelveBits, const FrameRows& rows, const uint8_t* work, uint8_t* output) {
    const size_t bytes = std::min(rows.readable, rows.writable) * rows.rowBytes;
    if (twelveBits) {
        GreyPixels<4>(work, output, bytes);
    } else {
        GreyPixels<2>(work, output, bytes);
    }
}

void ColourFrame(const KernelSet& kernels, const FilterSettings& settings, bool twelveBits, int32_t width,
                 int32_t height, const FrameRows& rows, const uint8_t* work, uint8_t* output) {
    const bool fast = settings.FastMode.load(std::memory_order_relaxed) != 0;
    const int32_t bayerFormat = settings.BayerFormat.load(std::memory_order_relaxed);
    if (width <= 4 || height <= 1) {
        return;
    }
    // Windows start at x = 0, 2, 4 ... (0, 4, 8 ... in fast mode) while x < width - 4, so the last
    // columns are never written; normal mode never writes the last row, fast mode writes row pairs.
    ColourRow row;
    row.windows = fast ? static_cast<size_t>(width - 1) / 4 : static_cast<size_t>(width - 3) / 2;
    const size_t rowStep = fast ? 2 : 1;
    GainState gains;
    for (size_t y = 0; y + 1 < static_cast<size_t>(height); y += rowStep) {
        if (y + 1 >= rows.readable || y >= rows.writable) {
            break;
        }
        row.upper = work + y * rows.rowBytes;
        row.lower = row.upper + rows.rowBytes;
        row.out = output + y * rows.rowBytes;
        kernels.Row(twelveBits, fast, CellsFor(bayerFormat, y % 2 != 0))(row, settings, gains);
        if (fast && y + 1 < rows.writable) {
            // Each window's 4 pixels fill the same 4 pixels of the row below.
            std::memcpy(row.out + rows.rowBytes, row.out, 8 * row.windows);
        }
    }
}
}  // namespace

void ConvertFrameOn(KernelPath path, const FilterSettings& settings, int32_t width, int32_t height,
                    const uint8_t* input, size_t inputLength, uint8_t* work, size_t workSize, uint8_t* output,
                    size_t outputSize) {
    if (input == nullptr) {
        inputLength = 0;
    }
    if (work == nullptr) {
        workSize = 0;
    }
    if (output == nullptr) {
        outputSize = 0;
    }
    CopyBytes(work, input, std::min(inputLength, workSize));

    const int32_t frameFormat = settings.FrameFormat.load(std::memory_order_relaxed);
    if (frameFormat < 1 || frameFormat > 4) {
        CopyBytes(output, input, std::min(inputLength, outputSize));
        return;
    }
    const bool colour = frameFormat == 2 || frameFormat == 4;
    const bool twelveBits = frameFormat >= 3;
    FrameRows rows{0, 0, 0};
    if (width > 0 && height > 0) {
        rows.rowBytes = 2 * static_cast<size_t>(width);
        rows.readable = std::min(static_cast<size_t>(height), workSize / rows.rowBytes);
        rows.writable = std::min(static_cast<size_t>(height), outputSize / rows.rowBytes);
    }
    if (colour) {
        ColourFrame(Kernels(path), settings, twelveBits, width, height, rows, work, output);
    } else {
        GreyFrame(twelveBits, rows, work, output);
    }
}
}  // namespace conversion

void ConvertFrame(const FilterSettings& settings, int32_t width, int32_t height, const uint8_t* input,
                  size_t inputLength, uint8_t* work, size_t workSize, uint8_t* output, size_t outputSize) {
    conversion::ConvertFrameOn(conversion::BestKernelPath(), settings, width, height, input, inputLength,
                               work, workSize, output, outputSize);
}
}  // namespace qdflip
