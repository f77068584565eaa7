// The colour kernel for AVX-512. The instruction set is switched on below the headers this file shares
// with the rest of the library: those stay compiled for the baseline, so that no copy of a shared
// function that the linker might pick for code running on any x86 uses AVX-512.
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

#pragma GCC target("avx512f,avx512bw,avx512vl")
// GCC 12's AVX-512 intrinsics start many results from _mm512_undefined_epi32(), which its own
// uninitialised-use analysis then reports; the values are fully written.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include "conversion/avx512_lanes.h"
#include "conversion/x86_kernel_set.h"

namespace qdflip::conversion {
const KernelSet& Avx512Kernels() {
    return x86::VectorKernelSet<x86::Avx512Lanes>();
}
}  // namespace qdflip::conversion
