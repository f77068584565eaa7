#include "conversion/kernel_paths.h"

#include "conversion/kernel_set.h"
#include "conversion/portable_kernel.h"

// On x86 the colour rows also come as a hand-written vector kernel, compiled for SSE4.1 (eight windows
// a register), AVX2 (sixteen) and AVX-512 (thirty-two), each in a file of its own built for that
// instruction set; the CPU's features pick one at run time. The build defines QDFLIP_X86_KERNELS where
// it compiles them.
namespace qdflip::conversion {
#if defined(QDFLIP_X86_KERNELS)
const KernelSet& Sse41Kernels();
const KernelSet& Avx2Kernels();
const KernelSet& Avx512Kernels();
#endif

namespace {
struct PortableRows {
    template <class Cells, int kShift, bool kFast>
    static void Row(const ColourRow& row, const FilterSettings& settings, GainState& gains) {
        kernels::PortableRow<Cells, kShift, kFast>(row, settings, gains);
    }
};

constexpr KernelSet kPortableKernels = MakeKernelSet<PortableRows>();
}  // namespace

WindowCells CellsFor(int32_t bayerFormat, bool oddRow) {
    // The window's upper row has the colours of row y of the 2x2 cell, its lower row those of row y + 1:
    // on odd rows the cell appears with its rows swapped.
    switch (bayerFormat) {
        case 0:  // G/R/B/G
            return oddRow ? WindowCells::kRgbIs11_01_00 : WindowCells::kRgbIs01_00_10;
        case 1:  // G/B/R/G
            return oddRow ? WindowCells::kRgbIs00_01_11 : WindowCells::kRgbIs10_00_01;
        case 2:  // B/G/G/R
            return oddRow ? WindowCells::kRgbIs01_00_10 : WindowCells::kRgbIs11_01_00;
        default:  // 3, R/G/G/B, and every value without a name of its own
            return oddRow ? WindowCells::kRgbIs10_00_01 : WindowCells::kRgbIs00_01_11;
    }
}

const char* KernelPathName(KernelPath path) {
    switch (path) {
        case KernelPath::kSse41:
            return "sse4.1";
        case KernelPath::kAvx2:
            return "avx2";
        case KernelPath::kAvx512:
            return "avx512";
        case KernelPath::kPortable:
            break;
    }
    return "portable";
}

std::vector<KernelPath> AvailableKernelPaths() {
    std::vector<KernelPath> paths{KernelPath::kPortable};
#if defined(QDFLIP_X86_KERNELS)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("sse4.1")) {
        paths.push_back(KernelPath::kSse41);
    }
    if (__builtin_cpu_supports("avx2")) {
        paths.push_back(KernelPath::kAvx2);
    }
    // The kernel works on bytes and words (BW) and compares gains in 256-bit registers (VL).
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl")) {
        paths.push_back(KernelPath::kAvx512);
    }
#endif
    return paths;
}

KernelPath BestKernelPath() {
    static const KernelPath best = AvailableKernelPaths().back();
    return best;
}

const KernelSet& Kernels(KernelPath path) {
    switch (path) {
#if defined(QDFLIP_X86_KERNELS)
        case KernelPath::kSse41:
            return Sse41Kernels();
        case KernelPath::kAvx2:
            return Avx2Kernels();
        case KernelPath::kAvx512:
            return Avx512Kernels();
#endif
        default:
            return kPortableKernels;
    }
}
}  // namespace qdflip::conversion
