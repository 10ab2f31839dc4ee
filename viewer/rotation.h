#pragma once

#include "builder/model_grid.h"

namespace vonnik {

// The viewer's last mouse position, in client coordinates.
struct MouseTrack {
    int LastMouseX = 0;
    int LastMouseY = 0;
};

// The step matrix of one drag move, as its written-out entries.
struct StepMatrix {
    double m[3][3];
    Vec3 Apply(const Vec3& v) const;
};
StepMatrix DragStepMatrix(double a, double b, double c);

// One rotation step for a right-button move to (x, y) in a view of viewWidth x viewHeight:
// the angles from the drag, then TurnModel with their step matrix. The frame is not drawn
// here.
void RotationStep(ModelGrid& grid, MouseTrack& mouse, int x, int y, int viewWidth, int viewHeight);

// Turns the model by one step matrix: each vertex in the model is saved and replaced by the
// matrix applied to it, the view axes likewise, and DrawOrder is chosen anew.
void TurnModel(ModelGrid& grid, const StepMatrix& m);

// DrawOrder for the given view axes: the far lines of cells first.
PaintOrder ChooseDrawOrder(const Vec3& axisA, const Vec3& axisB);

}  // namespace vonnik
