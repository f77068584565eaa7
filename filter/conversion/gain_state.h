// The gains as the colour conversion last read them, with what the vector kernels need of them.
#pragma once

#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "raw_conversion.h"

namespace qdflip::conversion {
// The three gains as read for one window, bit for bit (so that a NaN compares equal to itself).
struct GainBits {
    uint32_t r = 0;
    uint32_t g = 0;
    uint32_t b = 0;
    [[gnu::always_inline]] bool operator==(const GainBits&) const = default;
};

// One read of each gain, as whole 32-bit values; no ordering with other memory is needed.
[[gnu::always_inline]] inline GainBits ReadGains(const FilterSettings& settings) {
    return {std::bit_cast<uint32_t>(settings.RGain.load(std::memory_order_relaxed)),
            std::bit_cast<uint32_t>(settings.GGain.load(std::memory_order_relaxed)),
            std::bit_cast<uint32_t>(settings.BGain.load(std::memory_order_relaxed))};
}

// The address of the red gain, with the green and the blue gain in the two 32-bit words after it and
// the structure's padding in the fourth: a vector kernel may load the three with one aligned 16-byte
// load, which reads no other setting and never crosses a cache line. Each gain stays an aligned 32-bit
// word, which no load splits, so each is still read whole; what the fourth word holds is not defined.
[[gnu::always_inline]] inline const void* GainWords(const FilterSettings& settings) {
    static_assert(offsetof(FilterSettings, GGain) == offsetof(FilterSettings, RGain) + 4 &&
                  offsetof(FilterSettings, BGain) == offsetof(FilterSettings, RGain) + 8);
    static_assert(offsetof(FilterSettings, RGain) % 16 == 0 && alignof(FilterSettings) % 16 == 0 &&
                  offsetof(FilterSettings, RGain) + 16 == sizeof(FilterSettings));
    static_assert(sizeof(settings.RGain) == 4 && alignof(std::atomic<float>) == 4);
    return &settings.RGain;
}

// An 8-bit value times a gain that is not negative, in integers: min((value * multiplier) >> shift, 255)
// equals the exact product truncated and bounded, for every value 0..255. The multiplier has at most
// 24 bits, so the product fits 32 bits.
struct ChannelScale {
    uint32_t multiplier = 0;
    uint32_t shift = 0;
};

// Precondition: !(gain < 0). NaN gives 0 for every value, as does 0 times infinity.
ChannelScale ScaleFor(float gain);

// An 8-bit value through a ChannelScale.
[[gnu::always_inline]] inline uint32_t Scaled(uint32_t value, uint32_t multiplier, uint32_t shift) {
    const uint32_t product = (value * multiplier) >> shift;
    return product < 255u ? product : 255u;
}

// The same scale for 16-bit vector lanes, where no intermediate value reaches 2^16:
//   min((value * high + ((value * low) >> 16)) >> shift, 255).
// A multiplier of 24 bits splits into its high 8 and low 16 bits, and the shift loses the 16 that the
// high-half product already dropped; the scales without a shift (0 and 255) keep the multiplier whole.
struct WordScale {
    uint16_t high = 0;
    uint16_t low = 0;
    uint16_t shift = 0;
};

WordScale WordScaleFor(ChannelScale scale);

struct GainState {
    bool valid = false;  // false until the first window of a frame has read the gains
    GainBits bits;
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    bool scalable = false;  // no gain is negative: the vector kernels apply
    ChannelScale rScale;
    ChannelScale gScale;
    ChannelScale bScale;
    // The same scales for 16-bit vector lanes.
    WordScale rWords;
    WordScale gWords;
    WordScale bWords;

    void Reset(GainBits read);
};
}  // namespace qdflip::conversion
