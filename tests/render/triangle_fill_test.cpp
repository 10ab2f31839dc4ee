// The fill rule (render/triangle_fill.cpp) on single triangles: which pixels it draws, which
// picture pixel each takes and how the light factor scales it, for the fast fill and the per-pixel
// one.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/render/fill_oracle.h"
#include "tests/render/render_fixtures.h"

namespace vonnik::test {
namespace {

// A frame word the fill never writes: its fourth byte is set.
constexpr Pixel kUntouched = 0xFF123456;

using FillFn = void (TriangleModel::*)(const FillContext&) const;

class BothFills : public ::testing::TestWithParam<FillFn> {
  protected:
    // Draws the triangle into a fresh frame of width x height.
    Raster Draw(const TriangleModel& m, const Raster& picture, int width, int height,
                double shade = 1.0) const {
        Raster frame(width, height, kUntouched);
        (m.*GetParam())(ContextFor(m.grid, picture, frame, shade));
        return frame;
    }
};

INSTANTIATE_TEST_SUITE_P(Fill, BothFills,
                         ::testing::Values(&TriangleModel::Fill, &TriangleModel::FillByBox),
                         [](const auto& info) { return info.index == 0 ? "Fast" : "ByBox"; });

const std::array<Point, 3> kOneTexel{{{1.5, 1.5}, {1.5, 1.5}, {1.5, 1.5}}};

TEST_P(BothFills, DrawsThePixelsWhoseCentresLieInTheClosedTriangle) {
    const TriangleModel m({{{10.2, 10.2}, {20.7, 10.2}, {10.2, 20.7}}}, kOneTexel);
    const Raster frame = Draw(m, Gradient(4, 4), 32, 32);
    // The box spans rows and columns 10 to 20; a centre (c + 0.5, r + 0.5) is inside when
    // c >= 10, r >= 10 and c + r <= 29.
    for (int r = 0; r < 32; ++r)
        for (int c = 0; c < 32; ++c)
            EXPECT_EQ(frame.At(c, r) != kUntouched, c >= 10 && r >= 10 && c + r <= 29)
                << "pixel (" << c << ", " << r << ")";
    EXPECT_NE(frame.At(10, 10), kUntouched);
    EXPECT_EQ(frame.At(20, 10), kUntouched);
    const TriangleWeights w = SolveTriangleWeights(10.2, 10.2, 20.7, 10.2, 10.2, 20.7, 20.5, 10.5);
    EXPECT_GT(w.s + w.t, 1.0);
}

TEST_P(BothFills, ATriangleLeftOfTheFrameWritesNothing) {
    // Trunc takes the box's right edge, -0.4, to column 0; the centre 0.5 is still outside.
    const TriangleModel m({{{-6.5, 2.2}, {-0.4, 2.2}, {-3.0, 9.9}}}, kOneTexel);
    EXPECT_EQ(CountOther(Draw(m, Gradient(4, 4), 16, 16), kUntouched), 0);
}

TEST_P(BothFills, TheLightFactorScalesEachChannelAndTruncates) {
    const TriangleModel m({{{0.0, 0.0}, {8.0, 0.0}, {0.0, 8.0}}}, kOneTexel);
    Raster picture(4, 4, 0);
    picture.Set(1, 1, 0xAB123456);  // the fourth byte is dropped
    const Raster lit = Draw(m, picture, 8, 8, 1.0);
    EXPECT_EQ(lit.At(1, 1), 0x00123456u);
    EXPECT_EQ(Draw(m, picture, 8, 8, 0.0).At(1, 1), 0u);
    picture.Set(1, 1, 0x00FF01FF);
    EXPECT_EQ(Draw(m, picture, 8, 8, 0.5).At(1, 1), 0x007F007Fu);  // 255 -> 127, 1 -> 0
}

TEST_P(BothFills, PictureCoordinatesAreTruncatedNotRounded) {
    const TriangleModel m({{{0.0, 0.0}, {8.0, 0.0}, {0.0, 8.0}}},
                          {{{12.99, 2.7}, {12.99, 2.7}, {12.99, 2.7}}});
    const Raster picture = Gradient(16, 4);
    EXPECT_EQ(Draw(m, picture, 8, 8).At(2, 2), picture.At(12, 2));
}

TEST_P(BothFills, APictureCoordinateOutsideThePictureTakesTheNearestBorderPixel) {
    const Raster picture = Gradient(8, 6);
    const struct {
        Point texel;
        int column, row;
    } cases[] = {
        {{20.3, -3.2}, 7, 0}, {{-5.0, 40.0}, 0, 5}, {{3.4, 6.0}, 3, 5}, {{-0.9, 2.1}, 0, 2}};
    for (const auto& k : cases) {
        const TriangleModel m({{{0.0, 0.0}, {8.0, 0.0}, {0.0, 8.0}}}, {k.texel, k.texel, k.texel});
        EXPECT_EQ(Draw(m, picture, 8, 8).At(1, 1), picture.At(k.column, k.row))
            << k.texel.x << ", " << k.texel.y;
    }
}

TEST_P(BothFills, ThreeCollinearPositionsDrawNothing) {
    const TriangleModel m({{{1.0, 1.0}, {5.0, 5.0}, {9.0, 9.0}}}, kOneTexel);
    EXPECT_EQ(CountOther(Draw(m, Gradient(4, 4), 12, 12), kUntouched), 0);
    const TriangleWeights w = SolveTriangleWeights(1.0, 1.0, 5.0, 5.0, 9.0, 9.0, 3.5, 3.5);
    EXPECT_EQ(w.s, -1.0);
    EXPECT_EQ(w.t, -1.0);
}

TEST_P(BothFills, ASideWithACoordinateThatIsNotANumberIsNotDrawn) {
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity()};
    for (double v : bad) {
        for (int slot = 0; slot < 6; ++slot) {
            std::array<Point, 3> screen{{{1.0, 1.0}, {14.0, 2.0}, {3.0, 13.0}}};
            (slot % 2 == 0 ? screen[slot / 2].x : screen[slot / 2].y) = v;
            const TriangleModel m(screen, kOneTexel);
            EXPECT_EQ(CountOther(Draw(m, Gradient(4, 4), 16, 16), kUntouched), 0)
                << "value " << v << " in slot " << slot;
        }
    }
}

// Two triangles sharing the diagonal x + y = 8, on which pixel centres lie exactly: both draw
// those pixels and the later one keeps them.
TEST_P(BothFills, APixelOnASharedEdgeGoesToTheTriangleDrawnLater) {
    const TriangleModel upper({{{0.0, 0.0}, {8.0, 0.0}, {0.0, 8.0}}}, kOneTexel);
    const TriangleModel lower({{{8.0, 0.0}, {0.0, 8.0}, {8.0, 8.0}}}, kOneTexel);
    const Raster red(4, 4, 0xFF0000), blue(4, 4, 0x0000FF);
    for (bool upperFirst : {true, false}) {
        Raster frame(8, 8, kUntouched);
        const TriangleModel& first = upperFirst ? upper : lower;
        const TriangleModel& second = upperFirst ? lower : upper;
        (first.*GetParam())(ContextFor(first.grid, upperFirst ? red : blue, frame));
        (second.*GetParam())(ContextFor(second.grid, upperFirst ? blue : red, frame));
        for (int c = 0; c < 8; ++c) {
            const Pixel later = upperFirst ? 0x0000FF : 0xFF0000;
            EXPECT_EQ(frame.At(c, 7 - c), later) << "diagonal pixel " << c;
        }
        EXPECT_EQ(frame.At(1, 1), 0xFF0000u);
        EXPECT_EQ(frame.At(6, 6), 0x0000FFu);
    }
}

// Coordinates far beyond any frame: nothing overflows, and the pixels drawn are exactly those
// the fill rule draws.
TEST_P(BothFills, HugeCoordinatesDrawWhatTheRuleDraws) {
    const struct {
        std::array<Point, 3> screen;
        bool drawsInFrame;
    } cases[] = {
        // The determinant overflows: no weights pass.
        {{{{-1e300, -1e300}, {1e300, 5.5}, {7.25, 1e300}}}, false},
        {{{{-1e15, 3.3}, {1e15, 4.1}, {30.2, 1e15}}}, true},
        {{{{3.0, -4e9}, {40.0, 5e9}, {-3e10, 20.0}}}, true},
        {{{{1e20, 1e20}, {2e20, 1e20}, {1e20, 3e20}}}, false},
        {{{{-7.5, -1e18}, {-7.4, 1e18}, {50.0, 0.5}}}, true},
    };
    const Raster picture = Gradient(8, 8);
    const double tx[3] = {0.5, 7.2, 3.0}, ty[3] = {0.5, 1.0, 7.9};
    for (const auto& k : cases) {
        const TriangleModel m(k.screen, {{{tx[0], ty[0]}, {tx[1], ty[1]}, {tx[2], ty[2]}}});
        const double x[3] = {k.screen[0].x, k.screen[1].x, k.screen[2].x};
        const double y[3] = {k.screen[0].y, k.screen[1].y, k.screen[2].y};
        Raster expected(40, 30, kUntouched);
        OracleFill(x, y, tx, ty, picture, 0.75, expected);
        EXPECT_EQ(CountOther(expected, kUntouched) > 0, k.drawsInFrame) << x[0];
        EXPECT_TRUE(SameFrame(Draw(m, picture, 40, 30, 0.75), expected)) << x[0];
    }
}

}  // namespace
}  // namespace vonnik::test
