#pragma once

#include "builder/phases.h"

namespace vonnik::oracle {

// The classification and radius claims with the exhaustive searches over the whole outline,
// written loop for loop as the rules read (the search starts from +infinity; a figure vertex
// without any outline pixel stays outside).
void ClassifyVerticesPlain(ModelGrid& grid, const Raster& front, const ProgressFn& progress);

// The edge colour spreading with the exhaustive search per recoloured pixel.
void SpreadEdgeColoursPlain(const ModelGrid& grid, Raster& front, Raster& back);

// A whole build with both plain searches.
void RunBuildPhasesPlain(ModelGrid& grid, Raster& front, Raster& back,
                         const BuildSettings& settings, const ProgressFn& progress);

}  // namespace vonnik::oracle
