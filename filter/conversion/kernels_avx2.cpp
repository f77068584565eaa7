// The colour kernel for AVX2. The instruction set is switched on below the headers this file shares
// with the rest of the library: those stay compiled for the baseline, so that no copy of a shared
// function that the linker might pick for code running on any x86 uses AVX2.
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

#pragma GCC target("avx2")
#include "conversion/avx2_lanes.h"
#include "conversion/x86_kernel_set.h"

namespace qdflip::conversion {
const KernelSet& Avx2Kernels() {
    return x86::VectorKernelSet<x86::Avx2Lanes>();
}
}  // namespace qdflip::conversion
