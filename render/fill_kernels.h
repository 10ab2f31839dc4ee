#pragma once

// The inner loops of the fast fill: every row of one triangle side between its column
// limits. Each pixel goes through the fill rule's own operations in the rule's order
// (render/triangle_fill.cpp: weights at the pixel centre, inside test, interpolated picture
// coordinates, truncation, texel, shading), so a pixel comes out bit for bit as the fill
// rule draws it; the kernels differ only in how many pixels they take at once.

#include <cstdint>

#include "core/raster.h"
#include "render/render_frame.h"

namespace vonnik::fill {

// One side, ready to shade: the fill rule's constants, its clipped box and its column
// limits.
struct ShadedSide {
    double x0, y0;                            // screen position of V0
    double d1x, d1y, d2x, d2y;                // the edges V1 - V0 and V2 - V0
    double inv;                               // 1 / det
    double t0x, t0y, dt1x, dt1y, dt2x, dt2y;  // picture coordinates of V0, changes along the edges
    double shade;                             // the light factor, 0..1
    std::int64_t left, top, right, bottom;    // the box, inside the frame and the band
    // In row r, with qy = (r + 0.5) - y0, the fill rule can draw only columns c with
    // lowOffset[k] + lowSlope[k] * qy <= c <= highOffset[k] + highSlope[k] * qy (k = 0, 1).
    double lowOffset[2], lowSlope[2], highOffset[2], highSlope[2];
    // Every picture coordinate of a drawn pixel truncates into the picture.
    bool texelsInside;
};

// The output word of one texel: each colour byte times f, truncated; the fourth byte 0.
inline Pixel Shade(Pixel texel, double f) {
    const auto b = static_cast<std::int32_t>((texel & 0xFFu) * f);
    const auto g = static_cast<std::int32_t>(((texel >> 8) & 0xFFu) * f);
    const auto r = static_cast<std::int32_t>(((texel >> 16) & 0xFFu) * f);
    return static_cast<Pixel>(b + g * 256 + r * 65536);
}

// The widest box, in columns, of the sides that ShadeSmallSide draws over their whole box
// when `asked` is the kernel asked for, with the widest vector unit this processor runs: for
// kBest and kTiles 8 with AVX-512 (one step a row) or AVX2 (two), 2 with SSE2; else 0.
int TileColumnsOf(FillKernel asked);

// The row kernel that draws a side whose texels all lie inside its picture when `asked` is
// the kernel asked for: the widest this build and processor run that `asked` allows.
FillKernel RowKernelOf(FillKernel asked);

// Draws a side whose box is at most TileColumnsOf(kernel) columns wide over its whole box,
// with the widest vector unit, when every texel lies inside the picture; the column limits are
// then not needed. False, having drawn nothing, otherwise.
bool ShadeSmallSide(const ShadedSide& side, const Raster& picture, Raster& frame,
                    FillKernel kernel);

// Draws the rows of the side into frame with RowKernelOf(kernel), or with the scalar kernel
// when a texel lies outside the picture.
void ShadeSide(const ShadedSide& side, const Raster& picture, Raster& frame, FillKernel kernel);

}  // namespace vonnik::fill
