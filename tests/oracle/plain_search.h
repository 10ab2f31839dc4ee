#pragma once

#include "builder/build_phases.h"

namespace vonnik::oracle {

// The classification rule and the claim rule (builder/classify.h) with the exhaustive
// searches over the whole outline, written loop for loop as the rules read there.
void ClassifyVerticesPlain(ModelGrid& grid, const Raster& front, const ProgressFn& progress);

// The spreading rule (builder/spread.h) with the exhaustive search per recoloured pixel.
void SpreadEdgeColoursPlain(const ModelGrid& grid, Raster& front, Raster& back);

// The outline rule (builder/lattice.h) written loop for loop as it reads: x outer, y inner,
// every pixel of the inner rows and columns against its four neighbours.
void ScanOutlinePlain(const Raster& front, Pixel background, std::vector<std::int32_t>& xs,
                      std::vector<std::int32_t>& ys);

// A whole build with the plain outline scan and both plain searches.
void RunBuildPhasesPlain(ModelGrid& grid, Raster& front, Raster& back,
                         const BuildSettings& settings, const ProgressFn& progress);

}  // namespace vonnik::oracle
