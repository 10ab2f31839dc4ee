#include "tests/support/pictures.h"

#include <QDir>
#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>

namespace vonnik::test {

Pixel FigureColour(int x, int y) {
    static constexpr Pixel kColours[] = {0xD04030, 0x30A050, 0x3050C0, 0xE0C020, 0x8040A0};
    return kColours[((x / 7) + (y / 5)) % 5];
}

Raster MakeDisc(int width, int height, double cx, double cy, double radius, Pixel bg) {
    Raster r(width, height, bg);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius)
                r.Set(x, y, FigureColour(x, y));
    return r;
}

Raster MakeBenchmarkFigure() {
    Raster r(kBenchmarkWidth, kBenchmarkHeight, kWhite);
    struct Disc {
        double cx, cy, rx, ry;
    };
    const Disc discs[] = {{960, 540, 760, 420}, {300, 250, 220, 200},  {1600, 300, 260, 230},
                          {420, 850, 240, 200}, {1550, 820, 300, 240}, {960, 120, 200, 110}};
    for (int y = 0; y < kBenchmarkHeight; ++y)
        for (int x = 0; x < kBenchmarkWidth; ++x)
            for (const Disc& d : discs) {
                const double u = (x - d.cx) / d.rx, v = (y - d.cy) / d.ry;
                if (u * u + v * v <= 1.0) {
                    r.Set(x, y, FigureColour(x, y));
                    break;
                }
            }
    return r;
}

Raster MakeRing(int width, int height, double cx, double cy, double outer, double inner, Pixel bg) {
    Raster r(width, height, bg);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
            if (d2 <= outer * outer && d2 >= inner * inner) r.Set(x, y, FigureColour(x, y));
        }
    }
    return r;
}

Raster MakeBlobs(int width, int height, std::uint32_t seed, Pixel bg) {
    Raster r(width, height, bg);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> ux(0, width), uy(0, height);
    std::uniform_real_distribution<double> ur(2.0, std::max(3.0, std::min(width, height) / 4.0));
    const int discs = 2 + static_cast<int>(rng() % 6);
    for (int n = 0; n < discs; ++n) {
        const double cx = ux(rng), cy = uy(rng), rad = ur(rng);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= rad * rad)
                    r.Set(x, y, FigureColour(x, y));
    }
    const int bars = static_cast<int>(rng() % 3);
    for (int n = 0; n < bars; ++n) {
        const int x0 = static_cast<int>(ux(rng)), y0 = static_cast<int>(uy(rng));
        const int bw = 1 + static_cast<int>(rng() % std::max(1, width / 2));
        const int bh = 1 + static_cast<int>(rng() % 4);
        for (int y = y0; y < std::min(height, y0 + bh); ++y)
            for (int x = x0; x < std::min(width, x0 + bw); ++x) r.Set(x, y, FigureColour(x, y));
    }
    return r;
}

Raster MakeRect(int width, int height, int left, int top, int right, int bottom, Pixel bg) {
    Raster r(width, height, bg);
    for (int y = std::max(0, top); y <= std::min(height - 1, bottom); ++y)
        for (int x = std::max(0, left); x <= std::min(width - 1, right); ++x)
            r.Set(x, y, FigureColour(x, y));
    return r;
}

Raster MakeThickLine(int width, int height, double x0, double y0, double x1, double y1,
                     double halfWidth, Pixel bg) {
    Raster r(width, height, bg);
    const double dx = x1 - x0, dy = y1 - y0;
    const double lengthSq = dx * dx + dy * dy;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double t = lengthSq > 0.0 ? ((x - x0) * dx + (y - y0) * dy) / lengthSq : 0.0;
            t = std::clamp(t, 0.0, 1.0);
            const double ex = x - (x0 + t * dx), ey = y - (y0 + t * dy);
            if (ex * ex + ey * ey <= halfWidth * halfWidth) r.Set(x, y, FigureColour(x, y));
        }
    }
    return r;
}

Raster MakeNoise(int width, int height, std::uint32_t seed) {
    Raster r(width, height);
    std::mt19937 rng(seed);
    for (Pixel& p : r.Pixels()) p = (rng() % 4 == 0) ? kWhite : (rng() & 0xFFFFFFu);
    return r;
}

std::string TestData(const std::string& relative) {
    return std::string(VONNIK_TESTDATA) + "/" + relative;
}

TempDir::TempDir(const std::string& tag)
    : dir_(QDir::tempPath() + "/vonnik-" + QString::fromStdString(tag) + "-XXXXXX"),
      path_(dir_.path().toStdString()) {
    if (!dir_.isValid()) throw std::runtime_error("cannot make a temporary folder for " + tag);
}

}  // namespace vonnik::test
