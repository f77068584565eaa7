#include "conversion/gain_state.h"

#include <cmath>

namespace qdflip::conversion {
ChannelScale ScaleFor(float gain) {
    if (std::isnan(gain) || gain == 0.0f) {
        return {0, 0};
    }
    if (gain >= 256.0f) {
        // Any value from 1 up reaches 255; 0 stays 0 (0 times infinity counts as 0).
        return {255, 0};
    }
    int exponent = 0;
    const float mantissa = std::frexp(gain, &exponent);  // gain = mantissa * 2^exponent, mantissa in [0.5, 1)
    const int shift = 24 - exponent;                     // at least 16, since gain < 256
    if (shift > 31) {
        // gain < 2^-8: no 8-bit value reaches 1 (and the shift would leave the 32-bit range).
        return {0, 0};
    }
    return {static_cast<uint32_t>(std::ldexp(mantissa, 24)), static_cast<uint32_t>(shift)};
}

WordScale WordScaleFor(ChannelScale scale) {
    if (scale.shift >= 16) {
        return {static_cast<uint16_t>(scale.multiplier >> 16),
                static_cast<uint16_t>(scale.multiplier & 0xFFFFu), static_cast<uint16_t>(scale.shift - 16)};
    }
    // Only 0 and 255 come without a shift; 255 times an 8-bit value still fits 16 bits.
    return {static_cast<uint16_t>(scale.multiplier), 0, static_cast<uint16_t>(scale.shift)};
}

void GainState::Reset(GainBits read) {
    valid = true;
    bits = read;
    r = std::bit_cast<float>(read.r);
    g = std::bit_cast<float>(read.g);
    b = std::bit_cast<float>(read.b);
    scalable = !(r < 0.0f) && !(g < 0.0f) && !(b < 0.0f);
    if (scalable) {
        rScale = ScaleFor(r);
        gScale = ScaleFor(g);
        bScale = ScaleFor(b);
        rWords = WordScaleFor(rScale);
        gWords = WordScaleFor(gScale);
        bWords = WordScaleFor(bScale);
    }
}
}  // namespace qdflip::conversion
