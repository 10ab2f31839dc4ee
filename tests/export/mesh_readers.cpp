#include "tests/export/mesh_readers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cstring>
#include <fstream>
#include <sstream>

#include "tests/export/export_fixtures.h"

namespace vonnik::test {

namespace {

std::uint32_t U32(const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(bytes[at + k]);
    return v;
}

float F32(const std::string& bytes, std::size_t at) {
    const std::uint32_t bits = U32(bytes, at);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

Float3 Three(const std::string& bytes, std::size_t at) {
    return {F32(bytes, at), F32(bytes, at + 4), F32(bytes, at + 8)};
}

}  // namespace

StlFile ReadStl(const std::string& path) {
    const std::string bytes = ReadFile(path);
    StlFile stl;
    if (bytes.size() < 84) return stl;
    stl.header = bytes.substr(0, 80);
    const std::uint32_t count = U32(bytes, 80);
    stl.sizeMatches = bytes.size() == 84 + 50ull * count;
    if (!stl.sizeMatches) return stl;
    for (std::uint32_t n = 0; n < count; ++n) {
        const std::size_t at = 84 + 50ull * n;
        StlFile::Facet f;
        f.normal = Three(bytes, at);
        for (int c = 0; c < 3; ++c) f.corner[c] = Three(bytes, at + 12 + 12 * c);
        stl.facets.push_back(f);
    }
    return stl;
}

PlyFile ReadPly(const std::string& path) {
    const std::string bytes = ReadFile(path);
    PlyFile ply;
    std::size_t at = 0;
    std::size_t vertices = 0, faces = 0;
    while (at < bytes.size()) {
        const std::size_t end = bytes.find('\n', at);
        if (end == std::string::npos) return ply;
        const std::string line = bytes.substr(at, end - at);
        at = end + 1;
        ply.header.push_back(line);
        std::istringstream words(line);
        std::string first, second;
        words >> first >> second;
        if (first == "element" && second == "vertex") words >> vertices;
        if (first == "element" && second == "face") words >> faces;
        if (line == "end_header") break;
    }
    // Three floats and three bytes a vertex; a count byte and three ints a face.
    ply.sizeMatches = bytes.size() == at + vertices * 15 + faces * 13;
    if (!ply.sizeMatches) return ply;
    for (std::size_t n = 0; n < vertices; ++n, at += 15) {
        ply.vertices.push_back({Three(bytes, at), static_cast<std::uint8_t>(bytes[at + 12]),
                                static_cast<std::uint8_t>(bytes[at + 13]),
                                static_cast<std::uint8_t>(bytes[at + 14])});
    }
    for (std::size_t n = 0; n < faces; ++n, at += 13) {
        if (bytes[at] != 3) {
            ply.sizeMatches = false;
            return ply;
        }
        ply.faces.push_back({static_cast<std::int32_t>(U32(bytes, at + 1)),
                             static_cast<std::int32_t>(U32(bytes, at + 5)),
                             static_cast<std::int32_t>(U32(bytes, at + 9))});
    }
    return ply;
}

GlbFile ReadGlb(const std::string& path) {
    const std::string bytes = ReadFile(path);
    GlbFile glb;
    if (bytes.size() < 20 || bytes.compare(0, 4, "glTF") != 0 || U32(bytes, 4) != 2 ||
        U32(bytes, 8) != bytes.size())
        return glb;
    const std::uint32_t jsonLength = U32(bytes, 12);
    if (U32(bytes, 16) != 0x4E4F534Au || 20ull + jsonLength > bytes.size()) return glb;
    glb.json =
        QJsonDocument::fromJson(QByteArray::fromStdString(bytes.substr(20, jsonLength))).object();
    std::size_t at = 20 + jsonLength;
    if (at + 8 <= bytes.size()) {
        const std::uint32_t binLength = U32(bytes, at);
        if (U32(bytes, at + 4) != 0x004E4942u || at + 8 + binLength != bytes.size()) return glb;
        glb.bin.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at + 8), bytes.end());
    }
    glb.headerValid = !glb.json.isEmpty() && jsonLength % 4 == 0;
    return glb;
}

std::vector<unsigned char> GlbFile::ViewBytes(int bufferView) const {
    const QJsonObject view = json["bufferViews"].toArray()[bufferView].toObject();
    const auto offset = static_cast<std::size_t>(view["byteOffset"].toInteger());
    const auto length = static_cast<std::size_t>(view["byteLength"].toInteger());
    if (offset + length > bin.size()) return {};
    return {bin.begin() + static_cast<std::ptrdiff_t>(offset),
            bin.begin() + static_cast<std::ptrdiff_t>(offset + length)};
}

namespace {

std::size_t Components(const QString& type) {
    if (type == "SCALAR") return 1;
    if (type == "VEC2") return 2;
    if (type == "VEC3") return 3;
    return 4;
}

template <typename T>
std::vector<T> AccessorValues(const GlbFile& glb, int index) {
    const QJsonObject accessor = glb.json["accessors"].toArray()[index].toObject();
    const std::vector<unsigned char> view = glb.ViewBytes(accessor["bufferView"].toInt());
    const std::size_t offset = static_cast<std::size_t>(accessor["byteOffset"].toInteger());
    const std::size_t n = static_cast<std::size_t>(accessor["count"].toInteger()) *
                          Components(accessor["type"].toString());
    if (offset + n * sizeof(T) > view.size()) return {};
    std::vector<T> values(n);
    std::memcpy(values.data(), view.data() + offset, n * sizeof(T));
    return values;
}

}  // namespace

std::vector<float> GlbFile::Floats(int accessor) const {
    return AccessorValues<float>(*this, accessor);
}

std::vector<std::uint32_t> GlbFile::Uints(int accessor) const {
    return AccessorValues<std::uint32_t>(*this, accessor);
}

ObjFile ReadObj(const std::string& path) {
    std::istringstream in(ReadFile(path));
    ObjFile obj;
    std::string line, material;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "mtllib") {
            std::string name;
            while (words >> name) obj.mtllib.push_back(name);
        } else if (key == "v") {
            Float3 p;
            words >> p[0] >> p[1] >> p[2];
            obj.v.push_back(p);
        } else if (key == "vt") {
            std::array<double, 2> t;
            words >> t[0] >> t[1];
            obj.vt.push_back(t);
        } else if (key == "vn") {
            Float3 n;
            words >> n[0] >> n[1] >> n[2];
            obj.vn.push_back(n);
        } else if (key == "usemtl") {
            words >> material;
        } else if (key == "f") {
            ObjFile::Face f{material, {}, {}, {0, 0, 0}};
            for (int c = 0; c < 3; ++c) {
                char slash = 0;
                words >> f.v[c] >> slash >> f.vt[c];
                if (words.peek() == '/') words >> slash >> f.vn[c];
            }
            obj.faces.push_back(f);
        }
    }
    return obj;
}

std::map<std::string, std::string> ReadMtlTextures(const std::string& path) {
    std::istringstream in(ReadFile(path));
    std::map<std::string, std::string> textures;
    std::string line, material;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "newmtl") words >> material;
        if (key == "map_Kd") words >> textures[material];
    }
    return textures;
}

}  // namespace vonnik::test
