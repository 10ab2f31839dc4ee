// The picture point under a point of the viewer: in the built pose the picture itself, turned
// half round the picture seen from behind, and nothing off the solid.
#include <gtest/gtest.h>

#include "tests/export/export_fixtures.h"
#include "tests/support/pictures.h"
#include "viewer/picture_pick.h"

namespace vonnik {
namespace {

TEST(PicturePointAt, FindsThePictureUnderAPointOfTheViewer) {
    // With colour vertical projection each vertex shows the picture where it stands, so the
    // point under the viewer's point is that point itself.
    PanelInputs panel = test::Panel("5");
    panel.ColourProjection = true;
    SharedState state = test::BuiltState(test::MakeDisc(120, 100, 60, 50, 40), panel);
    const int w = state.ViewWidth, h = state.ViewHeight;
    for (const auto& [x, y] : {std::pair{60.0, 50.0}, {45.5, 62.25}, {90.0, 40.0}}) {
        const std::optional<PicturePoint> p = PicturePointAt(state.Grid, w, h, x, y);
        ASSERT_TRUE(p.has_value()) << x << "," << y;
        EXPECT_NEAR(p->x, x, 1e-9);
        EXPECT_NEAR(p->y, y, 1e-9);
    }
    EXPECT_FALSE(PicturePointAt(state.Grid, w, h, 5.0, 5.0).has_value());
    EXPECT_FALSE(PicturePointAt(ModelGrid{}, w, h, 60.0, 50.0).has_value());

    // Half a turn about the vertical axis: the back faces the viewer, left and right swap.
    ModelGrid& g = state.Grid;
    for (int i = 0; i < g.CountI(); ++i)
        for (int j = 0; j < g.CountJ(); ++j)
            for (GridArray<double>* a : {&g.FrontX, &g.FrontZ, &g.BackX, &g.BackZ})
                (*a)(i, j) = -(*a)(i, j);
    const std::optional<PicturePoint> p = PicturePointAt(g, w, h, 40.0, 50.0);
    ASSERT_TRUE(p.has_value());
    EXPECT_NEAR(p->x, 80.0, 1e-9);
    EXPECT_NEAR(p->y, 50.0, 1e-9);
}

}  // namespace
}  // namespace vonnik
