// The textured triangle fill keeps the fill rule. FillSideByBox is the rule itself, pixel by
// pixel; the fast fill (FillSide) scans each row only between column limits proved to hold
// every pixel the rule draws, and computes each pixel with the rule's operations in the
// rule's order (fill_kernels.h), so both draw the same frame bit for bit.
//
// The fill rule draws one side of one triangle, textured and shaded, into the frame. Its
// corners V0, V1, V2 come in the order of the cell split (builder/lattice.h), with their
// model positions X, Y (front or back, by side), their picture coordinates T = (TextureX,
// TextureY) (the same for both sides) and the side's picture (front or back); f is the
// side's light factor from the frame rule (render_frame.h). Trunc is as the number rules
// say (core/numbers.h). There is no depth test: a drawn pixel overwrites the frame.
// 1. Screen positions: xk = CentreX + X(Vk), yk = CentreY + Y(Vk), k = 0, 1, 2.
// 2. Box: Left = Trunc(min xk), Top = Trunc(min yk), Right = Trunc(max xk),
//    Bottom = Trunc(max yk).
// 3. For every row r = Top .. Bottom (top to bottom) and in it every column
//    c = Left .. Right (left to right), both inclusive:
//    a. Clip: only 0 <= r < frame height and 0 <= c < frame width go on.
//    b. Weights at the pixel's centre (px, py) = (c + 0.5, r + 0.5), by
//       SolveTriangleWeights: d1x = x1 - x0, d1y = y1 - y0, d2x = x2 - x0, d2y = y2 - y0,
//       qx = px - x0, qy = py - y0; det = d1x * d2y - d2x * d1y; when det == 0, s = t = -1
//       (nothing is drawn); otherwise inv = 1 / det, s = (qx * d2y - d2x * qy) * inv,
//       t = (d1x * qy - qx * d1y) * inv.
//    c. Inside test: s >= 0, t >= 0 and s + t <= 1. A centre on an edge or a corner is
//       inside, so a pixel on the edge two triangles share is drawn by both; the later wins.
//    d. Picture coordinates, in this operation order:
//       tx = Trunc((T1x - T0x) * s + T0x + (T2x - T0x) * t), ty likewise from the y's.
//       Truncated, not rounded: 12.99 samples column 12.
//    e. Texel: the side's picture at (tx, ty); a coordinate outside the picture takes the
//       nearest border pixel (a back picture smaller than the front, for instance).
//    f. Shading: with the texel's blue, green and red bytes B, G, R, the frame pixel
//       becomes Trunc(B * f) + Trunc(G * f) * 256 + Trunc(R * f) * 65536; the fourth byte
//       is 0.
// A side with a position that is not a finite number is not drawn. The projection is
// orthographic, so interpolating picture coordinates linearly on the screen needs no
// perspective correction.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/numbers.h"
#include "render/fill_kernels.h"
#include "render/side_fill.h"

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

namespace {

// The side as set up for either fill: its screen positions and determinant besides what
// the kernels read.
struct Setup {
    double x[3], y[3];
    double det;
    bool inRange;  // every position within kMaxMagnitude (below), so also finite
    fill::ShadedSide side;
};

// Every interpolated picture coordinate lies within rounding of the hull of the three
// vertices' coordinates; half a pixel of room inside the picture keeps each one in (-1, size),
// where Trunc already lands inside.
bool HullInside(const double* t, int size) {
    const double lo = std::min({t[0], t[1], t[2]}), hi = std::max({t[0], t[1], t[2]});
    return lo >= -0.5 && hi <= size - 0.5;
}

// Positions beyond this magnitude, and any not finite, are left out of the row limits.
constexpr double kMaxMagnitude = 0x1p36;

// The box, clipped to the frame and the band: false when it is empty or a coordinate is not
// a number (such a side has no box and is not drawn). Clipping before the conversion keeps
// exactly the pixels the per-pixel clip keeps, and no coordinate, however large, overflows
// an integer.
bool ClipBox(const FillContext& ctx, Setup& u) {
    u.inRange = true;
    for (int k = 0; k < 3; ++k)
        u.inRange &= (std::fabs(u.x[k]) <= kMaxMagnitude) & (std::fabs(u.y[k]) <= kMaxMagnitude);
    if (!u.inRange)
        for (int k = 0; k < 3; ++k)
            if (!std::isfinite(u.x[k]) || !std::isfinite(u.y[k])) return false;
    const double minX = std::min({u.x[0], u.x[1], u.x[2]}),
                 maxX = std::max({u.x[0], u.x[1], u.x[2]});
    const double minY = std::min({u.y[0], u.y[1], u.y[2]}),
                 maxY = std::max({u.y[0], u.y[1], u.y[2]});
    fill::ShadedSide& q = u.side;
    const std::int64_t w = ctx.frame->Width();
    q.left = std::max<std::int64_t>(TruncClamped(minX, -1, w), 0);
    q.right = std::min(TruncClamped(maxX, -1, w), w - 1);
    q.top = std::max<std::int64_t>(TruncClamped(minY, -1, ctx.rowEnd), ctx.rowBegin);
    q.bottom = std::min<std::int64_t>(TruncClamped(maxY, -1, ctx.rowEnd), ctx.rowEnd - 1);
    return q.left <= q.right && q.top <= q.bottom;
}

// Steps 1 and 2 of the fill rule and every constant of the side; false when nothing is
// drawn.
bool SetUpSide(const FillContext& ctx, const SideVertices& v, Setup& u) {
    // Corner by corner: the caller has just stored them one at a time, and a vectorised loop
    // here would read them in pairs before those stores reach the cache, a long stall.
    const double cx = ctx.CentreX, cy = ctx.CentreY;
    u.x[0] = cx + v.x[0];
    u.y[0] = cy + v.y[0];
    u.x[1] = cx + v.x[1];
    u.y[1] = cy + v.y[1];
    u.x[2] = cx + v.x[2];
    u.y[2] = cy + v.y[2];
    const Raster& pic = *ctx.picture;
    if (pic.Empty() || !ClipBox(ctx, u)) return false;
    fill::ShadedSide& q = u.side;
    q.x0 = u.x[0];
    q.y0 = u.y[0];
    q.d1x = u.x[1] - u.x[0];
    q.d1y = u.y[1] - u.y[0];
    q.d2x = u.x[2] - u.x[0];
    q.d2y = u.y[2] - u.y[0];
    u.det = q.d1x * q.d2y - q.d2x * q.d1y;
    if (u.det == 0.0) return false;  // every pixel gets the weights -1 and fails
    q.inv = 1.0 / u.det;
    q.t0x = v.tx[0];
    q.t0y = v.ty[0];
    q.dt1x = v.tx[1] - v.tx[0];
    q.dt1y = v.ty[1] - v.ty[0];
    q.dt2x = v.tx[2] - v.tx[0];
    q.dt2y = v.ty[2] - v.ty[0];
    q.shade = ctx.ShadeFactor;
    // The kernels index a picture's elements with 32-bit integers.
    const bool indexable = std::int64_t{pic.Width()} * pic.Height() <= INT32_MAX;
    q.texelsInside = indexable && HullInside(v.tx, pic.Width()) && HullInside(v.ty, pic.Height());
    return true;
}

// Column limits of the rows of one side.
//
// Each inside condition (s >= 0, t >= 0, s + t <= 1) holds, in exact arithmetic on the same
// doubles, on one side of a line whose column along a row is offset + slope * qy. The
// computed weights differ from the exact ones by a few units in the last place of the terms
// they sum, which moves the line by at most 16 u M pixels (u = 2^-53), where M bounds the
// magnitudes that enter (the vertex position, the box's reach from V0 and the line's run
// over it); with M <= 2^36 that is at most 2^-13 pixel, and the rounding of the limit itself
// is smaller still. A pixel the fill rule draws therefore never lies more than kGuard beyond the
// computed line, and each limit is moved out by that much. The bounds assume no overflow or
// underflow, which Tame() ensures; any other side, and any line whose M is larger, is
// scanned over its whole box.
constexpr double kMinMagnitude = 0x1p-200;
constexpr double kGuard = 0x1p-8;

bool ZeroOrNormal(double d) {
    return (d == 0.0) | (std::fabs(d) >= kMinMagnitude);
}

bool Tame(const Setup& u) {
    const fill::ShadedSide& q = u.side;
    return u.inRange & ZeroOrNormal(q.d1x) & ZeroOrNormal(q.d1y) & ZeroOrNormal(q.d2x) &
           ZeroOrNormal(q.d2y) & (std::fabs(u.det) >= kMinMagnitude);
}

// Collects at most two lower and two upper limits: three half-planes with a bounded
// intersection cannot all open the same way. Unused ones stay at the box's own edges.
class LimitSet {
  public:
    explicit LimitSet(fill::ShadedSide& q) : q_(q) {
        for (int k = 0; k < 2; ++k) {
            q.lowOffset[k] = static_cast<double>(q.left);
            q.highOffset[k] = static_cast<double>(q.right);
            q.lowSlope[k] = q.highSlope[k] = 0.0;
        }
    }

    // The limit of a condition that grows with the column when `grows`: its line lies at
    // column offset + slope * qy, and m bounds its magnitudes.
    void Add(bool grows, double offset, double slope, double m) {
        if (!(m <= kMaxMagnitude)) return;
        if (grows) {
            q_.lowOffset[lows_] = offset - 0.5 - kGuard;
            q_.lowSlope[lows_++] = slope;
        } else {
            q_.highOffset[highs_] = offset - 0.5 + kGuard;
            q_.highSlope[highs_++] = slope;
        }
    }

  private:
    fill::ShadedSide& q_;
    int lows_ = 0, highs_ = 0;
};

void SetLimits(Setup& u) {
    fill::ShadedSide& q = u.side;
    LimitSet limits(q);
    if (!Tame(u)) return;
    const double x0 = q.x0, y0 = q.y0;
    const double spanX = std::max(std::fabs(q.left + 0.5 - x0), std::fabs(q.right + 0.5 - x0));
    const double spanY = std::max(std::fabs(q.top + 0.5 - y0), std::fabs(q.bottom + 0.5 - y0));
    const bool positive = q.inv > 0.0;
    const double base = std::fabs(x0) + spanX;
    if (q.d2y != 0.0) {  // s = ((cx - x0) d2y - d2x qy) inv
        const double k = q.d2x / q.d2y;
        limits.Add((q.d2y > 0.0) == positive, x0, k, base + std::fabs(k) * spanY);
    }
    if (q.d1y != 0.0) {  // t = (d1x qy - (cx - x0) d1y) inv
        const double k = q.d1x / q.d1y;
        limits.Add((q.d1y > 0.0) != positive, x0, k, base + std::fabs(k) * spanY);
    }
    const double ey = q.d2y - q.d1y;
    if (ey != 0.0) {  // s + t = ((cx - x0) ey - (d2x - d1x) qy) inv must stay <= 1
        const double p = u.det / ey;
        const double reach = (spanX * (std::fabs(q.d2y) + std::fabs(q.d1y)) +
                              spanY * (std::fabs(q.d2x) + std::fabs(q.d1x))) /
                             std::fabs(ey);
        limits.Add((ey > 0.0) != positive, x0 + p, (q.d2x - q.d1x) / ey,
                   std::fabs(x0) + std::fabs(p) + reach);
    }
}

SideVertices VerticesOf(const FillContext& ctx, int i0, int j0, int i1, int j1, int i2, int j2,
                        Side side) {
    const ModelGrid& g = *ctx.grid;
    const GridArray<double>& X = side == Side::kFront ? g.FrontX : g.BackX;
    const GridArray<double>& Y = side == Side::kFront ? g.FrontY : g.BackY;
    const int is[3] = {i0, i1, i2}, js[3] = {j0, j1, j2};
    SideVertices v;
    for (int k = 0; k < 3; ++k) {
        v.x[k] = X(is[k], js[k]);
        v.y[k] = Y(is[k], js[k]);
        v.tx[k] = g.TextureX(is[k], js[k]);
        v.ty[k] = g.TextureY(is[k], js[k]);
    }
    return v;
}

}  // namespace

void FillSideByBox(const FillContext& ctx, const SideVertices& v) {
    Setup u;
    if (!SetUpSide(ctx, v, u)) return;
    const fill::ShadedSide& q = u.side;
    const Raster& pic = *ctx.picture;
    for (std::int64_t r = q.top; r <= q.bottom; ++r) {
        Pixel* row = ctx.frame->Row(static_cast<int>(r));
        for (std::int64_t c = q.left; c <= q.right; ++c) {
            const TriangleWeights w = SolveTriangleWeights(u.x[0], u.y[0], u.x[1], u.y[1], u.x[2],
                                                           u.y[2], c + 0.5, r + 0.5);
            if (!(w.s >= 0.0 && w.t >= 0.0 && w.s + w.t <= 1.0)) continue;
            const double tx = (v.tx[1] - v.tx[0]) * w.s + v.tx[0] + (v.tx[2] - v.tx[0]) * w.t;
            const double ty = (v.ty[1] - v.ty[0]) * w.s + v.ty[0] + (v.ty[2] - v.ty[0]) * w.t;
            // A coordinate outside the picture takes its nearest border pixel.
            const Pixel texel = pic.AtTruncated(tx, ty);
            const double f = ctx.ShadeFactor;
            const auto b = static_cast<std::uint32_t>((texel & 0xFFu) * f);
            const auto gr = static_cast<std::uint32_t>(((texel >> 8) & 0xFFu) * f);
            const auto rd = static_cast<std::uint32_t>(((texel >> 16) & 0xFFu) * f);
            row[c] = b + gr * 256 + rd * 65536;
        }
    }
}

void FillSide(const FillContext& ctx, const SideVertices& v) {
    Setup u;
    if (!SetUpSide(ctx, v, u)) return;
    if (fill::ShadeSmallSide(u.side, *ctx.picture, *ctx.frame, ctx.kernel)) return;
    SetLimits(u);
    fill::ShadeSide(u.side, *ctx.picture, *ctx.frame, ctx.kernel);
}

void FillTriangleByBox(const FillContext& ctx, int i0, int j0, int i1, int j1, int i2, int j2,
                       Side side) {
    FillSideByBox(ctx, VerticesOf(ctx, i0, j0, i1, j1, i2, j2, side));
}

void FillTriangle(const FillContext& ctx, int i0, int j0, int i1, int j1, int i2, int j2,
                  Side side) {
    FillSide(ctx, VerticesOf(ctx, i0, j0, i1, j1, i2, j2, side));
}

}  // namespace vonnik
