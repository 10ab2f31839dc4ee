#include "export/normals.h"

#include <cmath>

namespace vonnik {

std::vector<Vec3> SurfaceNormals(const SolidMesh& mesh,
                                 const std::vector<SolidMesh::Triangle>& surface,
                                 const Vec3& fallback) {
    std::vector<Vec3> sum(mesh.vertices.size(), Vec3{0.0, 0.0, 0.0});
    for (const SolidMesh::Triangle& t : surface) {
        const Vec3& a = mesh.vertices[t[0]].position;
        const Vec3& b = mesh.vertices[t[1]].position;
        const Vec3& c = mesh.vertices[t[2]].position;
        const Vec3 u{b.x - a.x, b.y - a.y, b.z - a.z}, v{c.x - a.x, c.y - a.y, c.z - a.z};
        // Twice the area times the unit normal.
        const Vec3 n{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
        for (std::uint32_t k : t) sum[k] = {sum[k].x + n.x, sum[k].y + n.y, sum[k].z + n.z};
    }
    for (Vec3& n : sum) {
        const double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        n = length > 0.0 && std::isfinite(length) ? Vec3{n.x / length, n.y / length, n.z / length}
                                                  : fallback;
    }
    return sum;
}

}  // namespace vonnik
