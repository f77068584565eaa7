// The vector kernel's KernelSet for one set of lanes. Included by the file of each x86 instruction
// set, below its switch to that set; the instantiations differ in their lanes type, so none can stand
// in for another.
#pragma once

#include "conversion/kernel_set.h"
#include "conversion/vector_kernel.h"

namespace qdflip::conversion::x86 {
template <class L>
struct VectorRows {
    template <class Cells, int kShift, bool kFast>
    static void Row(const ColourRow& row, const FilterSettings& settings, GainState& gains) {
        vector::VectorRow<L, Cells, kShift, kFast>(row, settings, gains);
    }
};

template <class L>
const KernelSet& VectorKernelSet() {
    static constexpr KernelSet kernels = MakeKernelSet<VectorRows<L>>();
    return kernels;
}
}  // namespace qdflip::conversion::x86
