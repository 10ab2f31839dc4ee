#include "viewer/rotation.h"

#include <cmath>

namespace vonnik {

StepMatrix DragStepMatrix(double a, double b, double c) {
    const double ca = std::cos(a), sa = std::sin(a);
    const double cb = std::cos(b), sb = std::sin(b);
    const double cc = std::cos(c), sc = std::sin(c);
    // Rz(c) Rx(a) Ry(b), entry by entry as the drag rule writes them out (rotation.h);
    // multiplying the three matrices would round differently.
    StepMatrix m{};
    m.m[0][0] = cb * cc - sa * sb * sc;
    m.m[0][1] = -ca * sc;
    m.m[0][2] = sb * cc + sa * cb * sc;
    m.m[1][0] = cb * sc + sa * sb * cc;
    m.m[1][1] = ca * cc;
    m.m[1][2] = sb * sc - sa * cb * cc;
    m.m[2][0] = -ca * sb;
    m.m[2][1] = sa;
    m.m[2][2] = ca * cb;
    return m;
}

Vec3 StepMatrix::Apply(const Vec3& v) const {
    return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
            m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
            m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
}

PaintOrder ChooseDrawOrder(const Vec3& axisA, const Vec3& axisB) {
    if (std::fabs(axisA.z) > std::fabs(axisB.z))
        return axisA.z >= 0.0 ? PaintOrder::kColumnsLeft : PaintOrder::kColumnsRight;
    return axisB.z >= 0.0 ? PaintOrder::kRowsUp : PaintOrder::kRowsDown;
}

void RotationStep(ModelGrid& g, MouseTrack& mouse, int x, int y, int viewWidth, int viewHeight) {
    const double dx = static_cast<double>(mouse.LastMouseX) - x;
    const double dy = static_cast<double>(mouse.LastMouseY) - y;
    mouse.LastMouseX = x;
    mouse.LastMouseY = y;
    const double w = viewWidth, h = viewHeight;
    const double p = (w / 2 - x) / w;
    const double q = (y - h / 2) / h;
    const double a = (-dy / 50) * (0.5 - std::fabs(p));
    const double b = (dx / 50) * (0.5 - std::fabs(q));
    const double c = (dy / 50) * p + (dx / 50) * q;
    TurnModel(g, DragStepMatrix(a, b, c));
}

StepMatrix VerticalTurnMatrix(double radians) {
    return DragStepMatrix(0.0, radians, 0.0);
}

void TurnModel(ModelGrid& g, const StepMatrix& m) {
    const std::size_t count = g.VertexState.Values().size();
    const auto& state = g.VertexState.Values();
    const auto turn = [&](GridArray<double>& X, GridArray<double>& Y, GridArray<double>& Z,
                          GridArray<double>& SX, GridArray<double>& SY, GridArray<double>& SZ) {
        auto &xs = X.Values(), &ys = Y.Values(), &zs = Z.Values();
        auto &sx = SX.Values(), &sy = SY.Values(), &sz = SZ.Values();
        for (std::size_t n = 0; n < count; ++n) {
            if (!InModel(state[n])) continue;
            sx[n] = xs[n];
            sy[n] = ys[n];
            sz[n] = zs[n];
            const Vec3 r = m.Apply({sx[n], sy[n], sz[n]});
            xs[n] = r.x;
            ys[n] = r.y;
            zs[n] = r.z;
        }
    };
    turn(g.FrontX, g.FrontY, g.FrontZ, g.SavedFrontX, g.SavedFrontY, g.SavedFrontZ);
    turn(g.BackX, g.BackY, g.BackZ, g.SavedBackX, g.SavedBackY, g.SavedBackZ);

    g.SavedViewAxes[0] = g.ViewAxisA;
    g.SavedViewAxes[1] = g.ViewAxisB;
    g.ViewAxisA = m.Apply(g.SavedViewAxes[0]);
    g.ViewAxisB = m.Apply(g.SavedViewAxes[1]);
    g.DrawOrder = ChooseDrawOrder(g.ViewAxisA, g.ViewAxisB);
}

}  // namespace vonnik
