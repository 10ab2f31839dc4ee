#pragma once

#include <functional>
#include <stdexcept>

#include "builder/model_grid.h"
#include "core/raster.h"

namespace vonnik {

// The build phases, in the order a build runs them. Each works on the one model grid and on
// the pictures it names; none knows of any window.

// A build that cannot run (the model would not fit the memory budget, ...).
class BuildError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Largest size the lattice arrays of one model may take.
constexpr std::uint64_t kGridMemoryBudget = 6ull << 30;

// Lattice spacing, grid size, arrays, view reset, background colour and outline list.
// Throws BuildError, before allocating, when the grid would exceed kGridMemoryBudget.
void LayLattice(ModelGrid& grid, const Raster& front, const BuildSettings& settings);

// The progress bar's schedule: given the bar's position and the first index i of a figure
// vertex, the position after the thirteen tests.
int AdvanceProgress(int position, int i, int gridMaxX);
using ProgressFn = std::function<void(int position)>;

// Inside, edge or outside for every inner lattice vertex, the nearest outline pixel, the
// distance of inner vertices to the outline, and the radius claims. Reports every change of
// the progress position (starting from 5) through progress, which may be empty.
void ClassifyVertices(ModelGrid& grid, const Raster& front, const ProgressFn& progress);

// Edge vertices onto the outline, local radii, the rounded profile, projected texture
// coordinates.
void InflateProfile(ModelGrid& grid);

// The border ring of the grid set to outside.
void ClearBorderRing(ModelGrid& grid);

// Background pixels under the boxes of triangles at the figure's edge take the colours of
// their nearest outline pixel, in both pictures.
void SpreadEdgeColours(const ModelGrid& grid, Raster& front, Raster& back);

// Origin moved to the front picture's pixel (width div 2, height div 2); back x, y = front.
void CentreModel(ModelGrid& grid, const Raster& front);

// The lattice triangles of cell (i, j), in drawing order, as (di, dj) offsets of their
// corners: first triangle, then second.
struct CellTriangles {
    int di[2][3];
    int dj[2][3];
};
const CellTriangles& TrianglesOfCell(int j);

// The whole build over fresh pictures: every phase above, in order.
void RunBuildPhases(ModelGrid& grid, Raster& front, Raster& back, const BuildSettings& settings,
                    const ProgressFn& progress);

}  // namespace vonnik
