#include "render/render_frame.h"

#include <algorithm>
#include <cmath>
#include <system_error>
#include <thread>
#include <vector>

#include "builder/phases.h"
#include "core/numbers.h"
#include "render/side_fill.h"
#include "render/wireframe.h"

namespace vonnik {

double ShadeFactorOf(double cos, double lightAmount) {
    if (!(cos >= 0.0)) cos = 0.0;
    // A side facing the light exactly can round 1 - cos a little below 0; the factor stays 1.
    const double base = std::max(1.0 - cos, 0.0);
    return 1.0 - Power(base, lightAmount);
}

namespace {

// The corners of a triangle's edge vectors, as positions in its table order: u runs from
// corner uFrom to uTo (increasing second index), v from vFrom to vTo (increasing first index).
struct EdgeCorners {
    int uTo, uFrom, vTo, vFrom;
};

const EdgeCorners& EdgesOf(int j, int triangle) {
    // odd j: (i, j), (i+1, j), (i, j+1) | (i+1, j), (i, j+1), (i+1, j+1)
    // even j: (i, j), (i, j+1), (i+1, j+1) | (i, j), (i+1, j), (i+1, j+1)
    static constexpr EdgeCorners kOdd[2] = {{2, 0, 1, 0}, {2, 0, 2, 1}};
    static constexpr EdgeCorners kEven[2] = {{1, 0, 2, 1}, {2, 1, 1, 0}};
    return (j % 2 != 0) ? kOdd[triangle] : kEven[triangle];
}

Vec3 Cross(const Vec3& u, const Vec3& v) {
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

template <typename Visit>
void VisitCells(int m, int n, int order, Visit&& visit) {
    switch (order) {
        case 2:
            for (int j = n - 1; j >= 1; --j)
                for (int i = 1; i <= m - 1; ++i) visit(i, j);
            break;
        case 3:
            for (int i = 1; i <= m - 1; ++i)
                for (int j = 1; j <= n - 1; ++j) visit(i, j);
            break;
        case 4:
            for (int i = m - 1; i >= 1; --i)
                for (int j = 1; j <= n - 1; ++j) visit(i, j);
            break;
        default:  // 1, and any value outside 1..4
            for (int j = 1; j <= n - 1; ++j)
                for (int i = 1; i <= m - 1; ++i) visit(i, j);
            break;
    }
}

void DrawBackground(SharedState& st) {
    Raster& frame = st.FrameBuffer;
    if (!st.BackgroundName.empty()) {
        if (st.BackgroundPicture.Width() < frame.Width() ||
            st.BackgroundPicture.Height() < frame.Height())
            frame.Fill(0);
        frame.DrawAt(st.BackgroundPicture, 0, 0);
    } else {
        frame.Fill(st.Grid.BackgroundColour);
    }
}

// The model's arrays as flat element pointers: every lattice array has the same layout.
struct ModelArrays {
    const std::int32_t* state;
    const double* x[2];  // [side]: 0 back, 1 front
    const double* y[2];
    const double* z[2];
    std::size_t countJ;

    explicit ModelArrays(const ModelGrid& g)
        : state(g.VertexState.Values().data()),
          x{g.BackX.Values().data(), g.FrontX.Values().data()},
          y{g.BackY.Values().data(), g.FrontY.Values().data()},
          z{g.BackZ.Values().data(), g.FrontZ.Values().data()},
          countJ(static_cast<std::size_t>(g.CountJ())) {}
};

// One visible side as the visitor hands it on: its corners (flat element indices, table
// order), their model positions and its face normal.
struct VisibleSide {
    int side;  // 1 front, 0 back
    std::size_t n[3];
    double x[3], y[3];
    Vec3 normal;
};

// Rows of the frame that one pass draws: [rowBegin, rowEnd) of a frame centred at centreY.
struct Band {
    int centreY, rowBegin, rowEnd;
    // False only when the side lies wholly above or below the band (NaN rows pass on and
    // are refused by the fill).
    bool Meets(const double* ys) const {
        const double lo = std::min({ys[0], ys[1], ys[2]}), hi = std::max({ys[0], ys[1], ys[2]});
        return !(centreY + hi < rowBegin - 1.0 || centreY + lo >= rowEnd + 1.0);
    }
};

// A triangle of a cell as element offsets of its corners from the cell's (i, j) element,
// in table order, with the corners its edge vectors run between.
struct TriangleShape {
    std::size_t offset[3];
    EdgeCorners edges;
};

// Both triangles of the cells of odd j ([1][t]) and of even j ([0][t]).
void ShapesOf(std::size_t countJ, TriangleShape (&shapes)[2][2]) {
    for (int odd = 0; odd < 2; ++odd) {
        const CellTriangles& cell = TrianglesOfCell(odd);
        for (int t = 0; t < 2; ++t) {
            for (int c = 0; c < 3; ++c)
                shapes[odd][t].offset[c] = static_cast<std::size_t>(cell.di[t][c]) * countJ +
                                           static_cast<std::size_t>(cell.dj[t][c]);
            shapes[odd][t].edges = EdgesOf(odd, t);
        }
    }
}

// The triangle exists only when all three corners are in the model and not all three sit
// on the outline.
bool Eligible(const std::int32_t* state, const std::size_t* n) {
    const std::int32_t a = state[n[0]], b = state[n[1]], c = state[n[2]];
    return a > 0 && b > 0 && c > 0 && !(a == kEdgeVertex && b == kEdgeVertex && c == kEdgeVertex);
}

// Fills in the side's positions and normal; false when it is passed over: wholly outside
// the band, or not facing the viewer.
bool LoadSide(const ModelArrays& m, const EdgeCorners& e, const Band& band, VisibleSide& vs) {
    const double *X = m.x[vs.side], *Y = m.y[vs.side], *Z = m.z[vs.side];
    for (int c = 0; c < 3; ++c) vs.y[c] = Y[vs.n[c]];
    if (!band.Meets(vs.y)) return false;
    for (int c = 0; c < 3; ++c) vs.x[c] = X[vs.n[c]];
    Vec3 u{vs.x[e.uTo] - vs.x[e.uFrom], vs.y[e.uTo] - vs.y[e.uFrom], 0.0};
    Vec3 v{vs.x[e.vTo] - vs.x[e.vFrom], vs.y[e.vTo] - vs.y[e.vFrom], 0.0};
    // Only a side whose normal points towards the viewer is drawn; the normal's z needs no
    // heights, so a side turned away is passed over before they are read.
    if (vs.side != 1) std::swap(u, v);
    vs.normal.z = u.x * v.y - u.y * v.x;
    if (!(vs.normal.z < 0.0)) return false;
    u.z = Z[vs.n[e.uTo]] - Z[vs.n[e.uFrom]];
    v.z = Z[vs.n[e.vTo]] - Z[vs.n[e.vFrom]];
    if (vs.side != 1) std::swap(u.z, v.z);
    vs.normal = Cross(u, v);
    return true;
}

// Calls draw(VisibleSide) for every side that passes eligibility and the back-face test, in
// painter's order, front before back; sides wholly outside the band are passed over.
template <typename Draw>
void VisitVisibleSides(const ModelGrid& g, int order, const Band& band, Draw&& draw) {
    if (g.Empty()) return;
    const ModelArrays m(g);
    TriangleShape shapes[2][2];
    ShapesOf(m.countJ, shapes);
    VisitCells(g.GridMaxX, g.GridMaxY, order, [&](int i, int j) {
        const std::size_t cell = static_cast<std::size_t>(i) * m.countJ + j;
        for (const TriangleShape& shape : shapes[j % 2]) {
            VisibleSide vs;
            for (int c = 0; c < 3; ++c) vs.n[c] = cell + shape.offset[c];
            if (!Eligible(m.state, vs.n)) continue;
            for (vs.side = 1; vs.side >= 0; --vs.side)
                if (LoadSide(m, shape.edges, band, vs)) draw(vs);
        }
    });
}

double LightFactor(const SharedState& st, const Vec3& n) {
    const double cos = (n.x * st.LightX + n.y * st.LightY + n.z * st.LightZ) /
                       std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    return ShadeFactorOf(cos, st.LightAmount);
}

void DrawTexturedBand(SharedState& st, int order, const RenderOptions& options, int rowBegin,
                      int rowEnd) {
    const ModelGrid& g = st.Grid;
    FillContext ctx;
    ctx.grid = &g;
    ctx.frame = &st.FrameBuffer;
    ctx.CentreX = st.ViewWidth / 2;
    ctx.CentreY = st.ViewHeight / 2;
    ctx.rowBegin = rowBegin;
    ctx.rowEnd = rowEnd;
    ctx.kernel = options.kernel;
    const double* tx = g.TextureX.Values().data();
    const double* ty = g.TextureY.Values().data();
    VisitVisibleSides(g, order, Band{ctx.CentreY, rowBegin, rowEnd}, [&](const VisibleSide& vs) {
        ctx.ShadeFactor = LightFactor(st, vs.normal);
        ctx.picture = vs.side == 1 ? &st.FrontPicture : &st.BackPicture;
        SideVertices v;
        for (int c = 0; c < 3; ++c) {
            v.x[c] = vs.x[c];
            v.y[c] = vs.y[c];
            v.tx[c] = tx[vs.n[c]];
            v.ty[c] = ty[vs.n[c]];
        }
        if (options.referenceFill)
            FillSideByBox(ctx, v);
        else
            FillSide(ctx, v);
    });
}

void DrawOutlined(SharedState& st, int order) {
    const std::int32_t centreX = st.ViewWidth / 2, centreY = st.ViewHeight / 2;
    {
        WireframePainter painter(st.FrameBuffer);
        VisitVisibleSides(
            st.Grid, order, Band{centreY, 0, st.ViewHeight},
            [&](const VisibleSide& vs) { painter.Triangle(vs.x, vs.y, centreX, centreY); });
    }
    // The painter sets the fourth byte of what it draws; in the frame that byte carries no
    // colour and stays 0, as the fill leaves it.
    for (Pixel& p : st.FrameBuffer.Pixels()) p = ColourOf(p);
}

}  // namespace

void RenderFrame(SharedState& st, int order, const RenderOptions& options) {
    st.FrameBuffer.Resize(std::max(st.ViewWidth, 0), std::max(st.ViewHeight, 0));
    if (st.FrameBuffer.Empty()) return;
    DrawBackground(st);
    if (st.Grid.Wireframe) {
        DrawOutlined(st, order);
        return;
    }
    const int height = st.FrameBuffer.Height();
    const int bands = std::clamp(options.threads, 1, std::max(1, height / 16));
    if (bands == 1) {
        DrawTexturedBand(st, order, options, 0, height);
        return;
    }
    // Every band draws every side in the same order, so each pixel keeps the same last
    // writer as in one pass.
    std::vector<std::thread> workers;
    workers.reserve(bands - 1);
    for (int b = 1; b < bands; ++b) {
        const int begin = height * b / bands, end = height * (b + 1) / bands;
        try {
            workers.emplace_back(DrawTexturedBand, std::ref(st), order, std::cref(options), begin,
                                 end);
        } catch (const std::system_error&) {
            DrawTexturedBand(st, order, options, begin, end);  // no thread to spare: draw it here
        }
    }
    DrawTexturedBand(st, order, options, 0, height / bands);
    for (std::thread& w : workers) w.join();
}

}  // namespace vonnik
