// The vector operations of the colour kernel for 256-bit registers (AVX2). AVX2 works on two 128-bit
// halves side by side, and every operation here acts on each half as the SSE4.1 one (sse41_lanes.h)
// acts on its register, so one kernel serves both. Only kernels_avx2.cpp includes this, below its
// switch to AVX2.
#pragma once

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "conversion/paired_gain_reader.h"

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
    template <int kBits>
    [[gnu::always_inline]] static V ShlDwords(V v) {
        return _mm256_slli_epi32(v, kBits);
    }
    [[gnu::always_inline]] static V And(V a, V b) { return _mm256_and_si256(a, b); }
    [[gnu::always_inline]] static V Or(V a, V b) { return _mm256_or_si256(a, b); }
    [[gnu::always_inline]] static V AddWords(V a, V b) { return _mm256_add_epi16(a, b); }
    [[gnu::always_inline]] static V AddDwords(V a, V b) { return _mm256_add_epi32(a, b); }
    [[gnu::always_inline]] static V MulLoWords(V a, V b) { return _mm256_mullo_epi16(a, b); }
    [[gnu::always_inline]] static V MulHiWords(V a, V b) { return _mm256_mulhi_epu16(a, b); }
    [[gnu::always_inline]] static V MulAddPairs(V a, V b) { return _mm256_madd_epi16(a, b); }
    [[gnu::always_inline]] static V MinWords(V a, V b) { return _mm256_min_epu16(a, b); }
    // The even words of a with the odd words of b.
    [[gnu::always_inline]] static V BlendOddWords(V a, V b) { return _mm256_blend_epi16(a, b, 0xAA); }
    [[gnu::always_inline]] static Marks NoMarks() { return _mm256_setzero_si256(); }
    [[gnu::always_inline]] static void MarkEqual(Marks& marks, V a, V b) {
        marks = _mm256_or_si256(marks, _mm256_cmpeq_epi16(a, b));
    }
    [[gnu::always_inline]] static uint32_t LaneBits(Marks marks) {
        return static_cast<uint32_t>(_mm256_movemask_epi8(marks));
    }

    // Reads a block's gains (paired_gain_reader.h).
    using GainReader = PairedGainReader<Avx2Lanes>;
};
}  // namespace qdflip::conversion::x86
