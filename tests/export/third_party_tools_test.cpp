// The exported files opened by real third-party tools: the Khronos glTF validator, Assimp's
// command-line tool and ADMesh. Each test is skipped, saying what is missing, when its tool
// is not installed; tools/test.sh installs them.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <numbers>
#include <regex>
#include <sstream>

#include "cli/cli.h"
#include "export/mesh_export.h"
#include "tests/export/export_fixtures.h"
#include "tests/support/pictures.h"
#include "viewer/rotation.h"

namespace vonnik {
namespace {

constexpr const char* kFormats[] = {"glb", "obj", "ply", "stl"};

// One solid written in all four formats as FOLDER/NAME.EXT.
struct Subject {
    std::string name;
    std::string base;  // path without the extension
    MeshExportResult result;
    std::size_t vertices = 0;  // counted from the grid
    std::size_t triangles = 0;
    int parts = 0;                      // separate pieces, where known (0 = not checked)
    double solidOfRevolutionMm3 = 0.0;  // the volume it should come close to, where known
    std::string File(const char* ext) const { return base + "." + ext; }
};

Subject Export(const std::string& dir, const std::string& name, const SharedState& state,
               int parts) {
    Subject s{name, dir + "/" + name, {}, 0, 0, parts};
    for (const char* ext : kFormats) s.result = ExportShownSolid(state, s.File(ext));
    const test::GridCounts counts = test::CountFromGrid(state.Grid);
    s.vertices = counts.vertices;
    s.triangles = counts.triangles;
    return s;
}

// Generated figures: closed ones clear of the border (disc, ring, three parts, a double-sided
// build with a smaller back picture, a turned model) and one cut by the border.
std::vector<Subject> MakeSubjects(const std::string& dir) {
    using test::BuiltState;
    using test::Panel;
    std::vector<Subject> s;
    // A disc of radius 60 swells into about a sphere, a ring of radii 90 and 45 into about a
    // torus (at 0.1 mm a pixel).
    s.push_back(
        Export(dir, "disc", BuiltState(test::MakeDisc(160, 160, 80, 80, 60), Panel("4")), 1));
    s.back().solidOfRevolutionMm3 = 4.0 / 3.0 * std::numbers::pi * 6.0 * 6.0 * 6.0;
    s.push_back(
        Export(dir, "ring", BuiltState(test::MakeRing(240, 240, 120, 120, 90, 45), Panel("4")), 1));
    s.back().solidOfRevolutionMm3 = 2.0 * std::numbers::pi * std::numbers::pi * 6.75 * 2.25 * 2.25;
    s.push_back(Export(dir, "three_parts", BuiltState(test::MakeThreeParts(), Panel("5")), 3));
    s.push_back(Export(dir, "double_sided",
                       BuiltState(test::MakeDisc(120, 110, 60, 55, 40), Panel("6", true),
                                  test::MakeRing(90, 80, 45, 40, 35, 10)),
                       1));
    SharedState turned = BuiltState(test::MakeRing(160, 140, 80, 70, 60, 30), Panel("5"));
    MouseTrack mouse{20, 20};
    DragTo(turned, mouse, 60, 45);
    s.push_back(Export(dir, "turned_ring", turned, 1));
    s.push_back(Export(dir, "cut_by_border",
                       BuiltState(test::MakeDisc(100, 100, 10, 50, 45), Panel("6")), 0));
    return s;
}

// The golden cases (those that build a solid), through the command-line tool with their own
// options, including drags and double-sided builds. Their counts are not known here.
std::vector<Subject> MakeGoldenSubjects(const std::string& dir) {
    std::vector<Subject> subjects;
    std::ifstream cases(test::TestData("golden/cases.txt"));
    for (std::string line; std::getline(cases, line);) {
        std::istringstream words(line);
        std::string name;
        words >> name;
        if (name.empty() || name[0] == '#' || name.rfind("err_", 0) == 0) continue;
        // The options are plain words or double-quoted drags; nothing else is quoted there
        // but the two polygon sizes, which are left out.
        if (line.find('\'') != std::string::npos) continue;
        std::vector<std::string> args;
        for (std::string w; words >> w;) {
            if (w.front() == '"') {
                while (w.back() != '"' || w.size() == 1) {
                    std::string more;
                    if (!(words >> more)) break;
                    w += " " + more;
                }
                w = w.substr(1, w.size() - 2);
            }
            const bool isFile =
                args.empty() || args.back() == "--back" || args.back() == "--background";
            args.push_back(isFile ? test::TestData("golden/pictures/" + w) : w);
        }
        Subject s{name, dir + "/" + name, {}, 0, 0, 0};
        for (const char* ext : kFormats) args.insert(args.end(), {"--export-mesh", s.File(ext)});
        std::ostringstream out, err;
        const int status = RunCli(args, out, err);
        if (status == 1 && err.str().find("no solid") != std::string::npos) continue;
        EXPECT_EQ(status, 0) << name << ": " << err.str();
        // "solid of V vertices, T triangles, closed, ..." or "..., not closed: ..."
        std::smatch m;
        const std::string said = err.str();
        if (std::regex_search(said, m, std::regex(R"(solid of (\d+) vertices, (\d+) triangles)"))) {
            s.result.vertices = std::stoul(m[1]);
            s.result.triangles = std::stoul(m[2]);
        }
        if (std::regex_search(said, m, std::regex(R"((\d+) open edges)")))
            s.result.edges.open = std::stoul(m[1]);
        subjects.push_back(s);
    }
    return subjects;
}

std::string Messages(const QJsonObject& report) {
    return QJsonDocument(report["messages"].toArray()).toJson().toStdString();
}

class ThirdPartyTools : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new test::TempDir("third-party");
        subjects_ = new std::vector<Subject>(MakeSubjects(dir_->Path()));
        golden_ = new std::vector<Subject>(MakeGoldenSubjects(dir_->Path()));
    }
    static void TearDownTestSuite() {
        delete dir_;
        delete subjects_;
        delete golden_;
    }
    static std::vector<const Subject*> All() {
        std::vector<const Subject*> all;
        for (const Subject& s : *subjects_) all.push_back(&s);
        for (const Subject& s : *golden_) all.push_back(&s);
        return all;
    }
    static test::TempDir* dir_;
    static std::vector<Subject>* subjects_;
    static std::vector<Subject>* golden_;
};
test::TempDir* ThirdPartyTools::dir_ = nullptr;
std::vector<Subject>* ThirdPartyTools::subjects_ = nullptr;
std::vector<Subject>* ThirdPartyTools::golden_ = nullptr;

TEST_F(ThirdPartyTools, GoldenCasesWithASolidAreThere) {
    EXPECT_GE(golden_->size(), 20u);
}

TEST_F(ThirdPartyTools, KhronosGltfValidatorReportsNoErrors) {
    const std::string node = test::FindProgram("node");
    const std::string folder = test::RepoRoot() + "tools/node";
    SKIP_WITHOUT(node.empty() || !QFile::exists(QString::fromStdString(
                                     folder + "/node_modules/gltf-validator/package.json")),
                 "the Khronos glTF validator is not installed: it needs node and `npm ci "
                 "--prefix tools/node` (tools/install-deps.sh does both)");
    std::vector<std::string> args{folder + "/validate-gltf.js"};
    for (const Subject* s : All()) args.push_back(s->File("glb"));
    const test::ToolRun run = test::RunTool(node, args);
    ASSERT_NE(run.status, -1) << run.output;

    std::map<std::string, QJsonObject> reports;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) {
        const QJsonObject report =
            QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        if (!report.isEmpty()) reports[report["file"].toString().toStdString()] = report;
    }
    for (const Subject* s : All()) {
        const auto found = reports.find(s->File("glb"));
        ASSERT_NE(found, reports.end()) << s->name << "\n" << run.output;
        const QJsonObject& r = found->second;
        EXPECT_EQ(r["errors"].toInt(-1), 0) << s->name << ": " << Messages(r);
        EXPECT_EQ(r["warnings"].toInt(-1), 0) << s->name << ": " << Messages(r);
    }
    EXPECT_EQ(run.status, 0) << run.output;
}

// `assimp info -r` prints the imported scene without post-processing.
struct AssimpInfo {
    int status = -1;
    long vertices = -1, faces = -1;
    std::vector<long> meshVertices;  // from the per-mesh lines "[vertices / bones / faces"
    std::string output;
};

AssimpInfo Assimp(const std::string& assimp, const std::string& file) {
    AssimpInfo info;
    const test::ToolRun run = test::RunTool(assimp, {"info", file, "-r"});
    info.status = run.status;
    info.output = run.output;
    std::smatch m;
    if (std::regex_search(run.output, m, std::regex(R"(\nVertices:\s+(\d+))")))
        info.vertices = std::stol(m[1]);
    if (std::regex_search(run.output, m, std::regex(R"(\nFaces:\s+(\d+))")))
        info.faces = std::stol(m[1]);
    const std::regex mesh(R"(\[(\d+) / \d+ / \d+ \|)");
    for (auto it = std::sregex_iterator(run.output.begin(), run.output.end(), mesh);
         it != std::sregex_iterator(); ++it)
        info.meshVertices.push_back(std::stol((*it)[1]));
    return info;
}

TEST_F(ThirdPartyTools, AssimpReadsTheGltfObjAndPlyWithTheGridsCounts) {
    const std::string assimp = test::FindProgram("assimp");
    SKIP_WITHOUT(assimp.empty(),
                 "Assimp's command-line tool is not installed (Debian package assimp-utils; "
                 "tools/install-deps.sh installs it)");
    for (const Subject* s : All()) {
        const bool counted = s->triangles > 0;
        for (const char* ext : {"glb", "obj", "ply"}) {
            const AssimpInfo info = Assimp(assimp, s->File(ext));
            ASSERT_EQ(info.status, 0) << s->File(ext) << "\n" << info.output;
            EXPECT_EQ(info.faces, static_cast<long>(s->result.triangles)) << s->File(ext);
            if (!counted) continue;
            EXPECT_EQ(info.faces, static_cast<long>(s->triangles)) << s->File(ext);
            if (std::string(ext) == "ply") {
                EXPECT_EQ(info.vertices, static_cast<long>(s->vertices)) << s->File(ext);
            }
            if (std::string(ext) == "glb") {
                // Two primitives, front and back, over the one shared vertex list.
                EXPECT_EQ(info.meshVertices, std::vector<long>(2, static_cast<long>(s->vertices)))
                    << s->File(ext);
            }
        }
    }
}

struct AdmeshReport {
    int status = -1;
    std::map<std::string, double> original;  // "Number of facets", "Facets with 1 ...", ...
    std::map<std::string, double> value;     // "Number of parts", "Volume", "Edges fixed", ...
    std::string output;
};

AdmeshReport Admesh(const std::string& admesh, const std::string& file) {
    AdmeshReport r;
    const test::ToolRun run = test::RunTool(admesh, {file});
    r.status = run.status;
    r.output = run.output;
    const std::regex facet(
        R"(((?:Number of facets|Facets with \d disconnected edges?|Total disconnected facets))\s*:\s*(\d+))");
    for (auto it = std::sregex_iterator(run.output.begin(), run.output.end(), facet);
         it != std::sregex_iterator(); ++it)
        r.original[(*it)[1]] = std::stod((*it)[2]);
    const std::regex stat(
        R"(((?:Number of parts|Volume|Degenerate facets|Edges fixed|Facets removed|Facets added|Facets reversed|Backwards edges|Normals fixed))\s*:\s*(-?[0-9.e+]+))");
    for (auto it = std::sregex_iterator(run.output.begin(), run.output.end(), stat);
         it != std::sregex_iterator(); ++it)
        r.value[(*it)[1]] = std::stod((*it)[2]);
    return r;
}

// Closed, consistently wound solids: nothing for ADMesh to join, fill, flip or remove, and
// the volume the export reported.
TEST_F(ThirdPartyTools, AdmeshFindsTheSolidsClosed) {
    const std::string admesh = test::FindProgram("admesh");
    SKIP_WITHOUT(admesh.empty(),
                 "ADMesh is not installed (Debian package admesh; tools/install-deps.sh "
                 "installs it)");
    for (const Subject& s : *subjects_) {
        if (s.parts == 0) continue;
        const AdmeshReport r = Admesh(admesh, s.File("stl"));
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(r.original.at("Number of facets"), static_cast<double>(s.triangles)) << s.name;
        EXPECT_EQ(r.original.at("Total disconnected facets"), 0) << s.name << "\n" << r.output;
        for (const char* zero :
             {"Degenerate facets", "Edges fixed", "Facets removed", "Facets added",
              "Facets reversed", "Backwards edges", "Normals fixed"})
            EXPECT_EQ(r.value.at(zero), 0) << s.name << ": " << zero << "\n" << r.output;
        EXPECT_EQ(r.value.at("Number of parts"), s.parts) << s.name;
        EXPECT_NEAR(r.value.at("Volume"), s.result.volumeMm3, 1e-3 * s.result.volumeMm3) << s.name;
    }
}

// Where the export reports open edges, ADMesh finds facets with disconnected edges, and the
// other way round.
TEST_F(ThirdPartyTools, AdmeshAgreesWithTheReportedHoles) {
    const std::string admesh = test::FindProgram("admesh");
    SKIP_WITHOUT(admesh.empty(),
                 "ADMesh is not installed (Debian package admesh; tools/install-deps.sh "
                 "installs it)");
    int open = 0;
    for (const Subject* s : All()) {
        const AdmeshReport r = Admesh(admesh, s->File("stl"));
        ASSERT_EQ(r.status, 0) << r.output;
        const bool holes = r.original.at("Total disconnected facets") > 0;
        EXPECT_EQ(holes, s->result.edges.open > 0) << s->name << "\n" << r.output;
        open += holes ? 1 : 0;
    }
    EXPECT_GT(open, 0) << "some subject should be open";
}

}  // namespace
}  // namespace vonnik
