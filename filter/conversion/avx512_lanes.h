// The vector operations of the colour kernel for 512-bit registers (AVX-512 with its byte and word
// operations, BW, and its shorter forms, VL). Every operation acts on each 128-bit part as the SSE4.1
// one (sse41_lanes.h) acts on its register, so one kernel serves all three sets; the marks live in a
// mask register, one bit a lane. Only kernels_avx512.cpp includes this, below its switch to AVX-512.
#pragma once

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "conversion/paired_gain_reader.h"

namespace qdflip::conversion::x86 {
struct Avx512Lanes {
    using V = __m512i;
    using Count = __m128i;
    static constexpr size_t kBytes = 64;
    static constexpr size_t kWindows = 32;
    using Marks = __mmask32;
    static constexpr unsigned kBitsPerMark = 1;

    [[gnu::always_inline]] static V Load(const uint8_t* p) { return _mm512_loadu_si512(p); }
    [[gnu::always_inline]] static void Store(uint8_t* p, V v) { _mm512_storeu_si512(p, v); }
    [[gnu::always_inline]] static V Words(uint16_t w) { return _mm512_set1_epi16(static_cast<int16_t>(w)); }
    [[gnu::always_inline]] static V Dwords(uint32_t d) { return _mm512_set1_epi32(static_cast<int32_t>(d)); }
    [[gnu::always_inline]] static V Opaque(V v) {
        asm("" : "+v"(v));
        return v;
    }
    [[gnu::always_inline]] static V EveryHalf(const uint8_t* bytes) {
        return _mm512_broadcast_i32x4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)));
    }
    [[gnu::always_inline]] static V ShuffleBytes(V v, V pattern) { return _mm512_shuffle_epi8(v, pattern); }
    [[gnu::always_inline]] static V EvenDwords(V a, V b) {
        return _mm512_castps_si512(_mm512_shuffle_ps(_mm512_castsi512_ps(a), _mm512_castsi512_ps(b), 0x88));
    }
    [[gnu::always_inline]] static V UnpackLo16(V a, V b) { return _mm512_unpacklo_epi16(a, b); }
    [[gnu::always_inline]] static V UnpackHi16(V a, V b) { return _mm512_unpackhi_epi16(a, b); }
    [[gnu::always_inline]] static V UnpackLo32(V a, V b) { return _mm512_unpacklo_epi32(a, b); }
    [[gnu::always_inline]] static V UnpackHi32(V a, V b) { return _mm512_unpackhi_epi32(a, b); }
    template <int kBits>
    [[gnu::always_inline]] static V ShrWords(V v) {
        return _mm512_srli_epi16(v, kBits);
    }
    template <int kBits>
    [[gnu::always_inline]] static V ShlWords(V v) {
        return _mm512_slli_epi16(v, kBits);
    }
    [[gnu::always_inline]] static Count ShiftCount(uint16_t bits) { return _mm_cvtsi32_si128(bits); }
    [[gnu::always_inline]] static V ShrWordsBy(V v, Count bits) { return _mm512_srl_epi16(v, bits); }
    template <int kBits>
    [[gnu::always_inline]] static V ShrDwords(V v) {
        return _mm512_srli_epi32(v, kBits);
    }
    template <int kBits>
    [[gnu::always_inline]] static V ShlDwords(V v) {
        return _mm512_slli_epi32(v, kBits);
    }
    [[gnu::always_inline]] static V And(V a, V b) { return _mm512_and_si512(a, b); }
    [[gnu::always_inline]] static V Or(V a, V b) { return _mm512_or_si512(a, b); }
    [[gnu::always_inline]] static V AddWords(V a, V b) { return _mm512_add_epi16(a, b); }
    [[gnu::always_inline]] static V AddDwords(V a, V b) { return _mm512_add_epi32(a, b); }
    [[gnu::always_inline]] static V MulLoWords(V a, V b) { return _mm512_mullo_epi16(a, b); }
    [[gnu::always_inline]] static V MulHiWords(V a, V b) { return _mm512_mulhi_epu16(a, b); }
    [[gnu::always_inline]] static V MulAddPairs(V a, V b) { return _mm512_madd_epi16(a, b); }
    [[gnu::always_inline]] static V MinWords(V a, V b) { return _mm512_min_epu16(a, b); }
    // The even words of a with the odd words of b.
    [[gnu::always_inline]] static V BlendOddWords(V a, V b) {
        return _mm512_mask_blend_epi16(0xAAAAAAAA, a, b);
    }
    [[gnu::always_inline]] static Marks NoMarks() { return 0; }
    [[gnu::always_inline]] static void MarkEqual(Marks& marks, V a, V b) {
        marks = static_cast<Marks>(marks | _mm512_cmpeq_epi16_mask(a, b));
    }
    [[gnu::always_inline]] static uint32_t LaneBits(Marks marks) { return marks; }

    // Reads a block's gains (paired_gain_reader.h).
    using GainReader = PairedGainReader<Avx512Lanes>;
};
}  // namespace qdflip::conversion::x86
