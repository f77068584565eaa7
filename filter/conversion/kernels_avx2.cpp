// Compiled for AVX2.
#include "conversion/x86_kernel_set.h"

namespace qdflip::conversion {
const KernelSet& Avx2Kernels() {
    return x86::VectorKernelSet<x86::Avx2Lanes>();
}
}  // namespace qdflip::conversion
