#include "builder/build_phases.h"

namespace vonnik {

void RunBuildPhases(ModelGrid& grid, Raster& front, Raster& back, const BuildSettings& settings,
                    const ProgressFn& progress, const std::stop_token& stop) {
    StopIfAsked(stop);
    LayLattice(grid, front, settings);
    StopIfAsked(stop);
    ClassifyVertices(grid, front, progress, stop);
    StopIfAsked(stop);
    InflateProfile(grid);
    StopIfAsked(stop);
    ClearBorderRing(grid);
    SpreadEdgeColours(grid, front, back);
    StopIfAsked(stop);
    CentreModel(grid, front);
}

}  // namespace vonnik
