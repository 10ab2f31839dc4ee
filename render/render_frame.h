#pragma once

#include <cstdint>

#include "builder/model_grid.h"
#include "core/raster.h"

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
// how many they take at once. kBest takes four with AVX2, else two with SSE2. kOctets takes
// eight with AVX-512; it is not the default because the rows of a triangle a few pixels
// across leave most of its lanes idle, and it draws no faster than four. A kernel the
// processor cannot run falls back to a narrower one.
enum class FillKernel { kBest, kOctets, kQuads, kPairs, kScalar };

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

// One textured, shaded triangle side: the front side takes the front positions, the back
// side the back ones; ctx.picture is the side's picture. A side with a coordinate that is not a
// finite number is not drawn; a picture coordinate outside the picture takes the nearest border
// pixel.
void FillTriangle(const FillContext& ctx, int i0, int j0, int i1, int j1, int i2, int j2,
                  Side side);

// The same fill, pixel by pixel over the whole bounding box exactly as the rule reads; the
// fast fill must match it everywhere.
void FillTriangleByBox(const FillContext& ctx, int i0, int j0, int i1, int j1, int i2, int j2,
                       Side side);

// 1 - power(1 - cos, amount): the light factor of a side whose normal makes the angle with
// cosine cos (clamped at 0) with the light.
double ShadeFactorOf(double cos, double lightAmount);

struct RenderOptions {
    int threads = 1;                        // horizontal bands drawn at once
    bool referenceFill = false;             // draw with FillTriangleByBox
    FillKernel kernel = FillKernel::kBest;  // the fast fill's inner loop
};

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
};

// Draws the scene into frame at frame's own size: the background, then the lines of cells
// in the painter's order (a value outside the four orders draws as kRowsDown), front then
// back side of every triangle of the solid that faces the viewer, textured, or outlined
// when grid.Wireframe is set.
void RenderFrame(const FrameScene& scene, PaintOrder order, Raster& frame,
                 const RenderOptions& options = {});

}  // namespace vonnik
