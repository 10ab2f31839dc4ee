#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/numbers.h"
#include "core/zeroed_allocator.h"

namespace vonnik {

// One pixel word: blue in bits 0-7, green 8-15, red 16-23; the fourth byte carries no colour.
using Pixel = std::uint32_t;

// The colour of a pixel word as the canvas reads it: the three colour bytes, 0xRRGGBB.
constexpr Pixel ColourOf(Pixel p) {
    return p & 0x00FFFFFFu;
}

// A 32-bit raster with direct row access. Rows are stored top row first. A new raster's
// memory is not written until it is used: a black raster costs nothing before its pixels do.
class Raster {
  public:
    Raster() = default;
    Raster(int width, int height, Pixel fill = 0);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    bool Contains(long long x, long long y) const {
        return x >= 0 && y >= 0 && x < width_ && y < height_;
    }

    Pixel* Row(int r) { return pixels_.data() + static_cast<std::size_t>(r) * width_; }
    const Pixel* Row(int r) const { return pixels_.data() + static_cast<std::size_t>(r) * width_; }
    Pixel At(int x, int y) const { return Row(y)[x]; }
    void Set(int x, int y, Pixel p) { Row(y)[x] = p; }

    // The pixel nearest to (x, y) inside the raster; the raster must not be empty.
    Pixel AtClamped(long long x, long long y) const;
    // The pixel at (Trunc(x), Trunc(y)), the nearest border pixel for a position outside
    // (NaN counts as before the first pixel): how the renderer and the exporter sample a
    // picture. The raster must not be empty.
    Pixel AtTruncated(double x, double y) const {
        return AtClamped(TruncClamped(x, -1, width_), TruncClamped(y, -1, height_));
    }

    // New size; the contents are undefined afterwards except that every pixel is 0
    // where the old contents did not reach.
    void Resize(int width, int height);
    void Fill(Pixel p);
    // Copies src with its top-left corner at (x, y), clipped to this raster.
    void DrawAt(const Raster& src, int x, int y);

    std::span<Pixel> Pixels() { return pixels_; }
    std::span<const Pixel> Pixels() const { return pixels_; }

    friend bool operator==(const Raster&, const Raster&) = default;

  private:
    int width_ = 0;
    int height_ = 0;
    // Made anew for every new size, never shrunk and grown again (see ZeroedAllocator).
    std::vector<Pixel, ZeroedAllocator<Pixel>> pixels_;
};

}  // namespace vonnik
