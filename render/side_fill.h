#pragma once

#include "render/render_frame.h"

namespace vonnik {

// The three vertices of one triangle side as the fill reads them: model positions (before
// the frame centre is added) and picture coordinates, in the order V0, V1, V2.
struct SideVertices {
    double x[3], y[3];
    double tx[3], ty[3];
};

// FillTriangle and FillTriangleByBox on vertices already read from the model; ctx.grid is
// not used.
void FillSide(const FillContext& ctx, const SideVertices& v);
void FillSideByBox(const FillContext& ctx, const SideVertices& v);

}  // namespace vonnik
