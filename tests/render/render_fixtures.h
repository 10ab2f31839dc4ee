#pragma once

// Hand-made models and frames for the renderer's and the viewer's tests.

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "render/render_frame.h"
#include "session/session.h"

namespace vonnik::test {

// A model grid of countI x countJ vertices with every lattice array sized: all states 0, all
// positions and picture coordinates 0, the view reset.
ModelGrid BlankGrid(int countI, int countJ);

// One triangle side for the fill: the grid holds V0, V1, V2 as vertices (0, 0), (1, 0),
// (2, 0), on both sides, with the given screen positions (frame centre 0) and picture
// coordinates.
struct Point {
    double x, y;
};
struct TriangleModel {
    ModelGrid grid;
    TriangleModel(std::array<Point, 3> screen, std::array<Point, 3> texels);
    void Fill(const FillContext& ctx) const { FillTriangle(ctx, 0, 0, 1, 0, 2, 0, Side::kFront); }
    void FillByBox(const FillContext& ctx) const {
        FillTriangleByBox(ctx, 0, 0, 1, 0, 2, 0, Side::kFront);
    }
};

// A fill context over frame and picture: centre 0, the whole frame as the band.
FillContext ContextFor(const ModelGrid& grid, const Raster& picture, Raster& frame,
                       double shade = 1.0);

// A picture whose every pixel is distinct: colour from the column and the row.
Raster Gradient(int width, int height);

// A flat square lattice of countI x countJ vertices, step pixels apart, centred on the
// model origin, facing the viewer: border vertices outside, the others `inner`; picture
// coordinates (i * step, j * step).
ModelGrid FlatLattice(int countI, int countJ, double step, VertexKind inner = VertexKind::kInner);

// A state ready to render: the grid, pictures, the light straight from the viewer (0, 0, -1)
// with amount 1, and a frame of width x height filled by colour 0x405060 as background.
SharedState StateWith(ModelGrid grid, Raster front, Raster back, int width, int height);

// A build of picture (front and back) through the panel's path, with the light at the
// picker's centre.
SharedState Built(const Raster& front, const Raster& back, const PanelInputs& panel = {});

// Success when both frames have the same size and pixel words; otherwise where they differ.
::testing::AssertionResult SameFrame(const Raster& a, const Raster& b);

// Pixels of the frame other than `colour`.
int CountOther(const Raster& frame, Pixel colour);

}  // namespace vonnik::test
