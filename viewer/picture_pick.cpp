#include "viewer/picture_pick.h"

#include <limits>

#include "builder/model_triangles.h"

namespace vonnik {

std::optional<PicturePoint> PicturePointAt(const ModelGrid& g, int frameWidth, int frameHeight,
                                           double x, double y) {
    if (g.Empty()) return std::nullopt;
    // In model space: the frame's centre is the model's origin.
    const double px = x - frameWidth / 2, py = y - frameHeight / 2;
    std::optional<PicturePoint> found;
    double nearest = std::numeric_limits<double>::infinity();
    ForEachModelTriangle(
        g, [&](const int(&is)[3], const int(&js)[3], const int(&)[3], const int(&)[3]) {
            for (const bool front : {true, false}) {
                double vx[3], vy[3], vz[3];
                for (int c = 0; c < 3; ++c) {
                    vx[c] = front ? g.FrontX(is[c], js[c]) : g.BackX(is[c], js[c]);
                    vy[c] = front ? g.FrontY(is[c], js[c]) : g.BackY(is[c], js[c]);
                    vz[c] = front ? g.FrontZ(is[c], js[c]) : g.BackZ(is[c], js[c]);
                }
                // Barycentric weights of the point in the triangle as drawn, either turn.
                const double area =
                    (vx[1] - vx[0]) * (vy[2] - vy[0]) - (vy[1] - vy[0]) * (vx[2] - vx[0]);
                if (area == 0.0) continue;
                const double w1 =
                    ((px - vx[0]) * (vy[2] - vy[0]) - (py - vy[0]) * (vx[2] - vx[0])) / area;
                const double w2 =
                    ((vx[1] - vx[0]) * (py - vy[0]) - (vy[1] - vy[0]) * (px - vx[0])) / area;
                const double w0 = 1.0 - w1 - w2;
                if (w0 < 0.0 || w1 < 0.0 || w2 < 0.0) continue;
                // z points into the screen: the smallest is the nearest to the viewer.
                const double z = w0 * vz[0] + w1 * vz[1] + w2 * vz[2];
                if (!(z < nearest)) continue;
                nearest = z;
                PicturePoint p;
                for (int c = 0; c < 3; ++c) {
                    const double w = c == 0 ? w0 : c == 1 ? w1 : w2;
                    p.x += w * g.TextureX(is[c], js[c]);
                    p.y += w * g.TextureY(is[c], js[c]);
                }
                found = p;
            }
        });
    return found;
}

}  // namespace vonnik
