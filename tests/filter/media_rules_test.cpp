// The filter's rules for input types and frame sizes, apart from COM.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "media_rules.h"

namespace qdflip {
namespace {

TEST(MediaRules, SixteenBitYuvOrRgb24OfAnyBitCount) {
    InputTypeFacts type;
    type.videoMajorType = true;
    type.videoInfoFormat = true;
    for (const InputSubtype subtype : {InputSubtype::kUyvy, InputSubtype::kYuy2}) {
        type.subtype = subtype;
        type.bitCount = 16;
        EXPECT_TRUE(AcceptsInputType(type));
        for (const uint16_t bits : {0, 8, 12, 24, 32}) {
            type.bitCount = bits;
            EXPECT_FALSE(AcceptsInputType(type)) << bits;
        }
    }
    type.subtype = InputSubtype::kRgb24;
    for (const uint16_t bits : {0, 16, 24, 32}) {
        type.bitCount = bits;
        EXPECT_TRUE(AcceptsInputType(type)) << bits;
    }
    type.videoInfoFormat = false;
    EXPECT_FALSE(AcceptsInputType(type));
    type.videoInfoFormat = true;
    type.videoMajorType = false;
    EXPECT_FALSE(AcceptsInputType(type));
    type.videoMajorType = true;
    type.subtype = InputSubtype::kOther;
    type.bitCount = 16;
    EXPECT_FALSE(AcceptsInputType(type));
}

TEST(MediaRules, WorkBufferOfFourBytesAPixelOrNone) {
    EXPECT_EQ(WorkBufferBytes(1920, 1080), 1920u * 1080u * 4u);
    EXPECT_EQ(WorkBufferBytes(1, 1), 4u);
    EXPECT_EQ(WorkBufferBytes(0, 1080), 0u);
    EXPECT_EQ(WorkBufferBytes(1920, 0), 0u);
    EXPECT_EQ(WorkBufferBytes(1920, -1080), 0u);
    EXPECT_EQ(WorkBufferBytes(-1920, 1080), 0u);
    EXPECT_EQ(WorkBufferBytes(std::numeric_limits<int32_t>::min(), -1), 0u);
    // Only a 32-bit size_t can be too small for the largest frames.
    const int32_t largest = std::numeric_limits<int32_t>::max();
    if (sizeof(size_t) == 4) {
        EXPECT_EQ(WorkBufferBytes(32768, 32767), 32768u * 32767u * 4u);
        EXPECT_EQ(WorkBufferBytes(32768, 32768), 0u);
        EXPECT_EQ(WorkBufferBytes(largest, largest), 0u);
    } else {
        EXPECT_EQ(WorkBufferBytes(largest, largest), static_cast<uint64_t>(largest) * largest * 4);
    }
}

TEST(MediaRules, RawModesOnlyForTwoBytePixelsOfAUsableSize) {
    EXPECT_TRUE(RawModesApply(InputSubtype::kUyvy, 1920, 1080));
    EXPECT_TRUE(RawModesApply(InputSubtype::kYuy2, 1920, 1080));
    EXPECT_FALSE(RawModesApply(InputSubtype::kRgb24, 1920, 1080));
    EXPECT_FALSE(RawModesApply(InputSubtype::kUyvy, 1920, -1080));
    EXPECT_FALSE(RawModesApply(InputSubtype::kYuy2, 0, 1080));
}

}  // namespace
}  // namespace qdflip
