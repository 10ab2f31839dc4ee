// The print formats opened by real third-party tools: PrusaSlicer's command line slices the
// flat-back and halves STL and 3MF files with its default settings, and reports every print
// manifold at the size asked for; ADMesh finds the STL files closed. PrusaSlicer also slices
// painted colour prints with several tools, keychains with a hole, and measures the
// thickness asked. Each test is skipped,
// saying what is missing, when its tool is not installed; tools/test.sh installs the tools
// and sets VONNIK_REQUIRE_MESH_CHECKERS, which turns the skip into a failure.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "core/figure_key.h"
#include "core/picture_io.h"
#include "export/filaments.h"
#include "export/mesh_export.h"
#include "tests/export/export_fixtures.h"
#include "tests/export/mesh_checker.h"
#include "tests/export/mesh_readers.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

constexpr double kSizeMm = 40.0;

const char* ShapeName(PrintShape shape) {
    switch (shape) {
        case PrintShape::kWhole:
            return "whole";
        case PrintShape::kFlatBack:
            return "flat_back";
        case PrintShape::kHalves:
            return "halves";
    }
    return "";
}

// One print: a figure in one shape, as STL and 3MF, its longest side kSizeMm.
struct Print {
    std::string name;
    PrintShape shape;
    int figureParts;  // separate pieces of the figure itself (the halves double them)
    MeshExportResult result;
    std::string base;
    std::string File(const char* ext) const { return base + "." + ext; }
};

// The figures: the desktop program's samples where the build made them, pictures of the
// golden cases (parts apart, holes), and a ring that touches itself across a slit.
struct Figure {
    std::string name;
    Raster picture;
    int parts;
};

std::vector<Figure> Figures() {
    std::vector<Figure> figures;
#ifdef VONNIK_SAMPLES
    for (const char* name : {"disc", "ring", "star", "bear"}) {
        // At this lattice a tip of the star meets the rest at one point only: once split
        // there, it is a piece of its own.
        const int parts = std::string(name) == "star" ? 0 : 1;
        const std::string path = std::string(VONNIK_SAMPLES) + "/" + name + ".bmp";
        if (QFile::exists(QString::fromStdString(path)))
            figures.push_back({name, LoadPicture(path), parts});
    }
#endif
    figures.push_back(
        {"islands", LoadPicture(test::TestData("golden/pictures/islands_140x100.bmp")), 0});
    figures.push_back(
        {"holes", LoadPicture(test::TestData("golden/pictures/holes_150x120.bmp")), 0});
    Raster slit = test::MakeRing(150, 150, 75, 75, 60, 25);
    for (int y = 5; y <= 55; ++y) slit.Set(74, y, test::kWhite);
    figures.push_back({"slit_ring", slit, 1});
    return figures;
}

class PrinterTools : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = new test::TempDir("printer-tools");
        const std::string dir = folder_->Path();
        prints_ = new std::vector<Print>;
        for (const Figure& f : Figures()) {
            const SharedState state = test::BuiltState(f.picture, test::Panel("5"));
            for (PrintShape shape :
                 {PrintShape::kWhole, PrintShape::kFlatBack, PrintShape::kHalves}) {
                Print p{f.name, shape, f.parts, {}, dir + "/" + f.name + "_" + ShapeName(shape)};
                MeshExportOptions options;
                options.sizeMm = kSizeMm;
                options.shape = shape;
                p.result = ExportShownSolid(state, p.File("stl"), options);
                ExportShownSolid(state, p.File("3mf"), options);
                prints_->push_back(p);
            }
        }
    }
    static void TearDownTestSuite() {
        delete prints_;
        delete folder_;
    }
    static std::vector<Print>* prints_;
    static test::TempDir* folder_;
};
std::vector<Print>* PrinterTools::prints_ = nullptr;
test::TempDir* PrinterTools::folder_ = nullptr;

std::string Describe(const Print& p, const char* ext) {
    return p.name + " " + ShapeName(p.shape) + " ." + ext;
}

TEST_F(PrinterTools, HaveSamplesAndOtherFigures) {
#ifdef VONNIK_SAMPLES
    EXPECT_EQ(prints_->size(), 7u * 3u) << "the desktop program's samples are missing";
#else
    EXPECT_EQ(prints_->size(), 3u * 3u);
#endif
}

// `prusa-slicer --info FILE` prints, for each object, its size, whether it is manifold, its
// parts and its volume.
struct SlicerInfo {
    std::map<std::string, double> value;  // of the last object listed
    std::vector<std::string> manifold;    // "yes" or "no", one per object
    int objects = 0;
    double volume = 0.0;  // summed over the objects
    double parts = 0.0;
};

SlicerInfo Info(const std::string& slicer, const std::string& file, std::string& output) {
    const test::ToolRun run = test::RunTool(slicer, {"--info", file});
    output = run.output;
    SlicerInfo info;
    if (run.status != 0) return info;
    const std::regex line(R"((\w+) = +(\S+))");
    for (auto it = std::sregex_iterator(run.output.begin(), run.output.end(), line);
         it != std::sregex_iterator(); ++it) {
        const std::string key = (*it)[1], text = (*it)[2];
        if (key == "manifold") {
            info.manifold.push_back(text);
            ++info.objects;
            continue;
        }
        const double v = std::strtod(text.c_str(), nullptr);
        info.value[key] = v;
        if (key == "volume") info.volume += v;
        if (key == "number_of_parts") info.parts += v;
    }
    return info;
}

TEST_F(PrinterTools, PrusaSlicerFindsEveryPrintManifoldOnTheBedAtTheSizeAsked) {
    const std::string slicer = test::FindProgram("prusa-slicer");
    SKIP_WITHOUT(slicer.empty(),
                 "PrusaSlicer is not installed (Debian package prusa-slicer; "
                 "tools/install-deps.sh installs it)");
    for (const Print& p : *prints_) {
        for (const char* ext : {"stl", "3mf"}) {
            std::string output;
            SlicerInfo info = Info(slicer, p.File(ext), output);
            const std::string what = Describe(p, ext) + "\n" + output;
            // A 3MF file lists each object; an STL file is one object.
            const int objects = std::string(ext) == "3mf" ? static_cast<int>(p.result.parts) : 1;
            ASSERT_EQ(info.objects, objects) << what;
            for (const std::string& m : info.manifold) EXPECT_EQ(m, "yes") << what;
            EXPECT_NEAR(info.volume, p.result.volumeMm3, 2e-3 * p.result.volumeMm3) << what;
            if (p.figureParts > 0) {
                EXPECT_EQ(info.parts, p.figureParts * static_cast<double>(p.result.parts)) << what;
            }
            if (objects != 1) continue;
            // On the bed, centred; the longest side as asked (the halves: the figure's
            // height up the picture is the whole solid's).
            EXPECT_NEAR(info.value["min_z"], 0.0, 1e-4) << what;
            EXPECT_NEAR(info.value["min_y"] + info.value["max_y"], 0.0, 1e-3) << what;
            if (p.shape == PrintShape::kHalves) continue;
            EXPECT_NEAR(info.value["min_x"] + info.value["max_x"], 0.0, 1e-3) << what;
            const double longest =
                std::max({info.value["size_x"], info.value["size_y"], info.value["size_z"]});
            EXPECT_NEAR(longest, kSizeMm, 1e-3) << what;
        }
    }
}

// PrusaSlicer's own words for the fault that an object standing on a point gives.
TEST_F(PrinterTools, PrusaSlicerSlicesTheFlatBackAndHalvesWithItsDefaults) {
    const std::string slicer = test::FindProgram("prusa-slicer");
    SKIP_WITHOUT(slicer.empty(),
                 "PrusaSlicer is not installed (Debian package prusa-slicer; "
                 "tools/install-deps.sh installs it)");
    for (const Print& p : *prints_) {
        if (p.shape == PrintShape::kWhole) continue;
        for (const char* ext : {"stl", "3mf"}) {
            const std::string gcode = p.base + "_" + ext + ".gcode";
            const test::ToolRun run =
                test::RunTool(slicer, {"--export-gcode", p.File(ext), "--output", gcode});
            const std::string what = Describe(p, ext) + "\n" + run.output;
            EXPECT_EQ(run.status, 0) << what;
            EXPECT_EQ(run.output.find("no extrusions in the first layer"), std::string::npos)
                << what;
            const std::string text = test::ReadFile(gcode);
            // Moves that extrude (G1 with an E amount) on the first layer's height.
            EXPECT_NE(text.find("G1 "), std::string::npos) << what;
            EXPECT_NE(text.find(";LAYER_CHANGE"), std::string::npos) << what;
        }
    }
}

TEST_F(PrinterTools, AdmeshFindsTheStlPrintsClosed) {
    const std::string admesh = test::FindProgram("admesh");
    SKIP_WITHOUT(admesh.empty(),
                 "ADMesh is not installed (Debian package admesh; tools/install-deps.sh "
                 "installs it)");
    for (const Print& p : *prints_) {
        const test::ToolRun run = test::RunTool(admesh, {p.File("stl")});
        const std::string what = Describe(p, "stl") + "\n" + run.output;
        ASSERT_EQ(run.status, 0) << what;
        std::map<std::string, double> value;
        const std::regex stat(
            R"((Total disconnected facets|Number of parts|Volume|Edges fixed|Facets removed|Facets added|Facets reversed|Backwards edges|Normals fixed)\s*:\s*(-?[0-9.e+]+))");
        for (auto it = std::sregex_iterator(run.output.begin(), run.output.end(), stat);
             it != std::sregex_iterator(); ++it)
            value.emplace((*it)[1], std::stod((*it)[2]));  // the first: before any repair
        for (const char* zero :
             {"Total disconnected facets", "Edges fixed", "Facets removed", "Facets added",
              "Facets reversed", "Backwards edges", "Normals fixed"})
            EXPECT_EQ(value[zero], 0.0) << zero << ": " << what;
        EXPECT_NEAR(value["Volume"], p.result.volumeMm3, 2e-3 * p.result.volumeMm3) << what;
        if (p.figureParts > 0) {
            EXPECT_EQ(value["Number of parts"], p.figureParts * static_cast<double>(p.result.parts))
                << what;
        }
    }
}

// The pictures a colour print is made of: the desktop program's samples where the build
// made them, and a picture of the golden cases.
std::vector<std::pair<std::string, Raster>> ColourPictures() {
    std::vector<std::pair<std::string, Raster>> pictures;
#ifdef VONNIK_SAMPLES
    for (const char* name : {"disc.bmp", "ring.bmp", "star.bmp", "bear.bmp", "penguin.png"}) {
        const std::string path = std::string(VONNIK_SAMPLES) + "/" + name;
        if (QFile::exists(QString::fromStdString(path)))
            pictures.emplace_back(name, LoadFigurePicture(path));
    }
#endif
    pictures.emplace_back("blobs",
                          LoadPicture(test::TestData("golden/pictures/blobs_200x150.bmp")));
    return pictures;
}

// The tools a G-code file changes to: the distinct "Tn" lines.
std::set<std::string> ToolsOf(const std::string& gcode) {
    std::set<std::string> tools;
    const std::regex tool(R"((^|\n)(T[0-9]+)\b)");
    for (auto it = std::sregex_iterator(gcode.begin(), gcode.end(), tool);
         it != std::sregex_iterator(); ++it)
        tools.insert((*it)[2]);
    return tools;
}

// A painted 3MF alone is enough: PrusaSlicer takes the extruders, their colours and the wipe
// tower from the file's settings, and its G-code changes between the filaments.
TEST(PrusaSlicerColour, SlicesAPaintedPrintOfEachSampleWithSeveralTools) {
    const std::string slicer = test::FindProgram("prusa-slicer");
    SKIP_WITHOUT(slicer.empty(),
                 "PrusaSlicer is not installed (Debian package prusa-slicer; "
                 "tools/install-deps.sh installs it)");
    const test::TempDir temp("colour-prints");
    const std::vector<std::pair<std::string, Raster>> pictures = ColourPictures();
#ifdef VONNIK_SAMPLES
    EXPECT_EQ(pictures.size(), 6u) << "the desktop program's samples are missing";
#endif
    for (const auto& [name, picture] : pictures) {
        const SharedState state = test::BuiltState(picture);
        MeshExportOptions options;
        options.filaments = 4;
        options.sizeMm = 30.0;  // small prints: slicing is the slow part
        options.thicknessMm = 4.0;
        options.shape = name == "bear.bmp" ? PrintShape::kFlatBack : PrintShape::kWhole;
        const std::string file = temp.Path() + "/" + name + ".3mf";
        const MeshExportResult result = ExportShownSolid(state, file, options);
        std::string output;
        const SlicerInfo info = Info(slicer, file, output);
        ASSERT_EQ(info.objects, 1) << name << "\n" << output;
        EXPECT_EQ(info.manifold.front(), "yes") << name << "\n" << output;
        EXPECT_NEAR(info.value.at("size_z"), 4.0, 1e-3) << name;

        const std::string gcode = temp.Path() + "/" + name + ".gcode";
        const test::ToolRun run =
            test::RunTool(slicer, {"--export-gcode", file, "--output", gcode});
        ASSERT_EQ(run.status, 0) << name << "\n" << run.output;
        const std::set<std::string> tools = ToolsOf(test::ReadFile(gcode));
        std::ostringstream palette;
        palette.setf(std::ios::fixed);
        palette.precision(1);
        for (std::size_t k = 0; k < result.palette.size(); ++k)
            palette << " " << HexColour(result.palette[k]) << " " << result.share[k] * 100.0 << "%";
        std::cout << "[ colour   ] " << name << ": palette" << palette.str() << "; " << tools.size()
                  << " tools\n";
        EXPECT_GT(tools.size(), 1u) << name << palette.str();
        EXPECT_LE(tools.size(), result.palette.size()) << name;
    }
}

// A keychain: the disc with a hole is a closed 2-manifold with one handle more (its Euler
// characteristic two lower) as PrusaSlicer joins the STL's corners, and it slices.
TEST(PrusaSlicerColour, SlicesAKeychainWithAHole) {
    const std::string slicer = test::FindProgram("prusa-slicer");
    SKIP_WITHOUT(slicer.empty(),
                 "PrusaSlicer is not installed (Debian package prusa-slicer; "
                 "tools/install-deps.sh installs it)");
    const test::TempDir temp("keychain");
    const Raster disc = test::MakeDisc(120, 120, 60, 60, 50);
    PanelInputs panel = test::Panel("4");
    MeshExportOptions options;
    options.sizeMm = 40.0;
    options.thicknessMm = 5.0;
    const std::string plain = temp.Path() + "/plain.stl", holed = temp.Path() + "/holed.stl";
    ExportShownSolid(test::BuiltState(disc, panel), plain, options);
    panel.Holes = {{60, 32, 16}};
    ExportShownSolid(test::BuiltState(disc, panel), holed, options);
    const test::MeshCheck a = test::CheckStl(test::ReadStl(plain));
    const test::MeshCheck b = test::CheckStl(test::ReadStl(holed));
    ASSERT_TRUE(a.ClosedManifold());
    ASSERT_TRUE(b.ClosedManifold());
    const auto euler = [](const test::MeshCheck& m) {
        return static_cast<long long>(m.vertices) - static_cast<long long>(m.edges) +
               static_cast<long long>(m.triangles);
    };
    EXPECT_EQ(euler(a), 2);
    EXPECT_EQ(euler(b), euler(a) - 2);

    std::string output;
    const SlicerInfo info = Info(slicer, holed, output);
    ASSERT_EQ(info.objects, 1) << output;
    EXPECT_EQ(info.manifold.front(), "yes") << output;
    EXPECT_EQ(info.parts, 1.0) << output;
    EXPECT_NEAR(info.value.at("size_z"), 5.0, 1e-3) << output;
    const std::string gcode = temp.Path() + "/holed.gcode";
    const test::ToolRun run = test::RunTool(slicer, {"--export-gcode", holed, "--output", gcode});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(test::ReadFile(gcode).find(";LAYER_CHANGE"), std::string::npos);
}

// --thickness-mm: PrusaSlicer measures every shape as thick as asked, the size across the
// bed as asked.
TEST(PrusaSlicerColour, MeasuresTheThicknessAsked) {
    const std::string slicer = test::FindProgram("prusa-slicer");
    SKIP_WITHOUT(slicer.empty(),
                 "PrusaSlicer is not installed (Debian package prusa-slicer; "
                 "tools/install-deps.sh installs it)");
    const test::TempDir temp("thickness");
    const SharedState state =
        test::BuiltState(test::MakeDisc(120, 100, 60, 50, 40), test::Panel("5"));
    for (PrintShape shape : {PrintShape::kWhole, PrintShape::kFlatBack, PrintShape::kHalves}) {
        MeshExportOptions options;
        options.shape = shape;
        options.sizeMm = 50.0;
        options.thicknessMm = 6.0;
        const std::string file = temp.Path() + "/" + ShapeName(shape) + ".stl";
        ExportShownSolid(state, file, options);
        std::string output;
        SlicerInfo info = Info(slicer, file, output);
        ASSERT_EQ(info.objects, 1) << output;
        EXPECT_EQ(info.manifold.front(), "yes") << output;
        EXPECT_NEAR(info.value["size_z"], 6.0, 1e-3) << ShapeName(shape) << "\n" << output;
        if (shape != PrintShape::kHalves) {
            EXPECT_NEAR(std::max(info.value["size_x"], info.value["size_y"]), 50.0, 1e-3) << output;
        }
    }
}

}  // namespace
}  // namespace vonnik
