// The frame renderer: background, eligibility, back-face test, light factor, painter's order
// and the outlined mode, on hand-made lattices and on built models.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tests/render/render_fixtures.h"
#include "tests/support/pictures.h"
#include "viewer/rotation.h"

namespace vonnik::test {
namespace {

constexpr Pixel kBackdrop = 0x405060;  // StateWith's background colour

// Draws in the given order, which may lie outside the four orders.
Raster Render(SharedState& st, int order = 1, const RenderOptions& options = {}) {
    st.FrameBuffer.Resize(std::max(st.ViewWidth, 0), std::max(st.ViewHeight, 0));
    RenderFrame(SceneOf(st), static_cast<PaintOrder>(order), st.FrameBuffer, options);
    return st.FrameBuffer;
}

// A disc of one colour, so that every covered pixel of a build shows that colour.
Raster PlainDisc(int width, int height, double radius, Pixel colour) {
    Raster r(width, height, kWhite);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (std::hypot(x - width / 2, y - height / 2) <= radius) r.Set(x, y, colour);
    return r;
}

TEST(LightFactor, FollowsTheShadingCurve) {
    EXPECT_EQ(ShadeFactorOf(0.5, 1.0), 0.5);  // Lambert
    EXPECT_EQ(ShadeFactorOf(0.5, 2.0), 0.75);
    EXPECT_EQ(ShadeFactorOf(0.5, 5.0), 0.96875);
    EXPECT_EQ(ShadeFactorOf(1.0, 3.7), 1.0);
    EXPECT_EQ(ShadeFactorOf(0.0, 2.0), 0.0);
    EXPECT_EQ(ShadeFactorOf(-0.25, 2.0), 0.0);  // cos below 0 counts as 0
    // 1 - cos a little below 0 is taken as 0: the factor stays 1, also for a fractional amount.
    EXPECT_EQ(ShadeFactorOf(std::nextafter(1.0, 2.0), 2.5), 1.0);
    EXPECT_EQ(ShadeFactorOf(std::nextafter(1.0, 2.0), 1.0), 1.0);
}

// The flat lattice's front faces the viewer head-on; its back is turned away.
TEST(RenderFrame, AFrontSideFacingTheLightShowsThePictureUnchanged) {
    const Raster front = Gradient(50, 50);
    SharedState st = StateWith(FlatLattice(5, 5, 10.0), front, Raster(50, 50, 0x00FF00), 60, 60);
    st.LightAmount = 3.7;
    const Raster frame = Render(st);
    // Vertices (1..3, 1..3) lie at screen 20..40; picture coordinate = screen - 10.
    for (int r = 21; r < 40; ++r)
        for (int c = 21; c < 40; ++c)
            EXPECT_EQ(frame.At(c, r), ColourOf(front.At(c - 10, r - 10))) << c << ", " << r;
    // Centres from 20.5 to 39.5 lie in the lattice's square, [20, 40] on both axes.
    EXPECT_EQ(CountOther(frame, kBackdrop), 20 * 20);
}

TEST(RenderFrame, ABackLightDrawsABlackSilhouette) {
    const Raster disc = MakeDisc(90, 70, 45, 35, 28);
    SharedState st = Built(disc, disc);
    const Raster lit = Render(st);
    ASSERT_TRUE(SetLightPoint(st, 60, 52, true));  // light (0, 0, 1)
    const Raster dark = Render(st);
    int covered = 0;
    for (int y = 0; y < 70; ++y) {
        for (int x = 0; x < 90; ++x) {
            const bool drawn = lit.At(x, y) != kWhite;
            covered += drawn ? 1 : 0;
            EXPECT_EQ(dark.At(x, y), drawn ? 0u : kWhite) << x << ", " << y;
        }
    }
    EXPECT_GT(covered, 1500);
}

TEST(RenderFrame, AHalfTurnShowsTheBackPicture) {
    const Raster front = MakeDisc(120, 100, 60, 50, 38);
    Raster back = front;  // the same figure, green all over
    for (Pixel& p : back.Pixels())
        if (p != kWhite) p = 0x00FF00;
    SharedState st = Built(front, back);
    const Raster before = Render(st);
    EXPECT_NE(before.At(60, 50) & 0xFF00FFu, 0u);  // a colour of the front
    // A drag of 314 pixels through the centre turns the model by 3.14 about the y axis.
    MouseTrack mouse{60 + 314, 50};
    RotationStep(st.Grid, st.View, st.Saved, mouse, 60, 50, 120, 100);
    const Raster after = Render(st);
    int green = 0;
    for (Pixel p : after.Pixels()) {
        if (p == kWhite) continue;
        EXPECT_EQ(p & 0xFF00FFu, 0u) << std::hex << p;
        green += p != 0 ? 1 : 0;
    }
    EXPECT_GT(green, 3000);
}

TEST(RenderFrame, ATriangleOfThreeEdgeVerticesIsNeverDrawn) {
    // Inner vertices (1, 1), (2, 1), (1, 2), (2, 2) all on the outline: nothing exists.
    SharedState st = StateWith(FlatLattice(4, 4, 10.0, VertexKind::kEdge), Gradient(40, 40),
                               Gradient(40, 40), 40, 40);
    for (bool outlined : {false, true}) {
        st.View.Wireframe = outlined;
        EXPECT_EQ(CountOther(Render(st), kBackdrop), 0) << "outlined " << outlined;
    }
    // One inner vertex makes the first triangle of cell (1, 1) eligible, not the second:
    // (1, 1), (2, 1), (1, 2) against (2, 1), (1, 2), (2, 2) on an odd j.
    st.Grid.VertexState(1, 1) = VertexKind::kInner;
    st.View.Wireframe = false;
    const Raster frame = Render(st);
    EXPECT_NE(frame.At(16, 16), kBackdrop);
    EXPECT_EQ(frame.At(24, 24), kBackdrop);
}

TEST(RenderFrame, AModelWithoutVerticesShowsOnlyTheBackground) {
    const Raster blank(70, 50, 0x336699);
    SharedState st = Built(blank, blank);
    EXPECT_EQ(CountOther(Render(st), 0x336699), 0);
    const Raster backdrop = Gradient(80, 60);
    SetBackground(st, "backdrop.bmp", backdrop);
    EXPECT_TRUE(SameFrame(Render(st), backdrop));
}

// A background picture smaller than the frame lies at its top-left corner; the rest is
// black, however many bands draw it.
TEST(RenderFrame, WhereTheBackgroundPictureDoesNotReachTheFrameIsBlack) {
    const Raster blank(70, 50, 0x336699);
    SharedState st = Built(blank, blank);
    const Raster backdrop = Gradient(50, 31);
    SetBackground(st, "backdrop.bmp", backdrop);
    st.ViewWidth = 70;
    st.ViewHeight = 50;
    for (int threads : {1, 3}) {
        RenderOptions options;
        options.threads = threads;
        const Raster frame = Render(st, 1, options);
        for (int y = 0; y < frame.Height(); ++y)
            for (int x = 0; x < frame.Width(); ++x)
                ASSERT_EQ(frame.At(x, y), x < 50 && y < 31 ? backdrop.At(x, y) : 0u)
                    << x << ", " << y << ", " << threads << " threads";
    }
}

// The bounding box of the pixels that differ from the background.
struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};
Box DrawnBox(const Raster& frame, const Raster& background) {
    Box b;
    for (int y = 0; y < frame.Height(); ++y)
        for (int x = 0; x < frame.Width(); ++x)
            if (frame.At(x, y) != background.At(x, y)) {
                b.left = std::min(b.left, x), b.right = std::max(b.right, x);
                b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
            }
    return b;
}

TEST(RenderFrame, TheModelOriginSitsAtTheFrameCentre) {
    const Raster figure = PlainDisc(200, 100, 40, 0x3050C0);
    SharedState alone = Built(figure, figure);
    const Box own = DrawnBox(Render(alone), Raster(200, 100, kWhite));
    const Raster backdrop = Gradient(640, 480);
    SharedState st;
    SetBackground(st, "backdrop.bmp", backdrop);
    BuildIntoState(st, {}, "figure.bmp", figure, figure, {});
    const Raster frame = Render(st);
    const Box placed = DrawnBox(frame, backdrop);
    // The same figure, moved from around (100, 50) to around (320, 240).
    EXPECT_NEAR(own.left + own.right, 200, 2);
    EXPECT_NEAR(own.top + own.bottom, 100, 2);
    EXPECT_NEAR(placed.left + placed.right, 640, 2);
    EXPECT_NEAR(placed.top + placed.bottom, 480, 2);
    EXPECT_EQ(placed.right - placed.left, own.right - own.left);
    EXPECT_EQ(frame.At(320, 240), ColourOf(alone.FrameBuffer.At(100, 50)));
    EXPECT_EQ(frame.At(5, 5), backdrop.At(5, 5));
}

TEST(RenderFrame, WithoutABackgroundUncoveredPixelsShowTheBackgroundColour) {
    SharedState st = StateWith(FlatLattice(5, 5, 10.0), Gradient(50, 50), Gradient(50, 50), 60, 60);
    const Raster frame = Render(st);
    EXPECT_EQ(frame.At(0, 0), kBackdrop);
    EXPECT_EQ(frame.At(59, 59), kBackdrop);
    EXPECT_EQ(frame.At(45, 30), kBackdrop);
}

TEST(RenderFrame, EveryOrderDrawsTheSameCells) {
    // Back-lit, every side is black, so where sides meet no order can show through: the
    // frames differ only if some order left out a cell.
    const Raster ring = MakeRing(160, 128, 80, 64, 57.6, 22.4);
    SharedState st = Built(ring, ring);
    ASSERT_TRUE(SetLightPoint(st, 60, 52, true));
    const Raster first = Render(st, 1);
    EXPECT_GT(CountOther(first, kWhite), 5000);
    for (int order : {2, 3, 4}) EXPECT_TRUE(SameFrame(Render(st, order), first)) << order;
}

// A lattice in the model to its last line and column, in every order and band count: each
// band passes over only the lines of cells that cannot reach it, the outermost ones included.
TEST(RenderFrame, BandsDrawEveryLineOfCellsToTheLatticeEdge) {
    ModelGrid grid = FlatLattice(7, 6, 10.0);
    grid.VertexState.Fill(VertexKind::kInner);
    SharedState st = StateWith(std::move(grid), Gradient(70, 60), Gradient(70, 60), 80, 70);
    for (int order : {1, 2, 3, 4}) {
        const Raster one = Render(st, order);
        // The corner cells, first and last, are drawn.
        EXPECT_NE(one.At(22, 22), kBackdrop);
        EXPECT_NE(one.At(68, 58), kBackdrop);
        for (int threads : {2, 3, 5}) {
            RenderOptions options;
            options.threads = threads;
            EXPECT_TRUE(SameFrame(Render(st, order, options), one))
                << "order " << order << ", " << threads << " bands";
        }
    }
}

// Bands pass over blocks of cells along a line that cannot reach them; the vertex a block
// shares with the next one counts for both. A lattice lies in the upper half of the frame
// but for that one vertex, pulled far down, along a row (row orders) or a column (column
// orders) of cells.
TEST(RenderFrame, BandsDrawACellWhoseLastVertexAloneReachesThem) {
    for (const bool alongJ : {false, true}) {
        const int ci = alongJ ? 6 : 70, cj = alongJ ? 70 : 6;
        ModelGrid grid = FlatLattice(ci, cj, 1.0);
        grid.VertexState.Fill(VertexKind::kInner);
        const int i = alongJ ? 2 : 33, j = alongJ ? 33 : 2;
        for (GridArray<double>* ys : {&grid.FrontY, &grid.BackY}) {
            for (double& y : ys->Values()) y -= alongJ ? 80.0 : 40.0;
            (*ys)(i, j) = 40.0;
        }
        grid.FrontX(i, j) = grid.BackX(i, j) = -30.0;
        SharedState st = StateWith(std::move(grid), Gradient(80, 80), Gradient(80, 80), 100, 200);
        for (int order : alongJ ? std::vector<int>{3, 4} : std::vector<int>{1, 2}) {
            const Raster one = Render(st, order);
            RenderOptions options;
            options.threads = 2;
            EXPECT_TRUE(SameFrame(Render(st, order, options), one))
                << "order " << order << (alongJ ? ", along j" : ", along i");
        }
    }
}

TEST(RenderFrame, AnOrderOutsideOneToFourDrawsAsOne) {
    // A ring tipped far over its x axis overlaps itself, so the order shows.
    const Raster ring = MakeRing(160, 128, 80, 64, 57.6, 22.4);
    SharedState st = Built(ring, ring);
    MouseTrack mouse{80, 64 - 120};
    RotationStep(st.Grid, st.View, st.Saved, mouse, 80, 64, 160, 128);
    const Raster asOne = Render(st, 1);
    ASSERT_FALSE(SameFrame(Render(st, 2), asOne));
    for (int order : {0, 5, -3, 1000}) EXPECT_TRUE(SameFrame(Render(st, order), asOne)) << order;
}

// Pixels covered in one frame and not within two pixels of any covered pixel of the other.
int CoveredApart(const Raster& a, const Raster& b, Pixel background) {
    int apart = 0;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            if (a.At(x, y) == background) continue;
            bool near = false;
            for (int dy = -2; dy <= 2 && !near; ++dy)
                for (int dx = -2; dx <= 2 && !near; ++dx)
                    near = b.Width() > x + dx && x + dx >= 0 && b.Height() > y + dy &&
                           y + dy >= 0 && b.At(x + dx, y + dy) != background;
            apart += near ? 0 : 1;
        }
    }
    return apart;
}

TEST(RenderFrame, TheOutlinedModeDrawsBlackTrianglesOutlinedInWhite) {
    const Raster figure = MakeBlobs(110, 90, 5, 0x808080);
    SharedState st = Built(figure, figure);
    MouseTrack mouse{20, 30};
    RotationStep(st.Grid, st.View, st.Saved, mouse, 70, 60, 110,
                 90);  // turned, so that some sides are culled
    const Raster textured = Render(st, static_cast<int>(st.View.DrawOrder));
    st.View.Wireframe = true;
    const Raster outlined = Render(st, static_cast<int>(st.View.DrawOrder));
    int black = 0, white = 0;
    for (Pixel p : outlined.Pixels()) {
        ASSERT_TRUE(p == 0x808080 || p == 0 || p == 0xFFFFFF) << std::hex << p;
        black += p == 0 ? 1 : 0;
        white += p == 0xFFFFFF ? 1 : 0;
    }
    EXPECT_GT(black, 100);
    EXPECT_GT(white, 100);
    // The same sides drawn: coverage agrees up to the outlines' pixel.
    EXPECT_EQ(CoveredApart(textured, outlined, 0x808080), 0);
    EXPECT_EQ(CoveredApart(outlined, textured, 0x808080), 0);
}

}  // namespace
}  // namespace vonnik::test
