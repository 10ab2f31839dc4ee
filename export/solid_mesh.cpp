#include "export/solid_mesh.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "builder/model_triangles.h"

namespace vonnik {

namespace {

constexpr std::uint32_t kUnused = std::numeric_limits<std::uint32_t>::max();

bool NormalIntoScreen(const int (&di)[3], const int (&dj)[3]) {
    const int cross = (di[1] - di[0]) * (dj[2] - dj[0]) - (dj[1] - dj[0]) * (di[2] - di[0]);
    return cross > 0;
}

template <typename Visit>
void VisitEligibleTriangles(const ModelGrid& g, Visit&& visit) {
    ForEachModelTriangle(g, [&](const int(&is)[3], const int(&js)[3], const int(&di)[3],
                                const int(&dj)[3]) { visit(is, js, NormalIntoScreen(di, dj)); });
}

}  // namespace

SolidMesh MeshFromGrid(const ModelGrid& g) {
    SolidMesh mesh;
    if (g.Empty()) return mesh;
    const std::size_t count = static_cast<std::size_t>(g.CountI()) * g.CountJ();

    // Rim vertices stand exactly on their nearest outline pixel, so two of them on the same
    // pixel are one point of the solid: they share the grid vertex that comes first.
    std::vector<std::size_t> same(count);
    std::unordered_map<std::int32_t, std::size_t> onPixel;
    for (int i = 0; i < g.CountI(); ++i) {
        for (int j = 0; j < g.CountJ(); ++j) {
            const std::size_t at = g.VertexState.Index(i, j);
            same[at] = at;
            const std::int32_t k = g.NearestOutline(i, j);
            if (g.VertexState(i, j) == VertexKind::kEdge && k >= 0 && k < g.OutlineCount)
                same[at] = onPixel.emplace(k, at).first->second;
        }
    }

    // The triangles as grid corners, outward on the front; a triangle with two corners on
    // one point has no area and is left out.
    struct Corners {
        std::size_t at[3];
    };
    std::vector<Corners> triangles;
    VisitEligibleTriangles(g, [&](const int(&is)[3], const int(&js)[3], bool intoScreen) {
        Corners t;
        for (int c = 0; c < 3; ++c) t.at[c] = same[g.VertexState.Index(is[c], js[c])];
        if (intoScreen) std::swap(t.at[1], t.at[2]);
        if (t.at[0] == t.at[1] || t.at[1] == t.at[2] || t.at[0] == t.at[2]) {
            mesh.collapsed += 2;
            return;
        }
        triangles.push_back(t);
    });

    // Vertex numbers in grid order: front copies (the rim's shared ones among them), then the
    // back copies.
    std::vector<std::uint32_t> frontIndex(count, kUnused), backIndex(count, kUnused);
    for (const Corners& t : triangles)
        for (std::size_t at : t.at) frontIndex[at] = 0;
    const auto add = [&](std::size_t at, SolidMesh::Side side) {
        const int i = static_cast<int>(at / g.CountJ()), j = static_cast<int>(at % g.CountJ());
        const Vec3 p = side == SolidMesh::Side::kBack
                           ? Vec3{g.BackX(i, j), g.BackY(i, j), g.BackZ(i, j)}
                           : Vec3{g.FrontX(i, j), g.FrontY(i, j), g.FrontZ(i, j)};
        mesh.vertices.push_back({p, g.TextureX(i, j), g.TextureY(i, j), i, j, side});
        return static_cast<std::uint32_t>(mesh.vertices.size() - 1);
    };
    for (std::size_t at = 0; at < count; ++at) {
        if (frontIndex[at] == kUnused) continue;
        const bool rim = g.VertexState.Values()[at] == VertexKind::kEdge;
        frontIndex[at] = add(at, rim ? SolidMesh::Side::kBoth : SolidMesh::Side::kFront);
        if (rim) backIndex[at] = frontIndex[at];
    }
    for (std::size_t at = 0; at < count; ++at)
        if (frontIndex[at] != kUnused && backIndex[at] == kUnused)
            backIndex[at] = add(at, SolidMesh::Side::kBack);

    // The back copy of a triangle turns the other way: it faces away from the viewer.
    for (const Corners& t : triangles) {
        mesh.front.push_back({frontIndex[t.at[0]], frontIndex[t.at[1]], frontIndex[t.at[2]]});
        mesh.back.push_back({backIndex[t.at[0]], backIndex[t.at[2]], backIndex[t.at[1]]});
    }
    return mesh;
}

EdgeReport CheckEdges(const SolidMesh& mesh) {
    // Per unordered edge: how often it is used, and the balance of its two directions.
    struct Use {
        int count = 0;
        int balance = 0;
    };
    std::unordered_map<std::uint64_t, Use> uses;
    uses.reserve(mesh.TriangleCount() * 2);
    const auto visit = [&](const std::vector<SolidMesh::Triangle>& triangles) {
        for (const SolidMesh::Triangle& t : triangles) {
            for (int c = 0; c < 3; ++c) {
                const std::uint32_t a = t[c], b = t[(c + 1) % 3];
                const std::uint64_t key = (std::uint64_t{std::min(a, b)} << 32) | std::max(a, b);
                Use& use = uses[key];
                ++use.count;
                use.balance += a < b ? 1 : -1;
            }
        }
    };
    visit(mesh.front);
    visit(mesh.back);
    EdgeReport report;
    report.edges = uses.size();
    for (const auto& [key, use] : uses) {
        if (use.count == 1)
            ++report.open;
        else if (use.count > 2)
            ++report.nonManifold;
        else if (use.balance != 0)
            ++report.misoriented;
    }
    return report;
}

double SignedVolume(const SolidMesh& mesh) {
    double sixfold = 0.0;
    const auto add = [&](const std::vector<SolidMesh::Triangle>& triangles) {
        for (const SolidMesh::Triangle& t : triangles) {
            const Vec3& a = mesh.vertices[t[0]].position;
            const Vec3& b = mesh.vertices[t[1]].position;
            const Vec3& c = mesh.vertices[t[2]].position;
            sixfold += a.x * (b.y * c.z - b.z * c.y) + a.y * (b.z * c.x - b.x * c.z) +
                       a.z * (b.x * c.y - b.y * c.x);
        }
    };
    add(mesh.front);
    add(mesh.back);
    return sixfold / 6.0;
}

}  // namespace vonnik
