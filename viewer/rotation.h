// The viewer's drag keeps the drag rule. Each mouse move with the right button held turns
// the model by one small step about its origin (the centring rule's centre pixel); no total
// angle or matrix is stored: the vertex positions carry the accumulated turn, and the view
// axes carry it for choosing the paint order. The total turn is still there to be had: the
// view axes are its first two columns, from which PoseMatrix below recovers it. A
// build resets the model and the axes. All arithmetic is in doubles (core/numbers.h).
//
// The drag rule, for a move to (x, y) in a view of W x H pixels:
// 1. dx = LastMouseX - x, dy = LastMouseY - y (old minus new); then LastMouse = (x, y). A
//    mouse press anywhere in the viewer records its position too.
// 2. p = (W / 2 - x) / W, q = (y - H / 2) / H, with real halves; both are 0 at the centre and
//    within -0.5 .. 0.5 inside the view.
// 3. The angles, in radians, 50 pixels of drag being one unit:
//      a (about x) = (-dy / 50) * (0.5 - |p|)
//      b (about y) = (dx / 50) * (0.5 - |q|)
//      c (about z) = (dy / 50) * p + (dx / 50) * q
//    A drag through the centre tilts the model, the tilt fades towards the view's edges, and
//    a drag along an edge rolls it about the viewing axis instead.
// 4. The step matrix M = Rz(c) Rx(a) Ry(b), entry by entry as written here (multiplying the
//    three matrices would round differently), with sa = sin a, ca = cos a and so on:
//      [ cb*cc - sa*sb*sc   -ca*sc   sb*cc + sa*cb*sc ]
//      [ cb*sc + sa*sb*cc    ca*cc   sb*sc - sa*cb*cc ]
//      [ -ca*sb              sa      ca*cb            ]
//    M v = (m00 x + m01 y + m02 z, m10 x + m11 y + m12 z, m20 x + m21 y + m22 z).
// 5. Every vertex in the model (edge or inner), front and back: the saved copy takes the
//    position (SavedPositions), and the position becomes M times the saved copy. Outside vertices
//    are not turned; no triangle uses them.
// 6. The view axes likewise (ViewPose): SavedViewAxes = (ViewAxisA, ViewAxisB), then each
//    becomes M times its saved copy.
// 7. The paint order (render/render_frame.h), from the axes' z components A.z and B.z: when
//    |A.z| > |B.z|, kColumnsLeft if A.z >= 0, else kColumnsRight; otherwise (equal
//    magnitudes included) kRowsUp if B.z >= 0, else kRowsDown.
// The frame is then drawn anew. Dragging back along the same path does not restore the
// starting pose exactly: the steps do not commute.

#pragma once

#include "builder/model_grid.h"
#include "render/view_pose.h"

namespace vonnik {

// The positions before the last step of a drag, sized like the grid by the first step.
struct SavedPositions {
    GridArray<double> FrontX, FrontY, FrontZ, BackX, BackY, BackZ;
};

// The viewer's last mouse position, in client coordinates.
struct MouseTrack {
    int LastMouseX = 0;
    int LastMouseY = 0;
};

// The step matrix of one drag move, with the entries of the drag rule's step 4.
struct StepMatrix {
    double m[3][3];
    Vec3 Apply(const Vec3& v) const {
        return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
                m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
                m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
    }
};
StepMatrix DragStepMatrix(double a, double b, double c);

// The drag rule for a right-button move to (x, y) in a view of viewWidth x viewHeight: the
// angles from the drag, then TurnModel with their step matrix. The frame is not drawn
// here.
void RotationStep(ModelGrid& grid, ViewPose& view, SavedPositions& saved, MouseTrack& mouse, int x,
                  int y, int viewWidth, int viewHeight);

// Steps 5 to 7 of the drag rule: each vertex in the model is saved and replaced by the
// matrix applied to it, the view axes likewise, and DrawOrder is chosen anew.
void TurnModel(ModelGrid& grid, ViewPose& view, SavedPositions& saved, const StepMatrix& m);

// Step 5 of the drag rule alone: the vertices turned by m, the view left as it is.
void TurnVertices(ModelGrid& grid, SavedPositions& saved, const StepMatrix& m);

// The rotation that the view's axes stand for: columns A, B and A x B.
StepMatrix PoseMatrix(const ViewPose& view);

// Shows a freshly built model in the view's pose: its vertices turned once by PoseMatrix,
// the view unchanged. An unturned view leaves the model exactly as built.
void PlaceInPose(ModelGrid& grid, const ViewPose& view, SavedPositions& saved);

// DrawOrder for the given view axes (the drag rule's step 7): the far lines of cells first.
PaintOrder ChooseDrawOrder(const Vec3& axisA, const Vec3& axisB);

// The step matrix of a turn by `radians` about the viewer's vertical axis (a drag's b
// alone), as a turntable turns the model.
StepMatrix VerticalTurnMatrix(double radians);

}  // namespace vonnik
