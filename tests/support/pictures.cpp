#include "tests/support/pictures.h"

#include <QDir>
#include <QTemporaryDir>
#include <cmath>
#include <random>

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

Raster MakeRing(int width, int height, double cx, double cy, double outer, double inner,
                Pixel bg) {
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

std::string TestData(const std::string& relative) {
    return std::string(VONNIK_TESTDATA) + "/" + relative;
}

std::string TempDir(const std::string& tag) {
    QTemporaryDir dir(QDir::tempPath() + "/vonnik-" + QString::fromStdString(tag) + "-XXXXXX");
    dir.setAutoRemove(false);
    return dir.path().toStdString();
}

}  // namespace vonnik::test
