// Prints painted for a multi-filament printer, and prints with holes and a thickness: the
// palette and the filament of each triangle, the paint in the 3MF package as slicers read it
// (read back with libzip and the paint decoded from its bits), the slicer's settings, holes
// through the solid and the thickness of every shape.
#include <gtest/gtest.h>
#include <zip.h>

#include <cmath>
#include <numeric>
#include <regex>

#include "core/holes.h"
#include "core/picture_io.h"
#include "export/filaments.h"
#include "export/mesh_export.h"
#include "export/painted_3mf.h"
#include "export/print_layout.h"
#include "tests/export/export_fixtures.h"
#include "tests/export/mesh_checker.h"
#include "tests/export/threemf_reader.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

constexpr Pixel kRed = 0xE03C31, kBlue = 0x2E6FD0, kYellow = 0xF2C12E;

// A disc red on the left, blue on the right, with a yellow square in the middle.
Raster ThreeColourDisc() {
    Raster r(120, 100, test::kWhite);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 120; ++x)
            if ((x - 60) * (x - 60) + (y - 50) * (y - 50) <= 44 * 44)
                r.Set(x, y,
                      std::abs(x - 60) <= 8 && std::abs(y - 50) <= 8 ? kYellow
                      : x < 60                                       ? kRed
                                                                     : kBlue);
    return r;
}

// What slicers read from a whole-triangle paint: the hex digits from the last, four bits
// each, the lowest bit first; two bits of split sides (0 for a whole triangle), then two bits
// of state, where 3 means four more bits of state - 3. -1 for anything else.
int DecodeWholeTriangle(const std::string& code) {
    std::vector<int> bits;
    for (auto it = code.rbegin(); it != code.rend(); ++it) {
        const int v = std::stoi(std::string(1, *it), nullptr, 16);
        for (int b = 0; b < 4; ++b) bits.push_back((v >> b) & 1);
    }
    if (bits.size() < 4 || bits[0] != 0 || bits[1] != 0) return -1;
    int state = bits[2] | bits[3] << 1;
    std::size_t used = 4;
    if (state == 3) {
        if (bits.size() < 8) return -1;
        state = 3 + (bits[4] | bits[5] << 1 | bits[6] << 2 | bits[7] << 3);
        used = 8;
    }
    for (std::size_t b = used; b < bits.size(); ++b)
        if (bits[b] != 0) return -1;
    return state;
}

TEST(WholeTrianglePaint, IsTheSlicersEncodingOfEveryFilament) {
    const std::pair<int, const char*> known[] = {{1, "4"},  {2, "8"},   {3, "0C"},
                                                 {4, "1C"}, {10, "7C"}, {16, "DC"}};
    for (const auto& [filament, code] : known) EXPECT_EQ(WholeTrianglePaint(filament), code);
    for (int k = 1; k <= kMaxFilaments; ++k)
        EXPECT_EQ(DecodeWholeTriangle(WholeTrianglePaint(k)), k);
}

TEST(PaintFilaments, TrianglesTakeTheColourMostOfTheirPixelsHave) {
    const SharedState state = test::BuiltState(ThreeColourDisc(), test::Panel("4"));
    const PrintLayout layout = LayOutForPrint(state.Grid, state.View, PrintShape::kWhole, 0.1, 0.0);
    const FilamentPaint paint =
        PaintFilaments(layout.parts, state.FrontPicture, state.BackPicture, 3, "x.3mf");
    // Three colours fit three filaments as they are; red and blue cover about equal halves.
    ASSERT_EQ(paint.palette.size(), 3u);
    EXPECT_EQ(paint.palette[2], kYellow);
    EXPECT_TRUE((paint.palette[0] == kRed && paint.palette[1] == kBlue) ||
                (paint.palette[0] == kBlue && paint.palette[1] == kRed));
    EXPECT_NEAR(std::accumulate(paint.share.begin(), paint.share.end(), 0.0), 1.0, 1e-12);
    EXPECT_GE(paint.share[0], paint.share[1]);
    EXPECT_GE(paint.share[1], paint.share[2]);
    EXPECT_NEAR(paint.share[2], 17.0 * 17.0 / (M_PI * 44 * 44), 0.03);

    const SolidMesh& mesh = layout.parts[0].mesh;
    ASSERT_EQ(paint.triangles.size(), 1u);
    ASSERT_EQ(paint.triangles[0].size(), mesh.TriangleCount());
    std::size_t checked = 0;
    for (std::size_t n = 0; n < mesh.TriangleCount(); ++n) {
        const SolidMesh::Triangle& t =
            n < mesh.front.size() ? mesh.front[n] : mesh.back[n - mesh.front.size()];
        double x[3], y[3];
        for (int c = 0; c < 3; ++c) {
            x[c] = mesh.vertices[t[c]].textureX;
            y[c] = mesh.vertices[t[c]].textureY;
        }
        const double lo = std::min({x[0], x[1], x[2]}), hi = std::max({x[0], x[1], x[2]});
        const double top = std::min({y[0], y[1], y[2]}), bottom = std::max({y[0], y[1], y[2]});
        const bool inSquare = lo >= 53 && hi <= 68 && top >= 43 && bottom <= 58;
        const bool clearOfSquare = bottom < 41 || top > 59;
        const Pixel expected = inSquare         ? kYellow
                               : !clearOfSquare ? 0
                               : hi < 59        ? kRed
                               : lo > 61        ? kBlue
                                                : 0;
        if (expected == 0) continue;
        EXPECT_EQ(paint.palette[paint.triangles[0][n]], expected) << n;
        ++checked;
    }
    EXPECT_GT(checked, mesh.TriangleCount() / 2);

    // Fewer filaments than colours: the palette has that many.
    EXPECT_EQ(PaintFilaments(layout.parts, state.FrontPicture, state.BackPicture, 2, "x.3mf")
                  .palette.size(),
              2u);
    EXPECT_THROW(PaintFilaments(layout.parts, state.FrontPicture, state.BackPicture, 17, "x.3mf"),
                 FileError);
}

// A triangle over more background than figure takes the figure's colour; one that covers no
// pixel centre takes the pixel under its centroid.
TEST(PaintFilaments, BackgroundPixelsVoteOnlyWhereNoFigurePixelIs) {
    Raster picture(20, 20, test::kWhite);
    picture.Set(2, 2, kRed);
    picture.Set(3, 2, kRed);
    picture.Set(15, 15, kBlue);  // white is nearer to blue than to red
    PrintPart part{"solid", {}};
    const auto corner = [&](double x, double y) {
        part.mesh.vertices.push_back({{x, y, 0.0}, x, y, 0, 0, SolidMesh::Side::kFront});
    };
    corner(1.0, 1.0);  // covers the two red pixels and ten white ones
    corner(7.0, 1.0);
    corner(1.0, 5.0);
    corner(15.2, 15.2);  // covers no pixel centre; its centroid is on the blue pixel
    corner(15.4, 15.2);
    corner(15.2, 15.4);
    part.mesh.front = {{0, 1, 2}, {3, 4, 5}};
    const FilamentPaint paint = PaintFilaments({part}, picture, picture, 2, "x.3mf");
    ASSERT_EQ(paint.palette.size(), 2u);
    EXPECT_EQ(paint.palette[paint.triangles[0][0]], kRed);
    EXPECT_EQ(paint.palette[paint.triangles[0][1]], kBlue);
}

// One entry of a zip package.
std::string ZipEntry(const std::string& path, const char* name) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (archive == nullptr) return {};
    std::string text;
    zip_stat_t stat;
    if (zip_stat(archive, name, 0, &stat) == 0) {
        text.resize(stat.size);
        zip_file_t* file = zip_fopen(archive, name, 0);
        if (file == nullptr || zip_fread(file, text.data(), stat.size) != zip_int64_t(stat.size))
            text.clear();
        if (file != nullptr) zip_fclose(file);
    }
    zip_discard(archive);
    return text;
}

// Each object's triangles' paint, in the order of the file: the two attributes.
struct TrianglePaint {
    std::string slicer, colour;
};
std::vector<std::vector<TrianglePaint>> PaintOf(const std::string& model) {
    std::vector<std::vector<TrianglePaint>> objects;
    const std::regex element(R"(<object\b|<triangle\b[^>]*>)");
    const std::regex slicer(R"(slic3rpe:mmu_segmentation="([0-9A-F]*)\")");
    const std::regex colour(R"(\bpaint_color="([0-9A-F]*)\")");
    for (auto it = std::sregex_iterator(model.begin(), model.end(), element);
         it != std::sregex_iterator(); ++it) {
        const std::string text = it->str();
        if (text == "<object") {
            objects.emplace_back();
            continue;
        }
        if (objects.empty()) break;
        std::smatch a, b;
        std::regex_search(text, a, slicer);
        std::regex_search(text, b, colour);
        objects.back().push_back({a.size() > 1 ? a[1].str() : "", b.size() > 1 ? b[1].str() : ""});
    }
    return objects;
}

TEST(PaintedThreeMf, CarriesEveryTrianglesFilamentAndThePaletteInEveryShape) {
    const SharedState state = test::BuiltState(ThreeColourDisc(), test::Panel("5"));
    const test::TempDir temp("painted");
    for (PrintShape shape : {PrintShape::kWhole, PrintShape::kFlatBack, PrintShape::kHalves}) {
        const std::string path = temp.Path() + "/painted.3mf";
        MeshExportOptions options;
        options.shape = shape;
        options.filaments = 3;
        options.sizeMm = 40.0;
        const MeshExportResult result = ExportShownSolid(state, path, options);
        const std::string what = "shape " + std::to_string(static_cast<int>(shape));
        ASSERT_EQ(result.palette.size(), 3u) << what;
        EXPECT_TRUE(result.edges.Closed()) << what;

        // Still a 3MF package lib3mf reads, each object a closed 2-manifold.
        const test::ThreeMfFile file = test::Read3mf(path);
        ASSERT_TRUE(file.read) << file.error;
        const auto paint = PaintOf(ZipEntry(path, "3D/3dmodel.model"));
        ASSERT_EQ(paint.size(), file.objects.size()) << what;
        std::vector<std::size_t> uses(4, 0);
        for (std::size_t o = 0; o < file.objects.size(); ++o) {
            const test::ThreeMfFile::Object& object = file.objects[o];
            std::vector<std::array<double, 3>> positions;
            for (const test::Float3& v : object.vertices) positions.push_back({v[0], v[1], v[2]});
            EXPECT_TRUE(test::CheckMesh(positions, object.triangles).ClosedManifold()) << what;
            ASSERT_EQ(paint[o].size(), object.triangles.size()) << what;
            for (const TrianglePaint& t : paint[o]) {
                EXPECT_EQ(t.colour, t.slicer);
                const int filament = DecodeWholeTriangle(t.slicer);
                ASSERT_GE(filament, 1) << t.slicer;
                ASSERT_LE(filament, 3) << t.slicer;
                ++uses[filament];
            }
        }
        for (int k = 1; k <= 3; ++k) EXPECT_GT(uses[k], 0u) << what << " filament " << k;

        // The slicer's settings: an extruder per filament, in the palette's colours.
        std::string colours;
        for (Pixel p : result.palette) colours += (colours.empty() ? "" : ";") + HexColour(p);
        const std::string settings = ZipEntry(path, "Metadata/Slic3r_PE.config");
        EXPECT_NE(settings.find("\n; extruder_colour = " + colours + "\n"), std::string::npos)
            << settings;
        EXPECT_NE(settings.find("\n; nozzle_diameter = 0.4,0.4,0.4\n"), std::string::npos)
            << settings;
    }
}

// A 3MF without --filaments carries no paint and no slicer settings, as before.
TEST(PaintedThreeMf, AnUnpaintedFileHasNoPaint) {
    const SharedState state = test::BuiltState(ThreeColourDisc(), test::Panel("5"));
    const test::TempDir temp("unpainted");
    const std::string path = temp.Path() + "/plain.3mf";
    EXPECT_TRUE(ExportShownSolid(state, path).palette.empty());
    EXPECT_EQ(ZipEntry(path, "3D/3dmodel.model").find("mmu_segmentation"), std::string::npos);
    EXPECT_TRUE(ZipEntry(path, "Metadata/Slic3r_PE.config").empty());
}

// Euler characteristic of an indexed mesh: V - E + F.
long long Euler(const test::MeshCheck& m) {
    return static_cast<long long>(m.vertices) - static_cast<long long>(m.edges) +
           static_cast<long long>(m.triangles);
}

TEST(Holes, AHoleGivesTheSolidOneHandleMore) {
    const Raster disc = test::MakeDisc(120, 120, 60, 60, 50);
    PanelInputs panel = test::Panel("4");
    const SolidMesh plain = ManifoldSolid(test::BuiltState(disc, panel).Grid, ViewPose{});
    panel.Holes = {{60, 35, 16}};
    const SharedState holed = test::BuiltState(disc, panel);
    // The pictures hold the hole as background: the build's figure rule sees it.
    EXPECT_EQ(ColourOf(holed.FrontPicture.At(60, 35)), test::kWhite);
    const test::MeshCheck a = test::CheckSolid(plain),
                          b = test::CheckSolid(ManifoldSolid(holed.Grid, holed.View));
    ASSERT_TRUE(a.ClosedManifold());
    ASSERT_TRUE(b.ClosedManifold());
    EXPECT_EQ(Euler(a), 2);
    EXPECT_EQ(Euler(b), Euler(a) - 2);
}

TEST(Holes, ADiscOffTheFigureIsRefusedAndChangesNothing) {
    SharedState state = test::BuiltState(test::MakeDisc(120, 120, 60, 60, 40));
    const Raster before = state.FrontPicture;
    PanelInputs panel;
    for (const HoleList& holes :
         {HoleList{{5, 5, 6}}, HoleList{{60, 60, 10}, {300, 10, 20}}, HoleList{{-50, -50, 10}}}) {
        panel.Holes = holes;
        try {
            BuildIntoState(state, panel, "disc.bmp", test::MakeDisc(120, 120, 60, 60, 40),
                           test::MakeDisc(120, 120, 60, 60, 40), {});
            ADD_FAILURE() << HoleText(holes.back());
        } catch (const BuildError& e) {
            EXPECT_EQ(e.field(), BuildError::Field::kHole);
            EXPECT_NE(std::string(e.what()).find(HoleText(holes.back())), std::string::npos)
                << e.what();
        }
        EXPECT_EQ(state.FrontPicture, before);
    }
    // The disc's edge: the pixels at distance D / 2 are in it, those just beyond are not.
    Raster r(20, 20, test::kWhite);
    r.Set(14, 10, 0x123456);
    EXPECT_FALSE(FirstHoleMissingTheFigure(r, {{10, 10, 8}}).has_value());
    EXPECT_TRUE(FirstHoleMissingTheFigure(r, {{10, 10, 7.9}}).has_value());
    CutHoles(r, {{10, 10, 8}});
    EXPECT_EQ(r.At(14, 10), test::kWhite);
}

// Each part as thick as asked, the size across the bed as asked.
TEST(Thickness, EveryShapeIsAsThickAsAsked) {
    const SharedState state =
        test::BuiltState(test::MakeDisc(120, 100, 60, 50, 40), test::Panel("5"));
    for (PrintShape shape : {PrintShape::kWhole, PrintShape::kFlatBack, PrintShape::kHalves}) {
        const PrintLayout layout = LayOutForPrint(state.Grid, state.View, shape, 0.1, 50.0, 4.0);
        for (const PrintPart& part : layout.parts) {
            double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
            for (const SolidMesh::Vertex& v : part.mesh.vertices) {
                const double p[3] = {v.position.x, v.position.y, v.position.z};
                for (int a = 0; a < 3; ++a) {
                    lo[a] = std::min(lo[a], p[a]);
                    hi[a] = std::max(hi[a], p[a]);
                }
            }
            EXPECT_EQ(lo[2], 0.0);
            EXPECT_NEAR(hi[2], 4.0, 1e-9) << static_cast<int>(shape) << " " << part.name;
            EXPECT_NEAR(std::max(hi[0] - lo[0], hi[1] - lo[1]), 50.0, 1e-9) << part.name;
            EXPECT_TRUE(test::CheckSolid(part.mesh).ClosedManifold()) << part.name;
        }
    }
}

}  // namespace
}  // namespace vonnik
