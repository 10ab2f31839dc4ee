#include "core/raster.h"

#include <algorithm>
#include <stdexcept>

namespace vonnik {

Raster::Raster(int width, int height, Pixel fill) {
    if (width < 0 || height < 0) throw std::invalid_argument("negative raster size");
    width_ = width;
    height_ = height;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (fill == 0)
        pixels_.resize(count);  // zero as allocated
    else
        pixels_.assign(count, fill);
}

Pixel Raster::AtClamped(long long x, long long y) const {
    const long long cx = std::clamp<long long>(x, 0, width_ - 1);
    const long long cy = std::clamp<long long>(y, 0, height_ - 1);
    return At(static_cast<int>(cx), static_cast<int>(cy));
}

void Raster::Resize(int width, int height) {
    if (width == width_ && height == height_) return;
    Raster next(width, height);
    next.DrawAt(*this, 0, 0);
    *this = std::move(next);
}

void Raster::Fill(Pixel p) {
    std::fill(pixels_.begin(), pixels_.end(), p);
}

void Raster::DrawAt(const Raster& src, int x, int y) {
    const int x0 = std::max(0, x);
    const int y0 = std::max(0, y);
    const long long x1 = std::min<long long>(width_, static_cast<long long>(x) + src.width_);
    const long long y1 = std::min<long long>(height_, static_cast<long long>(y) + src.height_);
    if (x0 >= x1) return;
    for (long long r = y0; r < y1; ++r) {
        const Pixel* from = src.Row(static_cast<int>(r - y)) + (x0 - x);
        std::copy(from, from + (x1 - x0), Row(static_cast<int>(r)) + x0);
    }
}

}  // namespace vonnik
