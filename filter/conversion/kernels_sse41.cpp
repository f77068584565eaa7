// Compiled for SSE4.1.
#include "conversion/x86_kernel_set.h"

namespace qdflip::conversion {
const KernelSet& Sse41Kernels() {
    return x86::VectorKernelSet<x86::Sse41Lanes>();
}
}  // namespace qdflip::conversion
