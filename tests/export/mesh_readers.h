#pragma once

// Plain readers of the written mesh files, written from the formats' own descriptions, so
// that the tests look at the files and not at the writers' data.
#include <QJsonObject>
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vonnik::test {

using Float3 = std::array<float, 3>;

struct StlFile {
    std::string header;  // the 80 bytes
    struct Facet {
        Float3 normal;
        Float3 corner[3];
    };
    std::vector<Facet> facets;
    bool sizeMatches = false;  // 84 + 50 bytes a facet, exactly
};
StlFile ReadStl(const std::string& path);

struct PlyFile {
    std::vector<std::string> header;  // the lines up to end_header
    struct Vertex {
        Float3 position;
        std::uint8_t red, green, blue;
    };
    std::vector<Vertex> vertices;
    std::vector<std::array<std::int32_t, 3>> faces;
    bool sizeMatches = false;  // the payload is exactly what the header announces
};
PlyFile ReadPly(const std::string& path);

struct GlbFile {
    bool headerValid = false;  // magic, version 2, length = file size, chunk types
    QJsonObject json;
    std::vector<unsigned char> bin;

    // The elements of an accessor as floats (FLOAT) or integers (UNSIGNED_INT), tightly
    // packed as the writer lays them out.
    std::vector<float> Floats(int accessor) const;
    std::vector<std::uint32_t> Uints(int accessor) const;
    std::vector<unsigned char> ViewBytes(int bufferView) const;
};
GlbFile ReadGlb(const std::string& path);

struct ObjFile {
    std::vector<std::string> mtllib;
    std::vector<Float3> v;
    std::vector<std::array<double, 2>> vt;
    std::vector<Float3> vn;
    struct Face {
        std::string material;
        std::array<int, 3> v, vt;  // 1-based, as written
        std::array<int, 3> vn;     // 1-based; 0 where the face gives no normal
    };
    std::vector<Face> faces;
};
ObjFile ReadObj(const std::string& path);

// newmtl name -> map_Kd file.
std::map<std::string, std::string> ReadMtlTextures(const std::string& path);

}  // namespace vonnik::test
