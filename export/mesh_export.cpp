#include "export/mesh_export.h"

#include <QBuffer>
#include <QImage>
#include <QString>
#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

#include "builder/vec3.h"
#include "core/file_names.h"
#include "core/picture_io.h"
#include "export/filaments.h"
#include "export/format_table.h"
#include "export/normals.h"

namespace vonnik {

namespace {

std::vector<std::string> WriteGlbFile(const MeshWriteInput& in) {
    WriteGlb(*in.mesh, in.front, in.back, in.closed, in.options, in.path);
    return {in.path};
}
std::vector<std::string> WriteObjFiles(const MeshWriteInput& in) {
    return WriteObj(*in.mesh, in.front, in.back, in.options, in.path);
}
std::vector<std::string> WritePlyFile(const MeshWriteInput& in) {
    WritePly(*in.mesh, in.front, in.back, in.options, in.path);
    return {in.path};
}
std::vector<std::string> WriteStlFile(const MeshWriteInput& in) {
    WriteStl(*in.parts, in.path);
    return {in.path};
}
std::vector<std::string> Write3mfFile(const MeshWriteInput& in) {
    Write3mf(*in.parts, in.front, in.back, in.path, in.paint);
    return {in.path};
}

constexpr MeshFormatRow kMeshFormats[] = {
    {MeshFormat::kGlb, "glb", "glTF binary",
     "glTF 2.0 binary, both pictures embedded (metres, y up)", false, false, WriteGlbFile},
    {MeshFormat::kObj, "obj", "Wavefront OBJ",
     "with FILE's .mtl and two PNG textures beside it (mm, y up)", false, false, WriteObjFiles},
    {MeshFormat::kPly, "ply", "Stanford PLY", "binary, colours per vertex (mm, y up)", false, false,
     WritePlyFile},
    {MeshFormat::kStl, "stl", "STL for 3D printing",
     "binary, geometry only, for 3D printing (mm, z up)", true, false, WriteStlFile},
    {MeshFormat::k3mf, "3mf", "3MF for 3D printing",
     "for 3D printing, one object per part, coloured (mm, z up)", true, true, Write3mfFile},
};

}  // namespace

std::span<const MeshFormatRow> MeshFormats() {
    return kMeshFormats;
}

const MeshFormatRow& RowOf(MeshFormat format) {
    return RowOf(MeshFormats(), format);
}

std::optional<MeshFormat> MeshFormatNamed(std::string_view name) {
    const MeshFormatRow* row = RowNamed(MeshFormats(), name);
    return row ? std::optional(row->format) : std::nullopt;
}

std::optional<MeshFormat> MeshFormatOfPath(std::string_view path) {
    return MeshFormatNamed(SuffixOf(std::string(path)));
}

const char* ExtensionOf(MeshFormat format) {
    return RowOf(format).extension;
}

bool IsPrintFormat(MeshFormat format) {
    return RowOf(format).print;
}

std::string MeshExtensions(bool MeshFormatRow::*column, std::string_view last) {
    std::vector<MeshFormatRow> rows;
    for (const MeshFormatRow& row : MeshFormats())
        if (row.*column) rows.push_back(row);
    return ExtensionList(std::span<const MeshFormatRow>(rows), true, last);
}

Vec3 ToFormatAxes(MeshFormat format, const Vec3& p) {
    // Adding 0.0 turns a negated 0 into +0, so that equal positions write equal bits. Every
    // format turns the model the same way (the print formats' bed pose is laid before).
    static_cast<void>(format);
    return {p.x + 0.0, -p.y + 0.0, -p.z + 0.0};
}

Vec3 ScaledPosition(MeshFormat format, const Vec3& model, double scale) {
    const Vec3 p = ToFormatAxes(format, model);
    return {p.x * scale, p.y * scale, p.z * scale};
}

std::array<float, 3> ScaledPositionF(MeshFormat format, const Vec3& model, double scale) {
    const Vec3 p = ScaledPosition(format, model, scale);
    return {static_cast<float>(p.x) + 0.0f, static_cast<float>(p.y) + 0.0f,
            static_cast<float>(p.z) + 0.0f};
}

Pixel SamplePicture(const Raster& picture, double x, double y) {
    return ColourOf(picture.AtTruncated(x, y));
}

namespace {

// Little-endian packing for the binary formats, whatever the host.
class Bytes {
  public:
    std::vector<unsigned char> data;
    void Text(std::string_view s) {
        for (char c : s) data.push_back(static_cast<unsigned char>(c));
    }
    void U8(std::uint8_t v) { data.push_back(v); }
    void U16(std::uint16_t v) { Le(v, 2); }
    void U32(std::uint32_t v) { Le(v, 4); }
    void F32(float v) { U32(std::bit_cast<std::uint32_t>(v)); }

  private:
    void Le(std::uint32_t v, int n) {
        for (int k = 0; k < n; ++k) data.push_back(static_cast<unsigned char>(v >> (8 * k)));
    }
};

// The shortest text that reads back as the same double.
void AppendNumber(std::string& out, double v) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v + 0.0);
    out.append(buffer, result.ptr);
}

// One OBJ statement of three numbers: "tag x y z".
void AppendLine(std::string& out, const char* tag, const Vec3& v) {
    out += tag;
    for (const double c : {v.x, v.y, v.z}) {
        out += ' ';
        AppendNumber(out, c);
    }
    out += '\n';
}

// The file name without its last extension, with blanks replaced: OBJ and MTL statements
// split their arguments at blanks.
std::string PlainStem(const std::string& path) {
    std::string stem = StemOf(path);
    for (char& c : stem)
        if (std::isspace(static_cast<unsigned char>(c))) c = '_';
    return stem.empty() ? std::string("solid") : stem;
}

}  // namespace

void CheckMeshOptions(const MeshExportOptions& options, const std::string& path) {
    if (!(std::isfinite(options.mmPerPixel) && options.mmPerPixel > 0.0))
        throw FileError(path, "the size of a pixel must be a positive number of millimetres");
    if (!(std::isfinite(options.sizeMm) && options.sizeMm >= 0.0))
        throw FileError(path, "the size of the solid must be a positive number of millimetres");
    if (!(std::isfinite(options.thicknessMm) && options.thicknessMm >= 0.0))
        throw FileError(path, "the thickness must be a positive number of millimetres");
    if (options.filaments != 0 &&
        (options.filaments < kMinFilaments || options.filaments > kMaxFilaments))
        throw FileError(path, "the number of filaments must be " + std::to_string(kMinFilaments) +
                                  ".." + std::to_string(kMaxFilaments));
}

std::vector<std::string> WriteObj(const SolidMesh& mesh, const Raster& front, const Raster& back,
                                  const MeshExportOptions& options, const std::string& path) {
    CheckMeshOptions(options, path);
    const std::string folder = FolderOf(path), stem = PlainStem(path);
    const std::string mtlName = stem + ".mtl";
    const std::string textureName[2] = {stem + "_front.png", stem + "_back.png"};
    const Raster* picture[2] = {&front, &back};

    std::string mtl = "# Vonnik! solid: the front and the back picture\n";
    for (int s = 0; s < 2; ++s) {
        mtl += std::string("\nnewmtl ") + (s == 0 ? "front" : "back") + "\n";
        mtl += "Ka 1 1 1\nKd 1 1 1\nKs 0 0 0\nd 1\nillum 1\nmap_Kd " + textureName[s] + "\n";
    }

    const std::size_t n = mesh.vertices.size();
    std::string obj = "# Vonnik! solid, millimetres, y up, front facing +z\n";
    obj += "# " + std::to_string(n) + " vertices, " + std::to_string(mesh.TriangleCount()) +
           " triangles\n";
    obj += "mtllib " + mtlName + "\no " + stem + "\n";
    for (const SolidMesh::Vertex& v : mesh.vertices) {
        AppendLine(obj, "v", ScaledPosition(MeshFormat::kObj, v.position, options.mmPerPixel));
    }
    // Texture coordinates count from the picture's bottom-left corner; pixel k spans
    // [k, k + 1) / size, so the nearest texel is the one the renderer takes.
    for (int s = 0; s < 2; ++s) {
        for (const SolidMesh::Vertex& v : mesh.vertices) {
            obj += "vt ";
            AppendNumber(obj, v.textureX / picture[s]->Width());
            obj += ' ';
            AppendNumber(obj, 1.0 - v.textureY / picture[s]->Height());
            obj += '\n';
        }
    }
    // Smooth normals, one set per surface, so that the rim stays sharp.
    const Vec3 facing[2] = {{0.0, 0.0, -1.0}, {0.0, 0.0, 1.0}};
    for (int s = 0; s < 2; ++s) {
        for (const Vec3& n : SurfaceNormals(mesh, s == 0 ? mesh.front : mesh.back, facing[s])) {
            AppendLine(obj, "vn", ToFormatAxes(MeshFormat::kObj, n));
        }
    }
    const auto faces = [&](const std::vector<SolidMesh::Triangle>& triangles, const char* material,
                           std::size_t base) {
        obj += std::string("usemtl ") + material + "\n";
        for (const SolidMesh::Triangle& t : triangles) {
            obj += 'f';
            for (std::uint32_t k : t) {
                const std::string other = std::to_string(base + k + 1);
                obj += ' ' + std::to_string(k + 1) + '/' + other + '/' + other;
            }
            obj += '\n';
        }
    };
    faces(mesh.front, "front", 0);
    faces(mesh.back, "back", n);

    // The textures and the material first, so that a written .obj finds them.
    std::vector<std::string> files{path};
    for (int s = 0; s < 2; ++s) {
        const std::string file = folder + textureName[s];
        WriteFileAtomically(file, EncodePngBytes(*picture[s], file));
        files.push_back(file);
    }
    WriteFileAtomically(folder + mtlName, {mtl.begin(), mtl.end()});
    files.push_back(folder + mtlName);
    WriteFileAtomically(path, {obj.begin(), obj.end()});
    return files;
}

void WritePly(const SolidMesh& mesh, const Raster& front, const Raster& back,
              const MeshExportOptions& options, const std::string& path) {
    CheckMeshOptions(options, path);
    Bytes out;
    out.Text("ply\nformat binary_little_endian 1.0\n");
    out.Text("comment Vonnik! solid, millimetres, y up, front facing +z\n");
    out.Text("element vertex " + std::to_string(mesh.vertices.size()) + "\n");
    out.Text("property float x\nproperty float y\nproperty float z\n");
    out.Text("property uchar red\nproperty uchar green\nproperty uchar blue\n");
    out.Text("element face " + std::to_string(mesh.TriangleCount()) + "\n");
    out.Text("property list uchar int vertex_indices\nend_header\n");
    for (const SolidMesh::Vertex& v : mesh.vertices) {
        for (float c : ScaledPositionF(MeshFormat::kPly, v.position, options.mmPerPixel))
            out.F32(c);
        // A rim vertex lies on both surfaces and carries one colour: the front picture's.
        const Raster& picture = v.side == SolidMesh::Side::kBack ? back : front;
        const Pixel colour = SamplePicture(picture, v.textureX, v.textureY);
        out.U8(static_cast<std::uint8_t>(colour >> 16));
        out.U8(static_cast<std::uint8_t>(colour >> 8));
        out.U8(static_cast<std::uint8_t>(colour));
    }
    for (const auto* triangles : {&mesh.front, &mesh.back}) {
        for (const SolidMesh::Triangle& t : *triangles) {
            out.U8(3);
            for (std::uint32_t k : t) out.U32(k);
        }
    }
    WriteFileAtomically(path, out.data);
}

void WriteStl(const std::vector<PrintPart>& parts, const std::string& path) {
    std::size_t count = 0;
    for (const PrintPart& part : parts) count += part.mesh.TriangleCount();
    if (count > 0xFFFFFFFFu) throw FileError(path, "too many triangles for STL");
    Bytes out;
    // A binary header must not start with "solid", which marks the text form.
    std::string header = "Vonnik! binary STL, millimetres, z up, front facing +z";
    header.resize(80, ' ');
    out.Text(header);
    out.U32(static_cast<std::uint32_t>(count));
    for (const PrintPart& part : parts) {
        const SolidMesh& mesh = part.mesh;
        for (const auto* triangles : {&mesh.front, &mesh.back}) {
            for (const SolidMesh::Triangle& t : *triangles) {
                std::array<float, 3> p[3];
                for (int c = 0; c < 3; ++c) {
                    const Vec3& v = mesh.vertices[t[c]].position;
                    p[c] = {static_cast<float>(v.x) + 0.0f, static_cast<float>(v.y) + 0.0f,
                            static_cast<float>(v.z) + 0.0f};
                }
                // The facet normal of the written corners, in double; 0 for a degenerate one.
                // (The differences are taken in float, as the corners are written.)
                const Vec3 u{p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
                const Vec3 v{p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
                Vec3 n = Cross(u, v);
                const double length = std::sqrt(Dot(n, n));
                if (length > 0.0) n = n / length;
                out.F32(static_cast<float>(n.x) + 0.0f);
                out.F32(static_cast<float>(n.y) + 0.0f);
                out.F32(static_cast<float>(n.z) + 0.0f);
                for (const auto& corner : p)
                    for (float c : corner) out.F32(c);
                out.U16(0);
            }
        }
    }
    WriteFileAtomically(path, out.data);
}

MeshExportResult ExportMesh(const ModelGrid& grid, const ViewPose& view, const Raster& front,
                            const Raster& back, const std::string& path,
                            const MeshExportOptions& options) {
    const std::optional<MeshFormat> format = MeshFormatOfPath(path);
    if (!format)
        throw FileError(path, "the extension names no mesh format (" +
                                  ExtensionList(MeshFormats(), true, ", ") + ")");
    CheckMeshOptions(options, path);
    if (front.Empty() || back.Empty()) throw FileError(path, "there is no model to export");

    MeshExportResult result;
    const auto count = [&](const SolidMesh& mesh) {
        result.vertices += mesh.vertices.size();
        result.triangles += mesh.TriangleCount();
        const EdgeReport edges = CheckEdges(mesh);
        result.edges.edges += edges.edges;
        result.edges.open += edges.open;
        result.edges.nonManifold += edges.nonManifold;
        result.edges.misoriented += edges.misoriented;
        ++result.parts;
    };
    // An empty file helps nobody, and several readers refuse one.
    const char* const nothing = "the model has no solid to export (no figure the lattice reaches)";

    const MeshFormatRow& row = RowOf(*format);
    if (row.print) {
        const PrintLayout layout = LayOutForPrint(grid, view, options.shape, options.mmPerPixel,
                                                  options.sizeMm, options.thicknessMm);
        if (layout.parts.empty()) throw FileError(path, nothing);
        for (const PrintPart& part : layout.parts) {
            count(part.mesh);
            result.volumeMm3 += SignedVolume(part.mesh);  // already in millimetres
        }
        result.mmPerPixel = layout.mmPerPixel;
        std::optional<FilamentPaint> paint;
        if (row.filaments && options.filaments > 0) {
            paint = PaintFilaments(layout.parts, front, back, options.filaments, path);
            result.palette = paint->palette;
            result.share = paint->share;
        }
        result.files = row.write({nullptr, &layout.parts, front, back, result.edges.Closed(),
                                  options, path, paint ? &*paint : nullptr});
        return result;
    }

    const SolidMesh mesh = ManifoldSolid(grid, view);
    if (mesh.Empty()) throw FileError(path, nothing);
    count(mesh);
    MeshExportOptions scaled = options;
    if (options.sizeMm > 0.0) scaled.mmPerPixel = options.sizeMm / LongestSide(mesh);
    const double scale = scaled.mmPerPixel;
    result.mmPerPixel = scale;
    result.volumeMm3 = SignedVolume(mesh) * scale * scale * scale;
    result.files = row.write({&mesh, nullptr, front, back, result.edges.Closed(), scaled, path});
    return result;
}

}  // namespace vonnik
