// The solid taken out of the model grid: which triangles, how the two surfaces are joined,
// which way they face, and the volume they enclose.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "builder/vec3.h"
#include "export/solid_mesh.h"
#include "tests/export/export_fixtures.h"
#include "tests/support/pictures.h"
#include "viewer/rotation.h"

namespace vonnik {
namespace {

using test::BuiltState;
using test::Panel;

struct Figure {
    std::string name;
    Raster picture;
    PanelInputs panel;
};

std::vector<Figure> FiguresClearOfTheBorder() {
    return {
        {"disc", test::MakeDisc(120, 110, 60, 55, 40), Panel("6")},
        {"disc_square_lattice", test::MakeDisc(120, 110, 60, 55, 40), Panel("5", true)},
        {"ring", test::MakeRing(160, 140, 80, 70, 60, 30), Panel("5")},
        {"three_parts", test::MakeThreeParts(), Panel("5")},
    };
}

void PrintTo(const Figure& f, std::ostream* os) {
    *os << f.name;
}

class ClearOfTheBorder : public testing::TestWithParam<Figure> {};

TEST_P(ClearOfTheBorder, IsOneClosedOutwardFacingSolidOfTheGridsTriangles) {
    const SharedState state = BuiltState(GetParam().picture, GetParam().panel);
    const SolidMesh mesh = MeshFromGrid(state.Grid);
    ASSERT_FALSE(mesh.Empty());

    const test::GridCounts expected = test::CountFromGrid(state.Grid);
    EXPECT_EQ(mesh.TriangleCount(), expected.triangles);
    EXPECT_EQ(mesh.vertices.size(), expected.vertices);
    EXPECT_EQ(mesh.front.size(), mesh.back.size());

    const EdgeReport edges = CheckEdges(mesh);
    EXPECT_EQ(edges.open, 0u);
    EXPECT_EQ(edges.nonManifold, 0u);
    EXPECT_EQ(edges.misoriented, 0u);
    // A closed triangulated surface has three edges for every two triangles.
    EXPECT_EQ(edges.edges * 2, mesh.TriangleCount() * 3);
    EXPECT_GT(SignedVolume(mesh), 0.0);

    // The welded rim lies in the picture plane; the front is on the viewer's side.
    for (const SolidMesh::Vertex& v : mesh.vertices) {
        switch (v.side) {
            case SolidMesh::Side::kBoth:
                EXPECT_EQ(v.position.z, 0.0);
                break;
            case SolidMesh::Side::kFront:
                EXPECT_LE(v.position.z, 0.0);
                break;
            case SolidMesh::Side::kBack:
                EXPECT_GE(v.position.z, 0.0);
                break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Figures, ClearOfTheBorder, testing::ValuesIn(FiguresClearOfTheBorder()),
                         [](const testing::TestParamInfo<Figure>& info) {
                             return info.param.name;
                         });

TEST(SolidMesh, EveryTriangleOfADomeFacesAwayFromItsCentre) {
    const SharedState state = BuiltState(test::MakeDisc(120, 110, 60, 55, 40), Panel("6"));
    const SolidMesh mesh = MeshFromGrid(state.Grid);
    ASSERT_FALSE(mesh.Empty());
    const Vec3 centre{60 - 120 / 2, 55 - 110 / 2, 0.0};
    int checked = 0;
    for (const auto* triangles : {&mesh.front, &mesh.back}) {
        for (const SolidMesh::Triangle& t : *triangles) {
            const Vec3& a = mesh.vertices[t[0]].position;
            const Vec3& b = mesh.vertices[t[1]].position;
            const Vec3& c = mesh.vertices[t[2]].position;
            const Vec3 normal = TriangleNormal(a, b, c);
            const Vec3 middle{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
            EXPECT_GT(Dot(normal, middle - centre), 0.0)
                << "triangle of " << mesh.vertices[t[0]].i << "," << mesh.vertices[t[0]].j;
            ++checked;
        }
    }
    EXPECT_EQ(static_cast<std::size_t>(checked), mesh.TriangleCount());
}

// Curvature 1.00 raises a disc on quarter circles of the disc's radius: a sphere, cut into
// a polyhedron inside it.
TEST(SolidMesh, DiscEnclosesAboutTheSphereOfItsRadius) {
    const double r = 60.0;
    const SharedState state = BuiltState(test::MakeDisc(160, 160, 80, 80, r), Panel("4"));
    const SolidMesh mesh = MeshFromGrid(state.Grid);
    ASSERT_TRUE(CheckEdges(mesh).Closed());
    const double sphere = 4.0 / 3.0 * std::numbers::pi * r * r * r;
    EXPECT_NEAR(SignedVolume(mesh) / sphere, 1.0, 0.10);
}

// A ring's tube rises on quarter circles of half its width: a torus.
TEST(SolidMesh, RingEnclosesAboutTheTorusOfItsWidth) {
    const double outer = 90.0, inner = 45.0;
    const SharedState state =
        BuiltState(test::MakeRing(240, 240, 120, 120, outer, inner), Panel("4"));
    const SolidMesh mesh = MeshFromGrid(state.Grid);
    ASSERT_TRUE(CheckEdges(mesh).Closed());
    const double tube = (outer - inner) / 2, centreLine = (outer + inner) / 2;
    const double torus = 2.0 * std::numbers::pi * std::numbers::pi * centreLine * tube * tube;
    EXPECT_NEAR(SignedVolume(mesh) / torus, 1.0, 0.10);
}

// The export takes the model as the viewer shows it: after a drag, the same solid turned by
// the view's rotation (whose columns are the turned x and y axes and their cross product).
TEST(SolidMesh, FollowsTheViewersTurn) {
    SharedState state = BuiltState(test::MakeRing(160, 140, 80, 70, 60, 30), Panel("5"));
    const SolidMesh before = MeshFromGrid(state.Grid);
    MouseTrack mouse{40, 30};
    for (const auto& [x, y] : {std::pair{70, 50}, {100, 90}, {90, 120}}) DragTo(state, mouse, x, y);
    const Vec3 a = state.View.ViewAxisA, b = state.View.ViewAxisB, c = Cross(a, b);
    ASSERT_GT(std::fabs(a.z) + std::fabs(b.z), 0.3) << "the drags should turn the model";

    const SolidMesh after = MeshFromGrid(state.Grid);
    ASSERT_EQ(after.vertices.size(), before.vertices.size());
    ASSERT_EQ(after.front, before.front);
    ASSERT_EQ(after.back, before.back);
    for (std::size_t n = 0; n < before.vertices.size(); ++n) {
        const Vec3& p = before.vertices[n].position;
        const Vec3& q = after.vertices[n].position;
        EXPECT_NEAR(q.x, a.x * p.x + b.x * p.y + c.x * p.z, 1e-6);
        EXPECT_NEAR(q.y, a.y * p.x + b.y * p.y + c.y * p.z, 1e-6);
        EXPECT_NEAR(q.z, a.z * p.x + b.z * p.y + c.z * p.z, 1e-6);
    }
    EXPECT_TRUE(CheckEdges(after).Closed());
    EXPECT_NEAR(SignedVolume(after), SignedVolume(before), 1e-6 * SignedVolume(before));
}

// Where the figure runs off the picture, the cleared border ring leaves the solid open: the
// export keeps to the grid's triangles and reports the hole's edges.
TEST(SolidMesh, FigureCutByTheBorderIsLeftOpenAndReported) {
    const SharedState state = BuiltState(test::MakeDisc(100, 100, 10, 50, 45), Panel("6"));
    const SolidMesh mesh = MeshFromGrid(state.Grid);
    ASSERT_FALSE(mesh.Empty());
    const test::GridCounts expected = test::CountFromGrid(state.Grid);
    EXPECT_EQ(mesh.TriangleCount(), expected.triangles);
    EXPECT_EQ(mesh.vertices.size(), expected.vertices);
    const EdgeReport edges = CheckEdges(mesh);
    EXPECT_GT(edges.open, 0u);
    EXPECT_EQ(edges.misoriented, 0u);
    EXPECT_FALSE(edges.Closed());
}

TEST(SolidMesh, PictureWithoutFigureGivesNothing) {
    const SharedState state = BuiltState(Raster(40, 30, test::kWhite), Panel("4"));
    const SolidMesh mesh = MeshFromGrid(state.Grid);
    EXPECT_TRUE(mesh.Empty());
    EXPECT_TRUE(mesh.vertices.empty());
    EXPECT_EQ(CheckEdges(mesh).edges, 0u);
    EXPECT_EQ(SignedVolume(mesh), 0.0);
    EXPECT_TRUE(MeshFromGrid(ModelGrid{}).Empty());
}

}  // namespace
}  // namespace vonnik
