#include "tests/oracle/plain_search.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vonnik::oracle {

namespace {

bool ProbeIsBackground(const ModelGrid& g, const Raster& pic, double x, double y) {
    const double rx = std::trunc(x + 0.5), ry = std::trunc(y + 0.5);
    if (!(rx >= 0 && ry >= 0 && rx < pic.Width() && ry < pic.Height())) return false;
    return ColourOf(pic.At(static_cast<int>(rx), static_cast<int>(ry))) == g.BackgroundColour;
}

}  // namespace

void ClassifyVerticesPlain(ModelGrid& g, const Raster& pic, const ProgressFn& progress) {
    int position = 5;
    for (int i = 1; i <= g.GridMaxX - 1; ++i) {
        for (int j = 1; j <= g.GridMaxY - 1; ++j) {
            const double X = g.FrontX(i, j), Y = g.FrontY(i, j);
            const double px = std::trunc(X + 0.5), py = std::trunc(Y + 0.5);
            if (!(px >= 0 && py >= 0 && px < pic.Width() && py < pic.Height())) continue;
            if (ColourOf(pic.At(static_cast<int>(px), static_cast<int>(py))) == g.BackgroundColour)
                continue;
            bool edge = false;
            edge |= ProbeIsBackground(g, pic, X + 1, Y);
            edge |= ProbeIsBackground(g, pic, X - 1, Y);
            edge |= ProbeIsBackground(g, pic, X, Y + 1);
            edge |= ProbeIsBackground(g, pic, X, Y - 1);
            const int n[8][2] = {{1, 0}, {-1, 0}, {0, 1},  {0, -1},
                                 {1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
            for (const auto& d : n)
                edge |= ProbeIsBackground(g, pic, g.FrontX(i + d[0], j + d[1]),
                                          g.FrontY(i + d[0], j + d[1]));

            double best = std::numeric_limits<double>::infinity();
            int nearest = -1;
            for (int k = 0; k < g.OutlineCount; ++k) {
                const double d2 = (X - g.OutlineX[k]) * (X - g.OutlineX[k]) +
                                  (Y - g.OutlineY[k]) * (Y - g.OutlineY[k]);
                if (d2 < best) {
                    best = d2;
                    nearest = k;
                }
            }
            if (nearest < 0) continue;
            g.VertexState(i, j) = edge ? VertexKind::kEdge : VertexKind::kInner;
            g.NearestOutline(i, j) = nearest;
            if (!edge) {
                g.EdgeDistance(i, j) = best;
                for (int k = 0; k < g.OutlineCount; ++k) {
                    const double e2 = (g.OutlineX[k] - X) * (g.OutlineX[k] - X) +
                                      (g.OutlineY[k] - Y) * (g.OutlineY[k] - Y);
                    if (g.CircleToleranceSq * best > e2 && g.OutlineRadius[k] < best)
                        g.OutlineRadius[k] = best;
                }
            }
            const int next = AdvanceProgress(position, i, g.GridMaxX);
            if (next != position && progress) progress(next);
            position = next;
        }
    }
}

void SpreadEdgeColoursPlain(const ModelGrid& g, Raster& front, Raster& back) {
    if (g.OutlineCount == 0) return;
    const auto spread = [&](long long left, long long top, long long right, long long bottom) {
        for (long long x = left; x <= right; ++x) {
            for (long long y = top; y <= bottom; ++y) {
                if (!front.Contains(x, y)) continue;
                if (ColourOf(front.At(static_cast<int>(x), static_cast<int>(y))) !=
                    g.BackgroundColour)
                    continue;
                long long best = std::numeric_limits<long long>::max();
                int chosen = -1;
                for (int k = 0; k < g.OutlineCount; ++k) {
                    const long long dx = x - g.OutlineX[k], dy = y - g.OutlineY[k];
                    const long long d = dx * dx + dy * dy;
                    if (d < best) {
                        best = d;
                        chosen = k;
                    }
                }
                const int ox = g.OutlineX[chosen], oy = g.OutlineY[chosen];
                front.Set(static_cast<int>(x), static_cast<int>(y), front.At(ox, oy));
                if (back.Contains(x, y))
                    back.Set(static_cast<int>(x), static_cast<int>(y), back.AtClamped(ox, oy));
            }
        }
    };
    for (int i = 1; i <= g.GridMaxX - 1; ++i) {
        for (int j = 1; j <= g.GridMaxY - 1; ++j) {
            const CellTriangles& cell = TrianglesOfCell(j);
            for (int t = 0; t < 2; ++t) {
                double xs[3], ys[3];
                bool qualifies = false, finite = true;
                for (int c = 0; c < 3; ++c) {
                    const int a = i + cell.di[t][c], b = j + cell.dj[t][c];
                    qualifies |= g.VertexState(a, b) == VertexKind::kEdge;
                    xs[c] = g.FrontX(a, b);
                    ys[c] = g.FrontY(a, b);
                    finite &= std::isfinite(xs[c]) && std::isfinite(ys[c]);
                }
                if (!qualifies || !finite) continue;
                // Box pixels off the picture are left alone, so clamping the corners just
                // beyond it changes nothing.
                const auto tx = [&](double v) {
                    return static_cast<long long>(std::clamp(v, -1.0, 1.0 * front.Width()));
                };
                const auto ty = [&](double v) {
                    return static_cast<long long>(std::clamp(v, -1.0, 1.0 * front.Height()));
                };
                spread(tx(std::min({xs[0], xs[1], xs[2]})), ty(std::min({ys[0], ys[1], ys[2]})),
                       tx(std::max({xs[0], xs[1], xs[2]})), ty(std::max({ys[0], ys[1], ys[2]})));
            }
        }
    }
}

void ScanOutlinePlain(const Raster& front, Pixel background, std::vector<std::int32_t>& xs,
                      std::vector<std::int32_t>& ys) {
    const auto isBg = [&](int x, int y) { return ColourOf(front.At(x, y)) == background; };
    xs.clear();
    ys.clear();
    for (int x = 1; x <= front.Width() - 2; ++x) {
        for (int y = 1; y <= front.Height() - 2; ++y) {
            if (isBg(x, y)) continue;
            if (isBg(x + 1, y) || isBg(x - 1, y) || isBg(x, y + 1) || isBg(x, y - 1)) {
                xs.push_back(x);
                ys.push_back(y);
            }
        }
    }
}

void RunBuildPhasesPlain(ModelGrid& grid, Raster& front, Raster& back,
                         const BuildSettings& settings, const ProgressFn& progress) {
    LayLattice(grid, front, settings);
    ScanOutlinePlain(front, grid.BackgroundColour, grid.OutlineX, grid.OutlineY);
    grid.OutlineCount = static_cast<std::int32_t>(grid.OutlineX.size());
    grid.OutlineRadius.assign(grid.OutlineX.size(), 0.0);
    ClassifyVerticesPlain(grid, front, progress);
    InflateProfile(grid);
    ClearBorderRing(grid);
    SpreadEdgeColoursPlain(grid, front, back);
    CentreModel(grid, front);
}

}  // namespace vonnik::oracle
