#include "viewer/rotation.h"

#include <cmath>
#include <system_error>
#include <thread>

namespace vonnik {
namespace {

// Models of at least this many vertices turn their two sides at once.
constexpr std::size_t kTurnSidesApart = std::size_t{1} << 16;

}  // namespace

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

PaintOrder ChooseDrawOrder(const Vec3& axisA, const Vec3& axisB) {
    if (std::fabs(axisA.z) > std::fabs(axisB.z))
        return axisA.z >= 0.0 ? PaintOrder::kColumnsLeft : PaintOrder::kColumnsRight;
    return axisB.z >= 0.0 ? PaintOrder::kRowsUp : PaintOrder::kRowsDown;
}

void RotationStep(ModelGrid& g, ViewPose& view, SavedPositions& saved, MouseTrack& mouse, int x,
                  int y, int viewWidth, int viewHeight) {
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
    TurnModel(g, view, saved, DragStepMatrix(a, b, c));
}

StepMatrix VerticalTurnMatrix(double radians) {
    return DragStepMatrix(0.0, radians, 0.0);
}

void TurnVertices(ModelGrid& g, SavedPositions& saved, const StepMatrix& m) {
    const int ci = g.CountI(), cj = g.CountJ();
    for (GridArray<double>* a :
         {&saved.FrontX, &saved.FrontY, &saved.FrontZ, &saved.BackX, &saved.BackY, &saved.BackZ})
        a->Resize(ci, cj);
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
    const auto turnBack = [&] {
        turn(g.BackX, g.BackY, g.BackZ, saved.BackX, saved.BackY, saved.BackZ);
    };
    // A large model turns its back on a thread of its own meanwhile: every element is
    // written by one side's turn alone, so the result is the same.
    std::thread back;
    if (count >= kTurnSidesApart) {
        try {
            back = std::thread(turnBack);
        } catch (const std::system_error&) {
            // No thread to spare: the back turns after the front.
        }
    }
    turn(g.FrontX, g.FrontY, g.FrontZ, saved.FrontX, saved.FrontY, saved.FrontZ);
    if (back.joinable())
        back.join();
    else
        turnBack();
}

void TurnModel(ModelGrid& g, ViewPose& view, SavedPositions& saved, const StepMatrix& m) {
    TurnVertices(g, saved, m);
    view.SavedViewAxes[0] = view.ViewAxisA;
    view.SavedViewAxes[1] = view.ViewAxisB;
    view.ViewAxisA = m.Apply(view.SavedViewAxes[0]);
    view.ViewAxisB = m.Apply(view.SavedViewAxes[1]);
    view.DrawOrder = ChooseDrawOrder(view.ViewAxisA, view.ViewAxisB);
}

StepMatrix PoseMatrix(const ViewPose& view) {
    const Vec3 a = view.ViewAxisA, b = view.ViewAxisB;
    const Vec3 c{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    return StepMatrix{{{a.x, b.x, c.x}, {a.y, b.y, c.y}, {a.z, b.z, c.z}}};
}

void PlaceInPose(ModelGrid& g, const ViewPose& view, SavedPositions& saved) {
    if (view.Unturned()) return;
    TurnVertices(g, saved, PoseMatrix(view));
}

}  // namespace vonnik
