#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/raster.h"
#include "session/session.h"

namespace vonnik::test {

// A whole build as the panel runs it, with the given pictures (back = front when absent).
SharedState BuiltState(const Raster& front, const PanelInputs& panel = {},
                       const std::optional<Raster>& back = std::nullopt);
PanelInputs Panel(const std::string& polygonSize, bool squareLattice = false);

// Two discs and a ring, apart from each other and from the border: a figure in three parts
// (260 x 210).
Raster MakeThreeParts();

// Counts of the solid worked out from the grid alone: every triangle of the cell table whose
// corners are all in the figure and not all on its rim, on each side, unless two of its rim
// corners stand on one outline pixel; its corners, a rim corner once for each outline pixel
// and any other corner once per side.
struct GridCounts {
    std::size_t triangles = 0;
    std::size_t vertices = 0;
};
GridCounts CountFromGrid(const ModelGrid& grid);

// The repository's top folder, as the build names it.
std::string RepoRoot();

// A program's exit status and what it printed (standard output and error together); the
// status is -1 when it could not be started or did not end within the time.
struct ToolRun {
    int status = -1;
    std::string output;
};
ToolRun RunTool(const std::string& program, const std::vector<std::string>& args,
                int timeoutMs = 120000);
// The program's path on PATH, or empty.
std::string FindProgram(const std::string& name);

std::string ReadFile(const std::string& path);

bool Exists(const std::string& path);

// tools/test.sh installs every checker and sets VONNIK_REQUIRE_MESH_CHECKERS: there a
// missing checker fails the test instead of skipping it.
bool CheckersRequired();

#define SKIP_WITHOUT(missing, message)                                 \
    do {                                                               \
        if (missing) {                                                 \
            if (::vonnik::test::CheckersRequired()) FAIL() << message; \
            GTEST_SKIP() << message;                                   \
        }                                                              \
    } while (false)

}  // namespace vonnik::test
