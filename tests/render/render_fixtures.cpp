#include "tests/render/render_fixtures.h"

#include <sstream>

namespace vonnik::test {

ModelGrid BlankGrid(int countI, int countJ) {
    ModelGrid g;
    g.GridMaxX = countI - 1;
    g.GridMaxY = countJ - 1;
    for (GridArray<double>* a :
         {&g.FrontX, &g.FrontY, &g.FrontZ, &g.BackX, &g.BackY, &g.BackZ, &g.EdgeDistance,
          &g.LocalRadius, &g.TextureX, &g.TextureY}) {
        a->Resize(countI, countJ);
        a->Fill(0.0);
    }
    g.NearestOutline.Resize(countI, countJ);
    g.NearestOutline.Fill(0);
    g.VertexState.Resize(countI, countJ);
    g.VertexState.Fill(VertexKind::kOutside);
    return g;
}

TriangleModel::TriangleModel(std::array<Point, 3> screen, std::array<Point, 3> texels)
    : grid(BlankGrid(3, 1)) {
    for (int k = 0; k < 3; ++k) {
        grid.FrontX(k, 0) = grid.BackX(k, 0) = screen[k].x;
        grid.FrontY(k, 0) = grid.BackY(k, 0) = screen[k].y;
        grid.TextureX(k, 0) = texels[k].x;
        grid.TextureY(k, 0) = texels[k].y;
    }
}

FillContext ContextFor(const ModelGrid& grid, const Raster& picture, Raster& frame, double shade) {
    FillContext ctx;
    ctx.grid = &grid;
    ctx.picture = &picture;
    ctx.frame = &frame;
    ctx.ShadeFactor = shade;
    ctx.rowBegin = 0;
    ctx.rowEnd = frame.Height();
    return ctx;
}

Raster Gradient(int width, int height) {
    Raster r(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            r.Set(x, y,
                  static_cast<Pixel>((x * 7 + 3) % 256 | ((y * 13 + 5) % 256) << 8 |
                                     ((x * 3 + y * 5) % 256) << 16));
    return r;
}

ModelGrid FlatLattice(int countI, int countJ, double step, VertexKind inner) {
    ModelGrid g = BlankGrid(countI, countJ);
    for (int i = 0; i < countI; ++i) {
        for (int j = 0; j < countJ; ++j) {
            const bool border = i == 0 || j == 0 || i == countI - 1 || j == countJ - 1;
            g.VertexState(i, j) = border ? VertexKind::kOutside : inner;
            g.FrontX(i, j) = g.BackX(i, j) = (i - (countI - 1) / 2.0) * step;
            g.FrontY(i, j) = g.BackY(i, j) = (j - (countJ - 1) / 2.0) * step;
            g.TextureX(i, j) = i * step;
            g.TextureY(i, j) = j * step;
        }
    }
    return g;
}

SharedState StateWith(ModelGrid grid, Raster front, Raster back, int width, int height) {
    SharedState st;
    st.Grid = std::move(grid);
    st.Grid.BackgroundColour = 0x405060;
    st.FrontPicture = std::move(front);
    st.BackPicture = std::move(back);
    st.LightX = 0.0;
    st.LightY = 0.0;
    st.LightZ = -1.0;
    st.LightAmount = 1.0;
    st.ViewWidth = width;
    st.ViewHeight = height;
    return st;
}

SharedState Built(const Raster& front, const Raster& back, const PanelInputs& panel) {
    SharedState st;
    BuildIntoState(st, panel, "picture.bmp", front, back, {});
    return st;
}

::testing::AssertionResult SameFrame(const Raster& a, const Raster& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return ::testing::AssertionFailure() << "sizes " << a.Width() << "x" << a.Height()
                                             << " and " << b.Width() << "x" << b.Height();
    int differing = 0;
    std::ostringstream first;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            if (a.At(x, y) == b.At(x, y)) continue;
            if (differing++ == 0)
                first << "first at (" << x << ", " << y << "): " << std::hex << a.At(x, y) << " vs "
                      << b.At(x, y) << std::dec;
        }
    }
    if (differing == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differing << " pixels differ, " << first.str();
}

int CountOther(const Raster& frame, Pixel colour) {
    int n = 0;
    for (Pixel p : frame.Pixels()) n += p != colour ? 1 : 0;
    return n;
}

}  // namespace vonnik::test
