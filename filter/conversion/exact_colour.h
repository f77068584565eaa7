// The colour arithmetic of one window done the plain way, in double precision. The vector kernels
// hand every window they cannot settle exactly to these functions, and windows with negative gains
// are converted by them alone.
#pragma once

#include <cstdint>

namespace qdflip::conversion {
// trunc(sample x gain) as a 32-bit integer, at most 255: the product of an 8-bit value and a float is
// exact in double (32 significant bits at most). A product that is not a number counts as 0; one
// below the 32-bit range counts as its lowest value.
int32_t ExactGain(uint32_t sample, float gain);

// The macropixel U, Y, V, Y (first byte U) of one colour, as a little-endian 32-bit word.
uint32_t ExactMacropixel(int32_t r, int32_t g, int32_t b);

// A window's macropixel from its three 8-bit samples and the gains read for it.
inline uint32_t ExactWindow(uint32_t r, uint32_t g, uint32_t b, float rGain, float gGain, float bGain) {
    return ExactMacropixel(ExactGain(r, rGain), ExactGain(g, gGain), ExactGain(b, bGain));
}
}  // namespace qdflip::conversion
