#include <algorithm>
#include <cmath>
#include <vector>

#include "builder/classify.h"
#include "builder/outline_index.h"
#include "builder/row_nearest.h"

namespace vonnik {

int AdvanceProgress(int position, int i, int gridMaxX) {
    static constexpr int kSteps[13][3] = {{5, 1, 10},  {10, 2, 15},  {15, 3, 25},  {25, 4, 30},
                                          {30, 5, 35}, {35, 6, 45},  {45, 7, 50},  {50, 8, 55},
                                          {55, 9, 65}, {65, 10, 70}, {70, 11, 75}, {75, 12, 85},
                                          {85, 13, 90}};
    for (const auto& step : kSteps) {
        const long long threshold = static_cast<long long>(gridMaxX) * step[1] / 14;
        if (position == step[0] && i > threshold) position = step[2];
    }
    return position;
}

namespace {

// What lies under a point's rounded pixel (Trunc(x + 0.5), Trunc(y + 0.5)). A pixel outside
// the picture is neither background nor figure.
enum PixelKind : std::uint8_t { kOffPicture, kOnBackground, kOnFigure };

PixelKind KindAt(const Raster& picture, Pixel background, double x, double y) {
    const double rx = x + 0.5, ry = y + 0.5;
    // Trunc(r) lies in 0 .. size - 1 exactly when -1 < r < size (and r is a number).
    if (!(rx > -1.0 && rx < picture.Width() && ry > -1.0 && ry < picture.Height()))
        return kOffPicture;
    const Pixel colour = ColourOf(picture.At(static_cast<int>(rx), static_cast<int>(ry)));
    return colour == background ? kOnBackground : kOnFigure;
}

// The kind under every vertex's flat position, indexed like the grid's arrays. Line by line
// of the lattice, so that the picture is read in its memory order.
std::vector<std::uint8_t> KindsOfVertices(const ModelGrid& g, const Raster& picture) {
    std::vector<std::uint8_t> kinds(g.FrontX.Values().size());
    for (int j = 0; j <= g.GridMaxY; ++j)
        for (int i = 0; i <= g.GridMaxX; ++i)
            kinds[g.FrontX.Index(i, j)] =
                KindAt(picture, g.BackgroundColour, g.FrontX(i, j), g.FrontY(i, j));
    return kinds;
}

// The twelve probes: the four points one pixel away, then the eight lattice neighbours (whose
// kinds are known already). The probes have no side effects, so the first hit decides.
bool IsEdgeVertex(const ModelGrid& g, const Raster& picture, const std::vector<std::uint8_t>& kinds,
                  int i, int j) {
    const Pixel bg = g.BackgroundColour;
    const double x = g.FrontX(i, j), y = g.FrontY(i, j);
    if (KindAt(picture, bg, x + 1, y) == kOnBackground ||
        KindAt(picture, bg, x - 1, y) == kOnBackground ||
        KindAt(picture, bg, x, y + 1) == kOnBackground ||
        KindAt(picture, bg, x, y - 1) == kOnBackground)
        return true;
    static constexpr int kNeighbours[8][2] = {{1, 0}, {-1, 0}, {0, 1},  {0, -1},
                                              {1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
    for (const auto& n : kNeighbours)
        if (kinds[g.FrontX.Index(i + n[0], j + n[1])] == kOnBackground) return true;
    return false;
}

struct InnerVertex {
    double distanceSq;
    double x, y;
};

// Each outline pixel keeps the largest claim over all inner vertices, so the claims can be
// taken from the largest distance down: a pixel claimed once can never be raised again and
// leaves the index.
void ClaimRadii(ModelGrid& g, std::vector<InnerVertex>& inner, const std::stop_token& stop) {
    // No pixel is nearer to a vertex than its nearest one, so a circle of tolerance 1.00 or
    // less (strict test) reaches no outline pixel at all.
    if (!(g.CircleToleranceSq > 1.0)) return;
    // Vertices at equal distances make equal claims: their order does not matter. A heap
    // hands them out largest first and stops costing once the whole outline is claimed.
    const auto nearer = [](const InnerVertex& a, const InnerVertex& b) {
        return a.distanceSq < b.distanceSq;
    };
    std::make_heap(inner.begin(), inner.end(), nearer);
    OutlineIndex claimIndex(g.OutlineX, g.OutlineY, g.OutlineCount);
    std::size_t claims = 0;
    for (auto end = inner.end(); end != inner.begin() && claimIndex.Remaining() > 0; --end) {
        if (++claims % 4096 == 0) StopIfAsked(stop);
        std::pop_heap(inner.begin(), end, nearer);
        const InnerVertex& v = *(end - 1);
        const double best = v.distanceSq;
        claimIndex.TakeWithin(v.x, v.y, g.CircleToleranceSq * best, [&](std::int32_t k) {
            if (g.OutlineRadius[k] < best) g.OutlineRadius[k] = best;
        });
    }
}

// The schedule runs once for every figure vertex in increasing i; a second run at the same i
// never moves the bar further, so once per column with a figure vertex gives the same
// positions.
void ReportProgress(int gridMaxX, const std::vector<std::uint8_t>& figureColumn,
                    const ProgressFn& progress) {
    int position = 5;
    for (int i = 1; i <= gridMaxX - 1; ++i) {
        if (!figureColumn[i]) continue;
        const int next = AdvanceProgress(position, i, gridMaxX);
        if (next == position) continue;
        position = next;
        if (progress) progress(position);
    }
}

}  // namespace

void ClassifyVertices(ModelGrid& g, const Raster& picture, const ProgressFn& progress,
                      const std::stop_token& stop) {
    const std::vector<std::uint8_t> kinds = KindsOfVertices(g, picture);
    const OutlineIndex index(g.OutlineX, g.OutlineY, g.OutlineCount);
    RowNearest rows(g.OutlineX, g.OutlineY, g.OutlineCount);
    std::vector<InnerVertex> inner;
    std::vector<std::uint8_t> figureColumn(g.CountI(), 0);
    std::int32_t hint = -1;  // the previous figure vertex's nearest pixel: usually close by
    // Line by line of the lattice: the vertices of one line share their y, and the picture
    // is read in its memory order. Every vertex reads only its own entries and the picture.
    for (int j = 1; j <= g.GridMaxY - 1; ++j) {
        StopIfAsked(stop);
        for (int i = 1; i <= g.GridMaxX - 1; ++i) {
            if (kinds[g.FrontX.Index(i, j)] != kOnFigure) continue;
            const OutlineIndex::Nearest found =
                rows.Find(g.FrontX(i, j), g.FrontY(i, j), index, hint);
            // Without any outline pixel to stand on, a figure vertex is left out.
            if (found.index < 0) continue;
            hint = found.index;
            const bool edge = IsEdgeVertex(g, picture, kinds, i, j);
            g.VertexState(i, j) = edge ? VertexKind::kEdge : VertexKind::kInner;
            g.NearestOutline(i, j) = found.index;
            if (!edge) {
                g.EdgeDistance(i, j) = found.distanceSq;
                inner.push_back({found.distanceSq, g.FrontX(i, j), g.FrontY(i, j)});
            }
            figureColumn[i] = 1;
        }
    }
    ReportProgress(g.GridMaxX, figureColumn, progress);
    ClaimRadii(g, inner, stop);
}

}  // namespace vonnik
