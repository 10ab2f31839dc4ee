// The border ring and the spreading of the outline's colours onto the background.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "builder/build_phases.h"
#include "tests/oracle/plain_search.h"
#include "tests/support/grid_checks.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

using test::kWhite;
using test::Settings;

TEST(BorderRing, TwoWideOnThreeSidesAndThreeWideOnTheLargestFirstIndex) {
    ModelGrid g;
    LayLattice(g, Raster(60, 45, kWhite), Settings(8, 1, 1.1, false, false));
    ASSERT_EQ(g.GridMaxX, 10);
    ASSERT_EQ(g.GridMaxY, 7);
    g.VertexState.Fill(VertexKind::kInner);
    const GridArray<double>::Storage xs = g.FrontX.Values();
    ClearBorderRing(g);
    for (int i = 0; i <= 10; ++i) {
        for (int j = 0; j <= 7; ++j) {
            const bool ring = i <= 1 || i >= 8 || j <= 1 || j >= 6;
            EXPECT_EQ(g.VertexState(i, j), ring ? VertexKind::kOutside : VertexKind::kInner)
                << i << "," << j;
        }
    }
    EXPECT_EQ(g.FrontX.Values(), xs);
}

TEST(BorderRing, TheSmallestGridStaysInsideItsArrays) {
    ModelGrid g;
    LayLattice(g, Raster(1, 1, kWhite), Settings(50, 1, 1.1, false, false));
    ASSERT_EQ(g.GridMaxX, 2);
    ASSERT_EQ(g.GridMaxY, 1);
    g.VertexState.Fill(VertexKind::kEdge);
    ClearBorderRing(g);
    for (VertexKind s : g.VertexState.Values()) EXPECT_EQ(s, VertexKind::kOutside);
}

constexpr Pixel kRed = 0xFF0000, kBlue = 0x0000FF, kGreen = 0x00FF00, kOther = 0x123456;

// 20 x 20 white with two outline pixels, red (5, 5) listed first and blue (9, 5); square
// lattice of 4, so vertex (i, j) stands at (4i - 2, 4j - 2). Vertex (2, 1) at (6, 2) is the
// one edge vertex: the boxes of its three triangles, x 2..6 (twice) and x 6..10, y 2..6,
// overlap in column 6.
struct TwoPixelScene {
    Raster front{20, 20, kWhite};
    ModelGrid grid;
    TwoPixelScene() {
        front.Set(5, 5, kRed);
        front.Set(9, 5, kBlue);
        LayLattice(grid, front, Settings(4, 1, 1.1, false, false));
        grid.VertexState(2, 1) = VertexKind::kEdge;
    }
};

bool InBoxes(int x, int y, int right = 10) {
    return x >= 2 && x <= right && y >= 2 && y <= 6;
}

TEST(Spread, OverlappingBoxesTakeTheNearestColourAndTiesTheFirstListed) {
    TwoPixelScene scene;
    ASSERT_EQ(scene.grid.OutlineCount, 2);
    Raster back = test::MakeNoise(20, 20, 3);
    back.Set(5, 5, kGreen);
    back.Set(9, 5, kOther);
    const Raster backBefore = back;
    SpreadEdgeColours(scene.grid, scene.front, back);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            if ((x == 5 || x == 9) && y == 5) continue;
            // Column 7 is as far from (5, 5) as from (9, 5): the first listed wins.
            const bool recoloured = InBoxes(x, y);
            EXPECT_EQ(scene.front.At(x, y), !recoloured ? kWhite
                                            : x <= 7    ? kRed
                                                        : kBlue)
                << x << "," << y;
            // The back follows the front's test, whatever colour it had itself.
            EXPECT_EQ(back.At(x, y), !recoloured ? backBefore.At(x, y)
                                     : x <= 7    ? kGreen
                                                 : kOther)
                << x << "," << y;
        }
    }
    EXPECT_EQ(scene.front.At(5, 5), kRed);
    EXPECT_EQ(back.At(9, 5), kOther);
}

TEST(Spread, ASmallerBackPictureIsReadAtItsNearestBorderPixelAndWrittenOnlyInside) {
    TwoPixelScene scene;
    Raster back = test::MakeNoise(9, 4, 5);
    const Raster backBefore = back;
    SpreadEdgeColours(scene.grid, scene.front, back);
    ASSERT_EQ(back.Width(), 9);
    ASSERT_EQ(back.Height(), 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 9; ++x) {
            // (5, 5) is read at (5, 3), (9, 5) at (8, 3).
            const Pixel expected = !InBoxes(x, y) ? backBefore.At(x, y)
                                   : x <= 7       ? backBefore.At(5, 3)
                                                  : backBefore.At(8, 3);
            EXPECT_EQ(back.At(x, y), expected) << x << "," << y;
        }
    }
}

TEST(Spread, TrianglesWithoutAnEdgeVertexNeverSpread) {
    TwoPixelScene scene;
    scene.grid.VertexState.Fill(VertexKind::kInner);
    for (int j = 0; j <= scene.grid.GridMaxY; j += 3)
        scene.grid.VertexState(4, j) = VertexKind::kOutside;
    const Raster before = scene.front;
    Raster back = before;
    SpreadEdgeColours(scene.grid, scene.front, back);
    EXPECT_EQ(scene.front, before);
    EXPECT_EQ(back, before);
}

TEST(Spread, ATriangleWithANonFiniteCornerSpreadsNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double bad : {nan, inf, -inf}) {
        // (3, 1) is a corner of the box reaching column 10 only.
        TwoPixelScene scene;
        scene.grid.FrontX(3, 1) = bad;
        Raster back = scene.front;
        SpreadEdgeColours(scene.grid, scene.front, back);
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x) {
                if ((x == 5 || x == 9) && y == 5) continue;
                EXPECT_EQ(scene.front.At(x, y), InBoxes(x, y, 6) ? kRed : kWhite);
            }
        }
        EXPECT_EQ(back, scene.front);

        // (1, 2) is a corner of both other boxes: nothing at all.
        TwoPixelScene none;
        none.grid.FrontX(3, 1) = bad;
        none.grid.FrontY(1, 2) = bad;
        const Raster before = none.front;
        Raster noneBack = before;
        SpreadEdgeColours(none.grid, none.front, noneBack);
        EXPECT_EQ(none.front, before);
    }
}

TEST(Spread, BoxesReachingBeyondThePictureStopAtItsEdge) {
    TwoPixelScene scene;
    scene.grid.FrontX(3, 1) = 1e12;
    scene.grid.FrontY(1, 2) = -1e12;
    Raster back = scene.front;
    SpreadEdgeColours(scene.grid, scene.front, back);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            if ((x == 5 || x == 9) && y == 5) continue;
            const bool recoloured = x >= 2 && y <= 6 && (x <= 6 || y >= 2);
            EXPECT_EQ(scene.front.At(x, y), !recoloured ? kWhite
                                            : x <= 7    ? kRed
                                                        : kBlue)
                << x << "," << y;
        }
    }
}

TEST(Spread, AnExtremeNegativeCurvatureSpreadsOnlyFromFiniteTriangles) {
    // Curvature -400 with tolerance 0.5: cos(pi/2) to the power -400 overflows, and the
    // inner vertices land on no finite position.
    const Raster disc = test::MakeBlobs(80, 60, 11);
    const BuildSettings s = Settings(4, -400.0, 0.5);
    const test::BuildOutcome fast = test::RunBuild(disc, disc, s);
    EXPECT_FALSE(test::AllPositionsFinite(fast.grid));
    EXPECT_NE(fast.front, disc);  // triangles of edge vertices alone still spread
    const test::BuildOutcome plain = test::RunBuild(disc, disc, s, &oracle::RunBuildPhasesPlain);
    EXPECT_EQ(test::RasterDifference(fast.front, plain.front), "");
    EXPECT_EQ(test::RasterDifference(fast.back, plain.back), "");
}

}  // namespace
}  // namespace vonnik
