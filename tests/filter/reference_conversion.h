// The conversion written the plain way, pixel by pixel and window by window in double precision,
// with a bounds check on every byte. The library's results are held against it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "raw_conversion.h"

namespace qdflip::reference {
// Same contract as qdflip::ConvertFrame.
void ConvertFrame(const FilterSettings& settings, int32_t width, int32_t height, const uint8_t* input,
                  size_t inputLength, uint8_t* work, size_t workSize, uint8_t* output, size_t outputSize);

struct Yuv {
    int y;
    int u;
    int v;
    bool operator==(const Yuv&) const = default;
};

// A gained colour value: trunc(value x gain) with NaN as 0, at most 255, at least -2^31.
int64_t Gained(int value, float gain);
Yuv ToYuv(int64_t r, int64_t g, int64_t b);
}  // namespace qdflip::reference
