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
// Bytes per step when a copy and a conversion take turns: small enough to stay in the first-level cache.
constexpr size_t kStepBytes = 16 * 1024;

// The copy of the input into the work buffer, done in steps just ahead of the conversion that reads
// the work buffer, so that the conversion finds the bytes in the cache. What the work buffer holds
// in the end, and what the conversion reads from it, is the same as with one copy at the start.
class WorkCopy {
public:
    WorkCopy(const uint8_t* input, uint8_t* work, size_t length)
        : input_(input), work_(work), length_(length) {}
    WorkCopy(const WorkCopy&) = delete;
    WorkCopy& operator=(const WorkCopy&) = delete;
    // Makes sure that every byte is copied.
    void Finish() { Through(length_); }

    // Makes sure that the bytes before `end` are copied.
    void Through(size_t end) {
        const CopyAlong rest = Take(end);
        if (rest.bytes > 0) {
            std::memcpy(rest.to, rest.from, rest.bytes);
        }
    }

    // The bytes before `end` not yet copied, for the caller to copy.
    CopyAlong Take(size_t end) {
        end = std::min(end, length_);
        CopyAlong piece;
        if (end > copied_) {
            piece = {input_ + copied_, work_ + copied_, end - copied_};
            copied_ = end;
        }
        return piece;
    }

private:
    const uint8_t* input_;
    uint8_t* work_;
    size_t length_;
    size_t copied_ = 0;
};

// "Thru": the input goes to the work buffer and to the output; each step of it is read once from
// memory and once more from the cache.
void ThruFrame(const uint8_t* input, size_t outputLength, uint8_t* output, WorkCopy& workCopy) {
    for (size_t done = 0; done < outputLength; done += kStepBytes) {
        const size_t step = std::min(kStepBytes, outputLength - done);
        workCopy.Through(done + step);
        std::memcpy(output + done, input + done, step);
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

template <int kShift>
void GreyFrame(const FrameRows& rows, const uint8_t* work, uint8_t* output, WorkCopy& workCopy) {
    const size_t bytes = std::min(rows.readable, rows.writable) * rows.rowBytes;
    for (size_t done = 0; done < bytes; done += kStepBytes) {
        const size_t step = std::min(kStepBytes, bytes - done);
        workCopy.Through(done + step);
        GreyPixels<kShift>(work + done, output + done, step);
    }
}

void ColourFrame(const KernelSet& kernels, const FilterSettings& settings, bool twelveBits, int32_t width,
                 int32_t height, const FrameRows& rows, const uint8_t* work, uint8_t* output,
                 WorkCopy& workCopy) {
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
        // The rows this one reads are copied by now; the rows the next one reads besides are copied
        // while it converts.
        workCopy.Through((y + 2) * rows.rowBytes);
        row.copy = workCopy.Take((y + 2 + rowStep) * rows.rowBytes);
        row.upper = work + y * rows.rowBytes;
        row.lower = row.upper + rows.rowBytes;
        row.out = output + y * rows.rowBytes;
        // In fast mode each window's 4 pixels fill the same 4 pixels of the row below as well.
        row.below = fast && y + 1 < rows.writable ? row.out + rows.rowBytes : nullptr;
        kernels.Row(twelveBits, fast, CellsFor(bayerFormat, y % 2 != 0))(row, settings, gains);
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
    // Every mode copies the input into the work buffer first; the raw modes then read only that.
    WorkCopy workCopy(input, work, std::min(inputLength, workSize));
    const int32_t frameFormat = settings.FrameFormat.load(std::memory_order_relaxed);
    if (frameFormat < 1 || frameFormat > 4) {
        ThruFrame(input, std::min(inputLength, outputSize), output, workCopy);
    } else {
        const bool twelveBits = frameFormat >= 3;
        FrameRows rows{0, 0, 0};
        if (width > 0 && height > 0) {
            rows.rowBytes = 2 * static_cast<size_t>(width);
            rows.readable = std::min(static_cast<size_t>(height), workSize / rows.rowBytes);
            rows.writable = std::min(static_cast<size_t>(height), outputSize / rows.rowBytes);
        }
        if (frameFormat == 2 || frameFormat == 4) {
            ColourFrame(Kernels(path), settings, twelveBits, width, height, rows, work, output, workCopy);
        } else if (twelveBits) {
            GreyFrame<4>(rows, work, output, workCopy);
        } else {
            GreyFrame<2>(rows, work, output, workCopy);
        }
    }
    workCopy.Finish();
}
}  // namespace conversion

void ConvertFrame(const FilterSettings& settings, int32_t width, int32_t height, const uint8_t* input,
                  size_t inputLength, uint8_t* work, size_t workSize, uint8_t* output, size_t outputSize) {
    conversion::ConvertFrameOn(conversion::BestKernelPath(), settings, width, height, input, inputLength,
                               work, workSize, output, outputSize);
}
}  // namespace qdflip
