#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "builder/model_grid.h"

namespace vonnik {

// The solid of a model grid as an indexed triangle mesh, in the model's own space (picture
// pixels, x right, y down, z into the screen, origin at the picture centre) and in the pose
// the grid holds now.
//
// It keeps exactly the triangles the renderer can draw: every cell triangle the triangle rule
// keeps (builder/lattice.h), once on the front surface and once on the back. An edge vertex
// lies on both surfaces (depth 0, the same x and y), so its front and back copies are one
// mesh vertex; that is what closes the solid along the figure's rim. Every triangle is wound
// counter-clockwise seen from outside (right-handed): its normal (v1 - v0) x (v2 - v0) points
// away from the solid. Rim vertices that the build pinned onto the same outline pixel are one
// point, and so one mesh vertex.
struct SolidMesh {
    enum class Side : std::uint8_t { kFront, kBack, kBoth };

    struct Vertex {
        Vec3 position;    // model space, as the grid holds it now
        double textureX;  // picture pixel coordinates (TextureX, TextureY), not centred
        double textureY;
        std::int32_t i, j;  // the grid vertex it comes from
        Side side;          // kBoth: a welded rim vertex
    };
    using Triangle = std::array<std::uint32_t, 3>;

    std::vector<Vertex> vertices;
    std::vector<Triangle> front;  // textured from the front picture
    std::vector<Triangle> back;   // textured from the back picture
    // Eligible triangles left out because two of their corners are rim vertices on the same
    // outline pixel (the same point): they have no area.
    std::size_t collapsed = 0;

    std::size_t TriangleCount() const { return front.size() + back.size(); }
    bool Empty() const { return front.empty() && back.empty(); }
};

// The mesh of the grid's eligible triangles; empty for an empty grid. Only vertices that some
// triangle uses are kept, front copies first in (i, j) order, then the back-only copies;
// front[k] and back[k] come from the same grid triangle.
SolidMesh MeshFromGrid(const ModelGrid& grid);

// How the triangles meet along their edges (an edge is an unordered pair of vertices).
struct EdgeReport {
    std::size_t edges = 0;        // distinct edges
    std::size_t open = 0;         // used by one triangle: the rim of a hole
    std::size_t nonManifold = 0;  // used by three or more triangles
    std::size_t misoriented = 0;  // used twice, but both times in the same direction
    bool Closed() const { return open == 0 && nonManifold == 0 && misoriented == 0; }
};
EdgeReport CheckEdges(const SolidMesh& mesh);

// The signed volume enclosed by the triangles (divergence theorem), in cubic picture pixels;
// positive for a closed solid whose triangles face outwards. Meaningful only when closed.
double SignedVolume(const SolidMesh& mesh);

}  // namespace vonnik
