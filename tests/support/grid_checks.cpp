#include "tests/support/grid_checks.h"

#include <cmath>
#include <cstring>
#include <sstream>

namespace vonnik::test {

BuildSettings Settings(double polygonSize, double curvature, double tolerance,
                       bool colourProjection, bool triangleLattice) {
    BuildSettings s;
    s.PolygonSize = polygonSize;
    s.Curvature = curvature;
    s.CircleTolerance = tolerance;
    s.CircleToleranceSq = tolerance * tolerance;
    s.ColourProjection =
        colourProjection ? ColourProjectionMode::kVertical : ColourProjectionMode::kFlat;
    s.TriangleLattice = triangleLattice ? LatticeKind::kTriangle : LatticeKind::kSquare;
    return s;
}

namespace {

template <typename T>
bool SameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

template <typename T, typename A, typename B>
std::string VectorDifference(const char* name, const std::vector<T, A>& a,
                             const std::vector<T, B>& b) {
    std::ostringstream out;
    if (a.size() != b.size()) {
        out << name << ": " << a.size() << " vs " << b.size() << " elements";
        return out.str();
    }
    if (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0) return "";
    for (std::size_t n = 0; n < a.size(); ++n) {
        if (!SameBits(a[n], b[n])) {
            out.precision(17);
            out << name << "[" << n << "]: " << a[n] << " vs " << b[n];
            break;
        }
    }
    return out.str();
}

template <typename T>
std::string ScalarDifference(const char* name, const T& a, const T& b) {
    if (SameBits(a, b)) return "";
    std::ostringstream out;
    out.precision(17);
    out << name << ": " << a << " vs " << b;
    return out.str();
}

}  // namespace

BuildOutcome RunBuild(const Raster& front, const Raster& back, const BuildSettings& s,
                      BuildRunner runner) {
    BuildOutcome out;
    out.front = front;
    out.back = back;
    runner(out.grid, out.front, out.back, s, [&](int p) { out.progress.push_back(p); });
    return out;
}

std::string GridDifference(const ModelGrid& a, const ModelGrid& b) {
    const std::string scalars[] = {
        ScalarDifference("PolygonSize", a.PolygonSize, b.PolygonSize),
        ScalarDifference("Curvature", a.Curvature, b.Curvature),
        ScalarDifference("CircleToleranceSq", a.CircleToleranceSq, b.CircleToleranceSq),
        ScalarDifference("StepX", a.StepX, b.StepX),
        ScalarDifference("StepY", a.StepY, b.StepY),
        ScalarDifference("GridMaxX", a.GridMaxX, b.GridMaxX),
        ScalarDifference("GridMaxY", a.GridMaxY, b.GridMaxY),
        ScalarDifference("BackgroundColour", a.BackgroundColour, b.BackgroundColour),
        ScalarDifference("OutlineCount", a.OutlineCount, b.OutlineCount),
    };
    for (const std::string& d : scalars)
        if (!d.empty()) return d;
    const struct {
        const char* name;
        const GridArray<double>* a;
        const GridArray<double>* b;
    } doubles[] = {
        {"FrontX", &a.FrontX, &b.FrontX},
        {"FrontY", &a.FrontY, &b.FrontY},
        {"FrontZ", &a.FrontZ, &b.FrontZ},
        {"BackX", &a.BackX, &b.BackX},
        {"BackY", &a.BackY, &b.BackY},
        {"BackZ", &a.BackZ, &b.BackZ},
        {"EdgeDistance", &a.EdgeDistance, &b.EdgeDistance},
        {"LocalRadius", &a.LocalRadius, &b.LocalRadius},
        {"TextureX", &a.TextureX, &b.TextureX},
        {"TextureY", &a.TextureY, &b.TextureY},
    };
    for (const auto& d : doubles) {
        const std::string diff = VectorDifference(d.name, d.a->Values(), d.b->Values());
        if (!diff.empty()) return diff;
    }
    const std::string rest[] = {
        VectorDifference("VertexState", a.VertexState.Values(), b.VertexState.Values()),
        VectorDifference("NearestOutline", a.NearestOutline.Values(), b.NearestOutline.Values()),
        VectorDifference("OutlineX", a.OutlineX, b.OutlineX),
        VectorDifference("OutlineY", a.OutlineY, b.OutlineY),
        VectorDifference("OutlineRadius", a.OutlineRadius, b.OutlineRadius),
    };
    for (const std::string& d : rest)
        if (!d.empty()) return d;
    return "";
}

std::string RasterDifference(const Raster& a, const Raster& b) {
    std::ostringstream out;
    if (a.Width() != b.Width() || a.Height() != b.Height()) {
        out << "size " << a.Width() << "x" << a.Height() << " vs " << b.Width() << "x"
            << b.Height();
        return out.str();
    }
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            if (a.At(x, y) != b.At(x, y)) {
                out << std::hex << "pixel (" << std::dec << x << ", " << y << "): " << std::hex
                    << a.At(x, y) << " vs " << b.At(x, y);
                return out.str();
            }
        }
    }
    return "";
}

bool AllPositionsFinite(const ModelGrid& g) {
    for (const GridArray<double>* a :
         {&g.FrontX, &g.FrontY, &g.FrontZ, &g.BackX, &g.BackY, &g.BackZ, &g.TextureX, &g.TextureY})
        for (double v : a->Values())
            if (!std::isfinite(v)) return false;
    return true;
}

}  // namespace vonnik::test
