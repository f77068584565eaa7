// Random frames, settings and buffer sizes: every kernel path against the reference.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "conversion_test_support.h"

namespace qdflip::testing {
namespace {
float RandomGain(std::mt19937& rng) {
    static const float kSpecial[] = {0.0f,
                                     -0.0f,
                                     1.0f,
                                     1.3f,
                                     2.0f,
                                     255.0f,
                                     256.0f,
                                     1e30f,
                                     -1.0f,
                                     -0.5f,
                                     -1e6f,
                                     -1e30f,
                                     1e-10f,
                                     std::numeric_limits<float>::denorm_min(),
                                     std::numeric_limits<float>::infinity(),
                                     -std::numeric_limits<float>::infinity(),
                                     std::numeric_limits<float>::quiet_NaN()};
    if (std::uniform_int_distribution<int>(0, 9)(rng) < 7) {
        return std::uniform_real_distribution<float>(0.0f, 3.0f)(rng);
    }
    return kSpecial[std::uniform_int_distribution<size_t>(0, std::size(kSpecial) - 1)(rng)];
}

// Mostly the size the filter would pass, sometimes anything up to a little more.
size_t RandomSize(size_t usual, std::mt19937& rng) {
    if (std::uniform_int_distribution<int>(0, 3)(rng) != 0) {
        return usual;
    }
    return std::uniform_int_distribution<size_t>(0, usual + 40)(rng);
}

TEST(RandomFramesTest, EveryKernelPathMatchesTheReference) {
    std::mt19937 rng(2024);
    for (int iteration = 0; iteration < 400; ++iteration) {
        SCOPED_TRACE(iteration);
        // Now and then a wide frame, so that rows span several vector chunks.
        const bool wide = iteration % 10 == 0;
        const int32_t width = wide ? std::uniform_int_distribution<int32_t>(500, 1300)(rng)
                                   : std::uniform_int_distribution<int32_t>(-2, 40)(rng);
        const int32_t height = wide ? std::uniform_int_distribution<int32_t>(2, 4)(rng)
                                    : std::uniform_int_distribution<int32_t>(-1, 9)(rng);
        const size_t frameBytes = 2 * size_t(std::max(width, 0)) * size_t(std::max(height, 0));
        FilterSettings settings;
        static const int32_t kModes[] = {0, 1, 2, 3, 4, 2, 4, 7, -1};
        static const int32_t kAlignments[] = {0, 1, 2, 3, 7, -1};
        Configure(settings, kModes[std::uniform_int_distribution<size_t>(0, std::size(kModes) - 1)(rng)],
                  kAlignments[std::uniform_int_distribution<size_t>(0, std::size(kAlignments) - 1)(rng)],
                  std::uniform_int_distribution<int32_t>(0, 2)(rng), RandomGain(rng), RandomGain(rng),
                  RandomGain(rng));
        const auto input = RandomBytes(frameBytes + 40, rng);
        ExpectSameAsReference(settings, width, height, input, RandomSize(frameBytes, rng),
                              RandomSize(2 * frameBytes, rng), RandomSize(frameBytes, rng));
        if (HasFatalFailure() || HasNonfatalFailure()) {
            return;
        }
    }
}

TEST(RandomFramesTest, FlatAreasAndColoursOnTheTruncationEdgeMatchTheReference) {
    // Grey and black windows are the colours whose N are all multiples of 1000: the kernels' exact path.
    std::mt19937 rng(99);
    for (const int32_t mode : {2, 4}) {
        for (const int32_t fast : {0, 1}) {
            Frame frame(300, 4);
            for (int32_t y = 0; y < frame.height; ++y) {
                for (int32_t x = 0; x < frame.width; ++x) {
                    const int level = (x / 16) % 3 == 0   ? 0
                                      : (x / 16) % 3 == 1 ? 128
                                                          : std::uniform_int_distribution<int>(0, 255)(rng);
                    frame.SetSample(x, y, SampleFor(static_cast<uint8_t>(level), mode));
                }
            }
            FilterSettings settings;
            Configure(settings, mode, 2, fast);
            ExpectSameAsReference(settings, frame.width, frame.height, frame.bytes, frame.bytes.size(),
                                  2 * frame.bytes.size(), frame.bytes.size());
        }
    }
}
}  // namespace
}  // namespace qdflip::testing
