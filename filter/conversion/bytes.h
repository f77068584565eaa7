// Byte-order helpers for the frame buffers, written so that the compiler turns them into plain
// (vector) loads and stores on little-endian machines.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace qdflip::conversion {
[[gnu::always_inline]] inline uint32_t LoadLe32(const uint8_t* bytes) {
    uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        word = (word >> 24) | ((word >> 8) & 0xFF00u) | ((word << 8) & 0xFF0000u) | (word << 24);
    }
    return word;
}

[[gnu::always_inline]] inline void StoreLe32(uint8_t* bytes, uint32_t word) {
    if constexpr (std::endian::native == std::endian::big) {
        word = (word >> 24) | ((word >> 8) & 0xFF00u) | ((word << 8) & 0xFF0000u) | (word << 24);
    }
    std::memcpy(bytes, &word, sizeof word);
}

[[gnu::always_inline]] inline uint64_t LoadLe64(const uint8_t* bytes) {
    uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        word = (uint64_t{LoadLe32(bytes + 4)} << 32) | LoadLe32(bytes);
    }
    return word;
}

[[gnu::always_inline]] inline void StoreLe64(uint8_t* bytes, uint64_t word) {
    StoreLe32(bytes, static_cast<uint32_t>(word));
    StoreLe32(bytes + 4, static_cast<uint32_t>(word >> 32));
}

[[gnu::always_inline]] inline uint16_t LoadLe16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

[[gnu::always_inline]] inline void StoreLe16(uint8_t* bytes, uint32_t word) {
    bytes[0] = static_cast<uint8_t>(word);
    bytes[1] = static_cast<uint8_t>(word >> 8);
}

// The 8-bit value of the raw sample whose two bytes are the low 16 bits of `word` in memory order
// (high byte first): the sample shifted right by `kShift` (2 for 10-bit, 4 for 12-bit samples), modulo
// 256. Bits of the high byte above the sample depth are not masked; they fall out of the result.
template <int kShift>
[[gnu::always_inline]] inline uint32_t RawSample(uint32_t word) {
    static_assert(kShift == 2 || kShift == 4);
    const uint32_t high = word & 0xFFu;
    const uint32_t low = (word >> 8) & 0xFFu;
    return ((high << (8 - kShift)) | (low >> kShift)) & 0xFFu;
}
}  // namespace qdflip::conversion
