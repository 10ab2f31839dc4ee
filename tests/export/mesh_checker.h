#pragma once

// A mesh checker of its own, apart from the export's code: how the triangles of an indexed
// mesh meet along edges and around vertices, and the volume they enclose.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "export/solid_mesh.h"
#include "tests/export/mesh_readers.h"

namespace vonnik::test {

struct MeshCheck {
    std::size_t vertices = 0, triangles = 0, edges = 0;
    std::size_t open = 0;     // edges on one triangle
    std::size_t crowded = 0;  // edges on more than two triangles
    std::size_t sameWay = 0;  // edges on two triangles that run them the same way
    std::size_t pinched = 0;  // vertices whose triangles form more than one fan
    double volume = 0.0;      // signed, by the divergence theorem
    bool Manifold() const { return crowded == 0 && sameWay == 0 && pinched == 0; }
    bool ClosedManifold() const { return Manifold() && open == 0; }
};

MeshCheck CheckMesh(const std::vector<std::array<double, 3>>& positions,
                    const std::vector<std::array<std::uint32_t, 3>>& triangles);
// Both surfaces of the solid as one mesh.
MeshCheck CheckSolid(const SolidMesh& mesh);
// An STL file's facets, their corners joined where their coordinates are equal, as a slicer
// reads them.
MeshCheck CheckStl(const StlFile& stl);

}  // namespace vonnik::test
