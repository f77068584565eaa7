// The vector operations of the colour kernel for 256-bit registers (AVX2). AVX2 works on two 128-bit
// halves side by side, and every operation here acts on each half as the SSE4.1 one (sse41_lanes.h)
// acts on its register, so one kernel serves both. Only kernels_avx2.cpp includes this, below its
// switch to AVX2. (A 512-bit build of the same kernel measured no faster on whole frames: the
// per-window gain reads, not the arithmetic, set the pace.)
#pragma once

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "conversion/gain_state.h"
#include "raw_conversion.h"

namespace qdflip::conversion::x86 {
struct Avx2Lanes {
    using V = __m256i;
    using Count = __m128i;
    static constexpr size_t kBytes = 32;
    static constexpr size_t kWindows = 16;
    using Marks = V;
    static constexpr unsigned kBitsPerMark = 2;

    [[gnu::always_inline]] static V Load(const uint8_t* p) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    }
    [[gnu::always_inline]] static void Store(uint8_t* p, V v) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
    }
    [[gnu::always_inline]] static V Words(uint16_t w) { return _mm256_set1_epi16(static_cast<int16_t>(w)); }
    [[gnu::always_inline]] static V Dwords(uint32_t d) { return _mm256_set1_epi32(static_cast<int32_t>(d)); }
    [[gnu::always_inline]] static V Opaque(V v) {
        asm("" : "+x"(v));
        return v;
    }
    [[gnu::always_inline]] static V EveryHalf(const uint8_t* bytes) {
        return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)));
    }
    [[gnu::always_inline]] static V ShuffleBytes(V v, V pattern) { return _mm256_shuffle_epi8(v, pattern); }
    [[gnu::always_inline]] static V EvenDwords(V a, V b) {
        return _mm256_castps_si256(_mm256_shuffle_ps(_mm256_castsi256_ps(a), _mm256_castsi256_ps(b), 0x88));
    }
    [[gnu::always_inline]] static V UnpackLo16(V a, V b) { return _mm256_unpacklo_epi16(a, b); }
    [[gnu::always_inline]] static V UnpackHi16(V a, V b) { return _mm256_unpackhi_epi16(a, b); }
    [[gnu::always_inline]] static V UnpackLo32(V a, V b) { return _mm256_unpacklo_epi32(a, b); }
    [[gnu::always_inline]] static V UnpackHi32(V a, V b) { return _mm256_unpackhi_epi32(a, b); }
    [[gnu::always_inline]] static V UnpackLo64(V a, V b) { return _mm256_unpacklo_epi64(a, b); }
    [[gnu::always_inline]] static V UnpackHi64(V a, V b) { return _mm256_unpackhi_epi64(a, b); }
    template <int kBits>
    [[gnu::always_inline]] static V ShrWords(V v) {
        return _mm256_srli_epi16(v, kBits);
    }
    template <int kBits>
    [[gnu::always_inline]] static V ShlWords(V v) {
        return _mm256_slli_epi16(v, kBits);
    }
    [[gnu::always_inline]] static Count ShiftCount(uint16_t bits) { return _mm_cvtsi32_si128(bits); }
    [[gnu::always_inline]] static V ShrWordsBy(V v, Count bits) { return _mm256_srl_epi16(v, bits); }
    template <int kBits>
    [[gnu::always_inline]] static V ShrDwords(V v) {
        return _mm256_srli_epi32(v, kBits);
    }
    [[gnu::always_inline]] static V And(V a, V b) { return _mm256_and_si256(a, b); }
    [[gnu::always_inline]] static V Or(V a, V b) { return _mm256_or_si256(a, b); }
    [[gnu::always_inline]] static V AddWords(V a, V b) { return _mm256_add_epi16(a, b); }
    [[gnu::always_inline]] static V AddDwords(V a, V b) { return _mm256_add_epi32(a, b); }
    [[gnu::always_inline]] static V MulLoWords(V a, V b) { return _mm256_mullo_epi16(a, b); }
    [[gnu::always_inline]] static V MulHiWords(V a, V b) { return _mm256_mulhi_epu16(a, b); }
    [[gnu::always_inline]] static V MulAddPairs(V a, V b) { return _mm256_madd_epi16(a, b); }
    [[gnu::always_inline]] static V MinWords(V a, V b) { return _mm256_min_epu16(a, b); }
    [[gnu::always_inline]] static V PackSigned(V a, V b) { return _mm256_packs_epi32(a, b); }
    [[gnu::always_inline]] static V PackUnsigned(V a, V b) { return _mm256_packus_epi32(a, b); }
    [[gnu::always_inline]] static Marks NoMarks() { return _mm256_setzero_si256(); }
    [[gnu::always_inline]] static void MarkEqual(Marks& marks, V a, V b) {
        marks = _mm256_or_si256(marks, _mm256_cmpeq_epi16(a, b));
    }
    [[gnu::always_inline]] static uint32_t LaneBits(Marks marks) {
        return static_cast<uint32_t>(_mm256_movemask_epi8(marks));
    }

    // Reads a block's gains with one masked load a window (the word before the red gain is masked
    // off: only the three gains are read), two windows a register, and compares them all at once.
    struct GainReader {
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
#pragma GCC unroll 8
            for (size_t i = 0; i < kWindows / 2; ++i) {
                const __m128i even = MaskedWords(words, gainsOnly, order);
                const __m128i odd = MaskedWords(words, gainsOnly, order);
                pairs[i] = _mm256_inserti128_si256(_mm256_castsi128_si256(even), odd, 1);
                differences = _mm256_or_si256(differences, _mm256_xor_si256(pairs[i], want));
            }
            if (_mm256_testz_si256(differences, differences)) [[likely]] {
                return true;
            }
            alignas(32) uint32_t read[kWindows * 4];
            for (size_t i = 0; i < kWindows / 2; ++i) {
                _mm256_store_si256(reinterpret_cast<__m256i*>(read + 8 * i), pairs[i]);
            }
            for (size_t k = 0; k < kWindows; ++k) {
                each[k] = {read[4 * k + 1], read[4 * k + 2], read[4 * k + 3]};
            }
            return false;
        }

    private:
        // One window's gains in words 1 to 3. The asm statements are volatile and chained through
        // `order`, so that the reads stay one per window and in window order.
        [[gnu::always_inline]] __m128i MaskedWords(const char* words, __m128i mask, uintptr_t& order) const {
            __m128i read;
            asm volatile("vpmaskmovd (%[words]), %[mask], %[read]"
                         : [read] "=x"(read), [order] "+r"(order)
                         : [words] "r"(words), [mask] "x"(mask), "m"(settings));
            return read;
        }
    };
};
}  // namespace qdflip::conversion::x86
