// The first build phase keeps three rules here: the lattice rule, the outline rule and the
// cell split; the triangle rule below says which cell triangles belong to the solid. W and H
// are the front picture's width and height; Trunc and div are as the number rules say
// (core/numbers.h).
//
// The lattice rule, in this order:
// 1. Spacing. Triangle lattice: unit = PolygonSize * sqrt(1 / (2 * sqrt(3))) (about
//    0.537284965911771 * PolygonSize); the grid's PolygonSize becomes unit; StepX = 2 * unit;
//    StepY = sqrt(3) * unit. Square lattice (the special polygon): StepX = StepY =
//    PolygonSize. Both: HalfStepX = StepX * 0.5; HalfStepY = StepY * 0.5. Either way one
//    cell has the area PolygonSize^2 of the size entered, the same density on both.
// 2. Grid size: GridMaxX = Trunc((W + HalfStepX + 2.0) / StepX) + 2 and
//    GridMaxY = Trunc((H + HalfStepY + 2.0) / StepY) + 1 (+ 2 along x, + 1 along y).
//    Vertex (i, j) has i = 0..GridMaxX along the picture's x axis and j = 0..GridMaxY along
//    its y axis. An empty picture, or a grid whose arrays would pass kGridMemoryBudget or
//    whose indices would not fit 32 bits, is refused with a BuildError before anything is
//    allocated.
// 3. Every lattice array gets (GridMaxX + 1) x (GridMaxY + 1) elements; the front and back
//    positions are set to 0.0 and every VertexState to outside. The other arrays are written
//    by a later phase before anything reads them.
// 4. View reset: ViewAxisA = (1, 0, 0), ViewAxisB = (0, 1, 0), DrawOrder = kRowsDown,
//    Wireframe off. The view is kept beside the grid (render/view_pose.h): the session
//    resets it when it takes a new build (session/session.h).
// 5. BackgroundColour = the colour of the front picture's pixel (0, 0). Every pixel of
//    exactly that colour is background; every other colour is figure.
// 6. The outline list, by the outline rule below; OutlineRadius gets one 0.0 per entry.
// 7. Flat positions: FrontX(i, j) = i * StepX - HalfStepX; FrontY(i, j) = j * StepY -
//    HalfStepY. On the triangle lattice every row of odd j (j = 2m + 1 for m = 0 ..
//    Trunc((GridMaxY - 1) / 2.0)) then moves by -HalfStepX, half a step towards smaller x.
// 8. With colour projection kFlat, TextureX, TextureY = FrontX, FrontY now: each vertex shows
//    the picture point under its flat position, and the picture swells with the surface.
//    With kVertical the copy is made after the profile rule instead (builder/inflate.h).
//
// The outline rule: for x = 1 .. W - 2 (outer loop) and y = 1 .. H - 2 (inner loop), the
// pixel (x, y) is an outline pixel when it is not background and at least one of (x + 1, y),
// (x - 1, y), (x, y + 1), (x, y - 1) is background. The list (OutlineX, OutlineY,
// OutlineCount) is in that order: by x, and by y within one x; this order decides every tie
// later (the lowest index wins). Pixels of the outermost rows and columns are never outline
// pixels, a pixel touching the background only diagonally is not one, and a picture
// narrower or lower than 3 pixels has none.
//
// The cell split: cell (i, j) has the corners (i, j), (i+1, j), (i, j+1), (i+1, j+1) and is
// cut into two triangles whose diagonal depends on whether j is odd. The corners are listed
// in this order, which is also the order the renderer hands them to the fill:
//     j odd:  first (i, j), (i+1, j), (i, j+1);   second (i+1, j), (i, j+1), (i+1, j+1)
//     j even: first (i, j), (i, j+1), (i+1, j+1); second (i, j), (i+1, j), (i+1, j+1)
// On the triangle lattice every triangle of the flat lattice is then equilateral with side
// StepX; on the square lattice the diagonals alternate from one row of cells to the next.
// The spreading rule, the frame rule and the mesh export all use this split.

#pragma once

#include "builder/build_error.h"
#include "builder/model_grid.h"
#include "core/raster.h"

namespace vonnik {

// The first phase: the lattice rule, with the outline rule for its step 6. Throws BuildError,
// before allocating, when the picture is empty or the grid would exceed kGridMemoryBudget.
void LayLattice(ModelGrid& grid, const Raster& front, const BuildSettings& settings);

// The cell split: the triangles of cell (i, j), first then second, as (di, dj) offsets of
// their corners in the order listed above. It depends only on whether j is odd.
struct CellTriangles {
    int di[2][3];
    int dj[2][3];
};
const CellTriangles& TrianglesOfCell(int j);

// The triangle rule: a cell triangle is part of the solid when all three of its corners are
// in the model (edge or inner vertices) and not all three are edge vertices. The renderer
// draws exactly these triangles, on both sides, and the mesh export writes exactly these.
constexpr bool TriangleInModel(VertexKind a, VertexKind b, VertexKind c) {
    return InModel(a) && InModel(b) && InModel(c) &&
           !(a == VertexKind::kEdge && b == VertexKind::kEdge && c == VertexKind::kEdge);
}

}  // namespace vonnik
