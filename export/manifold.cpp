#include "export/manifold.h"
#include "builder/vec3.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>
#include <unordered_map>

namespace vonnik {

namespace {

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

// Both surfaces' triangles under one numbering: the front's first, then the back's.
template <typename Mesh>
class AllTrianglesOf {
  public:
    explicit AllTrianglesOf(Mesh& mesh) : mesh_(mesh) {}
    std::size_t Count() const { return mesh_.front.size() + mesh_.back.size(); }
    auto& operator[](std::size_t t) const {
        return t < mesh_.front.size() ? mesh_.front[t] : mesh_.back[t - mesh_.front.size()];
    }
    bool Front(std::size_t t) const { return t < mesh_.front.size(); }
    // The other surface's copy of the same cell triangle.
    std::size_t Twin(std::size_t t) const {
        if (mesh_.front.size() != mesh_.back.size()) return kNone;
        return Front(t) ? t + mesh_.front.size() : t - mesh_.front.size();
    }

  private:
    Mesh& mesh_;
};
using AllTriangles = AllTrianglesOf<SolidMesh>;

struct HalfEdge {
    std::uint64_t key;    // the unordered edge
    std::uint32_t t;      // triangle
    std::uint8_t corner;  // runs from corner to corner + 1
    bool forward;         // from the lower vertex number to the higher
};

std::uint64_t EdgeKey(std::uint32_t a, std::uint32_t b) {
    return (std::uint64_t{std::min(a, b)} << 32) | std::max(a, b);
}

class UnionFind {
  public:
    explicit UnionFind(std::size_t n) : parent_(n) {
        std::iota(parent_.begin(), parent_.end(), std::uint32_t{0});
    }
    std::uint32_t Find(std::uint32_t x) {
        while (parent_[x] != x) x = parent_[x] = parent_[parent_[x]];
        return x;
    }
    // The smaller number stays the root, so the result does not depend on the order of joins.
    void Join(std::uint32_t a, std::uint32_t b) {
        a = Find(a);
        b = Find(b);
        if (a != b) parent_[std::max(a, b)] = std::min(a, b);
    }

  private:
    std::vector<std::uint32_t> parent_;
};

// Half-edges of every triangle, grouped by edge, in a fixed order.
template <typename All>
std::vector<HalfEdge> SortedHalfEdges(const All& all) {
    std::vector<HalfEdge> halves;
    halves.reserve(all.Count() * 3);
    for (std::size_t t = 0; t < all.Count(); ++t) {
        const SolidMesh::Triangle& tri = all[t];
        for (std::uint8_t c = 0; c < 3; ++c) {
            const std::uint32_t a = tri[c], b = tri[(c + 1) % 3];
            halves.push_back({EdgeKey(a, b), static_cast<std::uint32_t>(t), c, a < b});
        }
    }
    std::sort(halves.begin(), halves.end(), [](const HalfEdge& x, const HalfEdge& y) {
        return x.key != y.key ? x.key < y.key : x.t != y.t ? x.t < y.t : x.corner < y.corner;
    });
    return halves;
}

// Pairs the half-edges of one edge that run opposite ways; calls join(forward, backward)
// for each pair. foldFirst: a triangle and its twin on the other surface come first.
template <typename Join>
void PairEdge(const HalfEdge* begin, const HalfEdge* end, const AllTriangles& all, bool foldFirst,
              Join&& join) {
    std::vector<const HalfEdge*> fwd, bwd;
    for (const HalfEdge* h = begin; h != end; ++h) (h->forward ? fwd : bwd).push_back(h);
    if (fwd.size() == 1 && bwd.size() == 1) {
        join(*fwd[0], *bwd[0]);
        return;
    }
    std::vector<bool> used(bwd.size(), false);
    const auto pass = [&](auto&& fits) {
        for (const HalfEdge*& f : fwd) {
            if (f == nullptr) continue;
            for (std::size_t k = 0; k < bwd.size(); ++k) {
                if (used[k] || !fits(*f, *bwd[k])) continue;
                join(*f, *bwd[k]);
                used[k] = true;
                f = nullptr;
                break;
            }
        }
    };
    if (foldFirst) pass([&](const HalfEdge& f, const HalfEdge& b) { return all.Twin(f.t) == b.t; });
    pass([&](const HalfEdge& f, const HalfEdge& b) { return all.Front(f.t) == all.Front(b.t); });
    pass([](const HalfEdge&, const HalfEdge&) { return true; });
}

// Edges on more than two triangles.
std::vector<std::uint64_t> CrowdedEdges(const AllTriangles& all) {
    const std::vector<HalfEdge> halves = SortedHalfEdges(all);
    std::vector<std::uint64_t> crowded;
    for (std::size_t s = 0, e = 0; s < halves.size(); s = e) {
        for (e = s; e < halves.size() && halves[e].key == halves[s].key;) ++e;
        if (e - s > 2) crowded.push_back(halves[s].key);
    }
    return crowded;
}

// Pairs every edge's half-edges and joins the corners that meet across each pair into
// fans; the count of edges on more than two triangles. sameSideFirst lists edges (by their
// key before this round) paired within a surface before folding.
std::size_t JoinFans(const AllTriangles& all, const std::vector<std::uint64_t>& sameSideFirst,
                     UnionFind& corners) {
    const std::vector<HalfEdge> halves = SortedHalfEdges(all);
    std::size_t separated = 0;
    for (std::size_t s = 0, e = 0; s < halves.size(); s = e) {
        for (e = s; e < halves.size() && halves[e].key == halves[s].key;) ++e;
        if (e - s > 2) ++separated;
        const bool foldFirst =
            !std::binary_search(sameSideFirst.begin(), sameSideFirst.end(), halves[s].key);
        PairEdge(&halves[s], &halves[e], all, foldFirst, [&](const HalfEdge& f, const HalfEdge& b) {
            // f runs a -> b, b runs b -> a: join the corners at a, and those at b.
            corners.Join(3 * f.t + f.corner, 3 * b.t + (b.corner + 1) % 3);
            corners.Join(3 * f.t + (f.corner + 1) % 3, 3 * b.t + b.corner);
        });
    }
    return separated;
}

// The fan of the lowest corner keeps the vertex; every other fan gets a copy, appended to
// the mesh. Which of the vertices before this round were split.
std::vector<bool> GiveFansTheirVertices(SolidMesh& mesh, const AllTriangles& all,
                                        UnionFind& corners) {
    const std::size_t originalCount = mesh.vertices.size();
    std::vector<std::uint32_t> fanOfVertex(originalCount, kNone);  // root keeping the vertex
    std::unordered_map<std::uint32_t, std::uint32_t> copyOfFan;    // root -> new vertex
    std::vector<bool> wasSplit(originalCount, false);
    for (std::uint32_t k = 0; k < all.Count() * 3; ++k) {
        const std::uint32_t v = all[k / 3][k % 3];
        const std::uint32_t root = corners.Find(k);
        if (fanOfVertex[v] == kNone) fanOfVertex[v] = root;
        if (fanOfVertex[v] == root) continue;
        auto [it, added] = copyOfFan.emplace(root, 0);
        if (added) {
            it->second = static_cast<std::uint32_t>(mesh.vertices.size());
            mesh.vertices.push_back(mesh.vertices[v]);
            wasSplit[v] = true;
        }
        all[k / 3][k % 3] = it->second;
    }
    return wasSplit;
}

// Each split vertex and each copy moves by the nudge towards the middle of its fan's other
// corners; one whose fan lies in a flat surface only moves within that plane.
void NudgeApart(SolidMesh& mesh, const AllTriangles& all, const std::vector<bool>& wasSplit,
                const ManifoldOptions& options) {
    const std::size_t originalCount = wasSplit.size();
    const Vec3& depthAxis = options.frontward;
    const double axisLength = std::sqrt(Dot(depthAxis, depthAxis));
    const Vec3 axis = axisLength > 0.0 ? depthAxis / axisLength : Vec3{0.0, 0.0, 0.0};
    std::vector<Vec3> toward(mesh.vertices.size(), Vec3{0.0, 0.0, 0.0});
    std::vector<bool> moves(mesh.vertices.size(), false), offFlat(mesh.vertices.size(), false);
    for (std::uint32_t v = 0; v < originalCount; ++v) moves[v] = wasSplit[v];
    for (std::size_t v = originalCount; v < mesh.vertices.size(); ++v) moves[v] = true;
    for (std::size_t t = 0; t < all.Count(); ++t) {
        const SolidMesh::Triangle& tri = all[t];
        for (int c = 0; c < 3; ++c) {
            if (!moves[tri[c]]) continue;
            if (all.Front(t) ? !options.frontFlat : !options.backFlat) offFlat[tri[c]] = true;
            const Vec3& p = mesh.vertices[tri[c]].position;
            for (int o = 1; o <= 2; ++o)
                toward[tri[c]] = toward[tri[c]] + (mesh.vertices[tri[(c + o) % 3]].position - p);
        }
    }
    for (std::size_t v = 0; v < mesh.vertices.size(); ++v) {
        if (!moves[v]) continue;
        Vec3 d = toward[v];
        if (!offFlat[v]) d = d - Dot(d, axis) * axis;
        const double length = std::sqrt(Dot(d, d));
        if (!(length > 0.0)) continue;
        Vec3& p = mesh.vertices[v].position;
        p = p + d / length * options.nudge;
    }
}

// One round: joins the corners into fans, gives each fan around a vertex its own vertex,
// and moves the copies of a split vertex apart.
ManifoldSplit SplitOnce(SolidMesh& mesh, const std::vector<std::uint64_t>& sameSideFirst,
                        const ManifoldOptions& options) {
    const AllTriangles all(mesh);
    UnionFind corners(all.Count() * 3);
    ManifoldSplit split;
    split.edgesSeparated = JoinFans(all, sameSideFirst, corners);
    const std::size_t originalCount = mesh.vertices.size();
    const std::vector<bool> wasSplit = GiveFansTheirVertices(mesh, all, corners);
    split.verticesAdded = mesh.vertices.size() - originalCount;
    if (split.verticesAdded == 0 || !(options.nudge > 0.0)) return split;
    NudgeApart(mesh, all, wasSplit, options);
    return split;
}

// Which vertices a file would join with another of the other surface: those on one point,
// and a front and a back copy of one grid vertex closer than the nudge. The second catches
// an inner vertex of tiny height, whose copies differ as doubles but, once scaled, moved onto
// the bed and stored in single precision, are one point (readers join corners by position).
std::vector<bool> OnOnePoint(const SolidMesh& mesh, double nudge) {
    std::vector<bool> joined(mesh.vertices.size(), false);
    struct Key {
        double x, y, z;
        bool operator<(const Key& o) const {
            return x != o.x ? x < o.x : y != o.y ? y < o.y : z < o.z;
        }
    };
    std::map<Key, std::vector<std::uint32_t>> at;
    std::map<std::pair<std::int32_t, std::int32_t>, std::vector<std::uint32_t>> ofGridVertex;
    for (std::uint32_t v = 0; v < mesh.vertices.size(); ++v) {
        const SolidMesh::Vertex& vertex = mesh.vertices[v];
        const Vec3& p = vertex.position;
        at[{p.x, p.y, p.z}].push_back(v);
        if (vertex.side != SolidMesh::Side::kBoth) ofGridVertex[{vertex.i, vertex.j}].push_back(v);
    }
    for (const auto& [key, group] : at)
        if (group.size() > 1)
            for (std::uint32_t v : group) joined[v] = true;
    for (const auto& [key, group] : ofGridVertex) {
        for (std::uint32_t f : group) {
            if (mesh.vertices[f].side != SolidMesh::Side::kFront) continue;
            for (std::uint32_t b : group) {
                if (mesh.vertices[b].side != SolidMesh::Side::kBack) continue;
                const Vec3 d = mesh.vertices[f].position - mesh.vertices[b].position;
                if (Dot(d, d) < nudge * nudge) joined[f] = joined[b] = true;
            }
        }
    }
    return joined;
}

// Moves front and back vertices that a file would join apart along the depth axis.
std::size_t SeparateSurfaces(SolidMesh& mesh, const ManifoldOptions& options) {
    const double length = std::sqrt(Dot(options.frontward, options.frontward));
    if (!(length > 0.0) || !(options.nudge > 0.0)) return 0;
    const double step = options.nudge / length;
    const Vec3 d{options.frontward.x * step, options.frontward.y * step,
                 options.frontward.z * step};
    const std::vector<bool> joined = OnOnePoint(mesh, options.nudge);
    std::size_t moved = 0;
    for (std::uint32_t v = 0; v < mesh.vertices.size(); ++v) {
        if (!joined[v]) continue;
        SolidMesh::Vertex& vertex = mesh.vertices[v];
        Vec3& p = vertex.position;
        if (vertex.side == SolidMesh::Side::kFront && !options.frontFlat) {
            p = {p.x + d.x, p.y + d.y, p.z + d.z};
            ++moved;
        } else if (vertex.side == SolidMesh::Side::kBack && !options.backFlat) {
            p = {p.x - d.x, p.y - d.y, p.z - d.z};
            ++moved;
        }
    }
    return moved;
}

}  // namespace

ManifoldSplit MakeManifold(SolidMesh& mesh, const ManifoldOptions& options) {
    const AllTriangles all(mesh);
    ManifoldSplit total = SplitOnce(mesh, {}, options);
    // A fold can leave a vertex whose one fan passes the same neighbour twice, so the edge
    // between them is still on four triangles; there the surfaces are joined within
    // themselves instead, which separates the front's fan from the back's.
    for (int round = 0; round < 4; ++round) {
        std::vector<std::uint64_t> crowded = CrowdedEdges(all);
        if (crowded.empty()) break;
        std::sort(crowded.begin(), crowded.end());
        const ManifoldSplit more = SplitOnce(mesh, crowded, options);
        total.verticesAdded += more.verticesAdded;
    }
    total.verticesSeparated = SeparateSurfaces(mesh, options);
    return total;
}

std::size_t CountPinchedVertices(const SolidMesh& mesh) {
    const AllTrianglesOf<const SolidMesh> all(mesh);
    const std::vector<HalfEdge> halves = SortedHalfEdges(all);
    UnionFind corners(all.Count() * 3);
    for (std::size_t s = 0, e = 0; s < halves.size(); s = e) {
        for (e = s; e < halves.size() && halves[e].key == halves[s].key;) ++e;
        if (e - s != 2) continue;
        const HalfEdge& x = halves[s];
        const HalfEdge& y = halves[s + 1];
        // Wound either way: the fans are about which triangles touch, not their turn.
        const bool opposite = x.forward != y.forward;
        const std::uint32_t xa = 3 * x.t + x.corner, xb = 3 * x.t + (x.corner + 1) % 3;
        const std::uint32_t ya = 3 * y.t + y.corner, yb = 3 * y.t + (y.corner + 1) % 3;
        corners.Join(xa, opposite ? yb : ya);
        corners.Join(xb, opposite ? ya : yb);
    }
    std::vector<std::uint32_t> fan(mesh.vertices.size(), kNone);
    std::vector<bool> pinched(mesh.vertices.size(), false);
    for (std::uint32_t k = 0; k < all.Count() * 3; ++k) {
        const std::uint32_t v = all[k / 3][k % 3];
        const std::uint32_t root = corners.Find(k);
        if (fan[v] == kNone) fan[v] = root;
        if (fan[v] != root) pinched[v] = true;
    }
    return static_cast<std::size_t>(std::count(pinched.begin(), pinched.end(), true));
}

}  // namespace vonnik
