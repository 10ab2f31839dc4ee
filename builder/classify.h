#pragma once

#include "builder/build_error.h"
#include "builder/model_grid.h"
#include "core/raster.h"

namespace vonnik {

// The progress schedule: given the position and the first index i of a figure vertex, the
// position after the thirteen tests.
int AdvanceProgress(int position, int i, int gridMaxX);

// Inside, edge or outside for every inner lattice vertex, the nearest outline pixel, the
// distance of inner vertices to the outline, and the radius claims. Reports every change of
// the progress position (starting from 5) through progress, which may be empty.
void ClassifyVertices(ModelGrid& grid, const Raster& front, const ProgressFn& progress);

}  // namespace vonnik
