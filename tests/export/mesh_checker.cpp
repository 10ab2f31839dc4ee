#include "tests/export/mesh_checker.h"

#include <algorithm>
#include <map>

namespace vonnik::test {

MeshCheck CheckMesh(const std::vector<std::array<double, 3>>& positions,
                    const std::vector<std::array<std::uint32_t, 3>>& triangles) {
    MeshCheck check;
    check.vertices = positions.size();
    check.triangles = triangles.size();
    // Every edge, as (lower, higher), with the triangles on it and the way each runs it.
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::vector<std::pair<std::size_t, bool>>>
        edges;
    std::vector<std::vector<std::size_t>> around(positions.size());
    for (std::size_t t = 0; t < triangles.size(); ++t) {
        const auto& tri = triangles[t];
        for (int c = 0; c < 3; ++c) {
            const std::uint32_t a = tri[c], b = tri[(c + 1) % 3];
            edges[{std::min(a, b), std::max(a, b)}].push_back({t, a < b});
            around[a].push_back(t);
        }
        const auto& p = positions[tri[0]];
        const auto& q = positions[tri[1]];
        const auto& r = positions[tri[2]];
        check.volume += (p[0] * (q[1] * r[2] - q[2] * r[1]) + p[1] * (q[2] * r[0] - q[0] * r[2]) +
                         p[2] * (q[0] * r[1] - q[1] * r[0])) /
                        6.0;
    }
    check.edges = edges.size();
    for (const auto& [edge, uses] : edges) {
        if (uses.size() == 1) ++check.open;
        if (uses.size() > 2) ++check.crowded;
        if (uses.size() == 2 && uses[0].second == uses[1].second) ++check.sameWay;
    }
    // Around each vertex: triangles are neighbours when they share an edge of that vertex that
    // is on exactly those two; one fan means one group.
    for (std::uint32_t v = 0; v < positions.size(); ++v) {
        const std::vector<std::size_t>& mine = around[v];
        if (mine.empty()) continue;
        std::vector<bool> reached(mine.size(), false);
        std::vector<std::size_t> stack{0};
        reached[0] = true;
        while (!stack.empty()) {
            const std::size_t k = stack.back();
            stack.pop_back();
            const auto& tri = triangles[mine[k]];
            for (std::uint32_t w : tri) {
                if (w == v) continue;
                const auto& uses = edges.at({std::min(v, w), std::max(v, w)});
                if (uses.size() != 2) continue;
                for (const auto& [t, way] : uses) {
                    const auto at = std::find(mine.begin(), mine.end(), t) - mine.begin();
                    if (!reached[at]) {
                        reached[at] = true;
                        stack.push_back(at);
                    }
                }
            }
        }
        if (std::find(reached.begin(), reached.end(), false) != reached.end()) ++check.pinched;
    }
    return check;
}

MeshCheck CheckSolid(const SolidMesh& mesh) {
    std::vector<std::array<double, 3>> positions;
    for (const SolidMesh::Vertex& v : mesh.vertices)
        positions.push_back({v.position.x, v.position.y, v.position.z});
    std::vector<std::array<std::uint32_t, 3>> triangles(mesh.front.begin(), mesh.front.end());
    triangles.insert(triangles.end(), mesh.back.begin(), mesh.back.end());
    return CheckMesh(positions, triangles);
}

MeshCheck CheckStl(const StlFile& stl) {
    std::map<Float3, std::uint32_t> index;
    std::vector<std::array<double, 3>> positions;
    std::vector<std::array<std::uint32_t, 3>> triangles;
    for (const StlFile::Facet& f : stl.facets) {
        std::array<std::uint32_t, 3> tri;
        for (int c = 0; c < 3; ++c) {
            const auto [it, added] =
                index.emplace(f.corner[c], static_cast<std::uint32_t>(positions.size()));
            if (added) positions.push_back({f.corner[c][0], f.corner[c][1], f.corner[c][2]});
            tri[c] = it->second;
        }
        triangles.push_back(tri);
    }
    return CheckMesh(positions, triangles);
}

}  // namespace vonnik::test
