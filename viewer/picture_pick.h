#pragma once

#include <optional>

#include "builder/model_grid.h"

namespace vonnik {

// A point of the picture, in picture pixels (x right, y down, from the top-left corner).
struct PicturePoint {
    double x = 0.0, y = 0.0;
};

// The picture point the solid shows at point (x, y) of a frame of the given size, in the pose
// the grid holds now: the triangle side nearest to the viewer under the point (the model's
// origin drawn at the frame's centre, width / 2 and height / 2, as the renderer draws it), its
// texture coordinates interpolated there. Nothing when no triangle is under the point. What a
// click in the viewer's hole mode makes a hole at.
std::optional<PicturePoint> PicturePointAt(const ModelGrid& grid, int frameWidth, int frameHeight,
                                           double x, double y);

}  // namespace vonnik
