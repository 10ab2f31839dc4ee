// The third build phase keeps the profile rule. It turns the classified flat lattice into
// the solid: seen in a cut through an inner vertex and its nearest outline pixel, the
// surface rises from the outline along a quarter circle (at curvature 1.00) whose radius is
// the radius the claim rule (builder/classify.h) left at that outline pixel. The front gets
// the height with a minus sign (towards the viewer), the back the same height with a plus
// sign, so the solid is symmetric about the picture plane and closed along the outline.
// Positions are still picture pixels here; the centring rule comes later.
//
// The profile rule, five steps in this order:
// 1. Every edge vertex moves onto its nearest outline pixel k: FrontX = OutlineX[k],
//    FrontY = OutlineY[k]; its height stays 0.
// 2. Every inner vertex: LocalRadius = OutlineRadius[NearestOutline] (still squared).
// 3. Every inner vertex: EdgeDistance = sqrt(EdgeDistance), LocalRadius = sqrt(LocalRadius).
//    From here d = EdgeDistance is the vertex's distance from its nearest outline pixel and
//    R = LocalRadius the radius there.
// 4. For i = 1 .. GridMaxX - 1 and, within it, j = 1 .. GridMaxY - 1, every inner vertex
//    with d > 0.0 (strictly; one with d = 0 keeps its flat position and height 0):
//      if R == 0.0: R = d (stored in LocalRadius);
//      t = d / R;  theta = t * 1.5707963267948966;
//      s = power(sin theta, Curvature);  c = power(cos theta, Curvature), by the power rule
//        (core/numbers.h);
//      (ox, oy) = the nearest outline pixel, (X, Y) = the vertex's flat position;
//      px = (X - ox) / t + ox;  py = (Y - oy) / t + oy  (the point at distance R from the
//        outline pixel on the ray through the vertex);
//      FrontX = ox * c + (1.0 - c) * px;  FrontY = oy * c + (1.0 - c) * py;
//      FrontZ = -R * s;  BackZ = -FrontZ.
//    At curvature 1.00 the vertex lies on the quarter circle of radius R, at an angle from
//    the outline proportional to its distance; a vertex at d = R reaches the top (height R,
//    position unchanged). Curvature 0 gives s = c = 1: every inner vertex stands on its
//    outline pixel at height R. With a circle tolerance of 1.00 or less R can be smaller
//    than d, cos theta turns negative, and a fractional curvature then gives c = 0 by the
//    power rule.
// 5. With colour projection kVertical only: TextureX, TextureY = FrontX, FrontY for every
//    vertex, whatever its kind: each point of the solid shows the picture pixel straight
//    below it. With kFlat the texture coordinates keep the flat positions of the lattice
//    rule.
// Each vertex reads only its own entries and the outline lists, so the order of the
// vertices within a step does not matter.

#pragma once

#include "builder/model_grid.h"

namespace vonnik {

// The profile rule: edge vertices onto the outline, local radii, the rounded profile,
// projected texture coordinates.
void InflateProfile(ModelGrid& grid);

}  // namespace vonnik
