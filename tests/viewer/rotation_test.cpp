// The rotation step of a right-button drag: the angles from the mouse motion, the step
// matrix, which vertices it turns, and the drawing order it leaves.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "tests/render/render_fixtures.h"
#include "viewer/rotation.h"

namespace vonnik::test {
namespace {

constexpr int kWidth = 200, kHeight = 100;
constexpr double kUntouched = 1234.5;

// A model, its view and the drag's saved copies, as the session keeps them.
struct Viewed {
    ModelGrid g;
    ViewPose view;
    SavedPositions saved;

    void Step(MouseTrack& mouse, int toX, int toY) {
        RotationStep(g, view, saved, mouse, toX, toY, kWidth, kHeight);
    }
    std::vector<GridArray<double>*> Positions() {
        return {&g.FrontX,     &g.FrontY,    &g.FrontZ,     &g.BackX,
                &g.BackY,      &g.BackZ,     &saved.FrontX, &saved.FrontY,
                &saved.FrontZ, &saved.BackX, &saved.BackY,  &saved.BackZ};
    }
};

// A 6 x 5 lattice in a 200 x 100 view with heights, so that every axis of a turn shows:
// border vertices (state 0) hold kUntouched everywhere, in the saved copies too.
Viewed TiltedLattice() {
    Viewed v{FlatLattice(6, 5, 10.0), {}, {}};
    ModelGrid& g = v.g;
    for (GridArray<double>* a : {&v.saved.FrontX, &v.saved.FrontY, &v.saved.FrontZ, &v.saved.BackX,
                                 &v.saved.BackY, &v.saved.BackZ})
        a->ResizeZeroed(6, 5);
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 5; ++j) {
            g.FrontZ(i, j) = -3.0 - i + 0.5 * j;
            g.BackZ(i, j) = 3.0 + i - 0.25 * j;
            if (g.VertexState(i, j) != VertexKind::kOutside) continue;
            for (GridArray<double>* a : v.Positions()) (*a)(i, j) = kUntouched;
        }
    }
    return v;
}

// The three elementary turns, written out independently of the step matrix.
Vec3 AboutX(double a, const Vec3& v) {
    return {v.x, std::cos(a) * v.y - std::sin(a) * v.z, std::sin(a) * v.y + std::cos(a) * v.z};
}
Vec3 AboutY(double b, const Vec3& v) {
    return {std::cos(b) * v.x + std::sin(b) * v.z, v.y, -std::sin(b) * v.x + std::cos(b) * v.z};
}
Vec3 AboutZ(double c, const Vec3& v) {
    return {std::cos(c) * v.x - std::sin(c) * v.y, std::sin(c) * v.x + std::cos(c) * v.y, v.z};
}

void ExpectNear(const Vec3& actual, const Vec3& expected, const std::string& where) {
    EXPECT_NEAR(actual.x, expected.x, 1e-12) << where;
    EXPECT_NEAR(actual.y, expected.y, 1e-12) << where;
    EXPECT_NEAR(actual.z, expected.z, 1e-12) << where;
}

// Runs one step from (fromX, fromY) to (toX, toY) and checks that every vertex of state above
// 0, on both sides, and both view axes turned as `turn` says.
template <typename Turn>
void ExpectStepTurns(int fromX, int fromY, int toX, int toY, Turn turn) {
    const ModelGrid before = TiltedLattice().g;
    Viewed v = TiltedLattice();
    const ModelGrid& g = v.g;
    MouseTrack mouse{fromX, fromY};
    v.Step(mouse, toX, toY);
    for (int i = 1; i < 5; ++i) {
        for (int j = 1; j < 4; ++j) {
            const std::string at = "vertex " + std::to_string(i) + ", " + std::to_string(j);
            ExpectNear({g.FrontX(i, j), g.FrontY(i, j), g.FrontZ(i, j)},
                       turn({before.FrontX(i, j), before.FrontY(i, j), before.FrontZ(i, j)}),
                       at + " front");
            ExpectNear({g.BackX(i, j), g.BackY(i, j), g.BackZ(i, j)},
                       turn({before.BackX(i, j), before.BackY(i, j), before.BackZ(i, j)}),
                       at + " back");
        }
    }
    ExpectNear(v.view.ViewAxisA, turn({1, 0, 0}), "axis A");
    ExpectNear(v.view.ViewAxisB, turn({0, 1, 0}), "axis B");
    EXPECT_EQ(mouse.LastMouseX, toX);
    EXPECT_EQ(mouse.LastMouseY, toY);
}

TEST(RotationStep, AHorizontalDragThroughTheCentreTurnsAboutY) {
    // Y = H/2: b = dx / 100, a = c = 0.
    ExpectStepTurns(130, 50, 100, 50, [](const Vec3& v) { return AboutY(0.3, v); });
    ExpectStepTurns(20, 50, 65, 50, [](const Vec3& v) { return AboutY(-0.45, v); });
}

TEST(RotationStep, AVerticalDragThroughTheCentreTurnsAboutX) {
    // X = W/2: a = -dy / 100, b = c = 0.
    ExpectStepTurns(100, 20, 100, 45, [](const Vec3& v) { return AboutX(0.25, v); });
    ExpectStepTurns(100, 90, 100, 60, [](const Vec3& v) { return AboutX(-0.3, v); });
}

TEST(RotationStep, AHorizontalDragAlongTheTopEdgeRolls) {
    // Y = 0, q = -0.5: a = b = 0, c = -dx / 100.
    ExpectStepTurns(150, 0, 110, 0, [](const Vec3& v) { return AboutZ(-0.4, v); });
}

TEST(RotationStep, TheStepMatrixTurnsAboutYThenXThenZ) {
    const double a = 0.3, b = -0.7, c = 1.1;
    const StepMatrix m = DragStepMatrix(a, b, c);
    for (const Vec3& v : {Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}, Vec3{2.5, -1.5, 4.0}})
        ExpectNear(m.Apply(v), AboutZ(c, AboutX(a, AboutY(b, v))), "step matrix");
}

TEST(RotationStep, VerticesOutsideTheModelAreNeitherSavedNorTurned) {
    Viewed v = TiltedLattice();
    MouseTrack mouse{10, 10};
    v.Step(mouse, 170, 80);
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 5; ++j) {
            if (v.g.VertexState(i, j) != VertexKind::kOutside) continue;
            for (const GridArray<double>* a : v.Positions())
                EXPECT_EQ((*a)(i, j), kUntouched) << i << ", " << j;
        }
    }
    EXPECT_NE(v.g.FrontX(2, 2), TiltedLattice().g.FrontX(2, 2));
}

TEST(RotationStep, TheSavedCopiesHoldThePositionsBeforeTheStep) {
    const Viewed before = TiltedLattice();
    Viewed v = before;
    MouseTrack mouse{40, 70};
    v.Step(mouse, 90, 20);
    EXPECT_EQ(v.saved.FrontX(2, 1), before.g.FrontX(2, 1));
    EXPECT_EQ(v.saved.FrontZ(3, 3), before.g.FrontZ(3, 3));
    EXPECT_EQ(v.saved.BackY(4, 2), before.g.BackY(4, 2));
    EXPECT_EQ(v.view.SavedViewAxes[0], before.view.ViewAxisA);
    EXPECT_EQ(v.view.SavedViewAxes[1], before.view.ViewAxisB);
}

// A model large enough that its two sides turn at once turns both, and saves both, exactly as
// the step matrix says.
TEST(RotationStep, ALargeModelTurnsAndSavesBothSides) {
    const int n = 300;  // 90,000 vertices
    Viewed v{FlatLattice(n, n, 1.0), {}, {}};
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            v.g.FrontZ(i, j) = -0.01 * i * j;
            v.g.BackZ(i, j) = 0.02 * (i + j);
        }
    const ModelGrid before = v.g;
    const StepMatrix m = DragStepMatrix(0.1, -0.2, 0.3);
    TurnVertices(v.g, v.saved, m);
    int wrong = 0;
    for (int i = 1; i < n - 1; ++i)
        for (int j = 1; j < n - 1; ++j) {
            const Vec3 f = m.Apply({before.FrontX(i, j), before.FrontY(i, j), before.FrontZ(i, j)});
            const Vec3 b = m.Apply({before.BackX(i, j), before.BackY(i, j), before.BackZ(i, j)});
            wrong +=
                !(v.g.FrontX(i, j) == f.x && v.g.FrontY(i, j) == f.y && v.g.FrontZ(i, j) == f.z &&
                  v.g.BackX(i, j) == b.x && v.g.BackY(i, j) == b.y && v.g.BackZ(i, j) == b.z &&
                  v.saved.FrontZ(i, j) == before.FrontZ(i, j) &&
                  v.saved.BackZ(i, j) == before.BackZ(i, j));
        }
    EXPECT_EQ(wrong, 0);
}

TEST(RotationStep, APureRollRightAfterABuildChoosesOrderTwo) {
    Viewed v = TiltedLattice();
    MouseTrack mouse{150, 0};
    v.Step(mouse, 110, 0);
    EXPECT_EQ(v.view.ViewAxisA.z, 0.0);
    EXPECT_EQ(v.view.ViewAxisB.z, 0.0);
    EXPECT_EQ(v.view.DrawOrder, PaintOrder::kRowsUp);
}

// The axes stand for the whole turn: a built model placed in a dragged view lies where the
// drag left the dragged one, to rounding; an unturned view leaves it exactly as built.
TEST(PlaceInPose, PutsANewModelWhereTheDragsLeftTheOldOne) {
    Viewed dragged = TiltedLattice();
    MouseTrack mouse{40, 70};
    for (const auto& [x, y] : {std::pair{90, 20}, {130, 60}, {20, 95}, {150, 5}})
        dragged.Step(mouse, x, y);
    Viewed placed = TiltedLattice();
    PlaceInPose(placed.g, ViewPose{}, placed.saved);
    EXPECT_EQ(placed.g.FrontZ.Values(), TiltedLattice().g.FrontZ.Values());
    PlaceInPose(placed.g, dragged.view, placed.saved);
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 5; ++j) {
            const std::string at = std::to_string(i) + ", " + std::to_string(j);
            if (placed.g.VertexState(i, j) == VertexKind::kOutside) {
                EXPECT_EQ(placed.g.FrontZ(i, j), kUntouched) << at;
                continue;
            }
            ExpectNear({placed.g.FrontX(i, j), placed.g.FrontY(i, j), placed.g.FrontZ(i, j)},
                       {dragged.g.FrontX(i, j), dragged.g.FrontY(i, j), dragged.g.FrontZ(i, j)},
                       at + " front");
            ExpectNear({placed.g.BackX(i, j), placed.g.BackY(i, j), placed.g.BackZ(i, j)},
                       {dragged.g.BackX(i, j), dragged.g.BackY(i, j), dragged.g.BackZ(i, j)},
                       at + " back");
        }
    }
}

TEST(DrawOrder, FollowsTheAxisThatPointsMostSteeplyOutOfTheScreen) {
    EXPECT_EQ(ChooseDrawOrder({0, 0, 0.6}, {0, 0, 0.5}), PaintOrder::kColumnsLeft);
    EXPECT_EQ(ChooseDrawOrder({0, 0, -0.6}, {0, 0, 0.5}), PaintOrder::kColumnsRight);
    EXPECT_EQ(ChooseDrawOrder({0, 0, 0.2}, {0, 0, 0.7}), PaintOrder::kRowsUp);
    EXPECT_EQ(ChooseDrawOrder({0, 0, 0.2}, {0, 0, -0.7}), PaintOrder::kRowsDown);
    // Equal magnitudes pick from B.
    EXPECT_EQ(ChooseDrawOrder({0, 0, 0.5}, {0, 0, -0.5}), PaintOrder::kRowsDown);
    EXPECT_EQ(ChooseDrawOrder({0, 0, -0.5}, {0, 0, 0.5}), PaintOrder::kRowsUp);
    EXPECT_EQ(ChooseDrawOrder({1, 0, 0}, {0, 1, 0}), PaintOrder::kRowsUp);
    EXPECT_EQ(ChooseDrawOrder({0, 0, 0.0}, {0, 0, -0.0}),
              PaintOrder::kRowsUp);  // -0 is not below 0
}

}  // namespace
}  // namespace vonnik::test
