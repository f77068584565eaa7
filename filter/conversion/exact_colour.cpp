#include "conversion/exact_colour.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qdflip::conversion {
namespace {
// Truncation toward zero, then 0..255, clamped in integers so that it compiles without branches
// (they would go either way at random for the windows the vector kernels hand over). The formulas
// weigh 32-bit integers with weights whose magnitudes add up to 1, plus 128, so every value lies in
// the 32-bit range; NaN cannot occur.
uint32_t ToByte(double value) {
    return static_cast<uint32_t>(std::clamp(static_cast<int32_t>(value), 0, 255));
}
}  // namespace

int32_t ExactGain(uint32_t sample, float gain) {
    const double product = static_cast<double>(sample) * static_cast<double>(gain);
    if (std::isnan(product)) {
        return 0;
    }
    if (product >= 255.0) {
        return 255;
    }
    constexpr double kLowest = static_cast<double>(std::numeric_limits<int32_t>::min());
    if (product <= kLowest) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(product);
}

uint32_t ExactMacropixel(int32_t r, int32_t g, int32_t b) {
    const double red = r;
    const double green = g;
    const double blue = b;
    // The luma weights and the chroma weights are two different sets; both are used as they stand,
    // in this order of operations (no fused multiply-add: the build forbids contraction).
    const uint32_t y = ToByte((0.587 * green + 0.299 * red) + 0.114 * blue);
    const uint32_t u = ToByte((0.5 * blue - (0.115 * red + 0.385 * green)) + 128.0);
    const uint32_t v = ToByte(((0.5 * red - 0.454 * green) - 0.046 * blue) + 128.0);
    return u | (y << 8) | (v << 16) | (y << 24);
}
}  // namespace qdflip::conversion
