// Builds over awkward pictures and numbers: each gives a model (often an empty one) without a
// crash, an out-of-range read or a non-finite position, and matches the plain searches.
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

struct NamedPicture {
    const char* name;
    Raster picture;
};

Raster OnlyTopLeftBackground(int w, int h) {
    Raster r(w, h, kBlack);
    r.Set(0, 0, kWhite);
    return r;
}

Raster CentreDot(int w, int h) {
    Raster r(w, h, kWhite);
    r.Set(w / 2, h / 2, kBlack);
    return r;
}

std::vector<NamedPicture> AwkwardPictures() {
    return {
        {"no figure", Raster(30, 20, kWhite)},
        {"figure everywhere", OnlyTopLeftBackground(30, 20)},
        {"touching three borders", test::MakeRect(40, 30, 0, 5, 39, 29)},
        {"touching all borders", test::MakeRect(40, 30, 0, 1, 39, 29)},
        {"1x1", Raster(1, 1, kBlack)},
        {"2x2", OnlyTopLeftBackground(2, 2)},
        {"3x3", CentreDot(3, 3)},
        {"1x3", OnlyTopLeftBackground(1, 3)},
        {"3x1", CentreDot(3, 1)},
        {"one-pixel line", test::MakeRect(40, 30, 3, 15, 36, 15)},
        {"disc", test::MakeDisc(36, 30, 18, 15, 11)},
    };
}

void ExpectSaneModel(const ModelGrid& g) {
    ASSERT_GE(g.GridMaxX, 2);
    ASSERT_GE(g.GridMaxY, 1);
    EXPECT_TRUE(test::AllPositionsFinite(g));
    for (int i = 0; i <= g.GridMaxX; ++i) {
        for (int j = 0; j <= g.GridMaxY; ++j) {
            const VertexKind s = g.VertexState(i, j);
            ASSERT_TRUE(s == VertexKind::kOutside || s == VertexKind::kEdge ||
                        s == VertexKind::kInner);
            if (s == VertexKind::kOutside) continue;
            EXPECT_TRUE(i >= 2 && i <= g.GridMaxX - 3 && j >= 2 && j <= g.GridMaxY - 2);
            EXPECT_GE(g.NearestOutline(i, j), 0);
            EXPECT_LT(g.NearestOutline(i, j), g.OutlineCount);
        }
    }
}

TEST(Robustness, AwkwardPicturesAndNumbersGiveAModel) {
    int builds = 0, nonEmpty = 0;
    for (const NamedPicture& p : AwkwardPictures()) {
        for (double polygon : {1.0, 2.0, 3.0, 8.0, 1000.0}) {
            for (double curvature : {0.0, -1.0, -0.5, 1.0, 2.5}) {
                for (double tolerance : {0.0, -1.1, 0.5, 1.0, 1.1}) {
                    for (bool triangle : {false, true}) {
                        SCOPED_TRACE(testing::Message()
                                     << p.name << " polygon " << polygon << " curvature "
                                     << curvature << " tolerance " << tolerance << " triangle "
                                     << triangle);
                        const BuildSettings s =
                            Settings(polygon, curvature, tolerance, builds % 2 == 0, triangle);
                        const test::BuildOutcome fast = test::RunBuild(p.picture, p.picture, s);
                        ExpectSaneModel(fast.grid);
                        const test::BuildOutcome plain =
                            test::RunBuild(p.picture, p.picture, s, &oracle::RunBuildPhasesPlain);
                        EXPECT_EQ(test::GridDifference(fast.grid, plain.grid), "");
                        EXPECT_EQ(test::RasterDifference(fast.front, plain.front), "");
                        ++builds;
                        const auto& states = fast.grid.VertexState.Values();
                        nonEmpty += std::any_of(states.begin(), states.end(),
                                                [](VertexKind v) { return InModel(v); });
                    }
                }
            }
        }
    }
    EXPECT_GT(nonEmpty, builds / 10);  // the set is not made of empty models only
}

TEST(Robustness, AnEmptyBackPictureIsNeverTouched) {
    const Raster disc = test::MakeDisc(40, 40, 20, 20, 12);
    const test::BuildOutcome out = test::RunBuild(disc, Raster(), Settings(3));
    EXPECT_TRUE(out.back.Empty());
    EXPECT_NE(out.front, disc);
}

}  // namespace
}  // namespace vonnik
