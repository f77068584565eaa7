// The colour kernel in 16-bit vector lanes, one window per lane, over the lane operations of an
// instruction set (sse41_lanes.h, avx2_lanes.h, avx512_lanes.h). Included only by each set's file,
// below its switch to that set.
//
// Exactness. With gains that are not negative R', G', B' are integers in 0..255, and
//   Y = floor(NY / 1000), NY = 587 G' + 299 R' + 114 B',
//   U = floor(NU / 1000), NU = 500 B' - 115 R' - 385 G' + 128000,
//   V = floor(NV / 1000), NV = 500 R' - 454 G' - 46 B' + 128000,
// all N in 0..255500, are what the double formulas truncate to, except where an N is a multiple of
// 1000: there the double result may fall a hair below the integer, and such windows are redone with
// the double formulas. The N are exact 32-bit sums of 16-bit products (pairs multiplied and added);
// the 128000 is 8 * 16000 so that it fits a 16-bit factor. The division by 1000 goes through N / 8,
// which fits 15 bits: floor(M / 125) = (M * 33555) >> 22 for every M below 2^15, since 33555 / 2^22
// exceeds 1 / 125 by less than 1.4e-7 and M times that stays under the 1 / 125 that separates
// consecutive quotients' fractions. N is a multiple of 1000 exactly when its low 16 bits equal those
// of 1000 * floor(N / 1000): the difference is the remainder, 0..999.
//
// Lane order. The N come in two registers of 32-bit lanes, and N / 8 and the low 16 bits of N are
// whole words of them: the first register's give the even 16-bit lanes of a block, the second's the
// odd ones, with one blend and no pack. For this the cells are loaded so that within each 128-bit
// part the windows of 16-bit lanes 0, 2, 4, 6 meet in the first register and those of lanes 1, 3, 5,
// 7 in the second; the words of Y, U and V then hold the windows in the order that LaneWindow gives.
#pragma once

#include <cstddef>
#include <cstdint>

#include "conversion/exact_colour.h"
#include "conversion/gain_runs.h"
#include "conversion/gain_state.h"
#include "conversion/kernel_paths.h"
#include "conversion/window_access.h"
#include "raw_conversion.h"

namespace qdflip::conversion::vector {
// The window that 16-bit lane `lane` of a block's Y, U, V and marks holds. Each 128-bit part of such
// a register holds four windows of WindowCells register 0, then four of register 1, in the order
// that WindowCells loaded them; in fast mode EvenDwords took two windows from each of two loads for
// every part.
template <class L, bool kFast>
constexpr size_t LaneWindow(size_t lane) {
    constexpr size_t kParts = L::kBytes / 16;
    const size_t part = lane / 8;
    const size_t cellsRegister = lane % 8 / 4;
    const size_t k = lane % 4;
    const size_t inRegister = kFast ? (k < 2 ? 2 * part + k : 2 * kParts + 2 * part + k - 2) : 4 * part + k;
    return cellsRegister * L::kWindows / 2 + inRegister;
}

// One channel's WordScale in registers.
template <class L>
struct ChannelWords {
    typename L::V high;
    typename L::V low;
    typename L::Count shift;

    [[gnu::always_inline]] explicit ChannelWords(const WordScale& scale)
        : high(L::Words(scale.high)), low(L::Words(scale.low)), shift(L::ShiftCount(scale.shift)) {}
};

template <class L>
struct BlockGains {
    ChannelWords<L> r;
    ChannelWords<L> g;
    ChannelWords<L> b;

    [[gnu::always_inline]] explicit BlockGains(const GainState& gains)
        : r(gains.rWords), g(gains.gWords), b(gains.bWords) {}
};

// The splat constants of a block, made once per row and hidden from the compiler (Opaque), which
// otherwise builds each anew in every block from a general register, on the shuffle port the
// arithmetic needs.
template <class L>
struct BlockConstants {
    typename L::V byte;  // a byte's mask, and its largest value
    typename L::V eight;
    typename L::V reciprocal;  // of 125, shifted by 22
    typename L::V thousand;

    [[gnu::always_inline]] BlockConstants()
        : byte(L::Opaque(L::Words(0xFF))),
          eight(L::Opaque(L::Words(8))),
          reciprocal(L::Opaque(L::Words(33555))),
          thousand(L::Opaque(L::Words(1000))) {}
};

// The 16 bytes of one half-register of window cells (4 windows, samples high byte first) rearranged
// as 16-bit samples: the P00 (or P10) of windows 0, 2, 1, 3 in the first 8 bytes, their P01 (or P11)
// in the last 8. Two such registers interleave by 32 bits into the lane order above.
inline constexpr uint8_t kSplitCells[16] = {1, 0, 9, 8, 5, 4, 13, 12, 3, 2, 11, 10, 7, 6, 15, 14};

// Register `half` of a block's cells in one row: a block's windows' first 4 bytes, which in fast mode
// are every other 4 bytes.
template <class L, bool kFast>
[[gnu::always_inline]] inline typename L::V WindowCells(const uint8_t* row, size_t half) {
    if constexpr (kFast) {
        return L::EvenDwords(L::Load(row + 2 * half * L::kBytes), L::Load(row + (2 * half + 1) * L::kBytes));
    } else {
        return L::Load(row + half * L::kBytes);
    }
}

// 16-bit samples to their 8-bit values: bits above the depth drop out with the mask.
template <class L, int kShift>
[[gnu::always_inline]] inline typename L::V EightBits(typename L::V samples,
                                                      const BlockConstants<L>& constants) {
    return L::And(L::template ShrWords<kShift>(samples), constants.byte);
}

template <class L>
[[gnu::always_inline]] inline typename L::V Gained(typename L::V value, const ChannelWords<L>& scale,
                                                   const BlockConstants<L>& constants) {
    const typename L::V scaled = L::ShrWordsBy(
        L::AddWords(L::MulLoWords(value, scale.high), L::MulHiWords(value, scale.low)), scale.shift);
    return L::MinWords(scaled, constants.byte);
}

// A pair of 16-bit factors for MulAddPairs: `first` multiplies the lane's low word.
template <class L>
[[gnu::always_inline]] inline typename L::V Factors(int16_t first, int16_t second) {
    return L::Dwords(static_cast<uint16_t>(first) |
                     (static_cast<uint32_t>(static_cast<uint16_t>(second)) << 16));
}

// The channel's floor(N / 1000) for the block, N = (green, red) . greenRed + (blue, 8) . blueEight;
// lanes whose N is a multiple of 1000 are set in `marks`.
template <class L>
[[gnu::always_inline]] inline typename L::V Thousandths(
    const typename L::V (&greenRed)[2], const typename L::V (&blueEight)[2], typename L::V greenRedFactors,
    typename L::V blueEightFactors, const BlockConstants<L>& constants, typename L::Marks& marks) {
    using V = typename L::V;
    const V n0 = L::AddDwords(L::MulAddPairs(greenRed[0], greenRedFactors),
                              L::MulAddPairs(blueEight[0], blueEightFactors));
    const V n1 = L::AddDwords(L::MulAddPairs(greenRed[1], greenRedFactors),
                              L::MulAddPairs(blueEight[1], blueEightFactors));
    // N / 8 of n1 is the high word of n1 << 13.
    const V eighths = L::BlendOddWords(L::template ShrDwords<3>(n0), L::template ShlDwords<13>(n1));
    const V low = L::BlendOddWords(n0, L::template ShlDwords<16>(n1));
    const V quotient = L::template ShrWords<6>(L::MulHiWords(eighths, constants.reciprocal));
    L::MarkEqual(marks, L::MulLoWords(quotient, constants.thousand), low);
    return quotient;
}

// One block of L::kWindows windows with scalable gains. Returns the lanes (L::kBitsPerMark bits each)
// whose windows the double formulas must redo.
template <class L, class Cells, int kShift, bool kFast>
[[gnu::always_inline]] inline uint32_t ConvertBlock(const uint8_t* upper, const uint8_t* lower, uint8_t* out,
                                                    uint8_t* below, const BlockGains<L>& gains,
                                                    const BlockConstants<L>& constants) {
    using V = typename L::V;
    const V split = L::EveryHalf(kSplitCells);
    const V upper0 = L::ShuffleBytes(WindowCells<L, kFast>(upper, 0), split);
    const V upper1 = L::ShuffleBytes(WindowCells<L, kFast>(upper, 1), split);
    const V lower0 = L::ShuffleBytes(WindowCells<L, kFast>(lower, 0), split);
    const V lower1 = L::ShuffleBytes(WindowCells<L, kFast>(lower, 1), split);
    // The cells as 8-bit values, lane for lane; only the lower row's one used cell is worked out.
    const auto cell = [&](int index) {
        switch (index) {
            case 0:
                return EightBits<L, kShift>(L::UnpackLo32(upper0, upper1), constants);
            case 1:
                return EightBits<L, kShift>(L::UnpackHi32(upper0, upper1), constants);
            case 2:
                return EightBits<L, kShift>(L::UnpackLo32(lower0, lower1), constants);
            default:
                return EightBits<L, kShift>(L::UnpackHi32(lower0, lower1), constants);
        }
    };
    const V r = Gained<L>(cell(Cells::kR), gains.r, constants);
    const V g = Gained<L>(cell(Cells::kG), gains.g, constants);
    const V b = Gained<L>(cell(Cells::kB), gains.b, constants);

    const V greenRed[2] = {L::UnpackLo16(g, r), L::UnpackHi16(g, r)};
    const V blueEight[2] = {L::UnpackLo16(b, constants.eight), L::UnpackHi16(b, constants.eight)};
    typename L::Marks marks = L::NoMarks();
    const V y =
        Thousandths<L>(greenRed, blueEight, Factors<L>(587, 299), Factors<L>(114, 0), constants, marks);
    const V u =
        Thousandths<L>(greenRed, blueEight, Factors<L>(-385, -115), Factors<L>(500, 16000), constants, marks);
    const V v =
        Thousandths<L>(greenRed, blueEight, Factors<L>(-454, 500), Factors<L>(-46, 16000), constants, marks);

    // Macropixels U, Y, V, Y: the registers come out in the order of the window cells loaded.
    const V yHigh = L::template ShlWords<8>(y);
    const V uy = L::Or(u, yHigh);
    const V vy = L::Or(v, yHigh);
    const V first = L::UnpackLo16(uy, vy);
    const V second = L::UnpackHi16(uy, vy);
    if constexpr (kFast) {
        // Each macropixel twice, in this row and the one below.
        const V quarters[4] = {L::UnpackLo32(first, first), L::UnpackHi32(first, first),
                               L::UnpackLo32(second, second), L::UnpackHi32(second, second)};
        for (size_t i = 0; i < 4; ++i) {
            L::Store(out + i * L::kBytes, quarters[i]);
        }
        if (below != nullptr) {
            for (size_t i = 0; i < 4; ++i) {
                L::Store(below + i * L::kBytes, quarters[i]);
            }
        }
    } else {
        L::Store(out, first);
        L::Store(out + L::kBytes, second);
    }
    return L::LaneBits(marks);
}

// The kernel that ConvertRowByGains drives for one row.
template <class L, class Cells, int kShift, bool kFast>
class VectorKernel {
public:
    static constexpr size_t kBlock = L::kWindows;

    [[gnu::always_inline]] explicit VectorKernel(const ColourRow& row) : row_(row) {}
    VectorKernel(const VectorKernel&) = delete;
    VectorKernel& operator=(const VectorKernel&) = delete;

    [[gnu::always_inline]] void Load(const GainState& gains) {
        Settle();  // what waits was converted with the gains before these
        gains_ = &gains;
        if (gains.scalable) {
            blockGains_ = BlockGains<L>(gains);
            scales_ = {gains.rScale, gains.gScale, gains.bScale};
        }
    }

    [[gnu::always_inline]] void Block(size_t first) {
        if (!gains_->scalable) [[unlikely]] {
            Exact(first, kBlock);
            return;
        }
        uint8_t* below = kFast && row_.below != nullptr ? row_.below + kStride * first : nullptr;
        const uint32_t marks =
            ConvertBlock<L, Cells, kShift, kFast>(row_.upper + kStride * first, row_.lower + kStride * first,
                                                  row_.out + kStride * first, below, blockGains_, constants_);
        // Blocks with marked lanes wait and are redone together: about one block in eight has a mark,
        // at random, and a branch on it here would be mispredicted that often, each time throwing away
        // the work the processor had begun on the blocks after it.
        waiting_[waitingCount_] = {first, marks};
        waitingCount_ += marks != 0 ? 1 : 0;
        if (waitingCount_ == kWaiting) [[unlikely]] {
            Settle();
        }
    }

    // A run shorter than a block is widened backwards over windows of the same gains when the row has
    // them (converting some twice, alike), and otherwise left to the double formulas.
    [[gnu::always_inline]] void Run(size_t first, size_t count, size_t sameSince) {
        if (count == kBlock || (gains_->scalable && first + count >= sameSince + kBlock)) {
            Block(first + count - kBlock);
        } else {
            Exact(first, count);
        }
    }

    // Redoes the marked windows of the blocks that wait: they were converted with the gains loaded now.
    [[gnu::noinline]] void Settle() {
        for (size_t i = 0; i < waitingCount_; ++i) {
            Redo(waiting_[i].first, waiting_[i].marks);
        }
        waitingCount_ = 0;
    }

private:
    static constexpr size_t kStride = kFast ? 8 : 4;
    static constexpr size_t kWaiting = 64;

    struct Waiting {
        size_t first;
        uint32_t marks;
    };

    struct Scales {
        ChannelScale r;
        ChannelScale g;
        ChannelScale b;
    };

    [[gnu::noinline]] void Exact(size_t first, size_t count) {
        kernels::ExactWindowsAt<Cells, kShift, kFast>(row_, first, count, *gains_);
    }

    // The windows of the block at `first` whose lanes are set in `marks`, by the double formulas from
    // the scaled values (the same integers the vector lanes held).
    [[gnu::always_inline]] void Redo(size_t first, uint32_t marks) {
        struct LaneWindows {
            uint8_t of[kBlock];
        };
        static constexpr LaneWindows kLaneWindows = [] {
            LaneWindows windows{};
            for (size_t lane = 0; lane < kBlock; ++lane) {
                windows.of[lane] = static_cast<uint8_t>(LaneWindow<L, kFast>(lane));
            }
            return windows;
        }();
        while (marks != 0) {
            const size_t lane = static_cast<size_t>(__builtin_ctz(marks)) / L::kBitsPerMark;
            // Clear the lane's bits.
            marks &= ~(((1u << L::kBitsPerMark) - 1) << (lane * L::kBitsPerMark));
            kernels::WindowAt<Cells, kShift, kFast>(
                row_, first + kLaneWindows.of[lane], [this](uint32_t r, uint32_t g, uint32_t b) {
                    return ExactMacropixel(
                        static_cast<int32_t>(Scaled(r, scales_.r.multiplier, scales_.r.shift)),
                        static_cast<int32_t>(Scaled(g, scales_.g.multiplier, scales_.g.shift)),
                        static_cast<int32_t>(Scaled(b, scales_.b.multiplier, scales_.b.shift)));
                });
        }
    }

    const ColourRow& row_;
    const GainState* gains_ = nullptr;
    BlockGains<L> blockGains_{GainState{}};
    BlockConstants<L> constants_;
    Scales scales_;
    Waiting waiting_[kWaiting];
    size_t waitingCount_ = 0;
};

template <class L, class Cells, int kShift, bool kFast>
[[gnu::always_inline]] inline void VectorRow(const ColourRow& row, const FilterSettings& settings,
                                             GainState& gains) {
    VectorKernel<L, Cells, kShift, kFast> kernel(row);
    ConvertRowByGains(row.windows, typename L::GainReader{settings}, gains, kernel, row.copy);
    kernel.Settle();
}
}  // namespace qdflip::conversion::vector
