// What the colour modes leave unwritten, and the limits every mode keeps to when the buffers are
// smaller or larger than the frame.
#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <vector>

#include "conversion_test_support.h"

namespace qdflip::testing {
namespace {
using conversion::KernelPath;

// Columns written, counted from the left, by width: windows start at even x (x % 4 == 0 in fast mode)
// below width - 4 and fill 2 (fast: 4) columns.
const std::map<int32_t, int32_t> kNormalColumns{{5, 2}, {11, 8}, {12, 8}, {16, 12}, {18, 14}};
const std::map<int32_t, int32_t> kFastColumns{{5, 4}, {11, 8}, {12, 8}, {16, 12}, {18, 16}};

TEST(ColourEdgesTest, ColumnsAndRowsThatNoWindowReachesKeepWhatTheOutputHeld) {
    std::mt19937 rng(11);
    ForEachKernelPath([&](KernelPath path) {
        for (const int32_t mode : {2, 4}) {
            for (const int32_t fast : {0, 1}) {
                for (const auto& [width, normalColumns] : kNormalColumns) {
                    for (const int32_t height : {1, 2, 5, 6}) {
                        SCOPED_TRACE(::testing::Message() << "mode " << mode << " fast " << fast << " W "
                                                          << width << " H " << height);
                        Frame frame(width, height);
                        frame.bytes = RandomBytes(frame.bytes.size(), rng);
                        FilterSettings settings;
                        Configure(settings, mode, 0, fast, 1.2f, 0.9f, 1.7f);
                        // A byte is written when it comes out the same under two opposite prefills.
                        const auto first = Convert(path, settings, frame, 0x5A);
                        const auto second = Convert(path, settings, frame, 0xA5);
                        const int32_t columns = fast ? kFastColumns.at(width) : normalColumns;
                        const int32_t rows = fast ? height - height % 2 : height - 1;
                        for (int32_t y = 0; y < height; ++y) {
                            for (int32_t x = 0; x < width; ++x) {
                                const size_t offset = 2 * (size_t(y) * size_t(width) + size_t(x));
                                const bool written = y < rows && x < columns;
                                for (size_t i = offset; i < offset + 2; ++i) {
                                    ASSERT_EQ(first[i] == second[i], written) << "x " << x << " y " << y;
                                    if (!written) {
                                        ASSERT_EQ(first[i], 0x5A);
                                        ASSERT_EQ(second[i], 0xA5);
                                    }
                                }
                            }
                        }
                    }
                }
            }
        }
    });
}

class BufferLimitsTest : public ::testing::TestWithParam<int32_t> {
protected:
    BufferLimitsTest() { Configure(settings_, GetParam(), 1, 0, 1.5f, 1.0f, 0.75f); }

    FilterSettings settings_;
    std::mt19937 rng_{GetParam() + 100u};
};

TEST_P(BufferLimitsTest, InputLongerThanWorkAndOutputCopiesOnlyWhatFits) {
    const auto input = RandomBytes(2 * 8 * 4 + 50, rng_);
    ExpectSameAsReference(settings_, 8, 4, input, input.size(), 2 * 8 * 4 + 10, 2 * 8 * 4);
    ExpectSameAsReference(settings_, 8, 4, input, input.size(), 2 * 8 * 4 * 4, 2 * 8 * 4 - 7);
}

TEST_P(BufferLimitsTest, OutputSmallerThanTheFrameGetsOnlyWholeRows) {
    const auto input = RandomBytes(2 * 12 * 6, rng_);
    for (const size_t rowsAndAHalf : {0, 1, 2, 3, 4, 5}) {
        SCOPED_TRACE(rowsAndAHalf);
        ExpectSameAsReference(settings_, 12, 6, input, input.size(), input.size() * 2,
                              24 * rowsAndAHalf + 12);
    }
    settings_.FastMode = 1;
    for (const size_t rows : {1, 2, 3, 5}) {
        SCOPED_TRACE(rows);
        ExpectSameAsReference(settings_, 12, 6, input, input.size(), input.size() * 2, 24 * rows);
    }
}

TEST_P(BufferLimitsTest, WorkBufferSmallerThanTheFrameIsReadOnlyAsFarAsItGoes) {
    const auto input = RandomBytes(2 * 12 * 6, rng_);
    for (const int32_t fast : {0, 1}) {
        settings_.FastMode = fast;
        for (const size_t workSize :
             {size_t{0}, size_t{23}, size_t{24}, size_t{48}, size_t{60}, size_t{100}}) {
            SCOPED_TRACE(workSize);
            ExpectSameAsReference(settings_, 12, 6, input, input.size(), workSize, input.size());
        }
    }
}

TEST_P(BufferLimitsTest, ZeroOrNegativeSizesWriteNothingInRawModesWhileThruStillCopies) {
    const auto input = RandomBytes(64, rng_);
    for (const auto& [width, height] : std::vector<std::pair<int32_t, int32_t>>{
             {0, 4}, {4, 0}, {-8, 4}, {8, -4}, {-8, -4}, {std::numeric_limits<int32_t>::min(), 2}}) {
        SCOPED_TRACE(::testing::Message() << width << " x " << height);
        ExpectSameAsReference(settings_, width, height, input, input.size(), 128, 64);
    }
}

TEST_P(BufferLimitsTest, HugeFramesWithSmallBuffersStayInsideTheBuffers) {
    const auto input = RandomBytes(4096, rng_);
    const int32_t huge = std::numeric_limits<int32_t>::max();
    ExpectSameAsReference(settings_, huge, huge, input, input.size(), 4096, 4096);
    ExpectSameAsReference(settings_, 1000, huge, input, input.size(), 4096, 4096);
    ExpectSameAsReference(settings_, huge, 3, input, input.size(), 4096, 4096);
}

TEST_P(BufferLimitsTest, NullBuffersCountAsEmpty) {
    const auto input = RandomBytes(2 * 8 * 4, rng_);
    // No input: the work buffer keeps what it held.
    std::vector<uint8_t> work(input.size(), 0x11);
    std::vector<uint8_t> output(input.size(), 0x22);
    ConvertFrame(settings_, 8, 4, nullptr, input.size(), work.data(), work.size(), output.data(),
                 output.size());
    EXPECT_EQ(work, std::vector<uint8_t>(input.size(), 0x11));
    // No work buffer: the raw modes have nothing to read; "Thru" still copies.
    std::vector<uint8_t> untouched(input.size(), 0x22);
    ConvertFrame(settings_, 8, 4, input.data(), input.size(), nullptr, 100, untouched.data(),
                 untouched.size());
    EXPECT_EQ(untouched, GetParam() == 0 ? input : std::vector<uint8_t>(input.size(), 0x22));
    // No output: the work buffer is still filled.
    ConvertFrame(settings_, 8, 4, input.data(), input.size(), work.data(), work.size(), nullptr, 100);
    EXPECT_EQ(work, input);
}

std::string ModeName(const ::testing::TestParamInfo<int32_t>& info) {
    static const char* const kNames[] = {"Thru", "Raw10Gray", "Raw10Color", "Raw12Gray", "Raw12Color"};
    return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(EveryMode, BufferLimitsTest, ::testing::Values(0, 1, 2, 3, 4), ModeName);
}  // namespace
}  // namespace qdflip::testing
