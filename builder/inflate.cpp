#include <cmath>

#include "builder/inflate.h"
#include "core/numbers.h"

namespace vonnik {

namespace {
constexpr double kHalfPi = 1.5707963267948966;
}

void InflateProfile(ModelGrid& g) {
    const int ci = g.CountI(), cj = g.CountJ();
    // Edge vertices stand on their nearest outline pixel.
    for (int i = 0; i < ci; ++i) {
        for (int j = 0; j < cj; ++j) {
            if (g.VertexState(i, j) != VertexKind::kEdge) continue;
            const std::int32_t k = g.NearestOutline(i, j);
            g.FrontX(i, j) = g.OutlineX[k];
            g.FrontY(i, j) = g.OutlineY[k];
        }
    }
    // Local radius: the claim kept by the nearest outline pixel; then both square roots.
    for (int i = 0; i < ci; ++i) {
        for (int j = 0; j < cj; ++j) {
            if (g.VertexState(i, j) != VertexKind::kInner) continue;
            g.LocalRadius(i, j) = g.OutlineRadius[g.NearestOutline(i, j)];
            g.EdgeDistance(i, j) = std::sqrt(g.EdgeDistance(i, j));
            g.LocalRadius(i, j) = std::sqrt(g.LocalRadius(i, j));
        }
    }
    // The profile: along the ray from the outline pixel through the vertex, a quarter
    // circle of the local radius, shaped by the curvature exponent.
    for (int i = 1; i <= g.GridMaxX - 1; ++i) {
        for (int j = 1; j <= g.GridMaxY - 1; ++j) {
            if (g.VertexState(i, j) != VertexKind::kInner) continue;
            const double d = g.EdgeDistance(i, j);
            if (!(d > 0.0)) continue;
            if (g.LocalRadius(i, j) == 0.0) g.LocalRadius(i, j) = d;
            const double r = g.LocalRadius(i, j);
            const double t = d / r;
            const double theta = t * kHalfPi;
            const double s = Power(std::sin(theta), g.Curvature);
            const double c = Power(std::cos(theta), g.Curvature);
            const std::int32_t k = g.NearestOutline(i, j);
            const double ox = g.OutlineX[k], oy = g.OutlineY[k];
            const double x = g.FrontX(i, j), y = g.FrontY(i, j);
            const double px = (x - ox) / t + ox;
            const double py = (y - oy) / t + oy;
            g.FrontX(i, j) = ox * c + (1.0 - c) * px;
            g.FrontY(i, j) = oy * c + (1.0 - c) * py;
            g.FrontZ(i, j) = -r * s;
            g.BackZ(i, j) = -g.FrontZ(i, j);
        }
    }
    if (g.ColourProjection == ColourProjectionMode::kVertical) {
        g.TextureX.Values() = g.FrontX.Values();
        g.TextureY.Values() = g.FrontY.Values();
    }
}

}  // namespace vonnik
