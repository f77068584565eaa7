#include "ring_size.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace qdflip::bench {
namespace {
constexpr size_t kFramePair = 2 * 1920 * 1080 * 2;  // a 1920 x 1080 UYVY input and output
constexpr size_t kMebibyte = size_t(1) << 20;

TEST(RingSize, FourTimesTheCacheAndNeverFewerThanSixteenFrames) {
    EXPECT_EQ(RingFramesFor(0, kFramePair), 16u);
    EXPECT_EQ(RingFramesFor(31 * kMebibyte, kFramePair), 16u);  // 124 MiB: 15.7 frames of 8.3 MB
    EXPECT_EQ(RingFramesFor(32 * kMebibyte, kFramePair), 17u);
    // 4 x 480 MiB = 2013265920 bytes: 242.7 frames, rounded up.
    EXPECT_EQ(RingFramesFor(480 * kMebibyte, kFramePair), sizeof(void*) == 4 ? 64u : 243u);
    EXPECT_EQ(RingFramesFor(100 * kMebibyte, kFramePair), 51u);
    EXPECT_EQ(RingFramesFor(100 * kMebibyte, 0), 16u);
}

TEST(RingSize, AHugeCacheIsCappedToWhatTheAddressSpaceHolds) {
    const size_t frames = RingFramesFor(SIZE_MAX / 4, kFramePair);
    const uint64_t most = (sizeof(void*) == 4 ? 512 : 4096) * uint64_t(kMebibyte);
    EXPECT_LE(uint64_t(frames) * kFramePair, most);
    EXPECT_GT(uint64_t(frames + 1) * kFramePair, most);
    // Frames larger than the cap still make a ring of 16.
    EXPECT_EQ(RingFramesFor(SIZE_MAX / 4, most), 16u);
}

TEST(RingSize, TheHostReportsItsLastLevelCache) {
    // Every x86 host and Wine report at least the first-level data cache; the last level is larger.
    EXPECT_GE(LastLevelCacheBytes(), 256u * 1024u);
    EXPECT_EQ(RingSuffix(243), " [ring of 243]");
}
}  // namespace
}  // namespace qdflip::bench
