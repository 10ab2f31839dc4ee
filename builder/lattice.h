#pragma once

#include "builder/build_error.h"
#include "builder/model_grid.h"
#include "core/raster.h"

namespace vonnik {

// The first phase: lattice spacing, grid size, arrays, view reset, background colour and
// outline list. Throws BuildError, before allocating, when the picture is empty or the grid
// would exceed kGridMemoryBudget.
void LayLattice(ModelGrid& grid, const Raster& front, const BuildSettings& settings);

// The lattice triangles of cell (i, j), in drawing order, as (di, dj) offsets of their
// corners: first triangle, then second. The split depends only on whether j is odd.
struct CellTriangles {
    int di[2][3];
    int dj[2][3];
};
const CellTriangles& TrianglesOfCell(int j);

// True when the triangle with these corner kinds is part of the solid: all three corners
// are in the model and not all three sit on the outline. The renderer and the mesh export
// draw exactly these triangles.
constexpr bool TriangleInModel(VertexKind a, VertexKind b, VertexKind c) {
    return InModel(a) && InModel(b) && InModel(c) &&
           !(a == VertexKind::kEdge && b == VertexKind::kEdge && c == VertexKind::kEdge);
}

}  // namespace vonnik
