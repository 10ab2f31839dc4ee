#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/filaments.h"

namespace vonnik {

// The text multi-material slicers store on a triangle painted whole with filament k
// (1..kMaxFilaments): their triangle selector's serialisation of one unsplit triangle. Its
// bits, from the first: two bits of split sides (0), then the state in two bits when it is
// below 3, otherwise 0b11 and four bits of state - 3; packed four to a hex digit, the first
// bits in the last digit. 1 -> "4", 2 -> "8", 3 -> "0C", 4 -> "1C", ..., 16 -> "DC".
std::string WholeTrianglePaint(int filament);

// Paints a 3MF package (as lib3mf writes it, one object per part in order): every triangle of
// part p gets filament paint.triangles[p][t] + 1 in the attributes that PrusaSlicer
// (slic3rpe:mmu_segmentation) and Bambu Studio and OrcaSlicer (paint_color) read, and the
// package gets PrusaSlicer's project settings with one extruder per filament in its colour
// and a wipe tower. The package is opened with libzip and the model edited with libxml2.
// Throws FileError naming path when the package is not what lib3mf writes.
std::vector<unsigned char> PaintPackage(const std::vector<unsigned char>& package,
                                        const FilamentPaint& paint, const std::string& path);

// PrusaSlicer's project settings for the palette, as its 3MF files carry them.
std::string SlicerProjectSettings(const std::vector<Pixel>& palette);

}  // namespace vonnik
