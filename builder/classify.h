// The second build phase keeps the classification rule, the nearest-pixel rule, the claim
// rule and the progress schedule. It runs on the flat lattice of the lattice rule
// (builder/lattice.h): X, Y below are a vertex's FrontX, FrontY there, and a point's pixel
// is (Trunc(x + 0.5), Trunc(y + 0.5)) as the number rules say (core/numbers.h). A point is
// background when its pixel has exactly BackgroundColour; a pixel outside the picture is
// never background (and never figure).
//
// The classification rule. Only vertices with 1 <= i <= GridMaxX - 1 and
// 1 <= j <= GridMaxY - 1 are classified; the others stay outside.
// 1. A vertex is on the figure when its pixel lies inside the picture and is not
//    background; every other vertex stays outside, and nothing else is written for it.
// 2. A vertex on the figure is an edge vertex when at least one of twelve probes is
//    background, otherwise an inner vertex. The probes are the four points one pixel away,
//    (X + 1, Y), (X - 1, Y), (X, Y + 1), (X, Y - 1), and the flat positions of the eight
//    lattice neighbours by index, (i+1, j), (i-1, j), (i, j+1), (i, j-1), (i+1, j+1),
//    (i+1, j-1), (i-1, j+1), (i-1, j-1), on both lattices alike. A probe that leaves the
//    picture does not make an edge vertex.
// 3. NearestOutline = the outline pixel the nearest-pixel rule finds for (X, Y); an inner
//    vertex also keeps EdgeDistance = that pixel's squared distance d^2. When the outline
//    list is empty, every vertex stays outside.
//
// The nearest-pixel rule: the outline pixel k with the smallest squared distance
// (x - OutlineX[k])^2 + (y - OutlineY[k])^2, computed in doubles in that form; of several
// at the same distance the lowest index (the first in the outline rule's order) wins. Every
// outline pixel competes, however far away. The spreading rule uses the same search
// (builder/spread.h). The searches here (OutlineIndex, RowNearest) give exactly this answer
// for every point, faster than a scan of the whole list.
//
// The claim rule: every inner vertex, at (X, Y) with squared distance d^2, claims every
// outline pixel k with e^2 = (OutlineX[k] - X)^2 + (OutlineY[k] - Y)^2 and
// CircleToleranceSq * d^2 > e^2 (strictly; CircleToleranceSq = CircleTolerance *
// CircleTolerance): if OutlineRadius[k] < d^2 (strictly),
// OutlineRadius[k] = d^2. So each outline pixel keeps the largest squared distance of all
// inner vertices whose circle of radius CircleTolerance * d holds it strictly inside, or 0.0
// when none does; the result does not depend on the order of the vertices. With a
// tolerance above 1.00 every inner vertex claims its own nearest pixel; at 1.00 or below no
// vertex claims anything (nothing is nearer than the nearest pixel) and every radius stays
// 0.0. The profile rule (builder/inflate.h) gives an inner vertex the claim its nearest
// pixel keeps: the larger the tolerance, the more of the outline the wide parts of the
// figure claim, and the fuller the bulge.
//
// The progress schedule: the position starts at 5, and for each figure vertex, by
// increasing first index i, thirteen tests run in this order; each moves the position from
// `at` to `to` when it stands at `at` and i > (GridMaxX * k) div 14. Several tests can fire
// at the same vertex. The position never passes 90 here; the build's end sets 100.
//     at  5 10 15 25 30 35 45 50 55 65 70 75 85
//     k   1  2  3  4  5  6  7  8  9 10 11 12 13
//     to 10 15 25 30 35 45 50 55 65 70 75 85 90

#pragma once

#include "builder/build_error.h"
#include "builder/model_grid.h"
#include "core/raster.h"

namespace vonnik {

// The progress schedule above: given the position and the first index i of a figure
// vertex, the position after the thirteen tests.
int AdvanceProgress(int position, int i, int gridMaxX);

// The classification rule and the claim rule over the whole lattice. Reports every change
// of the progress position (starting from 5) through progress, which may be empty.
// Throws BuildCancelled when stop is requested: checked once per lattice line and every few
// thousand radius claims.
void ClassifyVertices(ModelGrid& grid, const Raster& front, const ProgressFn& progress,
                      const std::stop_token& stop = {});

}  // namespace vonnik
