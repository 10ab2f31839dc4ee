#include "render/render_frame.h"

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

#include "builder/phases.h"
#include "core/numbers.h"
#include "render/wireframe.h"

namespace vonnik {

TriangleWeights SolveTriangleWeights(double x0, double y0, double x1, double y1, double x2,
                                     double y2, double px, double py) {
    const double d1x = x1 - x0, d1y = y1 - y0;
    const double d2x = x2 - x0, d2y = y2 - y0;
    const double qx = px - x0, qy = py - y0;
    const double det = d1x * d2y - d2x * d1y;
    if (det == 0.0) return {-1.0, -1.0};
    const double inv = 1.0 / det;
    return {(qx * d2y - d2x * qy) * inv, (d1x * qy - qx * d1y) * inv};
}

double ShadeFactorOf(double cos, double lightAmount) {
    if (!(cos >= 0.0)) cos = 0.0;
    return 1.0 - Power(1.0 - cos, lightAmount);
}

namespace {

// Everything of one triangle side that does not change from pixel to pixel.
struct SideSetup {
    double x0, y0, x1, y1, x2, y2;
    double d1x, d1y, d2x, d2y, inv;
    double t0x, t0y, dt1x, dt1y, dt2x, dt2y;
    std::int64_t left, top, right, bottom;  // clipped to the frame and the band
};

bool SetUpSide(const FillContext& ctx, int i0, int j0, int i1, int j1, int i2, int j2, int side,
               SideSetup& q) {
    const ModelGrid& g = *ctx.grid;
    const GridArray<double>& X = side == 1 ? g.FrontX : g.BackX;
    const GridArray<double>& Y = side == 1 ? g.FrontY : g.BackY;
    q.x0 = ctx.CentreX + X(i0, j0);
    q.y0 = ctx.CentreY + Y(i0, j0);
    q.x1 = ctx.CentreX + X(i1, j1);
    q.y1 = ctx.CentreY + Y(i1, j1);
    q.x2 = ctx.CentreX + X(i2, j2);
    q.y2 = ctx.CentreY + Y(i2, j2);
    for (double v : {q.x0, q.y0, q.x1, q.y1, q.x2, q.y2})
        if (!std::isfinite(v)) return false;
    const int w = ctx.frame->Width();
    const double minX = std::min({q.x0, q.x1, q.x2}), maxX = std::max({q.x0, q.x1, q.x2});
    const double minY = std::min({q.y0, q.y1, q.y2}), maxY = std::max({q.y0, q.y1, q.y2});
    // Clipping before the conversion keeps exactly the pixels that the per-pixel clip keeps.
    q.left = std::max<std::int64_t>(TruncClamped(minX, -1, w), 0);
    q.right = std::min<std::int64_t>(TruncClamped(maxX, -1, w), w - 1);
    q.top = std::max<std::int64_t>(TruncClamped(minY, -1, ctx.rowEnd), ctx.rowBegin);
    q.bottom = std::min<std::int64_t>(TruncClamped(maxY, -1, ctx.rowEnd), ctx.rowEnd - 1);
    if (q.left > q.right || q.top > q.bottom) return false;

    q.d1x = q.x1 - q.x0;
    q.d1y = q.y1 - q.y0;
    q.d2x = q.x2 - q.x0;
    q.d2y = q.y2 - q.y0;
    const double det = q.d1x * q.d2y - q.d2x * q.d1y;
    if (det == 0.0) return false;  // every pixel gets the weights -1 and fails
    q.inv = 1.0 / det;

    q.t0x = g.TextureX(i0, j0);
    q.t0y = g.TextureY(i0, j0);
    q.dt1x = g.TextureX(i1, j1) - q.t0x;
    q.dt1y = g.TextureY(i1, j1) - q.t0y;
    q.dt2x = g.TextureX(i2, j2) - q.t0x;
    q.dt2y = g.TextureY(i2, j2) - q.t0y;
    return true;
}

// Writes the pixel (c, r) if its centre passes the inside test.
inline void ShadePixel(const FillContext& ctx, const SideSetup& q, std::int64_t c, std::int64_t r,
                       double qy) {
    const double qx = (c + 0.5) - q.x0;
    const double s = (qx * q.d2y - q.d2x * qy) * q.inv;
    const double t = (q.d1x * qy - qx * q.d1y) * q.inv;
    if (!(s >= 0.0 && t >= 0.0 && s + t <= 1.0)) return;
    const Raster& pic = *ctx.picture;
    // A coordinate outside the picture takes its nearest border pixel.
    const std::int64_t tx = TruncClamped(q.dt1x * s + q.t0x + q.dt2x * t, -1, pic.Width());
    const std::int64_t ty = TruncClamped(q.dt1y * s + q.t0y + q.dt2y * t, -1, pic.Height());
    const Pixel texel = pic.AtClamped(tx, ty);
    const double f = ctx.ShadeFactor;
    const std::uint32_t b = static_cast<std::uint32_t>((texel & 0xFFu) * f);
    const std::uint32_t gr = static_cast<std::uint32_t>(((texel >> 8) & 0xFFu) * f);
    const std::uint32_t rd = static_cast<std::uint32_t>(((texel >> 16) & 0xFFu) * f);
    ctx.frame->Row(static_cast<int>(r))[c] = b + gr * 256 + rd * 65536;
}

// Narrows [lo, hi] (columns, as doubles) to where a*qx + b >= -margin can hold, with
// qx = c + 0.5 - x0, leaving a pixel of slack on the open side.
void NarrowColumns(double a, double b, double margin, double x0, double& lo, double& hi) {
    if (a == 0.0) {
        if (b < -margin) hi = lo - 1.0;
        return;
    }
    const double edge = (-margin - b) / a + x0 - 0.5;
    if (std::isnan(edge)) return;
    if (a > 0.0) lo = std::max(lo, std::floor(edge) - 1.0);
    else hi = std::min(hi, std::ceil(edge) + 1.0);
}

}  // namespace

void FillTriangleByBox(const FillContext& ctx, int i0, int j0, int i1, int j1, int i2, int j2,
                       int side) {
    SideSetup q;
    if (!SetUpSide(ctx, i0, j0, i1, j1, i2, j2, side, q)) return;
    for (std::int64_t r = q.top; r <= q.bottom; ++r) {
        const double qy = (r + 0.5) - q.y0;
        for (std::int64_t c = q.left; c <= q.right; ++c) ShadePixel(ctx, q, c, r, qy);
    }
}

void FillTriangle(const FillContext& ctx, int i0, int j0, int i1, int j1, int i2, int j2,
                  int side) {
    SideSetup q;
    if (!SetUpSide(ctx, i0, j0, i1, j1, i2, j2, side, q)) return;
    // The weights are linear in the column: s = as*qx + bs, t = at*qx + bt. Each row is
    // scanned only where the three inside conditions can hold up to a margin far wider
    // than the rounding of the per-pixel weights; the per-pixel test then decides.
    const double as = q.d2y * q.inv, at = -q.d1y * q.inv;
    const double qxSpan = std::max(std::fabs(q.left + 0.5 - q.x0), std::fabs(q.right + 0.5 - q.x0));
    for (std::int64_t r = q.top; r <= q.bottom; ++r) {
        const double qy = (r + 0.5) - q.y0;
        const double bs = -q.d2x * qy * q.inv, bt = q.d1x * qy * q.inv;
        const double scale = (qxSpan * (std::fabs(q.d2y) + std::fabs(q.d1y)) +
                              std::fabs(qy) * (std::fabs(q.d2x) + std::fabs(q.d1x))) *
                                 std::fabs(q.inv) +
                             1.0;
        const double margin = 1e-9 * scale;
        double lo = static_cast<double>(q.left), hi = static_cast<double>(q.right);
        NarrowColumns(as, bs, margin, q.x0, lo, hi);
        NarrowColumns(at, bt, margin, q.x0, lo, hi);
        NarrowColumns(-(as + at), 1.0 - (bs + bt), margin, q.x0, lo, hi);
        lo = std::max(lo, static_cast<double>(q.left));
        hi = std::min(hi, static_cast<double>(q.right));
        for (std::int64_t c = static_cast<std::int64_t>(lo); c <= static_cast<std::int64_t>(hi); ++c)
            ShadePixel(ctx, q, c, r, qy);
    }
}

namespace {

struct Corner {
    int i, j;
};

// u and v of the side, as pairs of corners (to minus from), per triangle of the cell.
struct EdgeVectors {
    Corner uTo, uFrom, vTo, vFrom;
};

EdgeVectors EdgesOf(int i, int j, int triangle) {
    const bool odd = (j % 2) != 0;
    if (triangle == 0) {
        if (odd) return {{i, j + 1}, {i, j}, {i + 1, j}, {i, j}};
        return {{i, j + 1}, {i, j}, {i + 1, j + 1}, {i, j + 1}};
    }
    if (odd) return {{i + 1, j + 1}, {i + 1, j}, {i + 1, j + 1}, {i, j + 1}};
    return {{i + 1, j + 1}, {i + 1, j}, {i + 1, j}, {i, j}};
}

struct SideArrays {
    const GridArray<double>* x;
    const GridArray<double>* y;
    const GridArray<double>* z;
};

Vec3 Diff(const SideArrays& a, Corner to, Corner from) {
    return {(*a.x)(to.i, to.j) - (*a.x)(from.i, from.j), (*a.y)(to.i, to.j) - (*a.y)(from.i, from.j),
            (*a.z)(to.i, to.j) - (*a.z)(from.i, from.j)};
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
        default:
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

// Calls draw(side, corners[3], shade) for every visible triangle side in painter's order;
// only sides whose screen rows meet [rowBegin, rowEnd) are lit and passed on.
template <typename Draw>
void VisitVisibleSides(const SharedState& st, int order, int centreY, int rowBegin, int rowEnd,
                       Draw&& draw) {
    const ModelGrid& g = st.Grid;
    if (g.Empty()) return;
    const SideArrays front{&g.FrontX, &g.FrontY, &g.FrontZ};
    const SideArrays back{&g.BackX, &g.BackY, &g.BackZ};
    VisitCells(g.GridMaxX, g.GridMaxY, order, [&](int i, int j) {
        const CellTriangles& cell = TrianglesOfCell(j);
        for (int t = 0; t < 2; ++t) {
            Corner corners[3];
            int edgeCount = 0;
            bool eligible = true;
            for (int c = 0; c < 3; ++c) {
                corners[c] = {i + cell.di[t][c], j + cell.dj[t][c]};
                const std::int32_t state = g.VertexState(corners[c].i, corners[c].j);
                eligible = eligible && state > 0;
                edgeCount += state == kEdgeVertex ? 1 : 0;
            }
            if (!eligible || edgeCount == 3) continue;
            const EdgeVectors e = EdgesOf(i, j, t);
            for (int side = 1; side >= 0; --side) {
                const SideArrays& a = side == 1 ? front : back;
                double minY = (*a.y)(corners[0].i, corners[0].j), maxY = minY;
                for (int c = 1; c < 3; ++c) {
                    const double y = (*a.y)(corners[c].i, corners[c].j);
                    minY = std::min(minY, y);
                    maxY = std::max(maxY, y);
                }
                // Bands: a side wholly above or below the rows drawn here is left to the
                // band that holds it (NaN rows go through and are refused by the fill).
                if (centreY + maxY < rowBegin - 1.0 || centreY + minY >= rowEnd + 1.0) continue;
                const Vec3 u = Diff(a, e.uTo, e.uFrom);
                const Vec3 v = Diff(a, e.vTo, e.vFrom);
                const Vec3 nrm = side == 1 ? Cross(u, v) : Cross(v, u);
                if (!(nrm.z < 0.0)) continue;
                const double cos = (nrm.x * st.LightX + nrm.y * st.LightY + nrm.z * st.LightZ) /
                                   std::sqrt(nrm.x * nrm.x + nrm.y * nrm.y + nrm.z * nrm.z);
                draw(side, corners, ShadeFactorOf(cos, st.LightAmount));
            }
        }
    });
}

void DrawTexturedBand(SharedState& st, int order, bool reference, int rowBegin, int rowEnd) {
    FillContext ctx;
    ctx.grid = &st.Grid;
    ctx.frame = &st.FrameBuffer;
    ctx.CentreX = st.ViewWidth / 2;
    ctx.CentreY = st.ViewHeight / 2;
    ctx.rowBegin = rowBegin;
    ctx.rowEnd = rowEnd;
    VisitVisibleSides(st, order, ctx.CentreY, rowBegin, rowEnd,
                      [&](int side, const Corner* c, double shade) {
                          ctx.ShadeFactor = shade;
                          ctx.picture = side == 1 ? &st.FrontPicture : &st.BackPicture;
                          if (reference)
                              FillTriangleByBox(ctx, c[0].i, c[0].j, c[1].i, c[1].j, c[2].i,
                                                c[2].j, side);
                          else
                              FillTriangle(ctx, c[0].i, c[0].j, c[1].i, c[1].j, c[2].i, c[2].j,
                                           side);
                      });
}

void DrawOutlined(SharedState& st, int order) {
    const std::int32_t centreX = st.ViewWidth / 2, centreY = st.ViewHeight / 2;
    WireframePainter painter(st.FrameBuffer);
    const ModelGrid& g = st.Grid;
    VisitVisibleSides(st, order, centreY, 0, st.ViewHeight,
                      [&](int side, const Corner* c, double) {
                          const GridArray<double>& X = side == 1 ? g.FrontX : g.BackX;
                          const GridArray<double>& Y = side == 1 ? g.FrontY : g.BackY;
                          double xs[3], ys[3];
                          for (int k = 0; k < 3; ++k) {
                              xs[k] = X(c[k].i, c[k].j);
                              ys[k] = Y(c[k].i, c[k].j);
                          }
                          painter.Triangle(xs, ys, centreX, centreY);
                      });
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
        DrawTexturedBand(st, order, options.referenceFill, 0, height);
        return;
    }
    // Every band draws every side in the same order, so each pixel keeps the same last
    // writer as in one pass.
    std::vector<std::thread> workers;
    for (int b = 1; b < bands; ++b)
        workers.emplace_back(DrawTexturedBand, std::ref(st), order, options.referenceFill,
                             height * b / bands, height * (b + 1) / bands);
    DrawTexturedBand(st, order, options.referenceFill, 0, height / bands);
    for (std::thread& w : workers) w.join();
}

}  // namespace vonnik
