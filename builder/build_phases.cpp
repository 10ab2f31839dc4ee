#include "builder/build_phases.h"

namespace vonnik {

void RunBuildPhases(ModelGrid& grid, Raster& front, Raster& back, const BuildSettings& settings,
                    const ProgressFn& progress) {
    LayLattice(grid, front, settings);
    ClassifyVertices(grid, front, progress);
    InflateProfile(grid);
    ClearBorderRing(grid);
    SpreadEdgeColours(grid, front, back);
    CentreModel(grid, front);
}

}  // namespace vonnik
