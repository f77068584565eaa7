// The gain reader of the AVX2 and AVX-512 kernels: each window's three gains come with one masked
// load (the word before the red gain is masked off, so only the gains are read), two windows to a
// 256-bit register, and a block's reads are compared with the gains in use at once, with one branch.
// AVX-512 masks its loads with a mask register, a plain load where AVX2's masked load also takes an
// arithmetic step: some 7 % off a normal-mode colour frame. (Masked loads into whole 512-bit
// registers measured twice as slow on a whole block.)
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
struct MaskedGainReader {
    static constexpr size_t kWindows = Lanes::kWindows;
    static_assert(kWindows % 2 == 0);

    const FilterSettings& settings;

    [[gnu::always_inline]] GainBits One() const { return ReadGains(settings); }

    [[gnu::always_inline]] bool Block(const GainBits& expected, GainBits (&each)[kWindows]) const {
        const __m128i gainsOnly = _mm_setr_epi32(0, -1, -1, -1);
        const auto r = static_cast<int32_t>(expected.r);
        const auto g = static_cast<int32_t>(expected.g);
        const auto b = static_cast<int32_t>(expected.b);
        const __m256i want = _mm256_setr_epi32(0, r, g, b, 0, r, g, b);
        const char* words = static_cast<const char*>(GainWords(settings)) - 4;
        uintptr_t order = 0;
        __m256i pairs[kWindows / 2];
        __m256i differences = _mm256_setzero_si256();
#pragma GCC unroll 16
        for (size_t i = 0; i < kWindows / 2; ++i) {
            const __m128i even = MaskedWords(words, gainsOnly, order);
            const __m128i odd = MaskedWords(words, gainsOnly, order);
            pairs[i] = _mm256_inserti128_si256(_mm256_castsi128_si256(even), odd, 1);
            if constexpr (Lanes::kBytes == 64) {
                // AVX-512 does both steps in one: differences | (pair ^ want).
                differences = _mm256_ternarylogic_epi32(differences, pairs[i], want, 0xF6);
            } else {
                differences = _mm256_or_si256(differences, _mm256_xor_si256(pairs[i], want));
            }
        }
        if (_mm256_testz_si256(differences, differences)) [[likely]] {
            return true;
        }
        // Unrolled, so that the pairs can stay in registers up to here.
        alignas(32) uint32_t read[kWindows * 4];
#pragma GCC unroll 16
        for (size_t i = 0; i < kWindows / 2; ++i) {
            _mm256_store_si256(reinterpret_cast<__m256i*>(read + 8 * i), pairs[i]);
        }
        for (size_t k = 0; k < kWindows; ++k) {
            each[k] = {read[4 * k + 1], read[4 * k + 2], read[4 * k + 3]};
        }
        return false;
    }

private:
    // One window's gains in words 1 to 3; word 0 is never read. The asm statements are volatile and
    // chained through `order`, so that the reads stay one per window and in window order.
    [[gnu::always_inline]] __m128i MaskedWords(const char* words, __m128i mask, uintptr_t& order) const {
        __m128i read;
        if constexpr (Lanes::kBytes == 64) {
            const __mmask8 gains = 0xE;
            asm volatile("vmovdqu32 (%[words]), %[read]%{%[gains]%}%{z%}"
                         : [read] "=v"(read), [order] "+r"(order)
                         : [words] "r"(words), [gains] "Yk"(gains), "m"(settings));
        } else {
            asm volatile("vpmaskmovd (%[words]), %[mask], %[read]"
                         : [read] "=x"(read), [order] "+r"(order)
                         : [words] "r"(words), [mask] "x"(mask), "m"(settings));
        }
        return read;
    }
};
}  // namespace qdflip::conversion::x86
