// The gains are read once per window, in window order. ConvertRowByGains does the reading for one row
// and hands the windows to a kernel in blocks, and in shorter runs where the gains change, every
// window of a block or run having read the same gains. Everything here is always inlined: the
// instruction-set kernels include it, and no copy of it compiled for one instruction set may stand in
// for another's.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "conversion/gain_state.h"
#include "conversion/kernel_paths.h"
#include "raw_conversion.h"

namespace qdflip::conversion {
// Reads the next `count` windows' gains into `each` with reader.One(); true when every window read
// `expected`. One test at the end, rather than a branch per window.
template <class Reader>
[[gnu::always_inline]] inline bool ReadSome(const Reader& reader, size_t count, const GainBits& expected,
                                            GainBits* each) {
    uint32_t differences = 0;
    for (size_t k = 0; k < count; ++k) {
        each[k] = reader.One();
        differences |= (each[k].r ^ expected.r) | (each[k].g ^ expected.g) | (each[k].b ^ expected.b);
    }
    return differences == 0;
}

// Reads the gains of the windows of a row, in window order, one atomic load per gain. A reader
// provides:
//   One()                  the next window's gains;
//   Expect(bits)           `bits` in the form Block compares with, made once for many blocks;
//   Block(expected, each)  the next kBlock windows' gains: true when every window read what
//                          `expected` was made of; otherwise each[i] holds what window i read. (When
//                          it returns true, `each` may hold anything.)
// The instruction-set kernels have readers of their own that load a block's gains into vector
// registers and test them with one branch; this one serves the portable kernel.
struct SettingsGains {
    const FilterSettings& settings;

    [[gnu::always_inline]] GainBits One() const { return ReadGains(settings); }

    [[gnu::always_inline]] GainBits Expect(const GainBits& bits) const { return bits; }

    template <size_t kBlock>
    [[gnu::always_inline]] bool Block(const GainBits& expected, GainBits (&each)[kBlock]) const {
        return ReadSome(*this, kBlock, expected, each);
    }
};

// Spreads a CopyAlong over the blocks of a row: a piece of whole 64-byte lines per block, the rest at
// the end.
class CopyInPieces {
public:
    [[gnu::always_inline]] CopyInPieces(const CopyAlong& job, size_t blocks)
        : job_(job), piece_(blocks == 0 ? 0 : job.bytes / blocks / kLine * kLine) {}

    [[gnu::always_inline]] void Step() {
        if (job_.bytes >= piece_) [[likely]] {
            for (size_t at = 0; at < piece_; at += kLine) {
                CopyLine(at);
            }
            job_.from += piece_;
            job_.to += piece_;
            job_.bytes -= piece_;
        }
    }

    [[gnu::always_inline]] void Finish() {
        if (job_.bytes > 0) {
            std::memcpy(job_.to, job_.from, job_.bytes);
        }
    }

private:
    static constexpr size_t kLine = 64;
    // A line as one value, which each kernel moves in registers as wide as its instruction set has
    // (one for AVX-512); std::memcpy of a line comes out in 16-byte moves.
    using Line [[gnu::vector_size(kLine), gnu::aligned(1), gnu::may_alias]] = uint8_t;

    [[gnu::always_inline]] void CopyLine(size_t at) {
        *reinterpret_cast<Line*>(job_.to + at) = *reinterpret_cast<const Line*>(job_.from + at);
    }

    CopyAlong job_;
    size_t piece_;
};

// Converts windows [first, first + count) of a row, window first + i having read each[i], in runs of
// equal gains. `sameSince` is where the stretch of windows that read the current gains began.
template <class Kernel>
[[gnu::always_inline]] inline void ConvertByRuns(size_t first, size_t count, const GainBits* each,
                                                 GainState& gains, size_t& sameSince, Kernel& kernel) {
    for (size_t i = 0; i < count;) {
        if (!gains.valid || !(each[i] == gains.bits)) {
            gains.Reset(each[i]);
            kernel.Load(gains);
            sameSince = first + i;
        }
        size_t end = i + 1;
        while (end < count && each[end] == gains.bits) {
            ++end;
        }
        kernel.Run(first + i, end - i, sameSince);
        i = end;
    }
}

// Converts a row of `windows` windows, `reader` giving each window's gains (SettingsGains, or a
// kernel's own). The kernel provides:
//   kBlock                    the windows of a block;
//   Load(gains)               takes the gains now read (called before any window that uses them);
//   Block(first)              converts windows [first, first + kBlock);
//   Run(first, count, since)  converts windows [first, first + count), 0 < count <= kBlock, where
//                             every window from `since` on read the current gains.
// `gains` holds what the row before read last, and on return what this row read last. A block whose
// windows all read the current gains takes one branch; one where they change goes by runs. `copy` is
// done along the way.
template <class Kernel, class Reader>
[[gnu::always_inline]] inline void ConvertRowByGains(size_t windows, const Reader& reader, GainState& gains,
                                                     Kernel& kernel, const CopyAlong& copy = {}) {
    constexpr size_t kBlock = Kernel::kBlock;
    if (gains.valid) {
        kernel.Load(gains);
    }
    CopyInPieces pieces(copy, windows / kBlock);
    size_t sameSince = 0;
    GainBits each[kBlock];
    size_t first = 0;
    auto expected = reader.Expect(gains.bits);
    if (!gains.valid && windows >= kBlock) {
        pieces.Step();
        // The frame's first block: there are no gains yet to compare with.
        if (reader.Block(expected, each)) {
            std::fill(each, each + kBlock, gains.bits);
        }
        ConvertByRuns(0, kBlock, each, gains, sameSince, kernel);
        expected = reader.Expect(gains.bits);
        first = kBlock;
    }
    for (; first + kBlock <= windows; first += kBlock) {
        pieces.Step();
        if (reader.Block(expected, each)) [[likely]] {
            kernel.Block(first);
        } else {
            ConvertByRuns(first, kBlock, each, gains, sameSince, kernel);
            expected = reader.Expect(gains.bits);
        }
    }
    // The windows after the last whole block.
    if (const size_t rest = windows - first; rest > 0) {
        if (ReadSome(reader, rest, gains.bits, each) && gains.valid) {
            kernel.Run(first, rest, sameSince);
        } else {
            ConvertByRuns(first, rest, each, gains, sameSince, kernel);
        }
    }
    pieces.Finish();
}
}  // namespace qdflip::conversion
