// The vector operations of the colour kernel for 128-bit registers (SSE4.1), one window per 16-bit
// lane. Only kernels_sse41.cpp includes this, below its switch to SSE4.1.
#pragma once

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "conversion/gain_state.h"
#include "raw_conversion.h"

namespace qdflip::conversion::x86 {
struct Sse41Lanes {
    using V = __m128i;
    using Count = __m128i;  // a shift count for every lane
    static constexpr size_t kBytes = 16;
    // One window per 16-bit lane.
    static constexpr size_t kWindows = 8;
    // Lanes whose window needs the double formulas, as compare results; two bits per lane in LaneBits.
    using Marks = V;
    static constexpr unsigned kBitsPerMark = 2;

    [[gnu::always_inline]] static V Load(const uint8_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    }
    [[gnu::always_inline]] static void Store(uint8_t* p, V v) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
    }
    [[gnu::always_inline]] static V Words(uint16_t w) { return _mm_set1_epi16(static_cast<int16_t>(w)); }
    [[gnu::always_inline]] static V Dwords(uint32_t d) { return _mm_set1_epi32(static_cast<int32_t>(d)); }
    // A value the compiler cannot see into: it keeps a multiply by a constant one instruction rather
    // than turning it into a chain of shifts and adds.
    [[gnu::always_inline]] static V Opaque(V v) {
        asm("" : "+x"(v));
        return v;
    }
    // The same 16 bytes in every 128-bit half.
    [[gnu::always_inline]] static V EveryHalf(const uint8_t* bytes) { return Load(bytes); }
    [[gnu::always_inline]] static V ShuffleBytes(V v, V pattern) { return _mm_shuffle_epi8(v, pattern); }
    // Dwords 0 and 2 of each half of a, then those of b.
    [[gnu::always_inline]] static V EvenDwords(V a, V b) {
        return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), 0x88));
    }
    [[gnu::always_inline]] static V UnpackLo16(V a, V b) { return _mm_unpacklo_epi16(a, b); }
    [[gnu::always_inline]] static V UnpackHi16(V a, V b) { return _mm_unpackhi_epi16(a, b); }
    [[gnu::always_inline]] static V UnpackLo32(V a, V b) { return _mm_unpacklo_epi32(a, b); }
    [[gnu::always_inline]] static V UnpackHi32(V a, V b) { return _mm_unpackhi_epi32(a, b); }
    template <int kBits>
    [[gnu::always_inline]] static V ShrWords(V v) {
        return _mm_srli_epi16(v, kBits);
    }
    template <int kBits>
    [[gnu::always_inline]] static V ShlWords(V v) {
        return _mm_slli_epi16(v, kBits);
    }
    [[gnu::always_inline]] static Count ShiftCount(uint16_t bits) { return _mm_cvtsi32_si128(bits); }
    [[gnu::always_inline]] static V ShrWordsBy(V v, Count bits) { return _mm_srl_epi16(v, bits); }
    template <int kBits>
    [[gnu::always_inline]] static V ShrDwords(V v) {
        return _mm_srli_epi32(v, kBits);
    }
    template <int kBits>
    [[gnu::always_inline]] static V ShlDwords(V v) {
        return _mm_slli_epi32(v, kBits);
    }
    [[gnu::always_inline]] static V And(V a, V b) { return _mm_and_si128(a, b); }
    [[gnu::always_inline]] static V Or(V a, V b) { return _mm_or_si128(a, b); }
    [[gnu::always_inline]] static V AddWords(V a, V b) { return _mm_add_epi16(a, b); }
    [[gnu::always_inline]] static V AddDwords(V a, V b) { return _mm_add_epi32(a, b); }
    [[gnu::always_inline]] static V MulLoWords(V a, V b) { return _mm_mullo_epi16(a, b); }
    [[gnu::always_inline]] static V MulHiWords(V a, V b) { return _mm_mulhi_epu16(a, b); }
    // Signed 16-bit pairs multiplied and each pair's products added into a 32-bit lane.
    [[gnu::always_inline]] static V MulAddPairs(V a, V b) { return _mm_madd_epi16(a, b); }
    [[gnu::always_inline]] static V MinWords(V a, V b) { return _mm_min_epu16(a, b); }
    // The even words of a with the odd words of b.
    [[gnu::always_inline]] static V BlendOddWords(V a, V b) { return _mm_blend_epi16(a, b, 0xAA); }
    [[gnu::always_inline]] static Marks NoMarks() { return _mm_setzero_si128(); }
    [[gnu::always_inline]] static void MarkEqual(Marks& marks, V a, V b) {
        marks = _mm_or_si128(marks, _mm_cmpeq_epi16(a, b));
    }
    [[gnu::always_inline]] static uint32_t LaneBits(Marks marks) {
        return static_cast<uint32_t>(_mm_movemask_epi8(marks));
    }

    // Reads a block's gains into one register a window, with one aligned load each (GainWords), and
    // compares them all at once; the padding word after the gains is left out of that test.
    struct GainReader {
        const FilterSettings& settings;

        [[gnu::always_inline]] GainBits One() const { return ReadGains(settings); }

        // The gains as a window would read them.
        [[gnu::always_inline]] __m128i Expect(const GainBits& bits) const {
            return _mm_setr_epi32(static_cast<int32_t>(bits.r), static_cast<int32_t>(bits.g),
                                  static_cast<int32_t>(bits.b), 0);
        }

        [[gnu::always_inline]] bool Block(__m128i want, GainBits (&each)[kWindows]) const {
            const char* words = static_cast<const char*>(GainWords(settings));
            uintptr_t order = 0;
            __m128i windows[kWindows];
            __m128i differences = _mm_setzero_si128();
#pragma GCC unroll 8
            for (size_t k = 0; k < kWindows; ++k) {
                windows[k] = WindowGains(words, order);
                differences = _mm_or_si128(differences, _mm_xor_si128(windows[k], want));
            }
            if (_mm_testz_si128(differences, _mm_setr_epi32(-1, -1, -1, 0))) [[likely]] {
                return true;
            }
            alignas(16) uint32_t read[kWindows * 4];
            for (size_t k = 0; k < kWindows; ++k) {
                _mm_store_si128(reinterpret_cast<__m128i*>(read + 4 * k), windows[k]);
                each[k] = {read[4 * k], read[4 * k + 1], read[4 * k + 2]};
            }
            return false;
        }

    private:
        // One window's gains in words 0 to 2. The asm statements are volatile and chained through
        // `order`, so that the reads stay one per window and in window order.
        [[gnu::always_inline]] __m128i WindowGains(const char* words, uintptr_t& order) const {
            __m128i read;
            asm volatile("movdqu (%[words]), %[read]"
                         : [read] "=x"(read), [order] "+r"(order)
                         : [words] "r"(words), "m"(settings));
            return read;
        }
    };
};
}  // namespace qdflip::conversion::x86
