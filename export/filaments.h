#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/raster.h"
#include "export/print_layout.h"

namespace vonnik {

// A print painted for a multi-filament printer: the figure's colours reduced to a few, and
// the filament of every triangle.
struct FilamentPaint {
    // The filaments' colours, the largest share of the surface first; filament k (counted
    // from 1, as slicers count their extruders) is palette[k - 1].
    std::vector<Pixel> palette;
    // Each colour's share of the surface (by area, all parts together); they add up to 1.
    std::vector<double> share;
    // Per part, per triangle (the front's triangles, then the back's): the palette index.
    std::vector<std::vector<std::uint8_t>> triangles;
};

// Reduces the figure's colours in the pictures (every pixel but the background, the
// top-left pixel's colour) to at most `filaments` colours with libimagequant, and gives every
// triangle the palette colour most of its texels map to: the pixels whose centres lie in the
// triangle in picture coordinates, the front's triangles from the front picture, the back's
// from the back picture; background pixels count only where a triangle covers no figure
// pixel, and a triangle that covers no pixel centre takes the pixel under its centroid. Each
// pixel maps to the nearest palette colour (red, green and blue squared distance; the first
// of equals). Throws FileError naming path when the colours cannot be reduced.
FilamentPaint PaintFilaments(const std::vector<PrintPart>& parts, const Raster& front,
                             const Raster& back, int filaments, const std::string& path);

// "#RRGGBB".
std::string HexColour(Pixel colour);

}  // namespace vonnik
