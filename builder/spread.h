#pragma once

#include "builder/model_grid.h"
#include "core/raster.h"

namespace vonnik {

// The border ring of the grid set to outside.
void ClearBorderRing(ModelGrid& grid);

// Background pixels under the boxes of triangles at the figure's edge take the colours of
// their nearest outline pixel, in both pictures.
void SpreadEdgeColours(const ModelGrid& grid, Raster& front, Raster& back);

}  // namespace vonnik
