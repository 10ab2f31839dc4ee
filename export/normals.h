#pragma once

#include <vector>

#include "export/solid_mesh.h"

namespace vonnik {

// Smooth normals of one surface (the mesh's front or back triangles): for every vertex of the
// mesh, the sum of the normals of that surface's triangles around it, each weighted by the
// triangle's area, made unit length. The other surface does not count, so the rim, where the
// two surfaces meet, stays sharp. A vertex that no triangle of the surface uses, or whose
// triangles have no area, gets `fallback` (unit length).
std::vector<Vec3> SurfaceNormals(const SolidMesh& mesh,
                                 const std::vector<SolidMesh::Triangle>& surface,
                                 const Vec3& fallback);

}  // namespace vonnik
