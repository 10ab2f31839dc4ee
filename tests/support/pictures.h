#pragma once

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
// A figure colour that depends on the position (bands of colour).
Pixel FigureColour(int x, int y);

// The shared test data folder (the BMP suite, the golden outputs).
std::string TestData(const std::string& relative);

// A fresh empty folder under the system's temporary folder.
std::string TempDir(const std::string& tag);

}  // namespace vonnik::test
