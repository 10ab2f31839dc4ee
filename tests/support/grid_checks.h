#pragma once

#include <string>
#include <vector>

#include "builder/build_phases.h"
#include "core/raster.h"

namespace vonnik::test {

// The build's settings as the panel's numbers give them: curvature and tolerance as the
// coefficients (1.00 = 100 in the panel).
BuildSettings Settings(double polygonSize, double curvature = 1.0, double tolerance = 1.1,
                       bool colourProjection = false, bool triangleLattice = true);

// One build's whole outcome: the model, both recoloured pictures and the progress positions
// reported on the way.
struct BuildOutcome {
    ModelGrid grid;
    Raster front;
    Raster back;
    std::vector<int> progress;
};

// A whole build over copies of the pictures, by the accelerated phases or another runner of
// the same phases (the plain searches of the oracle).
using BuildRunner = void (*)(ModelGrid&, Raster&, Raster&, const BuildSettings&, const ProgressFn&);
inline void AcceleratedBuild(ModelGrid& grid, Raster& front, Raster& back,
                             const BuildSettings& s, const ProgressFn& progress) {
    RunBuildPhases(grid, front, back, s, progress);
}
BuildOutcome RunBuild(const Raster& front, const Raster& back, const BuildSettings& s,
                      BuildRunner runner = &AcceleratedBuild);

// Empty when both models hold the same numbers bit for bit (every scalar, every array
// element, the outline lists and radii); otherwise names the first difference.
std::string GridDifference(const ModelGrid& a, const ModelGrid& b);

// Empty when both pictures have the same size and pixel words; otherwise the first
// differing pixel.
std::string RasterDifference(const Raster& a, const Raster& b);

// True when every position and height of the model is a finite number.
bool AllPositionsFinite(const ModelGrid& g);

}  // namespace vonnik::test
