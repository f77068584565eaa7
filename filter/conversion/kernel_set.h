// A KernelSet from a family of row functions: `Rows::Row<Cells, kShift, kFast>` for every cell
// choice, sample depth and speed.
#pragma once

#include <array>

#include "conversion/kernel_paths.h"
#include "conversion/window_access.h"

namespace qdflip::conversion {
// The cells of each WindowCells value.
using CellsA = kernels::Pick<1, 0, 2>;  // kRgbIs01_00_10
using CellsB = kernels::Pick<3, 1, 0>;  // kRgbIs11_01_00
using CellsC = kernels::Pick<2, 0, 1>;  // kRgbIs10_00_01
using CellsD = kernels::Pick<0, 1, 3>;  // kRgbIs00_01_11

template <class Rows, int kShift, bool kFast>
constexpr std::array<ColourRowFunction, 4> RowsFor() {
    return {&Rows::template Row<CellsA, kShift, kFast>, &Rows::template Row<CellsB, kShift, kFast>,
            &Rows::template Row<CellsC, kShift, kFast>, &Rows::template Row<CellsD, kShift, kFast>};
}

template <class Rows>
constexpr KernelSet MakeKernelSet() {
    return {{{{RowsFor<Rows, 2, false>(), RowsFor<Rows, 2, true>()},
              {RowsFor<Rows, 4, false>(), RowsFor<Rows, 4, true>()}}}};
}
}  // namespace qdflip::conversion
