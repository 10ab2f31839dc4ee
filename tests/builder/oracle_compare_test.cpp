// The accelerated build against the plain exhaustive searches over a few hundred generated
// pictures: every number of the model bit for bit, both recoloured pictures and the progress
// reports must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "builder/build_phases.h"
#include "tests/oracle/plain_search.h"
#include "tests/support/grid_checks.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

using test::Settings;

struct Case {
    std::string name;
    Raster front;
    Raster back;
    BuildSettings settings;
};

// Vertex (i, j) of a square lattice with an even polygon size stands on a whole pixel, so
// figures centred there make ties for the nearest outline pixel.
double LatticeX(int i, int polygon) {
    return i * polygon - polygon / 2;
}

Raster MirroredLeftHalf(Raster r) {
    for (int y = 0; y < r.Height(); ++y)
        for (int x = 0; x < r.Width() / 2; ++x) r.Set(r.Width() - 1 - x, y, r.At(x, y));
    return r;
}

Raster Figure(int kind, int w, int h, int polygon, std::mt19937& rng, Pixel bg, std::string& name) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double small = std::min(w, h);
    // Figures at least a few polygons wide keep inner vertices.
    const auto size = [&](double least, double most) {
        return std::min(most, least + (most - least) * unit(rng));
    };
    switch (kind) {
        case 0:
            name = "disc";
            return test::MakeDisc(w, h, w * (0.4 + 0.2 * unit(rng)), h * (0.4 + 0.2 * unit(rng)),
                                  size(2.5 * polygon, 0.38 * small), bg);
        case 1: {
            name = "ring";
            const double outer = small * (0.4 + 0.05 * unit(rng));
            return test::MakeRing(w, h, w / 2.0, h / 2.0 + unit(rng), outer,
                                  outer - size(3.5 * polygon, outer), bg);
        }
        case 2:
            name = "blobs";
            return test::MakeBlobs(w, h, static_cast<std::uint32_t>(rng()), bg);
        case 3:
            name = "thin line";
            return test::MakeThickLine(w, h, w * 0.1 * unit(rng), h * unit(rng),
                                       w * (1.0 - 0.1 * unit(rng)), h * unit(rng),
                                       0.5 + 1.2 * unit(rng), bg);
        case 4: {
            name = "lattice square";
            const int ci = static_cast<int>((w / 2.0 + polygon / 2.0) / polygon);
            const int cj = static_cast<int>((h / 2.0 + polygon / 2.0) / polygon);
            const int half = static_cast<int>(size(2.0 * polygon, small / 2 - 2));
            const int cx = static_cast<int>(LatticeX(ci, polygon));
            const int cy = static_cast<int>(LatticeX(cj, polygon));
            return test::MakeRect(w, h, cx - half, cy - half, cx + half, cy + half, bg);
        }
        case 5: {
            name = "lattice disc";
            const int ci = static_cast<int>((w / 2.0 + polygon / 2.0) / polygon);
            const int cj = static_cast<int>((h / 2.0 + polygon / 2.0) / polygon);
            const double radius = static_cast<int>(size(2.0 * polygon, small / 2 - 2));
            return test::MakeDisc(w, h, LatticeX(ci, polygon), LatticeX(cj, polygon), radius, bg);
        }
        default:
            name = "mirrored blobs";
            return MirroredLeftHalf(test::MakeBlobs(w, h, static_cast<std::uint32_t>(rng()), bg));
    }
}

Case MakeCase(int n) {
    std::mt19937 rng(1000 + n);
    static constexpr double kTolerances[] = {0.5, 0.9, 1.0, 1.1, 1.25, 1.5, 2.0, 3.0, 4.0};
    static constexpr double kCurvatures[] = {1.0, 1.0, 0.0, 0.5, 1.5, 2.0, 3.0, -0.5};
    const bool triangle = n % 2 == 0;
    // Even polygon sizes on the square lattice put the vertices on whole pixels.
    const int polygon = 2 + static_cast<int>(rng() % 19);
    // Pictures ten or more polygons across, so that most models keep inner vertices inside
    // the cleared border ring.
    const int w = std::max(24, polygon * (9 + static_cast<int>(rng() % 6)) + 10);
    const int h = std::max(24, polygon * (9 + static_cast<int>(rng() % 6)) + 10);
    const Pixel bg = n % 5 == 3 ? test::kBlack : test::kWhite;
    Case c;
    std::string shape;
    c.front = Figure(n % 7, w, h, polygon, rng, bg, shape);
    c.settings = Settings(polygon, kCurvatures[rng() % 8], kTolerances[rng() % 9], (n / 2) % 2 == 1,
                          triangle);
    c.back = c.front;
    if (n % 4 == 1) {
        const int bw = std::max(1, w + static_cast<int>(rng() % 41) - 25);
        const int bh = std::max(1, h + static_cast<int>(rng() % 41) - 25);
        c.back = n % 8 == 1 ? test::MakeNoise(bw, bh, rng())
                            : test::MakeBlobs(bw, bh, static_cast<std::uint32_t>(rng()));
    }
    std::ostringstream name;
    name << "case " << n << ": " << shape << " " << w << "x" << h << ", "
         << (triangle ? "triangle" : "square") << " " << polygon << ", curvature "
         << c.settings.Curvature << ", tolerance " << c.settings.CircleTolerance
         << (c.settings.ColourProjection == ColourProjectionMode::kVertical ? ", projection" : "")
         << (n % 4 == 1 ? ", other back" : "");
    c.name = name.str();
    return c;
}

// What every finished model keeps, whichever search made it.
void ExpectFinishedModel(const Case& c, const test::BuildOutcome& out) {
    const ModelGrid& g = out.grid;
    const double w2 = c.front.Width() / 2, h2 = c.front.Height() / 2;
    EXPECT_EQ(g.BackX.Values(), g.FrontX.Values());
    EXPECT_EQ(g.BackY.Values(), g.FrontY.Values());
    for (int i = 0; i <= g.GridMaxX; ++i) {
        for (int j = 0; j <= g.GridMaxY; ++j) {
            ASSERT_EQ(g.BackZ(i, j), -g.FrontZ(i, j));
            if (c.settings.CircleTolerance > 1.0) {
                ASSERT_LE(g.FrontZ(i, j), 0.0);
            }
            if (g.VertexState(i, j) != VertexKind::kEdge) continue;
            const int k = g.NearestOutline(i, j);
            ASSERT_EQ(g.FrontX(i, j), g.OutlineX[k] - w2);
            ASSERT_EQ(g.FrontY(i, j), g.OutlineY[k] - h2);
            ASSERT_EQ(g.FrontZ(i, j), 0.0);
        }
    }
    // Only background pixels change, and they change to a colour of the figure.
    for (int y = 0; y < c.front.Height(); ++y) {
        for (int x = 0; x < c.front.Width(); ++x) {
            const Pixel before = c.front.At(x, y), after = out.front.At(x, y);
            if (before == after) continue;
            ASSERT_EQ(ColourOf(before), g.BackgroundColour);
            ASSERT_NE(ColourOf(after), g.BackgroundColour);
        }
    }
}

TEST(OracleComparison, AcceleratedAndPlainBuildsAgreeBitForBit) {
    constexpr int kCases = 336;
    int withInner = 0, spreading = 0;
    for (int n = 0; n < kCases; ++n) {
        const Case c = MakeCase(n);
        SCOPED_TRACE(c.name);
        const test::BuildOutcome fast = test::RunBuild(c.front, c.back, c.settings);
        const test::BuildOutcome plain =
            test::RunBuild(c.front, c.back, c.settings, &oracle::RunBuildPhasesPlain);
        ASSERT_EQ(test::GridDifference(fast.grid, plain.grid), "");
        ASSERT_EQ(test::RasterDifference(fast.front, plain.front), "");
        ASSERT_EQ(test::RasterDifference(fast.back, plain.back), "");
        ASSERT_EQ(fast.progress, plain.progress);
        ExpectFinishedModel(c, fast);
        const auto& states = fast.grid.VertexState.Values();
        withInner += std::count(states.begin(), states.end(), VertexKind::kInner) > 0;
        spreading += fast.front != c.front;
    }
    // The generated set exercises the searches: most models have inner vertices, most
    // builds spread colours.
    EXPECT_GT(withInner, kCases * 2 / 3);
    EXPECT_GT(spreading, kCases * 2 / 3);
}

}  // namespace
}  // namespace vonnik
