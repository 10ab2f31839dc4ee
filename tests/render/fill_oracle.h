#pragma once

// The fill rule (render/triangle_fill.cpp) written out once more, as plainly as it reads,
// for comparison: every frame pixel inside the bounding box (truncated, compared as doubles
// so that nothing is converted to an integer), weights at the pixel centre, inside test,
// truncated picture coordinates, the nearest picture pixel for a coordinate outside the
// picture, the shading.

#include <algorithm>
#include <cmath>

#include "render/render_frame.h"

namespace vonnik::test {

inline void OracleFill(const double (&x)[3], const double (&y)[3], const double (&tx)[3],
                       const double (&ty)[3], const Raster& picture, double shade, Raster& frame) {
    for (int k = 0; k < 3; ++k)
        if (!std::isfinite(x[k]) || !std::isfinite(y[k])) return;  // such a side is not drawn
    const double left = std::trunc(std::min({x[0], x[1], x[2]}));
    const double right = std::trunc(std::max({x[0], x[1], x[2]}));
    const double top = std::trunc(std::min({y[0], y[1], y[2]}));
    const double bottom = std::trunc(std::max({y[0], y[1], y[2]}));
    for (int r = 0; r < frame.Height(); ++r) {
        for (int c = 0; c < frame.Width(); ++c) {
            if (c < left || c > right || r < top || r > bottom) continue;
            const TriangleWeights w =
                SolveTriangleWeights(x[0], y[0], x[1], y[1], x[2], y[2], c + 0.5, r + 0.5);
            if (!(w.s >= 0.0 && w.t >= 0.0 && w.s + w.t <= 1.0)) continue;
            const double u = std::trunc((tx[1] - tx[0]) * w.s + tx[0] + (tx[2] - tx[0]) * w.t);
            const double v = std::trunc((ty[1] - ty[0]) * w.s + ty[0] + (ty[2] - ty[0]) * w.t);
            const Pixel texel =
                picture.At(static_cast<int>(std::clamp(u, 0.0, picture.Width() - 1.0)),
                           static_cast<int>(std::clamp(v, 0.0, picture.Height() - 1.0)));
            const unsigned b = static_cast<unsigned>((texel & 0xFF) * shade);
            const unsigned g = static_cast<unsigned>(((texel >> 8) & 0xFF) * shade);
            const unsigned rd = static_cast<unsigned>(((texel >> 16) & 0xFF) * shade);
            frame.Set(c, r, b + g * 256 + rd * 65536);
        }
    }
}

}  // namespace vonnik::test
