// One frame's work of the raw video filter: raw Bayer samples carried in a 16-bit video stream
// become a viewable grey or colour UYVY frame, or pass through unchanged.
//
// Frame layout: `height` rows of `width` pixels, top row first, 2 bytes a pixel, no padding between
// rows, in the input, the work buffer and the output alike. A raw sample is the big-endian word of
// its pixel's two bytes; the raw modes keep its top 8 significant bits. Output pixel pairs are
// written as U, Y0, V, Y1.
//
// Modes (`FrameFormat`, read once per frame; other values act as 0):
//   0 "Thru"          the input goes to the output unchanged
//   1 "Raw10/Gray"    every pixel becomes (128, sample bits 9..2)
//   2 "Raw10/Color"   one 2x2 window of samples gives one colour for a pixel pair
//   3 "Raw12/Gray"    as 1 with sample bits 11..4
//   4 "Raw12/Color"   as 2 with sample bits 11..4
// The colour modes read `FastMode` and `BayerFormat` (0 "G/R/B/G", 1 "G/B/R/G", 2 "B/G/G/R",
// 3 "R/G/G/B", other values act as 3) once per frame and the three gains once per window. They leave
// the columns that no window reaches, and in normal mode the last row, as the output held them.
//
// Gains: each of R, G, B is the exact product of its 8-bit value and its 32-bit float gain, truncated
// toward zero, with 255 as the upper bound and no lower bound other than that of a 32-bit integer:
//   - zero and negative gains are used as they are (negative values darken Y and push U and V apart);
//   - a product that is not a number (a NaN gain, or 0 times an infinite gain) counts as 0;
//   - a product below -2^31 (huge negative gains, minus infinity) counts as -2^31, as a conversion to a
//     32-bit integer that saturates would give; huge positive ones (plus infinity) reach 255 anyway.
// Y, U and V are then computed in IEEE double arithmetic, truncated and kept within 0..255.
//
// Buffers: the four buffers must not overlap; a null pointer counts as a buffer of size 0.
//   - The first min(inputLength, workSize) input bytes are copied into the work buffer, always.
//   - "Thru" copies min(inputLength, outputSize) bytes from the input to the output.
//   - The raw modes read the work buffer only, and only rows that lie wholly inside `workSize`; they
//     write only rows that lie wholly inside `outputSize`. Within those limits every row written holds
//     what it would hold with buffers of the full frame size. A width or height of zero or less
//     writes nothing.
// Nothing reads or writes outside the buffers given, and nothing is allocated.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace qdflip {
// The filter settings: one set per process, written by the options window, read by the streaming thread.
struct FilterSettings {
    std::atomic<int32_t> FrameFormat{0};
    std::atomic<int32_t> BayerFormat{0};
    std::atomic<int32_t> FastMode{0};
    // The gains start a 16-byte line of their own: the colour kernels read a window's three gains
    // with one aligned 16-byte load, which touches no other setting (the last 4 bytes are padding).
    alignas(16) std::atomic<float> RGain{0.0f};
    std::atomic<float> GGain{0.0f};
    std::atomic<float> BGain{0.0f};
};

// One sample's work: copies the input into the work buffer, then writes the output frame of
// `width` x `height` pixels as the mode in `settings` says ("Thru" copies the input straight to the output).
void ConvertFrame(const FilterSettings& settings, int32_t width, int32_t height, const uint8_t* input,
                  size_t inputLength, uint8_t* work, size_t workSize, uint8_t* output, size_t outputSize);
}  // namespace qdflip
