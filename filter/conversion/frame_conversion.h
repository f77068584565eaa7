// ConvertFrame on a chosen kernel path, so that tests can hold every path against the others.
#pragma once

#include <cstddef>
#include <cstdint>

#include "conversion/kernel_paths.h"
#include "raw_conversion.h"

namespace qdflip::conversion {
void ConvertFrameOn(KernelPath path, const FilterSettings& settings, int32_t width, int32_t height,
                    const uint8_t* input, size_t inputLength, uint8_t* work, size_t workSize, uint8_t* output,
                    size_t outputSize);
}  // namespace qdflip::conversion
