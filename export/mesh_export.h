#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "builder/model_grid.h"
#include "core/raster.h"
#include "export/print_layout.h"
#include "export/solid_mesh.h"

namespace vonnik {

// The file formats the solid can be written in, chosen by the file's extension.
enum class MeshFormat { kGlb, kObj, kPly, kStl, k3mf };

// The format of a path by its extension (case-insensitive): .glb, .obj, .ply, .stl, .3mf.
std::optional<MeshFormat> MeshFormatOfPath(std::string_view path);
// The format of a bare name as the command line gives it: "glb" or ".glb", ...
std::optional<MeshFormat> MeshFormatNamed(std::string_view name);
// "glb", "obj", "ply", "stl", "3mf".
const char* ExtensionOf(MeshFormat format);

struct MeshExportOptions {
    // Size of one picture pixel in the written file. glTF counts in metres, the other
    // formats in millimetres (what slicers assume for STL).
    double mmPerPixel = 0.1;
    // When above 0: the longest side of the solid's bounding box in millimetres, in place of
    // mmPerPixel.
    double sizeMm = 0.0;
    // How STL and 3MF files lay the solid on the printer's bed; the other formats always
    // hold the whole solid as the viewer shows it.
    PrintShape shape = PrintShape::kWhole;
    friend bool operator==(const MeshExportOptions&, const MeshExportOptions&) = default;
};

// Throws FileError naming path unless the options can be written.
void CheckMeshOptions(const MeshExportOptions& options, const std::string& path);

// Whether the format is one for printing: the solid as built, lying on the bed.
bool IsPrintFormat(MeshFormat format);

// What was written.
struct MeshExportResult {
    std::size_t vertices = 0;  // distinct vertices of the solid (rim vertices counted once)
    std::size_t triangles = 0;
    std::size_t parts = 0;    // separately written pieces (objects of a 3MF file)
    double mmPerPixel = 0.0;  // the scale written
    EdgeReport edges;         // summed over the parts
    double volumeMm3 = 0.0;   // signed volume at the export scale; meaningful without open edges
    std::vector<std::string> files;  // every file written, the named one first
};

// Axes of each format, for a model-space position (x right, y down, z into the screen):
// glTF, OBJ and PLY take y up with the front facing +z (glTF's convention, which most
// tools reading OBJ and PLY share). STL and 3MF lie on the bed (print_layout.h): z up, the
// front facing +z, which is the same turn of the model as built. It is a rotation of the
// model's right-handed axes, so windings and volumes keep their sign. No scaling here.
Vec3 ToFormatAxes(MeshFormat format, const Vec3& model);

// A model-space position as a format stores it: in the format's axes, times scale (the size
// of one pixel in the format's unit). The text formats write these doubles; the binary ones
// store them rounded to single precision, without negative zeros.
Vec3 ScaledPosition(MeshFormat format, const Vec3& model, double scale);
std::array<float, 3> ScaledPositionF(MeshFormat format, const Vec3& model, double scale);

// Writers of one format each. The pictures are the model's front and back pictures (the
// texture and colour sources). Every writer throws FileError naming the file it could not
// write; a file is written whole or not at all.
void WriteGlb(const SolidMesh& mesh, const Raster& front, const Raster& back, bool closed,
              const MeshExportOptions& options, const std::string& path);
// Writes path, the .mtl beside it and the two textures as PNG files; returns every file.
std::vector<std::string> WriteObj(const SolidMesh& mesh, const Raster& front, const Raster& back,
                                  const MeshExportOptions& options, const std::string& path);
void WritePly(const SolidMesh& mesh, const Raster& front, const Raster& back,
              const MeshExportOptions& options, const std::string& path);
// The print formats take the parts as laid out on the bed, in millimetres.
void WriteStl(const std::vector<PrintPart>& parts, const std::string& path);
// One object per part, coloured per corner from the pictures (front triangles from the
// front picture, back triangles from the back picture).
void Write3mf(const std::vector<PrintPart>& parts, const Raster& front, const Raster& back,
              const std::string& path);

// The solid of the model as it stands (a drag turns the exported solid too), with the
// pictures its sides carry, in the format of path's extension. Throws FileError when the
// extension names no format, the options are unusable, the model has no triangle (nothing
// is written then), or a file cannot be written.
MeshExportResult ExportMesh(const ModelGrid& grid, const ViewPose& view, const Raster& front,
                            const Raster& back, const std::string& path,
                            const MeshExportOptions& options = {});

// The colour a vertex carries from a picture: the pixel at (Trunc(x), Trunc(y)), the
// nearest border pixel for a position outside, as the renderer samples it.
Pixel SamplePicture(const Raster& picture, double x, double y);

}  // namespace vonnik
