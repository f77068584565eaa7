// The integer form of the gains that the vector kernels use, against the exact product.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "conversion/exact_colour.h"
#include "conversion/gain_state.h"
#include "reference_conversion.h"

namespace qdflip::testing {
namespace {
using conversion::ChannelScale;
using conversion::WordScale;

// The gains where truncation is closest to going wrong: the floats at and next to n / v for every
// pair of 8-bit values, and the limits of the integer form.
std::vector<float> CriticalGains() {
    std::vector<float> gains{0.0f,
                             -0.0f,
                             1.0f,
                             1.3f,
                             255.99998f,
                             256.0f,
                             std::ldexp(1.0f, -8),
                             std::nextafter(std::ldexp(1.0f, -8), 0.0f),
                             std::ldexp(1.0f, -9),
                             std::numeric_limits<float>::denorm_min(),
                             std::numeric_limits<float>::min(),
                             std::numeric_limits<float>::max(),
                             std::numeric_limits<float>::infinity(),
                             std::numeric_limits<float>::quiet_NaN()};
    for (int n = 1; n <= 255; ++n) {
        for (int v = 1; v <= 255; ++v) {
            const float ratio = static_cast<float>(static_cast<double>(n) / v);
            gains.push_back(ratio);
            gains.push_back(std::nextafter(ratio, 0.0f));
            gains.push_back(std::nextafter(ratio, 1000.0f));
        }
    }
    return gains;
}

// Both integer forms (32-bit and 16-bit lanes) and the double form, for every 8-bit value.
TEST(GainScaleTest, IntegerFormsEqualTheTruncatedExactProductForEveryValue) {
    size_t mismatches = 0;
    for (const float gain : CriticalGains()) {
        const ChannelScale scale = conversion::ScaleFor(gain);
        ASSERT_LT(scale.multiplier, 1u << 24) << gain;
        ASSERT_LT(scale.shift, 32u) << gain;
        const WordScale words = conversion::WordScaleFor(scale);
        ASSERT_LT(words.shift, 16u) << gain;
        for (uint32_t value = 0; value <= 255; ++value) {
            const uint32_t scaled = std::min((value * scale.multiplier) >> scale.shift, 255u);
            // Each step as 16-bit lanes do it: every intermediate must stay below 2^16.
            const uint32_t highProduct = value * words.high;
            const uint32_t sum = highProduct + ((value * words.low) >> 16);
            ASSERT_LT(sum, 1u << 16) << "gain " << gain << " value " << value;
            const uint32_t scaledWords = std::min(sum >> words.shift, 255u);
            const int64_t exact = reference::Gained(static_cast<int>(value), gain);
            if (scaled != exact || scaledWords != exact || conversion::ExactGain(value, gain) != exact) {
                if (++mismatches <= 10) {
                    ADD_FAILURE() << "gain " << gain << " value " << value << ": integer form " << scaled
                                  << ", 16-bit form " << scaledWords << ", library's exact form "
                                  << conversion::ExactGain(value, gain) << ", reference " << exact;
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0u);
}

TEST(GainScaleTest, NegativeGainsKeepTheirSignAndStopAtTheLowest32BitValue) {
    for (const float gain :
         {-1.0f, -0.3f, -1e6f, -8421505.0f, -8421506.0f, -1e30f, -std::numeric_limits<float>::infinity()}) {
        for (uint32_t value = 0; value <= 255; ++value) {
            EXPECT_EQ(conversion::ExactGain(value, gain), reference::Gained(static_cast<int>(value), gain))
                << gain << " " << value;
        }
    }
    EXPECT_EQ(conversion::ExactGain(255, -8421504.0f), -2147483520);
    EXPECT_EQ(conversion::ExactGain(255, -8421505.0f), std::numeric_limits<int32_t>::min());
}
}  // namespace
}  // namespace qdflip::testing
