// The exported solid is a 2-manifold whatever the figure: parts that touch along an edge or
// at a point, thin strokes, figures that touch themselves, random blobs and the samples,
// for the viewer's formats and for each shape laid on the printer's bed, checked by the
// tests' own mesh checker, also on the STL file as a slicer joins its corners.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "core/picture_io.h"
#include "export/manifold.h"
#include "export/mesh_export.h"
#include "export/print_layout.h"
#include "tests/export/export_fixtures.h"
#include "tests/export/mesh_checker.h"
#include "tests/export/mesh_readers.h"
#include "tests/support/pictures.h"
#include "viewer/rotation.h"

namespace vonnik {
namespace {

using test::BuiltState;
using test::Panel;

// b's figure drawn over a (same size, white background).
Raster Union(Raster a, const Raster& b) {
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (b.At(x, y) != test::kWhite) a.Set(x, y, b.At(x, y));
    return a;
}

// Clears the pixels of a rectangle to the background, corners inclusive.
Raster Cut(Raster a, int left, int top, int right, int bottom) {
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) a.Set(x, y, test::kWhite);
    return a;
}

struct Figure {
    std::string name;
    Raster picture;
    PanelInputs panel;
};

void PrintTo(const Figure& f, std::ostream* os) {
    *os << f.name;
}

std::vector<Figure> Figures() {
    std::vector<Figure> f;
    const auto add = [&](const std::string& name, const Raster& picture) {
        for (const char* size : {"3", "5", "8"}) {
            f.push_back({name + "_" + size, picture, Panel(size)});
            f.push_back({name + "_" + size + "_square", picture, Panel(size, true)});
        }
    };
    // Parts touching along an edge and at a point.
    add("tangent_discs",
        Union(test::MakeDisc(140, 90, 45, 45, 30), test::MakeDisc(140, 90, 105, 45, 30)));
    add("corner_squares",
        Union(test::MakeRect(110, 110, 15, 15, 54, 54), test::MakeRect(110, 110, 55, 55, 94, 94)));
    add("figure_eight",
        Union(test::MakeRing(130, 220, 65, 60, 45, 20), test::MakeRing(130, 220, 65, 150, 45, 20)));
    // Figures that touch themselves: a ring with a one-pixel slit, a spiral-like hook.
    add("slit_ring", Cut(test::MakeRing(150, 150, 75, 75, 60, 25), 74, 5, 74, 55));
    add("slit_disc", Cut(test::MakeDisc(140, 140, 70, 70, 55), 69, 15, 70, 70));
    // Thin strokes at several widths and slopes.
    for (double half : {0.8, 1.5, 2.5, 4.0}) {
        std::ostringstream name;
        name << "stroke_" << half;
        add(name.str(), test::MakeThickLine(150, 100, 15, 20, 135, 80, half));
        add(name.str() + "_cross", Union(test::MakeThickLine(150, 100, 15, 20, 135, 80, half),
                                         test::MakeThickLine(150, 100, 15, 80, 135, 20, half)));
    }
    for (std::uint32_t seed = 1; seed <= 6; ++seed)
        add("blobs_" + std::to_string(seed), test::MakeBlobs(160, 120, seed));
    for (const char* name : {"islands_140x100", "holes_150x120", "star_140", "letters_180x70",
                             "stripes_160x120", "blobs_200x150", "touch_borders_80x60"})
        add(name, LoadPicture(test::TestData(std::string("golden/pictures/") + name + ".bmp")));
    return f;
}

class EveryFigure : public testing::TestWithParam<Figure> {};

TEST_P(EveryFigure, ExportsA2ManifoldOfTheSameVolume) {
    const SharedState state = BuiltState(GetParam().picture, GetParam().panel);
    const SolidMesh raw = MeshFromGrid(state.Grid);
    if (raw.Empty()) {
        // Too thin for the lattice: nothing to export, in any shape.
        EXPECT_TRUE(ManifoldSolid(state.Grid, state.View).Empty());
        EXPECT_TRUE(LayOutForPrint(state.Grid, state.View, PrintShape::kHalves, 0.1, 0.0).parts.empty());
        return;
    }
    const test::MeshCheck before = test::CheckSolid(raw);

    // The viewer's formats.
    const SolidMesh solid = ManifoldSolid(state.Grid, state.View);
    const test::MeshCheck after = test::CheckSolid(solid);
    EXPECT_TRUE(after.Manifold()) << "crowded " << after.crowded << ", same way " << after.sameWay
                                  << ", pinched " << after.pinched;
    EXPECT_EQ(after.triangles, before.triangles);
    EXPECT_EQ(after.open, before.open) << "open edges are reported, not closed or made";
    EXPECT_EQ(CountPinchedVertices(solid), 0u);
    EXPECT_EQ(CheckEdges(solid).nonManifold, 0u);
    if (before.open == 0) {
        EXPECT_GT(after.volume, 0.0);
        EXPECT_NEAR(after.volume, before.volume, 1e-3 * before.volume);
    }

    // On the bed, each shape; and the STL as a slicer joins it.
    const test::TempDir temp("manifold");
    const std::string dir = temp.Path();
    double wholeVolume = 0.0;
    for (PrintShape shape : {PrintShape::kWhole, PrintShape::kFlatBack, PrintShape::kHalves}) {
        const PrintLayout layout = LayOutForPrint(state.Grid, state.View, shape, 0.1, 0.0);
        double volume = 0.0;
        for (const PrintPart& part : layout.parts) {
            const test::MeshCheck check = test::CheckSolid(part.mesh);
            EXPECT_TRUE(check.Manifold())
                << part.name << ": crowded " << check.crowded << ", same way " << check.sameWay
                << ", pinched " << check.pinched;
            EXPECT_EQ(check.open, before.open) << part.name;
            volume += check.volume;
        }
        const std::string path = dir + "/" + std::to_string(static_cast<int>(shape)) + ".stl";
        WriteStl(layout.parts, path);
        const test::MeshCheck stl = test::CheckStl(test::ReadStl(path));
        EXPECT_TRUE(stl.Manifold())
            << "STL, shape " << static_cast<int>(shape) << ": crowded " << stl.crowded
            << ", same way " << stl.sameWay << ", pinched " << stl.pinched;
        if (before.open != 0) continue;
        EXPECT_GT(volume, 0.0);
        EXPECT_NEAR(stl.volume, volume, 1e-3 * volume);
        if (shape == PrintShape::kWhole) {
            wholeVolume = volume;
            EXPECT_NEAR(volume, before.volume * 1e-3, 1e-3 * volume);
        }
        // The halves are the whole cut in the rim's plane.
        if (shape == PrintShape::kHalves) {
            EXPECT_NEAR(volume, wholeVolume, 1e-3 * wholeVolume);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Figures, EveryFigure, testing::ValuesIn(Figures()),
                         [](const testing::TestParamInfo<Figure>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// The figures exercise the splitting: in many, the grid's solid has edges on more than two
// triangles or pinched vertices.
TEST(EveryFigureSummary, ManyFiguresHavePartsMeeting) {
    std::size_t meeting = 0, figures = 0;
    for (const Figure& f : Figures()) {
        const SolidMesh raw = MeshFromGrid(BuiltState(f.picture, f.panel).Grid);
        const test::MeshCheck check = test::CheckSolid(raw);
        ++figures;
        if (check.crowded > 0 || check.pinched > 0) ++meeting;
    }
    EXPECT_GE(meeting, 20u) << "of " << figures;
}

// A disc with a slit: the two sides of the slit share outline pixels, so rim vertices of
// both sides are one vertex of the grid's solid; the export gives each side its own.
TEST(MakeManifold, SplitsRimVerticesWhereAFigureTouchesItself) {
    const SharedState state =
        BuiltState(Cut(test::MakeDisc(140, 140, 70, 70, 55), 69, 15, 70, 70), Panel("5", true));
    SolidMesh mesh = MeshFromGrid(state.Grid);
    const test::MeshCheck before = test::CheckSolid(mesh);
    ASSERT_GT(before.crowded + before.pinched, 0u) << "the squares should meet";
    const std::size_t vertices = mesh.vertices.size();
    const ManifoldSplit split = MakeManifold(mesh);
    EXPECT_GT(split.verticesAdded, 0u);
    EXPECT_EQ(mesh.vertices.size(), vertices + split.verticesAdded);
    const test::MeshCheck after = test::CheckSolid(mesh);
    EXPECT_TRUE(after.ClosedManifold());
    // The copies are rim vertices, nudged off the point they shared by a small step.
    for (std::size_t v = vertices; v < mesh.vertices.size(); ++v) {
        const SolidMesh::Vertex& copy = mesh.vertices[v];
        EXPECT_EQ(copy.side, SolidMesh::Side::kBoth);
        EXPECT_NEAR(copy.position.z, 0.0, 1.0 / 64.0);
    }
}

}  // namespace
}  // namespace vonnik
