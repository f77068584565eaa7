#include "media_rules.h"

#include <limits>

namespace qdflip {

bool AcceptsInputType(const InputTypeFacts& type) {
    if (!type.videoInfoFormat || !type.videoMajorType) {
        return false;
    }
    switch (type.subtype) {
        case InputSubtype::kUyvy:
        case InputSubtype::kYuy2:
            return type.bitCount == 16;
        case InputSubtype::kRgb24:
            return true;
        case InputSubtype::kOther:
            break;
    }
    return false;
}

size_t WorkBufferBytes(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) {
        return 0;
    }
    const size_t pixels = static_cast<size_t>(width);
    if (pixels > std::numeric_limits<size_t>::max() / 4 / static_cast<size_t>(height)) {
        return 0;
    }
    return pixels * static_cast<size_t>(height) * 4;
}

bool RawModesApply(InputSubtype subtype, int32_t width, int32_t height) {
    return subtype != InputSubtype::kRgb24 && WorkBufferBytes(width, height) != 0;
}

}  // namespace qdflip
