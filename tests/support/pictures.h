#pragma once

#include <QTemporaryDir>
#include <cstdint>
#include <string>

#include "core/raster.h"

namespace vonnik::test {

constexpr Pixel kWhite = 0xFFFFFF;
constexpr Pixel kBlack = 0x000000;

// Figures on a plain background, with a few colours in the figure so that the texture and
// the spreading have something to carry.
Raster MakeDisc(int width, int height, double cx, double cy, double radius, Pixel bg = kWhite);
Raster MakeRing(int width, int height, double cx, double cy, double outer, double inner,
                Pixel bg = kWhite);
// A union of random discs and bars, reproducible from the seed.
Raster MakeBlobs(int width, int height, std::uint32_t seed, Pixel bg = kWhite);
// A filled rectangle, corners inclusive.
Raster MakeRect(int width, int height, int left, int top, int right, int bottom, Pixel bg = kWhite);
// The pixels within halfWidth of the segment (x0, y0)-(x1, y1).
Raster MakeThickLine(int width, int height, double x0, double y0, double x1, double y1,
                     double halfWidth, Pixel bg = kWhite);
// Pixels of random colours, a quarter of them white: a back picture with no plain background.
Raster MakeNoise(int width, int height, std::uint32_t seed);
// The benchmarks' full-HD picture: a large colourful figure over most of the frame, an
// ellipse with discs bulging from it.
constexpr int kBenchmarkWidth = 1920;
constexpr int kBenchmarkHeight = 1080;
Raster MakeBenchmarkFigure();
// A figure colour that depends on the position (bands of colour).
Pixel FigureColour(int x, int y);

// The shared test data folder (the BMP suite, the golden outputs).
std::string TestData(const std::string& relative);

// A fresh empty folder under the system's temporary folder, removed with everything in it
// when the object goes.
class TempDir {
  public:
    explicit TempDir(const std::string& tag);
    const std::string& Path() const { return path_; }

  private:
    QTemporaryDir dir_;
    std::string path_;
};

}  // namespace vonnik::test
