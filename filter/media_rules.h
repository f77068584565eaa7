// The filter's rules for media types and frame sizes, apart from COM so that they run anywhere.
//
// Accepted input: a video type with a VIDEOINFOHEADER format block and either UYVY or YUY2 at 16 bits
// a pixel, or RGB24 at any bit count. The output type is always the input type.
//
// Frame sizes and the raw modes:
//   - Any frame size is accepted. A frame has a usable size when its width and height are above 0 and
//     its work buffer of width x height x 4 bytes can be addressed. Frames of any other size (a
//     bottom-up height below 0, a zero width, a size that overflows) get no work buffer and pass
//     through unchanged in every mode.
//   - The raw modes read 2 bytes a pixel. A YUY2 stream carries them as a UYVY one does, and its
//     output is written in UYVY order as for UYVY. An RGB24 stream has 3 bytes a pixel and cannot
//     carry raw samples; its frames pass through unchanged in every mode.
//   - Whatever the mode, only what fits is copied: the work buffer gets the first bytes of a longer
//     input sample, the output sample no more than its size, and the output's length is what it holds.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qdflip {

enum class InputSubtype { kUyvy, kYuy2, kRgb24, kOther };

// What the rules look at in a proposed input type.
struct InputTypeFacts {
    bool videoMajorType = false;
    bool videoInfoFormat = false;  // FORMAT_VideoInfo with a format block large enough for its header
    InputSubtype subtype = InputSubtype::kOther;
    uint16_t bitCount = 0;
};

bool AcceptsInputType(const InputTypeFacts& type);

// The work buffer's size for a frame, or 0 when the frame has no usable size.
size_t WorkBufferBytes(int32_t width, int32_t height);

// Whether the raw modes convert frames of this type and size; when not, every frame passes through.
bool RawModesApply(InputSubtype subtype, int32_t width, int32_t height);

}  // namespace qdflip
