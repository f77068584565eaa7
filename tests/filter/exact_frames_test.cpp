// Small frames with hand-derived outputs for every mode, depth and Bayer alignment.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>

#include "conversion_test_support.h"
#include "reference_conversion.h"

namespace qdflip::testing {
namespace {
using conversion::KernelPath;

TEST(ThruTest, CopiesTheInputUnchangedForModeZeroAndEveryUnnamedMode) {
    std::mt19937 rng(7);
    Frame frame(6, 3);
    frame.bytes = RandomBytes(frame.bytes.size(), rng);
    for (const int32_t mode : {0, 9, 5, -1, std::numeric_limits<int32_t>::min()}) {
        SCOPED_TRACE(mode);
        FilterSettings settings;
        Configure(settings, mode, 0, 0);
        EXPECT_EQ(Convert(conversion::BestKernelPath(), settings, frame), frame.bytes);
    }
}

TEST(ThruTest, ConvertFrameCopiesTheInputIntoTheWorkBufferFirst) {
    FilterSettings settings;
    const std::vector<uint8_t> input{1, 2, 3, 4, 5, 6};
    std::vector<uint8_t> work(8, 0xEE);
    std::vector<uint8_t> output(6, 0);
    ConvertFrame(settings, 3, 1, input.data(), input.size(), work.data(), work.size(), output.data(),
                 output.size());
    EXPECT_EQ(work, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 0xEE, 0xEE}));
    EXPECT_EQ(output, input);
}

TEST(GreyTest, KeepsTheTopEightBitsOfEachSampleWithoutMaskingTheHighByte) {
    // Samples: 10-bit full scale, 12-bit full scale, 0x400, a high byte with bits above both depths.
    Frame frame(2, 2);
    frame.SetSample(0, 0, 0x03FF);
    frame.SetSample(1, 0, 0x0FFF);
    frame.SetSample(0, 1, 0x0400);
    frame.SetSample(1, 1, 0xFC12);
    FilterSettings settings;
    ForEachKernelPath([&](KernelPath path) {
        Configure(settings, 1, 0, 0);
        EXPECT_EQ(Convert(path, settings, frame),
                  (std::vector<uint8_t>{128, 0xFF, 128, 0xFF, 128, 0x00, 128, 0x04}));
        Configure(settings, 3, 0, 0);
        EXPECT_EQ(Convert(path, settings, frame),
                  (std::vector<uint8_t>{128, 0x3F, 128, 0xFF, 128, 0x40, 128, 0xC1}));
    });
}

// Output of a colour: U, Y, V as one macropixel writes them (the second Y equals the first).
struct Uyv {
    int u, y, v;
    bool operator==(const Uyv&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Uyv& c) {
    return out << "U " << c.u << " Y " << c.y << " V " << c.v;
}

Uyv MacropixelAt(const std::vector<uint8_t>& output, size_t offset) {
    EXPECT_EQ(output[offset + 1], output[offset + 3]) << "the two Y of a macropixel differ";
    return {output[offset], output[offset + 1], output[offset + 2]};
}

// One window (normal mode, "R/G/G/B", even row) with 8-bit values r, g, b and the given gains.
Uyv ColourOf(KernelPath path, int r, int g, int b, float rGain = 1.0f, float gGain = 1.0f, float bGain = 1.0f,
             int32_t mode = 2) {
    Frame frame(6, 2);
    frame.SetSample(0, 0, SampleFor(static_cast<uint8_t>(r), mode));
    frame.SetSample(1, 0, SampleFor(static_cast<uint8_t>(g), mode));
    frame.SetSample(1, 1, SampleFor(static_cast<uint8_t>(b), mode));
    FilterSettings settings;
    Configure(settings, mode, 3, 0, rGain, gGain, bGain);
    return MacropixelAt(Convert(path, settings, frame), 0);
}

constexpr Uyv kRed{98, 76, 255};  // V is 255.5 before the clamp
constexpr Uyv kGreen{29, 149, 12};
constexpr Uyv kBlue{255, 29, 116};
constexpr Uyv kBlack{128, 0, 128};

TEST(ColourTest, KnownColoursTruncateRatherThanRound) {
    ForEachKernelPath([](KernelPath path) {
        for (const int32_t mode : {2, 4}) {
            SCOPED_TRACE(mode);
            EXPECT_EQ(ColourOf(path, 255, 255, 255, 1, 1, 1, mode), (Uyv{128, 255, 127}));
            EXPECT_EQ(ColourOf(path, 0, 0, 0, 1, 1, 1, mode), kBlack);
            EXPECT_EQ(ColourOf(path, 128, 128, 128, 1, 1, 1, mode).y, 127);
            EXPECT_EQ(ColourOf(path, 100, 100, 100, 1, 1, 1, mode).y, 100);
            EXPECT_EQ(ColourOf(path, 255, 0, 0, 1, 1, 1, mode), kRed);
            EXPECT_EQ(ColourOf(path, 0, 255, 0, 1, 1, 1, mode), kGreen);
            EXPECT_EQ(ColourOf(path, 0, 0, 255, 1, 1, 1, mode), kBlue);
        }
    });
}

TEST(ColourTest, GainProductIsExactAndClampedOnlyFromAbove) {
    ForEachKernelPath([](KernelPath path) {
        // 10 x 1.3f is 12.9999995: R = 12 gives Y 3.702 and V 133.954; 13 would give 4 and 134.
        EXPECT_EQ(ColourOf(path, 10, 0, 1, 1.3f), (Uyv{127, 3, 133}));
        EXPECT_EQ(ColourOf(path, 200, 40, 90, 2.0f), ColourOf(path, 255, 40, 90));
        EXPECT_EQ(ColourOf(path, 200, 40, 90, 1, 0.0f), ColourOf(path, 200, 0, 90));
        // Negative gains are used as they are: R = -100 gives Y -29.9 (0), U 139.5, V 78.
        EXPECT_EQ(ColourOf(path, 100, 0, 0, -1.0f), (Uyv{139, 0, 78}));
        EXPECT_EQ(ColourOf(path, 100, 0, 0, -0.0f), kBlack);
    });
}

TEST(ColourTest, GainsThatAreNotFiniteOrHuge) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    ForEachKernelPath([&](KernelPath path) {
        // A product that is not a number counts as 0: NaN gains, and 0 times an infinite gain.
        EXPECT_EQ(ColourOf(path, 200, 50, 60, nan), ColourOf(path, 0, 50, 60));
        EXPECT_EQ(ColourOf(path, 200, 50, 60, 1, nan, nan), ColourOf(path, 200, 0, 0));
        EXPECT_EQ(ColourOf(path, 0, 50, 60, inf), ColourOf(path, 0, 50, 60));
        EXPECT_EQ(ColourOf(path, 0, 50, 60, -inf), ColourOf(path, 0, 50, 60));
        // Huge positive gains reach 255 like any other product above it.
        EXPECT_EQ(ColourOf(path, 1, 50, 60, inf), ColourOf(path, 255, 50, 60));
        EXPECT_EQ(ColourOf(path, 1, 50, 60, 3e38f), ColourOf(path, 255, 50, 60));
        // Products below -2^31 count as -2^31: alone, a red of -2^31 gives Y 0, U 255, V 0; with blue
        // at -2^31 too, U = -0.385 x 2^31 + 128 and everything is 0.
        EXPECT_EQ(ColourOf(path, 10, 0, 0, -inf), (Uyv{255, 0, 0}));
        EXPECT_EQ(ColourOf(path, 10, 0, 10, -inf, 1, -inf), (Uyv{0, 0, 0}));
        EXPECT_EQ(ColourOf(path, 10, 0, 10, -1e30f, 1, -3e8f), (Uyv{0, 0, 0}));
        // The bound matters: with B = -1e9, U = 0.5 B - 0.115 R + 128 is 0 for R = -2^31, where an
        // unbounded R = -1e31 would give 255.
        EXPECT_EQ(ColourOf(path, 10, 0, 250, -1e30f, 1, -4e6f), (Uyv{0, 0, 0}));
        // Large products inside the 32-bit range are used exactly: 0.5 B and 0.115 R cancel here.
        const reference::Yuv cancelled = reference::ToYuv(-1000000000, 0, -230000000);
        EXPECT_EQ(ColourOf(path, 250, 0, 250, -4e6f, 1, -920000.0f),
                  (Uyv{cancelled.u, cancelled.y, cancelled.v}));
        EXPECT_GE(cancelled.u, 127);
    });
}
}  // namespace
}  // namespace qdflip::testing

namespace qdflip::testing {
namespace {
using conversion::KernelPath;

// Which colour each cell P00, P01, P10, P11 of a window takes ('.' = not used), by alignment and the
// parity of the window's top row.
struct Alignment {
    int32_t bayerFormat;
    const char* evenRow;
    const char* oddRow;
};
constexpr Alignment kAlignments[] = {
    {0, "GRB.", "BG.R"}, {1, "GBR.", "RG.B"}, {2, "BG.R", "GRB."},
    {3, "RG.B", "GBR."}, {7, "RG.B", "GBR."}, {-1, "RG.B", "GBR."},
};

Uyv Expected(char colour) {
    switch (colour) {
        case 'R':
            return kRed;
        case 'G':
            return kGreen;
        case 'B':
            return kBlue;
        default:
            return kBlack;
    }
}

TEST(ColourTest, EachCellOfTheWindowTakesTheColourOfTheAlignment) {
    ForEachKernelPath([](KernelPath path) {
        for (const int32_t mode : {2, 4}) {
            for (const int32_t fast : {0, 1}) {
                for (const Alignment& alignment : kAlignments) {
                    for (const bool odd : {false, true}) {
                        if (fast && odd) {
                            continue;  // fast mode has windows on even rows only
                        }
                        for (int cell = 0; cell < 4; ++cell) {
                            SCOPED_TRACE(::testing::Message()
                                         << "mode " << mode << " fast " << fast << " Bayer "
                                         << alignment.bayerFormat << " odd row " << odd << " cell " << cell);
                            const int32_t top = odd ? 1 : 0;
                            Frame frame(6, 3);
                            frame.SetSample(cell % 2, top + cell / 2, SampleFor(255, mode));
                            FilterSettings settings;
                            Configure(settings, mode, alignment.bayerFormat, fast);
                            const auto output = Convert(path, settings, frame);
                            const char colour = (odd ? alignment.oddRow : alignment.evenRow)[cell];
                            EXPECT_EQ(MacropixelAt(output, 2 * 6 * size_t(top)), Expected(colour));
                        }
                    }
                }
            }
        }
    });
}

TEST(ColourTest, FastModeFillsFourPixelsOfTwoRowsPerWindow) {
    Frame frame(10, 2);
    frame.SetSample(0, 0, SampleFor(255, 2));  // window x = 0: red
    frame.SetSample(5, 0, SampleFor(255, 2));  // window x = 4: green
    FilterSettings settings;
    Configure(settings, 2, 3, 1);
    ForEachKernelPath([&](KernelPath path) {
        const auto output = Convert(path, settings, frame, 0xA5);
        for (const size_t row : {0, 1}) {
            for (size_t x = 0; x < 4; ++x) {
                EXPECT_EQ(MacropixelAt(output, 2 * (row * 10 + (x & ~size_t{1}))), kRed) << row << " " << x;
                EXPECT_EQ(MacropixelAt(output, 2 * (row * 10 + 4 + (x & ~size_t{1}))), kGreen)
                    << row << " " << x;
            }
            EXPECT_EQ(output[2 * (row * 10 + 8)], 0xA5);  // columns 8 and 9: no window reaches them
        }
    });
}
}  // namespace
}  // namespace qdflip::testing
