#pragma once

#include "builder/model_grid.h"

namespace vonnik {

// The light picker: a disc on the panel whose points stand for the directions of the light
// on the viewer's side (or, with the back light, behind the model).
struct LightDisc {
    static constexpr int kCentreX = 60;  // panel coordinates
    static constexpr int kCentreY = 52;
    static constexpr int kRadius = 36;
    // The panel area the picker's raster covers, from the panel's top-left corner.
    static constexpr int kAreaWidth = 102;
    static constexpr int kAreaHeight = 94;
};

// True when (x, y) lies strictly inside the picker disc.
bool InsideLightDisc(int x, int y);

// The unit light vector of a point strictly inside the picker disc: x and y are the point's
// offsets from the centre in radii, z makes the vector a unit one, on the viewer's side
// (negative z) unless the back light puts it behind the model.
Vec3 LightFromPoint(int pointX, int pointY, bool backLight);

}  // namespace vonnik
