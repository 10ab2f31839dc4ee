// Which lattice vertices belong to the figure, their nearest outline pixels, the radius claims
// and the progress schedule.
#include <gtest/gtest.h>

#include <algorithm>

#include "builder/build_phases.h"
#include "tests/oracle/plain_search.h"
#include "tests/support/grid_checks.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

using test::kBlack;
using test::kWhite;
using test::Settings;

// Square lattice of polygon size 8: vertex (i, j) stands at (8i - 4, 8j - 4).
ModelGrid Classify(const Raster& picture,
                   const BuildSettings& s = Settings(8, 1, 1.1, false, false)) {
    ModelGrid g;
    LayLattice(g, picture, s);
    ClassifyVertices(g, picture, {});
    return g;
}

Raster FilledWithHole() {
    Raster r = test::MakeRect(100, 100, 10, 10, 89, 89);
    r.Set(44, 44, kWhite);  // under vertex (6, 6)
    return r;
}

TEST(Classify, AVertexOnABackgroundPixelStaysOutsideAndMakesItsNeighboursEdges) {
    const ModelGrid g = Classify(FilledWithHole());
    EXPECT_EQ(g.VertexState(6, 6), VertexKind::kOutside);
    for (auto [i, j] : {std::pair{5, 6}, {7, 6}, {6, 5}, {6, 7}, {5, 5}, {7, 7}, {5, 7}, {7, 5}})
        EXPECT_EQ(g.VertexState(i, j), VertexKind::kEdge) << i << "," << j;
    EXPECT_EQ(g.VertexState(3, 3), VertexKind::kInner);
    EXPECT_EQ(g.VertexState(2, 2), VertexKind::kEdge);  // its neighbour (1, 1) is on the background
    EXPECT_EQ(g.VertexState(1, 1), VertexKind::kOutside);
}

TEST(Classify, OnePixelProbesReachLeftRightUpAndDownButNotDiagonally) {
    // Vertex (4, 4) at (28, 28); its lattice neighbours are all on the figure.
    for (auto [dx, dy, edge] : {std::tuple{1, 0, true},
                                {-1, 0, true},
                                {0, 1, true},
                                {0, -1, true},
                                {1, 1, false},
                                {-1, -1, false},
                                {2, 0, false}}) {
        Raster r = test::MakeRect(100, 100, 10, 10, 89, 89);
        r.Set(28 + dx, 28 + dy, kWhite);
        const ModelGrid g = Classify(r);
        EXPECT_EQ(g.VertexState(4, 4), edge ? VertexKind::kEdge : VertexKind::kInner)
            << dx << "," << dy;
    }
}

TEST(Classify, ProbesThatLeaveThePictureNeverCountAsBackground) {
    Raster r(100, 100, kBlack);
    r.Set(0, 0, kWhite);
    for (int y = 46; y <= 54; ++y)
        for (int x = 46; x <= 54; ++x) r.Set(x, y, kWhite);
    const ModelGrid g = Classify(r);
    EXPECT_EQ(g.VertexState(1, 1), VertexKind::kInner);     // neighbour (0, 0) at (-4, -4)
    EXPECT_EQ(g.VertexState(12, 5), VertexKind::kInner);    // neighbours at x = 100
    EXPECT_EQ(g.VertexState(13, 5), VertexKind::kOutside);  // its own pixel is off the picture
    EXPECT_EQ(g.VertexState(5, 12), VertexKind::kInner);
}

TEST(Classify, APointLessThanAPixelLeftOfThePictureRoundsOntoItsFirstColumn) {
    // Square lattice of 2: vertex (i, j) at (2i - 1, 2j - 1). Vertex (0, 4) at (-1, 7) rounds
    // (toward zero) onto pixel (0, 7), which is background; it is a diagonal neighbour of
    // vertex (1, 3) at (1, 5), and no other probe of that vertex meets the background.
    Raster r(20, 20, kBlack);
    r.Set(0, 0, kWhite);
    r.Set(0, 7, kWhite);
    const ModelGrid g = Classify(r, Settings(2, 1, 1.1, false, false));
    EXPECT_EQ(g.VertexState(1, 3), VertexKind::kEdge);
    EXPECT_EQ(g.VertexState(1, 2), VertexKind::kInner);
}

TEST(Classify, AFigureNarrowerThanTheLatticeHasNoFigureVertex) {
    const ModelGrid g = Classify(test::MakeRect(100, 60, 14, 5, 16, 54));
    EXPECT_GT(g.OutlineCount, 0);
    for (VertexKind s : g.VertexState.Values()) EXPECT_EQ(s, VertexKind::kOutside);
}

// A disc of radius 12 about vertex (6, 6): that vertex is the only inner vertex, and its
// nearest outline pixels lie symmetrically around it.
Raster SingleInnerVertexDisc() {
    return test::MakeDisc(100, 100, 44, 44, 12);
}

TEST(Classify, TiesForTheNearestOutlinePixelGoToTheFirstListed) {
    const ModelGrid g = Classify(SingleInnerVertexDisc());
    ASSERT_EQ(g.VertexState(6, 6), VertexKind::kInner);
    double best = 1e300;
    std::vector<int> nearest;
    for (int k = 0; k < g.OutlineCount; ++k) {
        const double dx = 44.0 - g.OutlineX[k], dy = 44.0 - g.OutlineY[k];
        const double d2 = dx * dx + dy * dy;
        if (d2 < best) nearest.clear();
        if (d2 <= best) nearest.push_back(k);
        best = std::min(best, d2);
    }
    ASSERT_GE(nearest.size(), 4u);
    EXPECT_EQ(g.NearestOutline(6, 6), nearest.front());
    EXPECT_EQ(g.EdgeDistance(6, 6), best);
}

TEST(Classify, AToleranceOfOneClaimsNothingAndAboveOneTheVertexClaimsItsOwnPixel) {
    const Raster disc = SingleInnerVertexDisc();
    int inner = 0;
    const ModelGrid atOne = Classify(disc, Settings(8, 1, 1.0, false, false));
    for (VertexKind s : atOne.VertexState.Values()) inner += s == VertexKind::kInner;
    ASSERT_EQ(inner, 1);
    EXPECT_EQ(atOne.OutlineRadius, std::vector<double>(atOne.OutlineCount, 0.0));

    const ModelGrid above = Classify(disc, Settings(8, 1, 1.1, false, false));
    const double d2 = above.EdgeDistance(6, 6);
    for (int k = 0; k < above.OutlineCount; ++k) {
        const double dx = above.OutlineX[k] - 44.0, dy = above.OutlineY[k] - 44.0;
        const bool inside = 1.1 * 1.1 * d2 > dx * dx + dy * dy;
        EXPECT_EQ(above.OutlineRadius[k], inside ? d2 : 0.0) << k;
    }
    EXPECT_EQ(above.OutlineRadius[above.NearestOutline(6, 6)], d2);
}

TEST(Classify, AFigureVertexWithoutAnyOutlinePixelStaysOutside) {
    // Only the top-left pixel is background: the figure has no outline pixel at all.
    for (auto [w, h] : {std::pair{2, 50}, {50, 50}, {50, 2}}) {
        Raster r(w, h, kBlack);
        r.Set(0, 0, kWhite);
        for (bool triangle : {false, true}) {
            const test::BuildOutcome out =
                test::RunBuild(r, r, Settings(2, 1, 1.1, false, triangle));
            EXPECT_EQ(out.grid.OutlineCount, 0);
            for (VertexKind s : out.grid.VertexState.Values()) EXPECT_EQ(s, VertexKind::kOutside);
            EXPECT_EQ(out.front, r);
            EXPECT_EQ(out.back, r);
        }
    }
}

// 3997 x 37 pixels: background only in the left column and the bottom-right corner pixel, so
// the only outline pixels are (1, 1)..(1, 35), and vertices and the corner pixel lie farther
// than 3162 pixels from all of them. Square lattice of 8: GridMaxX 502, GridMaxY 6; vertex
// (500, 5) stands on the corner pixel (3996, 36), which makes (499, 4) an edge vertex whose
// triangle box covers the corner.
Raster FarFromTheOutline() {
    Raster r(3997, 37, kBlack);
    for (int y = 0; y < 37; ++y) r.Set(0, y, kWhite);
    for (int y = 1; y < 37; ++y)
        for (int x = 1; x < 3997; ++x) r.Set(x, y, test::FigureColour(x, y));
    r.Set(3996, 36, kWhite);
    return r;
}

TEST(Classify, NearestSearchesHaveNoDistanceCap) {
    const Raster picture = FarFromTheOutline();
    const BuildSettings s = Settings(8, 1, 1.1, false, false);
    const test::BuildOutcome out = test::RunBuild(picture, picture, s);
    const ModelGrid& g = out.grid;
    ASSERT_EQ(g.GridMaxX, 502);
    ASSERT_EQ(g.GridMaxY, 6);
    ASSERT_EQ(g.OutlineCount, 35);
    // Inner vertices: nearest pixel straight to the left, distance beyond 3162.
    for (auto [i, j] : {std::pair{300, 2}, {450, 3}, {490, 4}}) {
        ASSERT_EQ(g.VertexState(i, j), VertexKind::kInner);
        const int k = g.NearestOutline(i, j);
        EXPECT_EQ(g.OutlineX[k], 1);
        EXPECT_EQ(g.OutlineY[k], 8 * j - 4);
        EXPECT_EQ(g.EdgeDistance(i, j), 8.0 * i - 5.0);
    }
    // The edge vertex beside the corner stands on its nearest outline pixel (1, 28).
    ASSERT_EQ(g.VertexState(499, 4), VertexKind::kEdge);
    EXPECT_EQ(g.FrontX(499, 4), 1.0 - 1998.0);
    EXPECT_EQ(g.FrontY(499, 4), 28.0 - 18.0);
    // The corner pixel is 3995.0001 pixels from (1, 35), its nearest outline pixel.
    EXPECT_EQ(out.front.At(3996, 36), picture.At(1, 35));
    EXPECT_EQ(out.back.At(3996, 36), picture.At(1, 35));
    EXPECT_EQ(
        test::RasterDifference(
            out.front, test::RunBuild(picture, picture, s, &oracle::RunBuildPhasesPlain).front),
        "");
}

TEST(Progress, TheScheduleStepsInOrderAndCanTakeSeveralStepsAtOneVertex) {
    // GridMaxX 14: the k-th test needs i > k.
    EXPECT_EQ(AdvanceProgress(5, 1, 14), 5);
    EXPECT_EQ(AdvanceProgress(5, 2, 14), 10);
    EXPECT_EQ(AdvanceProgress(5, 5, 14), 30);
    EXPECT_EQ(AdvanceProgress(30, 5, 14), 30);
    EXPECT_EQ(AdvanceProgress(5, 13, 14), 85);
    EXPECT_EQ(AdvanceProgress(5, 100, 14), 90);
    EXPECT_EQ(AdvanceProgress(90, 100, 14), 90);
    EXPECT_EQ(AdvanceProgress(7, 100, 14), 7);  // a position off the table never moves
    // (GridMaxX * k) div 14 with the product first: GridMaxX 20, k = 3 needs i > 4.
    EXPECT_EQ(AdvanceProgress(15, 4, 20), 15);
    EXPECT_EQ(AdvanceProgress(15, 5, 20), 25);
}

std::vector<int> ProgressOf(const Raster& picture, const BuildSettings& s) {
    std::vector<int> seen;
    ModelGrid g;
    LayLattice(g, picture, s);
    ClassifyVertices(g, picture, [&](int p) { seen.push_back(p); });
    return seen;
}

TEST(Progress, ClassificationReportsEveryChangeFromFiveToAtMostNinety) {
    // Square lattice of 8 on 100 x 100 (GridMaxX 15): the first figure column is i = 5.
    Raster right = test::MakeRect(100, 100, 33, 10, 89, 89);
    EXPECT_EQ(ProgressOf(right, Settings(8, 1, 1.1, false, false)),
              (std::vector<int>{30, 35, 45, 50, 55, 65, 70}));
    // Triangle lattice of 8 on 113 pixels (GridMaxX 15): the shifted rows put vertex i = 14
    // on the picture, past the last threshold.
    Raster wide(113, 60, kBlack);
    wide.Set(0, 0, kWhite);
    wide.Set(50, 30, kWhite);
    const std::vector<int> seen = ProgressOf(wide, Settings(8));
    EXPECT_EQ(seen, (std::vector<int>{10, 15, 25, 30, 35, 45, 50, 55, 65, 70, 75, 85, 90}));
    EXPECT_TRUE(ProgressOf(Raster(40, 40, kWhite), Settings(8)).empty());
}

}  // namespace
}  // namespace vonnik
