#include <algorithm>
#include <cmath>

#include "builder/lattice.h"
#include "builder/outline_index.h"
#include "builder/spread.h"
#include "core/numbers.h"

namespace vonnik {

void ClearBorderRing(ModelGrid& g) {
    const int mx = g.GridMaxX, my = g.GridMaxY;
    for (int i = 0; i <= mx; ++i) {
        g.VertexState(i, 0) = VertexKind::kOutside;
        g.VertexState(i, 1) = VertexKind::kOutside;
        g.VertexState(i, my) = VertexKind::kOutside;
        g.VertexState(i, my - 1) = VertexKind::kOutside;
    }
    for (int j = 0; j <= my; ++j) {
        g.VertexState(0, j) = VertexKind::kOutside;
        g.VertexState(1, j) = VertexKind::kOutside;
        g.VertexState(mx, j) = VertexKind::kOutside;
        g.VertexState(mx - 1, j) = VertexKind::kOutside;
        g.VertexState(mx - 2, j) = VertexKind::kOutside;
    }
}

namespace {

struct Box {
    std::int64_t left, top, right, bottom;
};

// The pixel box of a triangle (Trunc of the corners' extremes), clipped to the picture;
// nothing for a triangle with a corner that is not a finite number.
bool TriangleBox(const ModelGrid& g, int i, int j, const int* di, const int* dj,
                 const Raster& front, Box& box) {
    double xs[3], ys[3];
    for (int c = 0; c < 3; ++c) {
        xs[c] = g.FrontX(i + di[c], j + dj[c]);
        ys[c] = g.FrontY(i + di[c], j + dj[c]);
        if (!std::isfinite(xs[c]) || !std::isfinite(ys[c])) return false;
    }
    const double minX = std::min({xs[0], xs[1], xs[2]}), maxX = std::max({xs[0], xs[1], xs[2]});
    const double minY = std::min({ys[0], ys[1], ys[2]}), maxY = std::max({ys[0], ys[1], ys[2]});
    box.left = std::max<std::int64_t>(TruncClamped(minX, -1, front.Width()), 0);
    box.top = std::max<std::int64_t>(TruncClamped(minY, -1, front.Height()), 0);
    box.right = std::min<std::int64_t>(TruncClamped(maxX, -1, front.Width()), front.Width() - 1);
    box.bottom = std::min<std::int64_t>(TruncClamped(maxY, -1, front.Height()), front.Height() - 1);
    return true;
}

}  // namespace

void SpreadEdgeColours(const ModelGrid& g, Raster& front, Raster& back) {
    if (g.OutlineCount == 0) return;  // no colour source; no edge vertex exists either
    const OutlineIndex index(g.OutlineX, g.OutlineY, g.OutlineCount);
    const Pixel bg = g.BackgroundColour;
    std::int32_t hint = -1;  // the last recoloured pixel's source: usually close by
    const auto spreadBox = [&](const Box& b) {
        for (std::int64_t x = b.left; x <= b.right; ++x) {
            for (std::int64_t y = b.top; y <= b.bottom; ++y) {
                const int px = static_cast<int>(x), py = static_cast<int>(y);
                if (ColourOf(front.At(px, py)) != bg) continue;
                const std::int32_t k =
                    index.FindNearest(static_cast<double>(x), static_cast<double>(y), hint).index;
                hint = k;
                const int ox = g.OutlineX[k], oy = g.OutlineY[k];
                front.Set(px, py, front.At(ox, oy));
                // The back picture may be smaller than the front: reads take its nearest
                // border pixel, writes outside it are dropped.
                if (back.Empty()) continue;
                const Pixel colour = back.AtClamped(ox, oy);
                if (back.Contains(x, y)) back.Set(px, py, colour);
            }
        }
    };
    for (int i = 1; i <= g.GridMaxX - 1; ++i) {
        for (int j = 1; j <= g.GridMaxY - 1; ++j) {
            const CellTriangles& cell = TrianglesOfCell(j);
            for (int t = 0; t < 2; ++t) {
                const int* di = cell.di[t];
                const int* dj = cell.dj[t];
                bool qualifies = false;
                for (int c = 0; c < 3; ++c)
                    qualifies =
                        qualifies || g.VertexState(i + di[c], j + dj[c]) == VertexKind::kEdge;
                Box box;
                if (qualifies && TriangleBox(g, i, j, di, dj, front, box)) spreadBox(box);
            }
        }
    }
}

}  // namespace vonnik
