// The inflation profile, the centring and the back surface.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "builder/build_phases.h"
#include "tests/support/grid_checks.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

using test::kWhite;
using test::Settings;

constexpr double kHalfPi = 1.5707963267948966;

// A square lattice of 8 over 60 x 40 pixels (vertex (i, j) at (8i - 4, 8j - 4)) with three
// outline pixels: (20, 20), (30, 20) and (28, 30).
ModelGrid HandGrid(double curvature, bool colourProjection = false) {
    ModelGrid g;
    LayLattice(g, Raster(60, 40, kWhite), Settings(8, curvature, 1.1, colourProjection, false));
    g.OutlineX = {20, 30, 28};
    g.OutlineY = {20, 20, 30};
    g.OutlineCount = 3;
    g.OutlineRadius = {0.0, 0.0, 100.0};
    const auto set = [&](int i, int j, VertexKind state, std::int32_t k, double d2) {
        g.VertexState(i, j) = state;
        g.NearestOutline(i, j) = k;
        g.EdgeDistance(i, j) = d2;
    };
    set(2, 2, VertexKind::kEdge, 0, 0.0);
    set(3, 3, VertexKind::kInner, 0, 0.0);   // (20, 20): on its outline pixel
    set(5, 3, VertexKind::kInner, 1, 36.0);  // (36, 20): 6 from (30, 20), which nobody claimed
    set(4, 5, VertexKind::kInner, 2, 36.0);  // (28, 36): 6 below (28, 30), radius 10
    return g;
}

TEST(Inflate, EdgeVerticesStandOnTheirOutlinePixel) {
    ModelGrid g = HandGrid(1.0);
    InflateProfile(g);
    EXPECT_EQ(g.FrontX(2, 2), 20.0);
    EXPECT_EQ(g.FrontY(2, 2), 20.0);
    EXPECT_EQ(g.FrontZ(2, 2), 0.0);
    EXPECT_EQ(g.FrontX(6, 2), 44.0);  // outside vertices keep their lattice place
    EXPECT_EQ(g.FrontZ(6, 2), 0.0);
}

TEST(Inflate, AnInnerVertexOnItsOutlinePixelStaysPut) {
    ModelGrid g = HandGrid(1.0);
    InflateProfile(g);
    EXPECT_EQ(g.FrontX(3, 3), 20.0);
    EXPECT_EQ(g.FrontY(3, 3), 20.0);
    EXPECT_EQ(g.FrontZ(3, 3), 0.0);
    EXPECT_EQ(g.BackZ(3, 3), 0.0);
}

TEST(Inflate, AnUnclaimedOutlinePixelPutsTheVertexOnTopOfItsOwnCircle) {
    ModelGrid g = HandGrid(1.0);
    InflateProfile(g);
    EXPECT_EQ(g.LocalRadius(5, 3), 6.0);
    EXPECT_EQ(g.EdgeDistance(5, 3), 6.0);
    EXPECT_EQ(g.FrontZ(5, 3), -6.0);
    EXPECT_EQ(g.BackZ(5, 3), 6.0);
    EXPECT_NEAR(g.FrontX(5, 3), 36.0, 1e-12);
    EXPECT_NEAR(g.FrontY(5, 3), 20.0, 1e-12);
}

TEST(Inflate, CurvatureOneRaisesTheVertexOnAQuarterCircle) {
    ModelGrid g = HandGrid(1.0);
    InflateProfile(g);
    // Radius 10 about (28, 40) in the plane of the ray, at the angle 0.6 * pi/2 from the
    // outline pixel (28, 30).
    const double y = g.FrontY(4, 5) - 40.0, z = g.FrontZ(4, 5);
    EXPECT_NEAR(g.FrontX(4, 5), 28.0, 1e-12);
    EXPECT_NEAR(y * y + z * z, 100.0, 1e-9);
    EXPECT_NEAR(-z, 10.0 * std::sin(0.6 * kHalfPi), 1e-12);
    EXPECT_EQ(g.BackZ(4, 5), -z);
}

TEST(Inflate, CurvatureZeroPutsTheVertexOnItsOutlinePixelAtHeightR) {
    ModelGrid g = HandGrid(0.0);
    InflateProfile(g);
    EXPECT_EQ(g.FrontX(4, 5), 28.0);
    EXPECT_EQ(g.FrontY(4, 5), 30.0);
    EXPECT_EQ(g.FrontZ(4, 5), -10.0);
}

TEST(Inflate, ARadiusBelowTheDistanceWithAFractionalCurvatureGivesNoNaN) {
    for (double curvature : {1.5, 0.5, 2.25}) {
        ModelGrid g = HandGrid(curvature);
        g.OutlineRadius[2] = 16.0;  // R = 4 < d = 6: the angle passes pi/2
        InflateProfile(g);
        // cos is negative there; its fractional power counts as 0, leaving the circle point.
        EXPECT_EQ(g.FrontY(4, 5), (36.0 - 30.0) / 1.5 + 30.0) << curvature;
        EXPECT_TRUE(std::isfinite(g.FrontX(4, 5)));
        EXPECT_TRUE(std::isfinite(g.FrontZ(4, 5)));
    }
}

TEST(Inflate, ColourProjectionTakesTheTextureFromTheInflatedPositions) {
    ModelGrid flat = HandGrid(1.0, false);
    const GridArray<double>::Storage lattice = flat.TextureX.Values();
    InflateProfile(flat);
    EXPECT_EQ(flat.TextureX.Values(), lattice);

    ModelGrid projected = HandGrid(1.0, true);
    InflateProfile(projected);
    EXPECT_EQ(projected.TextureX.Values(), projected.FrontX.Values());
    EXPECT_EQ(projected.TextureY.Values(), projected.FrontY.Values());
}

std::vector<std::pair<int, int>> InnerVertices(const ModelGrid& g) {
    std::vector<std::pair<int, int>> inner;
    for (int i = 0; i < g.CountI(); ++i)
        for (int j = 0; j < g.CountJ(); ++j)
            if (g.VertexState(i, j) == VertexKind::kInner) inner.emplace_back(i, j);
    return inner;
}

TEST(Inflate, ADiscBecomesADomeOfItsRadius) {
    // Centred on vertex (6, 6) of the default lattice, so that the deepest vertex's circle
    // of 1.1 times its distance reaches all round.
    ModelGrid flat;
    LayLattice(flat, Raster(100, 100, kWhite), Settings(8));
    const Raster disc = test::MakeDisc(100, 100, flat.FrontX(6, 6), flat.FrontY(6, 6), 38);
    const ModelGrid g = test::RunBuild(disc, disc, Settings(8)).grid;
    const auto inner = InnerVertices(g);
    ASSERT_GT(inner.size(), 30u);
    double deepest = 0.0;
    for (auto [i, j] : inner) deepest = std::max(deepest, g.EdgeDistance(i, j));
    EXPECT_NEAR(deepest, 38.0, 1.0);
    // The deepest vertex's circle reaches the whole outline: one radius everywhere.
    for (double r : g.OutlineRadius) EXPECT_EQ(r, g.OutlineRadius[0]);
    double highest = 0.0;
    for (auto [i, j] : inner) {
        EXPECT_EQ(g.LocalRadius(i, j), deepest);
        highest = std::max(highest, -g.FrontZ(i, j));
    }
    EXPECT_EQ(highest, deepest);
}

TEST(Inflate, ARingBecomesATubeOfHalfItsWidth) {
    const Raster ring = test::MakeRing(120, 100, 60, 50, 45, 25);
    const ModelGrid g = test::RunBuild(ring, ring, Settings(4)).grid;
    const auto inner = InnerVertices(g);
    ASSERT_GT(inner.size(), 100u);
    std::vector<double> radii;
    double highest = 0.0;
    for (auto [i, j] : inner) {
        radii.push_back(g.LocalRadius(i, j));
        highest = std::max(highest, -g.FrontZ(i, j));
    }
    std::sort(radii.begin(), radii.end());
    // Vertices near the hole inherit the claims of vertices off the middle line: a little
    // less than half the width, never more.
    EXPECT_GT(radii.front(), 6.0);
    EXPECT_NEAR(radii[radii.size() / 2], 10.0, 1.5);
    EXPECT_LT(radii.back(), 11.0);
    EXPECT_NEAR(highest, 10.0, 1.0);
}

TEST(Inflate, CurvatureZeroInAWholeBuildLaysEveryInnerVertexOnItsOutlinePixel) {
    const Raster disc = test::MakeDisc(100, 100, 47, 52, 33);
    const ModelGrid g = test::RunBuild(disc, disc, Settings(5, 0.0)).grid;
    for (auto [i, j] : InnerVertices(g)) {
        const int k = g.NearestOutline(i, j);
        EXPECT_EQ(g.FrontX(i, j), g.OutlineX[k] - 50.0);
        EXPECT_EQ(g.FrontY(i, j), g.OutlineY[k] - 50.0);
        EXPECT_EQ(g.FrontZ(i, j), -g.LocalRadius(i, j));
    }
}

TEST(Inflate, AToleranceOfOneOrLessLeavesEveryVertexAtTheTopOfItsOwnCircle) {
    // No outline pixel is nearer to a vertex than its nearest one, so nothing is ever
    // claimed: R = d for every inner vertex, whatever the curvature.
    const Raster blobs = test::MakeBlobs(90, 70, 7);
    for (double tolerance : {1.0, 0.9, 0.0}) {
        for (double curvature : {1.5, 0.5, -0.5}) {
            const ModelGrid g =
                test::RunBuild(blobs, blobs, Settings(4, curvature, tolerance)).grid;
            EXPECT_EQ(g.OutlineRadius, std::vector<double>(g.OutlineCount, 0.0));
            EXPECT_TRUE(test::AllPositionsFinite(g));
            const auto inner = InnerVertices(g);
            EXPECT_FALSE(inner.empty());
            for (auto [i, j] : inner) {
                EXPECT_EQ(g.LocalRadius(i, j), g.EdgeDistance(i, j));
                EXPECT_EQ(g.FrontZ(i, j), -g.EdgeDistance(i, j));
            }
        }
    }
}

TEST(Centre, An101x80PictureMovesTheOriginTo50And40) {
    ModelGrid g;
    const Raster picture(101, 80, kWhite);
    LayLattice(g, picture, Settings(4));
    const ModelGrid before = g;
    g.FrontX(3, 3) = 50.0;
    g.FrontY(3, 3) = 40.0;
    CentreModel(g, picture);
    EXPECT_EQ(g.FrontX(3, 3), 0.0);
    EXPECT_EQ(g.FrontY(3, 3), 0.0);
    for (int i = 0; i < g.CountI(); ++i) {
        for (int j = 0; j < g.CountJ(); ++j) {
            if (i == 3 && j == 3) continue;
            EXPECT_EQ(g.FrontX(i, j), before.FrontX(i, j) - 50.0);
            EXPECT_EQ(g.FrontY(i, j), before.FrontY(i, j) - 40.0);
        }
    }
    EXPECT_EQ(g.BackX.Values(), g.FrontX.Values());
    EXPECT_EQ(g.BackY.Values(), g.FrontY.Values());
    EXPECT_EQ(g.TextureX.Values(), before.TextureX.Values());
}

TEST(Centre, EdgeVerticesEndOnTheirOutlinePixelAndTexturesStayUncentred) {
    const Raster disc = test::MakeDisc(100, 100, 40, 55, 30);
    ModelGrid flat;
    LayLattice(flat, disc, Settings(6));
    for (bool projection : {false, true}) {
        const ModelGrid g = test::RunBuild(disc, disc, Settings(6, 1, 1.1, projection)).grid;
        int edges = 0;
        for (int i = 0; i < g.CountI(); ++i) {
            for (int j = 0; j < g.CountJ(); ++j) {
                const VertexKind state = g.VertexState(i, j);
                if (state == VertexKind::kEdge) {
                    ++edges;
                    const int k = g.NearestOutline(i, j);
                    EXPECT_EQ(g.FrontX(i, j), g.OutlineX[k] - 50.0);
                    EXPECT_EQ(g.FrontY(i, j), g.OutlineY[k] - 50.0);
                    EXPECT_EQ(g.FrontZ(i, j), 0.0);
                }
                if (projection) {
                    EXPECT_EQ(g.FrontX(i, j), g.TextureX(i, j) - 50.0);
                    EXPECT_EQ(g.FrontY(i, j), g.TextureY(i, j) - 50.0);
                } else {
                    EXPECT_EQ(g.TextureX(i, j), flat.FrontX(i, j));
                    EXPECT_EQ(g.TextureY(i, j), flat.FrontY(i, j));
                }
            }
        }
        EXPECT_GT(edges, 20);
    }
}

}  // namespace
}  // namespace vonnik
