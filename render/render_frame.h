#pragma once

#include <cstdint>

#include "builder/shared_state.h"

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
// how many they take at once. kBest is the widest the processor runs (four with AVX2, else
// two with SSE2); a kernel the processor cannot run falls back to a narrower one.
enum class FillKernel { kBest, kQuads, kPairs, kScalar };

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

// One textured, shaded triangle side: side 1 takes the front positions and picture, any
// other value the back ones. A side with a coordinate that is not a finite number is not
// drawn; a picture coordinate outside the picture takes the nearest border pixel.
void FillTriangle(const FillContext& ctx, int i0, int j0, int i1, int j1, int i2, int j2, int side);

// The same fill, pixel by pixel over the whole bounding box exactly as the rule reads; the
// fast fill must match it everywhere.
void FillTriangleByBox(const FillContext& ctx, int i0, int j0, int i1, int j1, int i2, int j2,
                       int side);

// 1 - power(1 - cos, amount): the light factor of a side whose normal makes the angle with
// cosine cos (clamped at 0) with the light.
double ShadeFactorOf(double cos, double lightAmount);

struct RenderOptions {
    int threads = 1;                        // horizontal bands drawn at once
    bool referenceFill = false;             // draw with FillTriangleByBox
    FillKernel kernel = FillKernel::kBest;  // the fast fill's inner loop
};

// Draws the model into state.FrameBuffer (ViewWidth x ViewHeight): the background, then the
// lines of cells in the painter's order `order` (1..4; any other value draws as 1), front
// then back side of every eligible triangle, textured or outlined.
void RenderFrame(SharedState& state, int order, const RenderOptions& options = {});

}  // namespace vonnik
