// The row driver with scripted gain readings: every window's gains are read once, in window order, and
// every window is converted exactly once, by a block or a run, with the gains it read.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <string>
#include <vector>

#include "conversion/gain_runs.h"

namespace qdflip::testing {
namespace {
using conversion::GainBits;
using conversion::GainState;

GainBits Gains(float r, float g, float b) {
    return {std::bit_cast<uint32_t>(r), std::bit_cast<uint32_t>(g), std::bit_cast<uint32_t>(b)};
}

// Hands out the scripted reading of each window in turn, and counts the reads. A block's readings
// are left out of `each` when they all match, as the vector readers leave them.
struct ScriptedReads {
    const std::vector<GainBits>* script;
    size_t* reads;

    GainBits One() const {
        EXPECT_LT(*reads, script->size()) << "read past the row";
        const GainBits reading = (*script)[*reads < script->size() ? *reads : 0];
        ++*reads;
        return reading;
    }

    GainBits Expect(const GainBits& bits) const { return bits; }

    template <size_t kBlock>
    bool Block(const GainBits& expected, GainBits (&each)[kBlock]) const {
        bool same = true;
        for (size_t k = 0; k < kBlock; ++k) {
            each[k] = One();
            same = same && each[k] == expected;
        }
        if (same) {
            std::fill(each, each + kBlock, GainBits{0xDEAD, 0xBEEF, 0xF00D});
        }
        return same;
    }
};

// Records, for every window, the gains that were loaded when a block or run converted it.
class RecordingKernel {
public:
    static constexpr size_t kBlock = 4;

    RecordingKernel(const std::vector<GainBits>& script, size_t& reads)
        : script_(script), reads_(reads), converted_(script.size()), conversions_(script.size(), 0) {}

    void Load(const GainState& gains) {
        loaded_ = gains.bits;
        haveLoaded_ = true;
    }

    void Block(size_t first) { Convert(first, kBlock); }

    void Run(size_t first, size_t count, size_t since) {
        ASSERT_GT(count, 0u);
        ASSERT_LE(count, kBlock);
        // `since` is where the stretch of windows with the current gains began.
        ASSERT_LE(since, first);
        for (size_t k = since; k < first + count; ++k) {
            ASSERT_EQ(script_[k], loaded_) << "window " << k << " lies after `since` " << since;
        }
        if (since > 0) {
            EXPECT_FALSE(script_[since - 1] == loaded_) << "the stretch began before " << since;
        }
        Convert(first, count);
    }

    // Every window once, with the gains it read.
    void ExpectEveryWindowOnceWithItsGains() const {
        for (size_t k = 0; k < script_.size(); ++k) {
            EXPECT_EQ(conversions_[k], 1) << "window " << k;
            EXPECT_EQ(converted_[k], script_[k]) << "window " << k;
        }
    }

private:
    void Convert(size_t first, size_t count) {
        ASSERT_TRUE(haveLoaded_);
        ASSERT_LE(first + count, script_.size());
        // A window is converted only once its own reading has been taken.
        ASSERT_LE(first + count, reads_);
        for (size_t k = first; k < first + count; ++k) {
            converted_[k] = loaded_;
            ++conversions_[k];
        }
    }

    const std::vector<GainBits>& script_;
    const size_t& reads_;
    std::vector<GainBits> converted_;
    std::vector<int> conversions_;
    GainBits loaded_;
    bool haveLoaded_ = false;
};

// Runs one row; `carried` is what the gains state holds from the row before (or nothing). The row
// also copies `copyBytes` bytes along the way.
void CheckRow(const std::vector<GainBits>& script, const GainState& carried, const std::string& label,
              size_t copyBytes = 0) {
    SCOPED_TRACE(label + ", " + std::to_string(script.size()) + " windows");
    size_t reads = 0;
    GainState gains = carried;
    RecordingKernel kernel(script, reads);
    std::vector<uint8_t> from(copyBytes);
    for (size_t i = 0; i < copyBytes; ++i) {
        from[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    std::vector<uint8_t> to(copyBytes + 64, 0xEE);
    conversion::ConvertRowByGains(script.size(), ScriptedReads{&script, &reads}, gains, kernel,
                                  conversion::CopyAlong{from.data(), to.data(), copyBytes});
    EXPECT_TRUE(std::equal(from.begin(), from.end(), to.begin())) << "the copy along the row";
    EXPECT_EQ(std::count(to.begin() + long(copyBytes), to.end(), 0xEE), 64) << "nothing past the copy";
    EXPECT_EQ(reads, script.size()) << "one reading per window";
    kernel.ExpectEveryWindowOnceWithItsGains();
    if (!script.empty()) {
        EXPECT_TRUE(gains.valid);
        EXPECT_EQ(gains.bits, script.back()) << "the state keeps the last reading for the next row";
    }
}

TEST(RowDriverTest, EveryWindowReadOnceInOrderAndConvertedOnceWithItsGains) {
    const GainBits a = Gains(1.0f, 1.0f, 1.0f);
    const GainBits b = Gains(1.3f, 1.0f, 1.7f);
    const GainBits negative = Gains(1.0f, -1.0f, 1.0f);
    GainState fresh;
    GainState carriedA;
    carriedA.Reset(a);
    GainState carriedB;
    carriedB.Reset(b);
    constexpr size_t kBlock = RecordingKernel::kBlock;
    for (const size_t windows : {size_t{0}, size_t{1}, kBlock - 1, kBlock, kBlock + 1, 3 * kBlock + 2}) {
        for (const GainState* carried : {&fresh, &carriedA, &carriedB}) {
            CheckRow(std::vector<GainBits>(windows, a), *carried, "steady gains");
            // One change at every position, to the other gains and to a negative gain.
            for (size_t change = 1; change < windows; ++change) {
                for (const GainBits& other : {b, negative}) {
                    std::vector<GainBits> script(windows, a);
                    std::fill(script.begin() + long(change), script.end(), other);
                    CheckRow(script, *carried, "change at " + std::to_string(change));
                    // A change for one window only.
                    std::vector<GainBits> blip(windows, a);
                    blip[change] = other;
                    CheckRow(blip, *carried, "one window of other gains at " + std::to_string(change));
                }
            }
            // A change at every window, and at every other one.
            std::vector<GainBits> alternating(windows);
            std::vector<GainBits> pairs(windows);
            for (size_t k = 0; k < windows; ++k) {
                alternating[k] = k % 2 ? b : a;
                pairs[k] = k / 2 % 2 ? b : a;
            }
            CheckRow(alternating, *carried, "alternating");
            CheckRow(pairs, *carried, "alternating pairs");
        }
    }
}

// The copy along a row comes whole whatever its length against the row's blocks: none, less than a
// line a block, exactly some lines a block, and an odd length.
TEST(RowDriverTest, CopiesAlongTheRowWhole) {
    const GainBits a = Gains(1.0f, 1.0f, 1.0f);
    GainState carried;
    carried.Reset(a);
    constexpr size_t kBlock = RecordingKernel::kBlock;
    for (const size_t windows : {size_t{0}, kBlock - 1, kBlock, 3 * kBlock + 2}) {
        for (const size_t bytes : {size_t{0}, size_t{63}, size_t{64}, size_t{3 * 128 + 64}, size_t{1001}}) {
            CheckRow(std::vector<GainBits>(windows, a), carried, std::to_string(bytes) + " bytes", bytes);
            if (windows > 0) {
                std::vector<GainBits> script(windows, a);
                script[windows / 2] = Gains(2.0f, 1.0f, 1.0f);
                CheckRow(script, GainState{}, std::to_string(bytes) + " bytes, gains changing", bytes);
            }
        }
    }
}

// Gains that differ only in bits still count as a change: a NaN payload, or -0 against +0.
TEST(RowDriverTest, GainsCompareBitForBit) {
    const GainBits zero = Gains(0.0f, 1.0f, 1.0f);
    const GainBits minusZero = Gains(-0.0f, 1.0f, 1.0f);
    std::vector<GainBits> script(9, zero);
    script[5] = minusZero;
    CheckRow(script, GainState{}, "-0 among +0");
    GainBits nan = zero;
    nan.r = 0x7FC00000u;
    GainBits otherNan = zero;
    otherNan.r = 0x7FC00001u;
    std::vector<GainBits> nans(9, nan);
    nans[3] = otherNan;
    CheckRow(nans, GainState{}, "NaN payloads");
}
}  // namespace
}  // namespace qdflip::testing
