#include "tests/export/export_fixtures.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "builder/build_phases.h"
#include "tests/support/pictures.h"

namespace vonnik::test {

SharedState BuiltState(const Raster& front, const PanelInputs& panel,
                       const std::optional<Raster>& back) {
    SharedState state;
    PanelInputs p = panel;
    p.DoubleSided = back.has_value();
    BuildIntoState(state, p, "figure.bmp", front, back ? *back : front, {});
    return state;
}

PanelInputs Panel(const std::string& polygonSize, bool squareLattice) {
    PanelInputs p;
    p.PolygonText = polygonSize;
    p.SpecialPolygon = squareLattice;
    return p;
}

Raster MakeThreeParts() {
    Raster r(260, 210, kWhite);
    const auto paint = [&](double cx, double cy, double outer, double inner) {
        for (int y = 0; y < r.Height(); ++y) {
            for (int x = 0; x < r.Width(); ++x) {
                const double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
                if (d2 <= outer * outer && d2 >= inner * inner) r.Set(x, y, FigureColour(x, y));
            }
        }
    };
    // Apart by 20 pixels or more and 25 or more from the border; the ring's band is 25
    // pixels wide, enough for inner vertices all along it at polygon sizes up to 5.
    paint(60, 60, 35, 0);
    paint(190, 55, 28, 0);
    paint(130, 140, 45, 20);
    return r;
}

GridCounts CountFromGrid(const ModelGrid& g) {
    GridCounts counts;
    // A corner is a rim point by its outline pixel, an inner one by its place in the grid.
    std::set<std::int32_t> rim;
    std::set<std::pair<int, int>> inner;
    for (int j = 1; j + 1 <= g.GridMaxY; ++j) {
        const CellTriangles& cell = TrianglesOfCell(j);
        for (int i = 1; i + 1 <= g.GridMaxX; ++i) {
            for (int t = 0; t < 2; ++t) {
                int onRim = 0, inFigure = 0;
                std::set<std::int32_t> pixels;
                for (int c = 0; c < 3; ++c) {
                    const int ci = i + cell.di[t][c], cj = j + cell.dj[t][c];
                    const VertexKind s = g.VertexState(ci, cj);
                    inFigure += InModel(s) ? 1 : 0;
                    if (s == VertexKind::kEdge) {
                        ++onRim;
                        pixels.insert(g.NearestOutline(ci, cj));
                    }
                }
                if (inFigure < 3 || onRim == 3) continue;
                if (static_cast<int>(pixels.size()) < onRim) continue;  // no area
                counts.triangles += 2;
                for (int c = 0; c < 3; ++c) {
                    const int ci = i + cell.di[t][c], cj = j + cell.dj[t][c];
                    if (g.VertexState(ci, cj) == VertexKind::kEdge)
                        rim.insert(g.NearestOutline(ci, cj));
                    else
                        inner.insert({ci, cj});
                }
            }
        }
    }
    counts.vertices = rim.size() + 2 * inner.size();
    return counts;
}

std::string RepoRoot() {
    // From the build, not __FILE__: a compiler cache may make source paths relative.
    return VONNIK_SOURCE_DIR "/";
}

ToolRun RunTool(const std::string& program, const std::vector<std::string>& args, int timeoutMs) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QStringList list;
    for (const std::string& a : args) list << QString::fromStdString(a);
    process.start(QString::fromStdString(program), list);
    ToolRun run;
    if (!process.waitForStarted(10000)) return run;
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        run.output = process.readAll().toStdString();
        return run;
    }
    run.output = process.readAll().toStdString();
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return run;
}

std::string FindProgram(const std::string& name) {
    return QStandardPaths::findExecutable(QString::fromStdString(name)).toStdString();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Exists(const std::string& path) {
    return QFile::exists(QString::fromStdString(path));
}

bool CheckersRequired() {
    return std::getenv("VONNIK_REQUIRE_MESH_CHECKERS") != nullptr;
}

}  // namespace vonnik::test
