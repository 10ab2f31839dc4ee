#include <algorithm>
#include <cmath>
#include <vector>

#include "builder/lattice.h"

namespace vonnik {

std::uint64_t GridArrayBytes(std::int64_t gridMaxX, std::int64_t gridMaxY) {
    if (gridMaxX < 0 || gridMaxY < 0) return 0;
    const std::uint64_t vertices =
        static_cast<std::uint64_t>(gridMaxX + 1) * static_cast<std::uint64_t>(gridMaxY + 1);
    // Sixteen arrays of doubles (the saved copies among them) and two of 32-bit integers.
    return vertices * (16 * sizeof(double) + 2 * sizeof(std::int32_t));
}

namespace {

std::int64_t GridMax(double extent, double half, double step, int extra) {
    const double cells = (extent + half + 2.0) / step;
    if (!(cells < 4.0e9)) return -1;  // too many (or not a number): refused by the caller
    return static_cast<std::int64_t>(cells) + extra;
}

void SizeArrays(ModelGrid& g) {
    const int ci = g.CountI(), cj = g.CountJ();
    // The positions beyond the lattice's x and y and the vertex kinds start at zero
    // (VertexKind::kOutside is 0); the other arrays are written before they are read.
    for (GridArray<double>* a : {&g.FrontX, &g.FrontY, &g.FrontZ, &g.BackX, &g.BackY, &g.BackZ})
        a->ResizeZeroed(ci, cj);
    g.VertexState.ResizeZeroed(ci, cj);
    for (GridArray<double>* a : {&g.EdgeDistance, &g.LocalRadius, &g.TextureX, &g.TextureY})
        a->Resize(ci, cj);
    g.NearestOutline.Resize(ci, cj);
}

// 1 where the pixel of row y has the background colour.
void BackgroundMask(const Raster& picture, Pixel bg, int y, std::vector<std::uint8_t>& mask) {
    const Pixel* row = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x) mask[x] = ColourOf(row[x]) == bg;
}

// Figure pixels of the inner rows and columns with a background pixel left, right, above or
// below, listed by x and, within one x, by y. The picture is read row by row (its memory
// order); a counting sort by x then gives the list's order, y ascending within each x.
void ScanOutline(ModelGrid& g, const Raster& front) {
    const int w = front.Width(), h = front.Height();
    g.OutlineX.clear();
    g.OutlineY.clear();
    std::vector<std::int32_t> foundX, foundY;
    std::vector<std::int32_t> perColumn(static_cast<std::size_t>(std::max(w, 0)) + 1, 0);
    if (w >= 3 && h >= 3) {
        std::vector<std::uint8_t> above(w), here(w), below(w);
        BackgroundMask(front, g.BackgroundColour, 0, above);
        BackgroundMask(front, g.BackgroundColour, 1, here);
        for (int y = 1; y <= h - 2; ++y) {
            BackgroundMask(front, g.BackgroundColour, y + 1, below);
            for (int x = 1; x <= w - 2; ++x) {
                if (here[x] || !(here[x + 1] | here[x - 1] | below[x] | above[x])) continue;
                foundX.push_back(x);
                foundY.push_back(y);
                ++perColumn[x + 1];
            }
            above.swap(here);
            here.swap(below);
        }
    }
    for (int x = 0; x < w; ++x) perColumn[x + 1] += perColumn[x];
    g.OutlineX.resize(foundX.size());
    g.OutlineY.resize(foundX.size());
    for (std::size_t n = 0; n < foundX.size(); ++n) {
        const std::int32_t at = perColumn[foundX[n]]++;
        g.OutlineX[at] = foundX[n];
        g.OutlineY[at] = foundY[n];
    }
    g.OutlineCount = static_cast<std::int32_t>(g.OutlineX.size());
    g.OutlineRadius.assign(g.OutlineX.size(), 0.0);
}

}  // namespace

void LayLattice(ModelGrid& g, const Raster& front, const BuildSettings& s) {
    g.PolygonSize = s.PolygonSize;
    g.Curvature = s.Curvature;
    g.CircleTolerance = s.CircleTolerance;
    g.CircleToleranceSq = s.CircleToleranceSq;
    g.ColourProjection = s.ColourProjection;
    g.TriangleLattice = s.TriangleLattice;

    if (g.TriangleLattice == LatticeKind::kTriangle) {
        const double unit = g.PolygonSize * std::sqrt(1.0 / (2.0 * std::sqrt(3.0)));
        g.PolygonSize = unit;
        g.StepX = 2.0 * unit;
        g.StepY = std::sqrt(3.0) * unit;
    } else {
        g.StepX = g.PolygonSize;
        g.StepY = g.PolygonSize;
    }
    g.HalfStepX = g.StepX * 0.5;
    g.HalfStepY = g.StepY * 0.5;

    const int w = front.Width(), h = front.Height();
    if (front.Empty()) throw BuildError("the picture is empty", BuildError::Field::kPicture);
    const std::int64_t maxX = GridMax(w, g.HalfStepX, g.StepX, 2);
    const std::int64_t maxY = GridMax(h, g.HalfStepY, g.StepY, 1);
    if (!(g.StepX > 0.0) || !(g.StepY > 0.0) || maxX < 0 || maxY < 0 || maxX > 2147483646 ||
        maxY > 2147483646 || GridArrayBytes(maxX, maxY) > kGridMemoryBudget) {
        throw BuildError("the polygon size is too small for a picture of " + std::to_string(w) +
                         " x " + std::to_string(h) + " pixels: the model would not fit in memory");
    }
    g.GridMaxX = static_cast<std::int32_t>(maxX);
    g.GridMaxY = static_cast<std::int32_t>(maxY);
    SizeArrays(g);

    g.BackgroundColour = ColourOf(front.At(0, 0));
    ScanOutline(g, front);

    for (int i = 0; i <= g.GridMaxX; ++i) {
        for (int j = 0; j <= g.GridMaxY; ++j) {
            g.FrontX(i, j) = i * g.StepX - g.HalfStepX;
            g.FrontY(i, j) = j * g.StepY - g.HalfStepY;
        }
    }
    if (g.TriangleLattice == LatticeKind::kTriangle) {
        const int lastM = static_cast<int>((g.GridMaxY - 1) / 2.0);
        for (int i = 0; i <= g.GridMaxX; ++i)
            for (int m = 0; m <= lastM; ++m) g.FrontX(i, 2 * m + 1) -= g.HalfStepX;
    }
    if (g.ColourProjection == ColourProjectionMode::kFlat) {
        g.TextureX.Values() = g.FrontX.Values();
        g.TextureY.Values() = g.FrontY.Values();
    }
}

const CellTriangles& TrianglesOfCell(int j) {
    // Corners as offsets from (i, j): odd rows split along (i+1, j)-(i, j+1), even rows
    // along (i, j)-(i+1, j+1).
    static constexpr CellTriangles kOdd{{{0, 1, 0}, {1, 0, 1}}, {{0, 0, 1}, {0, 1, 1}}};
    static constexpr CellTriangles kEven{{{0, 0, 1}, {0, 1, 1}}, {{0, 1, 1}, {0, 0, 1}}};
    return (j % 2 != 0) ? kOdd : kEven;
}

}  // namespace vonnik
