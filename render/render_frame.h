// The renderer keeps the frame rule; each textured triangle side it draws follows the fill
// rule (render/triangle_fill.cpp). There is no depth buffer: hidden surfaces are handled
// only by a back-face test per triangle side and by a painter's order that draws whole
// lines of grid cells from the far side of the model towards the viewer. The projection is
// orthographic and unscaled: model x and y are frame pixels from the frame's centre, and z
// takes part in the lighting only. Trunc, div and power are as the number rules say
// (core/numbers.h).
//
// The frame rule, in this order:
// 1. Background: a background picture is drawn at the frame's top-left corner at its own
//    size (black where it does not reach); without one the whole frame is filled with the
//    front picture's BackgroundColour.
// 2. Centre: CentreX = frame width div 2, CentreY = frame height div 2. A model point
//    (x, y, z) lies at frame column x + CentreX, row y + CentreY.
// 3. Cells: every cell (i, j) with 1 <= i <= M - 1 and 1 <= j <= N - 1 (M = GridMaxX,
//    N = GridMaxY) once, in the paint order:
//      kRowsDown     j = 1 .. N - 1 (outer), i = 1 .. M - 1 (inner)
//      kRowsUp       j = N - 1 .. 1 (outer), i = 1 .. M - 1 (inner)
//      kColumnsRight i = 1 .. M - 1 (outer), j = 1 .. N - 1 (inner)
//      kColumnsLeft  i = M - 1 .. 1 (outer), j = 1 .. N - 1 (inner)
//    Any other value draws as kRowsDown. The drag rule (viewer/rotation.h) chooses the order
//    so that the outer index runs from the far end of the grid axis that points most steeply
//    into or out of the screen.
// 4. Triangles: in each cell the first, then the second triangle of the cell split
//    (builder/lattice.h); one that the triangle rule leaves out is skipped on both sides.
//    Of the others the front side (front positions and picture) is drawn first, then the
//    back side (back positions and picture).
// 5. One side, with P(a, b) its position of vertex (a, b):
//    a. Edge vectors: u runs along increasing j, v along increasing i:
//         j odd,  first:  u = P(i, j+1) - P(i, j),     v = P(i+1, j) - P(i, j)
//         j odd,  second: u = P(i+1, j+1) - P(i+1, j), v = P(i+1, j+1) - P(i, j+1)
//         j even, first:  u = P(i, j+1) - P(i, j),     v = P(i+1, j+1) - P(i, j+1)
//         j even, second: u = P(i+1, j+1) - P(i+1, j), v = P(i+1, j) - P(i, j)
//    b. Normal: N = u x v on the front, N = v x u on the back, not normalised:
//       N.x = u.y * v.z - u.z * v.y, N.y = u.z * v.x - u.x * v.z, N.z = u.x * v.y - u.y * v.x
//       (with u and v exchanged on the back).
//    c. Back-face test: only a side with N.z < 0 (facing the viewer) is drawn; one seen
//       edge-on (N.z = 0) is not. The unturned model shows its front.
//    d. Light: cos = (N.x * Lx + N.y * Ly + N.z * Lz) / sqrt(N.x^2 + N.y^2 + N.z^2), set to
//       0 unless it is at least 0; L is the unit vector from the model towards the light.
//    e. Shade: f = 1 - power(max(1 - cos, 0), lightAmount). A side lit head-on gets 1, one
//       at 90 degrees or more to the light 0 (black, but still drawn); at light amount 1.00
//       f is cos itself, and larger amounts brighten every partly lit side (2.00 turns
//       cos 0.5 into 0.75). No ambient or specular term; the light has no colour.
//    f. Draw: textured, the fill rule with the side's corners in the cell split's order and
//       f; outlined (Wireframe), a triangle through (Trunc(X) + CentreX, Trunc(Y) + CentreY)
//       of its corners, filled black and outlined by a one-pixel white pen, so that every
//       later triangle covers the outlines of those before it.
// Drawn in several bands at once (RenderOptions::threads), every band lays its own rows of
// the background and draws every side in the same order, so each pixel keeps the same last
// writer as in one pass.

#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "builder/model_grid.h"
#include "core/raster.h"
#include "render/view_pose.h"

namespace vonnik {

// The weights (s, t) of P = V0 + s (V1 - V0) + t (V2 - V0); both -1 for a degenerate
// triangle.
struct TriangleWeights {
    double s;
    double t;
};
TriangleWeights SolveTriangleWeights(double x0, double y0, double x1, double y1, double x2,
                                     double y2, double px, double py);

// The inner loop of the fast fill. Every kernel draws exactly the same pixels; they differ in
// how many they take at once. kTiles draws a side at most eight columns wide over its whole
// box with the widest vector unit (AVX-512 eight pixels a step, AVX2 four; with SSE2 alone,
// sides at most two columns wide, two pixels a step) and the rows of larger sides with that
// unit; kBest is the choice that draws a frame fastest, today kTiles (measured against rows
// of four at a time, which it beats at 1080p and 4K now that it gathers its texels in one
// instruction). kOctets, kQuads and kPairs
// draw the rows of every side eight (AVX-512), four (AVX2) or two (SSE2) at a time. A kernel
// the processor cannot run falls back to a narrower one.
// A side that reads texels outside the picture is drawn by kScalar whatever the choice.
// A build with VONNIK_NO_SIMD runs kScalar alone, whatever is asked.
enum class FillKernel { kBest, kTiles, kOctets, kQuads, kPairs, kScalar };
inline constexpr int kFillKernelCount = static_cast<int>(FillKernel::kScalar) + 1;

// The kernels this build runs on this processor, widest first; kScalar always.
std::vector<FillKernel> RunnableFillKernels();
// "quads (AVX2, 4 pixels of a row at a time)" and the like.
const char* FillKernelName(FillKernel kernel);
// The kernels this processor runs and those the default fill draws with, in one line.
std::string DescribeFillKernels();

// What one call of the fill reads besides the model: set by RenderFrame for each side.
struct FillContext {
    const ModelGrid* grid = nullptr;
    const Raster* picture = nullptr;  // the side's picture
    Raster* frame = nullptr;
    std::int32_t CentreX = 0;
    std::int32_t CentreY = 0;
    double ShadeFactor = 0.0;  // 0..1
    int rowBegin = 0;          // rows of the frame this call may write: [rowBegin, rowEnd)
    int rowEnd = 0;
    FillKernel kernel = FillKernel::kBest;
};

// One textured, shaded triangle side by the fill rule: the front side takes the front
// positions, the back side the back ones; ctx.picture is the side's picture. A side with a
// coordinate that is not a finite number is not drawn; a picture coordinate outside the picture
// takes the nearest border pixel.
void FillTriangle(const FillContext& ctx, int i0, int j0, int i1, int j1, int i2, int j2,
                  Side side);

// The fill rule itself, pixel by pixel over the whole bounding box; the fast fill must match
// it everywhere.
void FillTriangleByBox(const FillContext& ctx, int i0, int j0, int i1, int j1, int i2, int j2,
                       Side side);

// The shade of the frame rule, 1 - power(max(1 - cos, 0), amount): the light factor of a
// side whose normal makes the angle with cosine cos (clamped at 0) with the light.
double ShadeFactorOf(double cos, double lightAmount);

struct RenderOptions {
    int threads = 1;                        // horizontal bands drawn at once
    bool referenceFill = false;             // draw with FillTriangleByBox
    FillKernel kernel = FillKernel::kBest;  // the fast fill's inner loop
};

// One band per processor core, at most eight: what the program and the tool draw with. Each
// pixel keeps the last writer it has in one pass, so the frame does not depend on the count.
RenderOptions AllCoresRenderOptions();

// What one frame shows: the model as turned, the pictures its sides carry, what lies behind
// it and the light.
struct FrameScene {
    const ModelGrid& grid;
    const Raster& front;  // the front side's picture
    const Raster& back;   // the back side's picture
    // Drawn at the frame's top-left corner behind the model (black where it does not reach);
    // without one the frame is filled with the front picture's background colour.
    const Raster* background = nullptr;
    Vec3 light;                // unit vector from the model towards the light
    double lightAmount = 1.0;  // the shading exponent, 1..5
    ViewPose view;             // the pose the grid is shown in; outlined when view.Wireframe
};

// The frame rule: draws the scene into frame at frame's own size: the background, then the
// lines of cells in the painter's order (a value outside the four orders draws as
// kRowsDown), front then back side of every triangle of the solid that faces the viewer,
// textured, or outlined when scene.view.Wireframe is set.
void RenderFrame(const FrameScene& scene, PaintOrder order, Raster& frame,
                 const RenderOptions& options = {});

}  // namespace vonnik
