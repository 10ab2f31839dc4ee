#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/picture_io.h"
#include "core/raster.h"

class QIODevice;

namespace vonnik {

// The figure rule counts every pixel of the top-left pixel's colour as background. A
// picture to be made solid is brought to that rule after decoding:
//
// - Transparency. When the picture has an alpha channel and at least one pixel with alpha
//   below 128, the figure is exactly the pixels with alpha 128 or more, which keep their
//   own colours. Every other pixel takes one key colour: the colour stored in the top-left
//   pixel, stepped to the next 24-bit value (0xRRGGBB + 1, wrapping after 0xFFFFFF) for as
//   long as a figure pixel has it. The picture then builds as a picture without alpha
//   painted in that key colour would.
// - Background tolerance T (0..255). In a picture without transparent pixels, every pixel
//   whose red, green and blue each differ by at most T from the top-left pixel's takes the
//   top-left pixel's colour. T = 0 changes nothing.

constexpr int kMaxBackgroundTolerance = 255;

// True when alpha (one byte per pixel, possibly empty) has a pixel below 128.
bool HasTransparentPixel(const std::vector<std::uint8_t>& alpha);

// The key colour for the transparent pixels of colours (alpha one byte per pixel, the
// same count); nothing when the figure takes every one of the 2^24 colours.
std::optional<Pixel> TransparencyKey(const Raster& colours, const std::vector<std::uint8_t>& alpha);

// Paints every pixel with alpha below 128 in key; the fourth byte of every pixel becomes 0.
void PaintTransparentPixels(Raster& colours, const std::vector<std::uint8_t>& alpha, Pixel key);

// Gives every pixel within tolerance of the top-left colour in each channel that colour.
void ApplyBackgroundTolerance(Raster& picture, int tolerance);

struct FigureOptions {
    int backgroundTolerance = 0;  // 0..kMaxBackgroundTolerance
    ReadOptions read;
};

// A decoded picture brought to the figure rule as described above. path only names the
// picture in errors. Throws FileError.
Raster FigurePicture(PictureWithAlpha picture, const std::string& path, int backgroundTolerance);

// LoadPictureWithAlpha / DecodePictureWithAlpha followed by FigurePicture: a picture to be
// made solid (front or back). Throws FileError.
Raster LoadFigurePicture(const std::string& path, const FigureOptions& options = {});
Raster DecodeFigurePicture(QIODevice& device, const std::string& path,
                           const FigureOptions& options = {});

}  // namespace vonnik
