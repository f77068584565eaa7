// The gain reader of the AVX2 and AVX-512 kernels: each window's three gains come with one aligned
// 16-byte load (GainWords), two windows to a 256-bit register, the second window's load being the
// memory operand of the insert that joins them; a block's reads are compared with the gains in use at
// once, with one branch, and the padding word after the gains is left out of that test.
// Included by each of the two kernel files below its switch to its instruction set; `Lanes` makes
// the two instantiations distinct, so that neither can stand in for the other.
#pragma once

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "conversion/gain_state.h"
#include "raw_conversion.h"

namespace qdflip::conversion::x86 {
template <class Lanes>
struct PairedGainReader {
    static constexpr size_t kWindows = Lanes::kWindows;
    static_assert(kWindows % 2 == 0);

    const FilterSettings& settings;

    [[gnu::always_inline]] GainBits One() const { return ReadGains(settings); }

    // The gains as a pair of windows would read them.
    [[gnu::always_inline]] __m256i Expect(const GainBits& bits) const {
        const auto r = static_cast<int32_t>(bits.r);
        const auto g = static_cast<int32_t>(bits.g);
        const auto b = static_cast<int32_t>(bits.b);
        return _mm256_setr_epi32(r, g, b, 0, r, g, b, 0);
    }

    [[gnu::always_inline]] bool Block(__m256i want, GainBits (&each)[kWindows]) const {
        const __m256i gainsOnly = _mm256_setr_epi32(-1, -1, -1, 0, -1, -1, -1, 0);
        const char* words = static_cast<const char*>(GainWords(settings));
        uintptr_t order = 0;
        __m256i pairs[kWindows / 2];
        __m256i differences = _mm256_setzero_si256();
#pragma GCC unroll 16
        for (size_t i = 0; i < kWindows / 2; ++i) {
            pairs[i] = TwoWindows(words, order);
            if constexpr (Lanes::kBytes == 64) {
                // AVX-512 does both steps in one: differences | (pair ^ want).
                differences = _mm256_ternarylogic_epi32(differences, pairs[i], want, 0xF6);
            } else {
                differences = _mm256_or_si256(differences, _mm256_xor_si256(pairs[i], want));
            }
        }
        if (_mm256_testz_si256(differences, gainsOnly)) [[likely]] {
            return true;
        }
        // Unrolled, so that the pairs can stay in registers up to here.
        alignas(32) uint32_t read[kWindows * 4];
#pragma GCC unroll 16
        for (size_t i = 0; i < kWindows / 2; ++i) {
            _mm256_store_si256(reinterpret_cast<__m256i*>(read + 8 * i), pairs[i]);
        }
        for (size_t k = 0; k < kWindows; ++k) {
            each[k] = {read[4 * k], read[4 * k + 1], read[4 * k + 2]};
        }
        return false;
    }

private:
    // Two windows' gains, the first window's in the low half, in words 0 to 2 of each half. The asm
    // statements are volatile and chained through `order`, so that the reads stay one per window and
    // in window order.
    [[gnu::always_inline]] __m256i TwoWindows(const char* words, uintptr_t& order) const {
        __m256i read;
        asm volatile("vmovdqu (%[words]), %x[read]\n\tvinserti128 $1, (%[words]), %[read], %[read]"
                     : [read] "=x"(read), [order] "+r"(order)
                     : [words] "r"(words), "m"(settings));
        return read;
    }
};
}  // namespace qdflip::conversion::x86
