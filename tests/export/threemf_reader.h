#pragma once

// A 3MF file read back through lib3mf, the library that reads and writes the format's
// packages: unit, objects, their vertices and triangles, and the colour of each corner.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/export/mesh_readers.h"

namespace vonnik::test {

struct ThreeMfFile {
    bool read = false;
    std::string error;
    std::string unit;  // "millimeter", ...
    struct Object {
        std::string name;
        std::vector<Float3> vertices;
        std::vector<std::array<std::uint32_t, 3>> triangles;
        // 0xRRGGBB of each triangle's corners; empty when the object has no colours.
        std::vector<std::array<std::uint32_t, 3>> colours;
    };
    std::vector<Object> objects;  // in the order of the build items
};
ThreeMfFile Read3mf(const std::string& path);

}  // namespace vonnik::test
