#pragma once

#include "builder/model_grid.h"

namespace vonnik {

// The view that turns with the model: how a frame shows a model grid, kept apart from the
// grid so that a new model of the same pictures can be shown in the same pose. ViewAxisA
// and ViewAxisB are the images of the model's x and y axes under the accumulated turn (the
// drag rule, viewer/rotation.h); DrawOrder is the painter's order they choose. A build
// resets the whole pose.
struct ViewPose {
    Vec3 ViewAxisA{1.0, 0.0, 0.0};
    Vec3 ViewAxisB{0.0, 1.0, 0.0};
    Vec3 SavedViewAxes[2];
    PaintOrder DrawOrder = PaintOrder::kRowsDown;
    bool Wireframe = false;  // outlined instead of textured triangles

    // True while no drag has turned the view since the build reset it.
    bool Unturned() const {
        return ViewAxisA == Vec3{1.0, 0.0, 0.0} && ViewAxisB == Vec3{0.0, 1.0, 0.0};
    }
};

}  // namespace vonnik
