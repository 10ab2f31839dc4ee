#include "export/normals.h"
#include "builder/vec3.h"

#include <cmath>

namespace vonnik {

std::vector<Vec3> SurfaceNormals(const SolidMesh& mesh,
                                 const std::vector<SolidMesh::Triangle>& surface,
                                 const Vec3& fallback) {
    std::vector<Vec3> sum(mesh.vertices.size(), Vec3{0.0, 0.0, 0.0});
    for (const SolidMesh::Triangle& t : surface) {
        const Vec3 n = TriangleNormal(mesh.vertices[t[0]].position, mesh.vertices[t[1]].position,
                                      mesh.vertices[t[2]].position);
        for (std::uint32_t k : t) sum[k] = sum[k] + n;
    }
    for (Vec3& n : sum) {
        const double length = std::sqrt(Dot(n, n));
        n = length > 0.0 && std::isfinite(length) ? n / length : fallback;
    }
    return sum;
}

}  // namespace vonnik
