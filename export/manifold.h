#pragma once

#include <cstddef>

#include "export/solid_mesh.h"

namespace vonnik {

// What MakeManifold changed.
struct ManifoldSplit {
    std::size_t edgesSeparated = 0;     // edges that were on more than two triangles
    std::size_t verticesAdded = 0;      // copies of vertices where surfaces met at one point
    std::size_t verticesSeparated = 0;  // front and back vertices moved off one point
};

struct ManifoldOptions {
    Vec3 frontward{0.0, 0.0, -1.0};  // the way the front faces (the model's: to the viewer)
    // A surface flattened onto the rim's plane stays in it.
    bool frontFlat = false;
    bool backFlat = false;
    double nudge = 1.0 / 64.0;  // how far copies of one point move apart, in model units
};

// Turns the solid into a 2-manifold where parts of the figure touch. Where the surfaces meet
// along an edge (the edge is on more than two triangles) or at a single vertex (the triangles
// around it form more than one fan), the vertex gets one copy per fan, so that afterwards
// every edge is on at most two triangles, wound opposite ways, and the triangles around every
// vertex form one fan. Triangles keep their winding, their order and which surface they
// belong to; nothing is added or removed, so open edges stay open.
//
// Along a shared edge, a triangle is joined to the other surface's copy of the same cell
// triangle where that copy has the edge too (the solid folds there from front to back),
// then to a triangle of its own surface, then to any triangle running the other way.
//
// Tools that join corners by their position (STL readers) must see the copies apart too:
// copies of one point move by `nudge` towards the middle of their own fan (within the rim's
// plane, across `frontward`, when the fan lies in a flat surface only); and where a front vertex
// and a back vertex lie on one point, or are the two copies of one grid vertex closer than
// `nudge` (an inner vertex of no or of tiny height, which a file's single-precision corners
// would join), the front one moves frontward and the back one backward by `nudge`, unless its
// surface is flat. The volume changes by a negligible amount.
ManifoldSplit MakeManifold(SolidMesh& mesh, const ManifoldOptions& options = {});

// Vertices whose triangles form more than one fan (pinched), for a mesh whose edges are each
// on at most two triangles.
std::size_t CountPinchedVertices(const SolidMesh& mesh);

}  // namespace vonnik
