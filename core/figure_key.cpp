#include "core/figure_key.h"

#include <algorithm>
#include <cstdlib>

namespace vonnik {

namespace {

constexpr std::uint8_t kOpaqueEnough = 128;
constexpr std::uint32_t kColours = 1u << 24;

int Channel(Pixel p, int shift) {
    return static_cast<int>((p >> shift) & 0xFFu);
}

}  // namespace

bool HasTransparentPixel(const std::vector<std::uint8_t>& alpha) {
    return std::any_of(alpha.begin(), alpha.end(),
                       [](std::uint8_t a) { return a < kOpaqueEnough; });
}

std::optional<Pixel> TransparencyKey(const Raster& colours,
                                     const std::vector<std::uint8_t>& alpha) {
    // One bit per 24-bit colour that a figure pixel has.
    std::vector<bool> taken(kColours, false);
    std::uint32_t distinct = 0;
    const std::span<const Pixel> pixels = colours.Pixels();
    for (std::size_t n = 0; n < pixels.size() && n < alpha.size(); ++n) {
        if (alpha[n] < kOpaqueEnough) continue;
        const Pixel c = ColourOf(pixels[n]);
        if (!taken[c]) {
            taken[c] = true;
            ++distinct;
        }
    }
    if (distinct == kColours) return std::nullopt;
    Pixel key = colours.Empty() ? 0 : ColourOf(colours.At(0, 0));
    while (taken[key]) key = (key + 1) & (kColours - 1);
    return key;
}

void PaintTransparentPixels(Raster& colours, const std::vector<std::uint8_t>& alpha, Pixel key) {
    const std::span<Pixel> pixels = colours.Pixels();
    for (std::size_t n = 0; n < pixels.size(); ++n)
        pixels[n] =
            n < alpha.size() && alpha[n] < kOpaqueEnough ? ColourOf(key) : ColourOf(pixels[n]);
}

void ApplyBackgroundTolerance(Raster& picture, int tolerance) {
    if (tolerance <= 0 || picture.Empty()) return;
    const Pixel background = picture.At(0, 0);
    const auto near = [&](Pixel p) {
        for (int shift : {0, 8, 16})
            if (std::abs(Channel(p, shift) - Channel(background, shift)) > tolerance) return false;
        return true;
    };
    for (Pixel& p : picture.Pixels())
        if (near(p)) p = background;
}

Raster FigurePicture(PictureWithAlpha picture, const std::string& path, int backgroundTolerance) {
    if (!HasTransparentPixel(picture.alpha)) {
        ApplyBackgroundTolerance(picture.colours, backgroundTolerance);
        return std::move(picture.colours);
    }
    // The alpha decides what is figure; the tolerance has nothing left to do.
    const std::optional<Pixel> key = TransparencyKey(picture.colours, picture.alpha);
    if (!key)
        throw FileError(path,
                        "the figure uses every colour, so none is left for the transparent pixels");
    PaintTransparentPixels(picture.colours, picture.alpha, *key);
    return std::move(picture.colours);
}

Raster LoadFigurePicture(const std::string& path, const FigureOptions& options) {
    return FigurePicture(LoadPictureWithAlpha(path, options.read), path,
                         options.backgroundTolerance);
}

Raster DecodeFigurePicture(QIODevice& device, const std::string& path,
                           const FigureOptions& options) {
    return FigurePicture(DecodePictureWithAlpha(device, path, options.read), path,
                         options.backgroundTolerance);
}

}  // namespace vonnik
