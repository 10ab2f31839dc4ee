#pragma once

#include "builder/model_grid.h"

namespace vonnik {

// Edge vertices onto the outline, local radii, the rounded profile, projected texture
// coordinates.
void InflateProfile(ModelGrid& grid);

}  // namespace vonnik
