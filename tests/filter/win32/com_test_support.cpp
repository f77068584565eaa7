#include "com_test_support.h"

namespace qdflip::test {

std::vector<uint8_t> RawFrame(int32_t width, int32_t height, uint32_t seed) {
    std::vector<uint8_t> frame(static_cast<size_t>(width) * height * 2);
    uint32_t state = seed * 2654435761u + 1;
    for (size_t i = 0; i < frame.size(); i += 2) {
        state = state * 1664525u + 1013904223u;
        const uint32_t sample = (state >> 12) & 0xFFF;
        frame[i] = static_cast<uint8_t>(sample >> 8);
        frame[i + 1] = static_cast<uint8_t>(sample);
    }
    return frame;
}

}  // namespace qdflip::test
