// The colour kernel for SSE4.1. The instruction set is switched on below the headers this file shares
// with the rest of the library: those stay compiled for the baseline, so that no copy of a shared
// function that the linker might pick for code running on any x86 uses SSE4.1.
#include <immintrin.h>

#include <array>
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "conversion/gain_state.h"
#include "conversion/kernel_paths.h"
#include "conversion/kernel_set.h"
#include "conversion/window_access.h"
#include "raw_conversion.h"

#pragma GCC target("sse4.1")
#include "conversion/sse41_lanes.h"
#include "conversion/x86_kernel_set.h"

namespace qdflip::conversion {
const KernelSet& Sse41Kernels() {
    return x86::VectorKernelSet<x86::Sse41Lanes>();
}
}  // namespace qdflip::conversion
