#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/raster.h"

namespace vonnik {

// A round hole through the solid, in picture pixels: the disc of this diameter about
// (x, y) becomes background before the build, so that the solid gets a hole with a rounded
// rim (a keychain's ring). A pixel (px, py) is in the disc when
// (px - x)^2 + (py - y)^2 <= (diameter / 2)^2.
struct Hole {
    double x = 0.0, y = 0.0, diameter = 0.0;
    bool operator==(const Hole&) const = default;
};
using HoleList = std::vector<Hole>;

// "X,Y,D", the numbers as short as they read back.
std::string HoleText(const Hole& hole);

// The first hole whose disc holds no figure pixel of the picture (none of the top-left
// pixel's colour), or holds no pixel of the picture at all; nothing when every hole touches
// the figure.
std::optional<std::size_t> FirstHoleMissingTheFigure(const Raster& picture, const HoleList& holes);

// Paints every pixel of the holes' discs in the picture's background colour (the top-left
// pixel's), the fourth byte kept.
void CutHoles(Raster& picture, const HoleList& holes);

}  // namespace vonnik
