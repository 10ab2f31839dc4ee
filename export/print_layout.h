#pragma once

#include <string>
#include <vector>

#include "builder/model_grid.h"
#include "render/view_pose.h"
#include "export/solid_mesh.h"

namespace vonnik {

// What goes onto the printer's bed.
enum class PrintShape : std::uint8_t {
    kWhole,     // the whole solid, its front up
    kFlatBack,  // the front over a flat base in the rim's plane: a relief
    kHalves,    // the front and the back, each over a flat base, side by side
};

// One separately printed piece. Positions are millimetres on the bed: x right, y away from
// the viewer, z up, the lowest point at z = 0. Triangles are wound outwards.
struct PrintPart {
    std::string name;  // "solid", "front" or "back"
    SolidMesh mesh;    // front: triangles coloured from the front picture, back: the back's
};

// The solid as the viewer shows it (the grid turned into the view's pose), made a
// 2-manifold (MakeManifold): the mesh every format writes, in the model's own units and axes.
SolidMesh ManifoldSolid(const ModelGrid& grid, const ViewPose& view);

// The solid as it was built, the viewer's turns undone, with its front facing +z:
// x right, y up the picture, in picture pixels; rim vertices at z = 0 exactly.
SolidMesh BuiltPoseOnBed(const ModelGrid& grid, const ViewPose& view);

// The longest side of the mesh's bounding box, in its own units; 0 for an empty mesh.
double LongestSide(const SolidMesh& mesh);

struct PrintLayout {
    std::vector<PrintPart> parts;
    double mmPerPixel = 0.0;  // the scale used
};

// The parts to print: the built solid shaped as asked, made a 2-manifold, scaled and laid on
// the bed. With sizeMm > 0, the longest side of the solid's bounding box (of the whole solid
// for the halves, as they are once glued; of the relief for a flat back) becomes sizeMm
// millimetres; otherwise one pixel is mmPerPixel. The whole solid and the relief are centred
// on x = y = 0; the halves lie left (front) and right (back) of x = 0 with gapMm between them,
// centred on y = 0. Empty for a grid without triangles.
PrintLayout LayOutForPrint(const ModelGrid& grid, const ViewPose& view, PrintShape shape,
                           double mmPerPixel,
                           double sizeMm, double gapMm = 5.0);

}  // namespace vonnik
