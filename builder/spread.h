// The fourth build phase keeps the border rule and the spreading rule, in this order. Both
// work in picture pixels of the front picture: the positions are not yet centred.
//
// The border rule: every vertex of a ring along the grid's edges becomes outside: the rows
// j = 0, 1, GridMaxY - 1, GridMaxY and the columns i = 0, 1, GridMaxX - 2, GridMaxX - 1,
// GridMaxX. The ring is two vertices wide on three sides and three along the side of the
// largest i. Only VertexState changes; positions and heights stay. From then on these
// vertices take part in nothing: the viewer does not turn them, and no triangle that uses
// them is spread, drawn or exported, so a figure touching the picture's border leaves the
// solid open there.
//
// The spreading rule: the triangles along the outline reach a little beyond the figure, onto
// background pixels; those take the colours of the figure's edge, in both pictures, before
// anything samples the pictures.
// 1. For i = 1 .. GridMaxX - 1 (outer loop) and j = 1 .. GridMaxY - 1 (inner loop), both
//    triangles of cell (i, j) in the order of the cell split (builder/lattice.h).
// 2. A triangle qualifies when at least one of its corners is an edge vertex (after the
//    border rule).
// 3. Its box: Left = Trunc(min x), Top = Trunc(min y), Right = Trunc(max x),
//    Bottom = Trunc(max y) over its corners' FrontX, FrontY; pixels outside the front
//    picture are left alone.
// 4. For x = Left .. Right (outer) and y = Top .. Bottom (inner): a pixel of exactly
//    BackgroundColour in the front picture takes the front picture's colour at the outline
//    pixel (ox, oy) that the nearest-pixel rule (builder/classify.h) finds for (x, y); the
//    back picture's pixel at (x, y) takes the back picture's colour at (ox, oy). Only the
//    front picture decides which pixels change. A back picture smaller than the front is
//    read at its nearest border pixel, and what falls outside it is not written.
// A recoloured pixel is no longer background and outline pixels never are, so every pixel
// changes at most once and the result does not depend on the order of the triangles or of
// the pixels in a box.

#pragma once

#include "builder/model_grid.h"
#include "core/raster.h"

namespace vonnik {

// The border rule: the ring of the grid set to outside.
void ClearBorderRing(ModelGrid& grid);

// The spreading rule: background pixels under the boxes of triangles at the figure's edge
// take the colours of their nearest outline pixel, in both pictures.
void SpreadEdgeColours(const ModelGrid& grid, Raster& front, Raster& back);

}  // namespace vonnik
