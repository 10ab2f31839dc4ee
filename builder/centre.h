#pragma once

#include "builder/model_grid.h"
#include "core/raster.h"

namespace vonnik {

// Origin moved to the front picture's pixel (width div 2, height div 2); back x, y = front.
void CentreModel(ModelGrid& grid, const Raster& front);

}  // namespace vonnik
