#pragma once

#include "builder/build_error.h"
#include "builder/centre.h"
#include "builder/classify.h"
#include "builder/inflate.h"
#include "builder/lattice.h"
#include "builder/model_grid.h"
#include "builder/spread.h"
#include "core/raster.h"

namespace vonnik {

// The whole build over fresh pictures, phase by phase: lattice and outline, classification
// and radius claims, inflation profile, border clearing and edge colour spreading (which
// recolours both pictures), centring and back surface. Throws BuildCancelled when stop is
// requested before the build ends (checked between the phases and within the
// classification's loops); the grid and pictures are then half built.
void RunBuildPhases(ModelGrid& grid, Raster& front, Raster& back, const BuildSettings& settings,
                    const ProgressFn& progress, const std::stop_token& stop = {});

}  // namespace vonnik
