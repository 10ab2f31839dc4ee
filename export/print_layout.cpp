#include "export/print_layout.h"

#include <algorithm>
#include <array>
#include <limits>

#include "builder/vec3.h"
#include "export/manifold.h"

namespace vonnik {

namespace {

struct Box {
    Vec3 lo{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
            std::numeric_limits<double>::infinity()};
    Vec3 hi{-lo.x, -lo.y, -lo.z};
};

Box BoundsOf(const SolidMesh& mesh) {
    Box box;
    for (const SolidMesh::Vertex& v : mesh.vertices) {
        const Vec3& p = v.position;
        box.lo = {std::min(box.lo.x, p.x), std::min(box.lo.y, p.y), std::min(box.lo.z, p.z)};
        box.hi = {std::max(box.hi.x, p.x), std::max(box.hi.y, p.y), std::max(box.hi.z, p.z)};
    }
    return box;
}

// Flattens the surface that is not kept onto the rim's plane: every vertex of that surface
// alone moves to z = 0 (the rim vertices are there already).
SolidMesh FlattenedBut(SolidMesh mesh, SolidMesh::Side kept) {
    for (SolidMesh::Vertex& v : mesh.vertices)
        if (v.side != kept && v.side != SolidMesh::Side::kBoth) v.position.z = 0.0;
    return mesh;
}

void Transform(SolidMesh& mesh, double scale, const Vec3& shift, bool turnOver) {
    for (SolidMesh::Vertex& v : mesh.vertices) {
        Vec3 p = v.position;
        // Turned over about the y axis: the back up, seen from behind (x mirrored).
        if (turnOver) p = {-p.x, p.y, -p.z};
        v.position = {p.x * scale + shift.x + 0.0, p.y * scale + shift.y + 0.0,
                      p.z * scale + shift.z + 0.0};
    }
}

}  // namespace

SolidMesh ManifoldSolid(const ModelGrid& grid, const ViewPose& view) {
    SolidMesh mesh = MeshFromGrid(grid);
    // The built depth axis, turned with the model.
    ManifoldOptions options;
    const Vec3 depth = Cross(view.ViewAxisA, view.ViewAxisB);
    options.frontward = {-depth.x, -depth.y, -depth.z};
    MakeManifold(mesh, options);
    return mesh;
}

SolidMesh BuiltPoseOnBed(const ModelGrid& grid, const ViewPose& view) {
    SolidMesh mesh = MeshFromGrid(grid);
    // The viewer's turns add up to one rotation R with R e1 = ViewAxisA and R e2 = ViewAxisB;
    // its transpose takes a position back to the pose of the build.
    const Vec3 a = view.ViewAxisA, b = view.ViewAxisB, c = Cross(a, b);
    for (SolidMesh::Vertex& v : mesh.vertices) {
        const Vec3 built{Dot(a, v.position), Dot(b, v.position), Dot(c, v.position)};
        // Model axes (y down, z into the screen) to the bed's (y up the picture, z towards
        // the viewer): a half turn about x.
        v.position = {built.x + 0.0, -built.y + 0.0, -built.z + 0.0};
        if (v.side == SolidMesh::Side::kBoth) v.position.z = 0.0;
    }
    return mesh;
}

double LongestSide(const SolidMesh& mesh) {
    if (mesh.vertices.empty()) return 0.0;
    const Box box = BoundsOf(mesh);
    return std::max({box.hi.x - box.lo.x, box.hi.y - box.lo.y, box.hi.z - box.lo.z});
}

// The longest side of the box across the bed (x and y).
double LongestAcross(const SolidMesh& mesh) {
    if (mesh.vertices.empty()) return 0.0;
    const Box box = BoundsOf(mesh);
    return std::max(box.hi.x - box.lo.x, box.hi.y - box.lo.y);
}

// Scales the height so that the mesh, at mmPerPixel, is thicknessMm thick. The rim's plane
// stays at z = 0; a mesh of no height stays as it is.
void ScaleThickness(SolidMesh& mesh, double mmPerPixel, double thicknessMm) {
    const Box box = BoundsOf(mesh);
    const double height = (box.hi.z - box.lo.z) * mmPerPixel;
    if (!(height > 0.0)) return;
    const double factor = thicknessMm / height;
    for (SolidMesh::Vertex& v : mesh.vertices) v.position.z = v.position.z * factor + 0.0;
}

PrintLayout LayOutForPrint(const ModelGrid& grid, const ViewPose& view, PrintShape shape,
                           double mmPerPixel, double sizeMm, double thicknessMm, double gapMm) {
    PrintLayout layout;
    const SolidMesh whole = BuiltPoseOnBed(grid, view);
    if (whole.Empty()) return layout;

    struct Piece {
        std::string name;
        SolidMesh mesh;
        bool turnOver;
        SolidMesh::Side flat;  // the flattened surface; kBoth: none
    };
    std::vector<Piece> pieces;
    switch (shape) {
        case PrintShape::kWhole:
            pieces.push_back({"solid", whole, false, SolidMesh::Side::kBoth});
            break;
        case PrintShape::kFlatBack:
            pieces.push_back({"solid", FlattenedBut(whole, SolidMesh::Side::kFront), false,
                              SolidMesh::Side::kBack});
            break;
        case PrintShape::kHalves:
            pieces.push_back({"front", FlattenedBut(whole, SolidMesh::Side::kFront), false,
                              SolidMesh::Side::kBack});
            pieces.push_back({"back", FlattenedBut(whole, SolidMesh::Side::kBack), true,
                              SolidMesh::Side::kFront});
            break;
    }
    const SolidMesh& measured = shape == PrintShape::kFlatBack ? pieces.front().mesh : whole;
    const double longest = thicknessMm > 0.0 ? LongestAcross(measured) : LongestSide(measured);
    layout.mmPerPixel = sizeMm > 0.0 && longest > 0.0 ? sizeMm / longest : mmPerPixel;

    for (Piece& piece : pieces) {
        // Before the surfaces are moved apart, so that the nudges keep their size.
        if (thicknessMm > 0.0) ScaleThickness(piece.mesh, layout.mmPerPixel, thicknessMm);
        ManifoldOptions options;
        options.frontward = {0.0, 0.0, 1.0};
        options.frontFlat = piece.flat == SolidMesh::Side::kFront;
        options.backFlat = piece.flat == SolidMesh::Side::kBack;
        MakeManifold(piece.mesh, options);
        Transform(piece.mesh, layout.mmPerPixel, {0.0, 0.0, 0.0}, piece.turnOver);
        const Box box = BoundsOf(piece.mesh);
        Vec3 shift{-(box.lo.x + box.hi.x) / 2.0, -(box.lo.y + box.hi.y) / 2.0, -box.lo.z};
        if (shape == PrintShape::kHalves)
            shift.x = piece.turnOver ? gapMm / 2.0 - box.lo.x : -gapMm / 2.0 - box.hi.x;
        Transform(piece.mesh, 1.0, shift, false);
        layout.parts.push_back({piece.name, std::move(piece.mesh)});
    }
    return layout;
}

}  // namespace vonnik
