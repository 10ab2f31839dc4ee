// The last build phase keeps the centring rule: for every vertex, whatever its kind,
// FrontX -= (front width div 2), FrontY -= (front height div 2), then BackX = FrontX and
// BackY = FrontY. The model's origin is thus the front picture's pixel (width div 2,
// height div 2), about which the viewer turns it and which the renderer puts at the frame's
// centre. Texture coordinates are not shifted: they stay picture pixels.
//
// After it the grid holds what the viewer turns, the renderer draws and the export writes:
// front and back share every x and y and mirror each other in z (BackZ = -FrontZ), and
// meet at z = 0 along the edge vertices; with a circle tolerance above 1.00 the front lies
// at z <= 0 (towards the viewer) and the back at z >= 0.

#pragma once

#include "builder/model_grid.h"
#include "core/raster.h"

namespace vonnik {

// The centring rule above: the origin to the front picture's centre pixel, back x, y = front.
void CentreModel(ModelGrid& grid, const Raster& front);

}  // namespace vonnik
