#include "conversion/kernel_paths.h"

#include "conversion/colour_kernel.h"

// The x86 paths are the portable code compiled for SSE4.1 (32-bit multiply and minimum in one
// instruction each; about a fifth faster than SSE2) and AVX2 (eight lanes), picked by CPU features.
// An AVX-512 build of the same code measured no faster. Windows builds stop at SSE4.1: MinGW does
// not keep the stack aligned for spilled 32-byte AVX registers.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define QDFLIP_SSE41_PATH 1
#else
#define QDFLIP_SSE41_PATH 0
#endif
#if QDFLIP_SSE41_PATH && !defined(_WIN32)
#define QDFLIP_AVX2_PATH 1
#else
#define QDFLIP_AVX2_PATH 0
#endif

namespace qdflip::conversion {
namespace {
using CellsA = kernels::Pick<1, 0, 2>;  // kRgbIs01_00_10
using CellsB = kernels::Pick<3, 1, 0>;  // kRgbIs11_01_00
using CellsC = kernels::Pick<2, 0, 1>;  // kRgbIs10_00_01
using CellsD = kernels::Pick<0, 1, 3>;  // kRgbIs00_01_11

struct PortableIsa {
    template <class Cells, int kShift, bool kFast>
    static void Row(const ColourRow& row, const FilterSettings& settings, GainState& gains) {
        kernels::ConvertRow<Cells, kShift, kFast>(row, settings, gains);
    }
};

#if QDFLIP_SSE41_PATH
struct Sse41Isa {
    template <class Cells, int kShift, bool kFast>
    [[gnu::target("sse4.1")]] static void Row(const ColourRow& row, const FilterSettings& settings,
                                              GainState& gains) {
        kernels::ConvertRow<Cells, kShift, kFast>(row, settings, gains);
    }
};
#endif

#if QDFLIP_AVX2_PATH
struct Avx2Isa {
    template <class Cells, int kShift, bool kFast>
    [[gnu::target("avx2")]] static void Row(const ColourRow& row, const FilterSettings& settings,
                                            GainState& gains) {
        kernels::ConvertRow<Cells, kShift, kFast>(row, settings, gains);
    }
};
#endif

template <class Isa, int kShift, bool kFast>
constexpr std::array<ColourRowFunction, 4> RowsFor() {
    return {&Isa::template Row<CellsA, kShift, kFast>, &Isa::template Row<CellsB, kShift, kFast>,
            &Isa::template Row<CellsC, kShift, kFast>, &Isa::template Row<CellsD, kShift, kFast>};
}

template <class Isa>
constexpr KernelSet MakeKernelSet() {
    return {{{{RowsFor<Isa, 2, false>(), RowsFor<Isa, 2, true>()},
              {RowsFor<Isa, 4, false>(), RowsFor<Isa, 4, true>()}}}};
}

constexpr KernelSet kPortableKernels = MakeKernelSet<PortableIsa>();
#if QDFLIP_SSE41_PATH
constexpr KernelSet kSse41Kernels = MakeKernelSet<Sse41Isa>();
#endif
#if QDFLIP_AVX2_PATH
constexpr KernelSet kAvx2Kernels = MakeKernelSet<Avx2Isa>();
#endif
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
        case KernelPath::kPortable:
            break;
    }
    return "portable";
}

std::vector<KernelPath> AvailableKernelPaths() {
    std::vector<KernelPath> paths{KernelPath::kPortable};
#if QDFLIP_SSE41_PATH
    __builtin_cpu_init();
    if (__builtin_cpu_supports("sse4.1")) {
        paths.push_back(KernelPath::kSse41);
    }
#endif
#if QDFLIP_AVX2_PATH
    if (__builtin_cpu_supports("avx2")) {
        paths.push_back(KernelPath::kAvx2);
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
#if QDFLIP_SSE41_PATH
        case KernelPath::kSse41:
            return kSse41Kernels;
#endif
#if QDFLIP_AVX2_PATH
        case KernelPath::kAvx2:
            return kAvx2Kernels;
#endif
        default:
            return kPortableKernels;
    }
}
}  // namespace qdflip::conversion
