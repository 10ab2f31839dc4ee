#include "core/holes.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vonnik {

namespace {

// Calls visit(px, py) for every pixel of the picture in the hole's disc.
template <typename Visit>
void ForEachPixelIn(const Raster& picture, const Hole& hole, Visit&& visit) {
    const double r = hole.diameter / 2.0;
    if (!(r >= 0.0) || !std::isfinite(hole.x) || !std::isfinite(hole.y) || !std::isfinite(r))
        return;
    const double top = std::max(0.0, std::ceil(hole.y - r));
    const double bottom = std::min(picture.Height() - 1.0, std::floor(hole.y + r));
    const double left = std::max(0.0, std::ceil(hole.x - r));
    const double right = std::min(picture.Width() - 1.0, std::floor(hole.x + r));
    for (double py = top; py <= bottom; ++py)
        for (double px = left; px <= right; ++px)
            if ((px - hole.x) * (px - hole.x) + (py - hole.y) * (py - hole.y) <= r * r)
                visit(static_cast<int>(px), static_cast<int>(py));
}

}  // namespace

std::string HoleText(const Hole& hole) {
    std::string text;
    for (const double v : {hole.x, hole.y, hole.diameter}) {
        char buffer[32];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, v + 0.0).ptr;
        if (!text.empty()) text += ',';
        text.append(buffer, end);
    }
    return text;
}

std::optional<std::size_t> FirstHoleMissingTheFigure(const Raster& picture, const HoleList& holes) {
    if (picture.Empty()) return holes.empty() ? std::nullopt : std::optional<std::size_t>(0);
    const Pixel background = ColourOf(picture.At(0, 0));
    for (std::size_t n = 0; n < holes.size(); ++n) {
        bool touches = false;
        ForEachPixelIn(picture, holes[n], [&](int px, int py) {
            touches = touches || ColourOf(picture.At(px, py)) != background;
        });
        if (!touches) return n;
    }
    return std::nullopt;
}

void CutHoles(Raster& picture, const HoleList& holes) {
    if (picture.Empty()) return;
    const Pixel background = ColourOf(picture.At(0, 0));
    for (const Hole& hole : holes) {
        ForEachPixelIn(picture, hole, [&](int px, int py) {
            picture.Set(px, py, (picture.At(px, py) & 0xFF000000u) | background);
        });
    }
}

}  // namespace vonnik
