// The lattice laid over the picture and the outline scan.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "builder/build_phases.h"
#include "tests/support/grid_checks.h"
#include "tests/support/pictures.h"
#include "viewer/rotation.h"

namespace vonnik {
namespace {

using test::kBlack;
using test::kWhite;
using test::Settings;

ModelGrid Lay(const Raster& picture, const BuildSettings& s) {
    ModelGrid g;
    LayLattice(g, picture, s);
    return g;
}

TEST(Lattice, SquareLatticeOfPolygonSizeEightOn100x100) {
    const ModelGrid g = Lay(Raster(100, 100, kWhite), Settings(8, 1.0, 1.1, false, false));
    EXPECT_EQ(g.StepX, 8.0);
    EXPECT_EQ(g.StepY, 8.0);
    EXPECT_EQ(g.HalfStepX, 4.0);
    EXPECT_EQ(g.GridMaxX, 15);
    EXPECT_EQ(g.GridMaxY, 14);
    EXPECT_EQ(g.FrontX(0, 0), -4.0);
    EXPECT_EQ(g.FrontY(0, 0), -4.0);
    EXPECT_EQ(g.FrontX(15, 14), 116.0);
    EXPECT_EQ(g.FrontY(15, 14), 108.0);
    // Rows keep their place on the square lattice: no odd-row shift.
    EXPECT_EQ(g.FrontX(3, 1), g.FrontX(3, 2));
    for (const GridArray<double>* a :
         {&g.FrontX, &g.FrontZ, &g.BackZ, &g.TextureY, &g.EdgeDistance, &g.LocalRadius})
        EXPECT_EQ(a->Values().size(), 16u * 15u);
    EXPECT_EQ(g.VertexState.Values().size(), 16u * 15u);
    EXPECT_EQ(g.NearestOutline.Values().size(), 16u * 15u);
}

TEST(Lattice, TriangleLatticeOfPolygonSizeEightOn100x100) {
    const ModelGrid g = Lay(Raster(100, 100, kWhite), Settings(8));
    EXPECT_NEAR(g.PolygonSize, 4.298280, 5e-7);  // the setting becomes the lattice unit
    EXPECT_NEAR(g.StepX, 8.596559, 5e-7);
    EXPECT_NEAR(g.StepY, 7.444839, 5e-7);
    EXPECT_EQ(g.GridMaxX, 14);
    EXPECT_EQ(g.GridMaxY, 15);
    EXPECT_NEAR(g.FrontX(0, 1), -8.596559, 5e-7);
    EXPECT_EQ(g.FrontX(0, 1), -g.StepX);
    // Every odd row shifted by half a step, up to the last row.
    for (int j = 0; j <= g.GridMaxY; ++j)
        EXPECT_EQ(g.FrontX(5, j), 5 * g.StepX - g.HalfStepX - (j % 2) * g.HalfStepX) << j;
    // The flat triangles are equilateral: StepY is sqrt(3)/2 of StepX, to rounding.
    EXPECT_NEAR(g.StepY / g.StepX, std::sqrt(3.0) / 2.0, 1e-15);
}

TEST(Lattice, ClearsTheModelOfAnEarlierBuild) {
    ModelGrid g = Lay(test::MakeDisc(120, 90, 60, 45, 30), Settings(4));
    g.VertexState.Fill(VertexKind::kInner);
    g.FrontZ.Fill(-7.0);
    LayLattice(g, Raster(40, 30, kWhite), Settings(8));
    const std::size_t count = static_cast<std::size_t>(g.CountI()) * g.CountJ();
    EXPECT_EQ(g.VertexState.Values(), GridArray<VertexKind>::Storage(count, VertexKind::kOutside));
    EXPECT_EQ(g.FrontZ.Values(), GridArray<double>::Storage(count, 0.0));
    EXPECT_EQ(g.OutlineCount, 0);
    EXPECT_TRUE(g.OutlineRadius.empty());
}

TEST(Lattice, TextureFollowsTheFlatLatticeOnlyWithoutColourProjection) {
    const Raster picture(50, 40, kWhite);
    const ModelGrid flat = Lay(picture, Settings(6, 1.0, 1.1, false));
    EXPECT_EQ(flat.TextureX.Values(), flat.FrontX.Values());
    EXPECT_EQ(flat.TextureY.Values(), flat.FrontY.Values());
}

TEST(Lattice, RefusesAGridBeyondTheMemoryBudgetBeforeAllocating) {
    const Raster picture(100, 100, kWhite);
    const double tooSmall[] = {0.001, 1e-300, 0.0, -8.0, std::numeric_limits<double>::quiet_NaN()};
    for (double size : tooSmall) {
        for (bool triangle : {false, true}) {
            ModelGrid g;
            EXPECT_THROW(LayLattice(g, picture, Settings(size, 1.0, 1.1, false, triangle)),
                         BuildError)
                << size;
            EXPECT_EQ(g.GridMaxX, -1);
            EXPECT_TRUE(g.FrontX.Values().empty());
            EXPECT_TRUE(g.TextureY.Values().empty());
        }
    }
    ModelGrid g;
    EXPECT_THROW(LayLattice(g, Raster(), Settings(8)), BuildError);
}

// The memory estimate that decides the refusal is the memory the lattice's arrays hold,
// with the drag's saved copies of the positions, which the first drag step sizes like them.
TEST(Lattice, TheMemoryEstimateIsWhatTheArraysHold) {
    for (const bool triangle : {false, true}) {
        ModelGrid g =
            Lay(test::MakeDisc(61, 47, 30, 23, 17), Settings(3, 1.0, 1.1, false, triangle));
        SavedPositions saved;
        TurnVertices(g, saved, DragStepMatrix(0.0, 0.0, 0.0));
        std::uint64_t held = 0;
        for (const GridArray<double>* a :
             {&g.FrontX, &g.FrontY, &g.FrontZ, &saved.FrontX, &saved.FrontY, &saved.FrontZ,
              &g.BackX, &g.BackY, &g.BackZ, &saved.BackX, &saved.BackY, &saved.BackZ,
              &g.EdgeDistance, &g.LocalRadius, &g.TextureX, &g.TextureY})
            held += a->Values().size() * sizeof(double);
        held += g.NearestOutline.Values().size() * sizeof(std::int32_t);
        held += g.VertexState.Values().size() * sizeof(VertexKind);
        EXPECT_EQ(GridArrayBytes(g.GridMaxX, g.GridMaxY), held) << triangle;
    }
}

// Polygon size 1 on the square lattice lays (W + 5) x (H + 4) vertices: a picture one
// column wider than the widest that fits is refused, before any array is allocated.
TEST(Lattice, ALatticeJustOverTheBudgetIsRefused) {
    const ModelGrid small = Lay(Raster(20, 1, kWhite), Settings(1, 1.0, 1.1, false, false));
    ASSERT_EQ(small.GridMaxX, 20 + 4);
    ASSERT_EQ(small.GridMaxY, 1 + 3);
    const int over = 9'474'188;
    ASSERT_LE(GridArrayBytes(over - 1 + 4, 1 + 3), kGridMemoryBudget);
    ASSERT_GT(GridArrayBytes(over + 4, 1 + 3), kGridMemoryBudget);
    ModelGrid g;
    EXPECT_THROW(LayLattice(g, Raster(over, 1, kWhite), Settings(1, 1.0, 1.1, false, false)),
                 BuildError);
    EXPECT_EQ(g.GridMaxX, -1);
    EXPECT_TRUE(g.FrontX.Values().empty());
}

std::vector<std::pair<int, int>> OutlineOf(const Raster& picture) {
    const ModelGrid g = Lay(picture, Settings(8));
    std::vector<std::pair<int, int>> outline;
    for (int k = 0; k < g.OutlineCount; ++k) outline.emplace_back(g.OutlineX[k], g.OutlineY[k]);
    EXPECT_EQ(g.OutlineRadius, std::vector<double>(outline.size(), 0.0));
    return outline;
}

TEST(Outline, DiagonalContactIsNoOutlineAndTheListRunsByXThenY) {
    Raster plus(10, 10, kWhite);
    for (auto [x, y] : {std::pair{4, 3}, {3, 4}, {4, 4}, {5, 4}, {4, 5}}) plus.Set(x, y, kBlack);
    const std::vector<std::pair<int, int>> expected = {{3, 4}, {4, 3}, {4, 5}, {5, 4}};
    EXPECT_EQ(OutlineOf(plus), expected);
}

TEST(Outline, BorderRowsAndColumnsAreNeverOutline) {
    Raster frame(6, 6, kWhite);
    for (int n = 0; n < 6; ++n) {
        frame.Set(5, n, kBlack);
        frame.Set(n, 5, kBlack);
    }
    EXPECT_TRUE(OutlineOf(frame).empty());

    Raster leftBackground(5, 6, kBlack);
    for (int y = 0; y < 6; ++y) leftBackground.Set(0, y, kWhite);
    const std::vector<std::pair<int, int>> expected = {{1, 1}, {1, 2}, {1, 3}, {1, 4}};
    EXPECT_EQ(OutlineOf(leftBackground), expected);
}

TEST(Outline, PicturesNarrowerOrLowerThanThreePixelsHaveNone) {
    for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {2, 40}, {40, 2}, {1, 40}, {40, 1}}) {
        Raster r(w, h, kBlack);
        r.Set(0, 0, kWhite);
        r.Set(w - 1, h - 1, kWhite);
        EXPECT_TRUE(OutlineOf(r).empty()) << w << "x" << h;
    }
    Raster three(3, 3, kWhite);
    three.Set(1, 1, kBlack);
    EXPECT_EQ(OutlineOf(three), (std::vector<std::pair<int, int>>{{1, 1}}));
}

TEST(Outline, OneColourHasNoneWhateverTheFourthByte) {
    EXPECT_TRUE(OutlineOf(Raster(30, 20, 0x123456)).empty());
    // Only the three colour bytes count: a different fourth byte is the same colour.
    Raster mixed(30, 20, 0x00123456);
    mixed.Set(0, 0, 0xFF123456);
    mixed.Set(10, 10, 0x80123456);
    EXPECT_TRUE(OutlineOf(mixed).empty());
}

TEST(Outline, TheBackgroundIsWhateverTheTopLeftPixelHolds) {
    // A white disc on black: black is the background, the white disc the figure.
    Raster picture = test::MakeDisc(40, 40, 20, 20, 10, kBlack);
    for (Pixel& p : picture.Pixels())
        if (p != kBlack) p = kWhite;
    const ModelGrid g = Lay(picture, Settings(8));
    EXPECT_EQ(g.BackgroundColour, kBlack);
    ASSERT_GT(g.OutlineCount, 0);
    for (int k = 0; k < g.OutlineCount; ++k)
        EXPECT_EQ(picture.At(g.OutlineX[k], g.OutlineY[k]), kWhite);

    // A figure over the top-left pixel makes its own colour the background.
    const Raster covering = test::MakeRect(40, 40, 0, 0, 20, 20);
    const ModelGrid h = Lay(covering, Settings(8));
    EXPECT_EQ(h.BackgroundColour, ColourOf(covering.At(0, 0)));
    for (int k = 0; k < h.OutlineCount; ++k)
        EXPECT_NE(ColourOf(covering.At(h.OutlineX[k], h.OutlineY[k])), h.BackgroundColour);
}

}  // namespace
}  // namespace vonnik
