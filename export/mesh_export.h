#pragma once

#include <array>
#include <optional>
#include <span>
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

struct MeshExportOptions;
struct MeshWriteInput;
struct FilamentPaint;
// Writes one file (and what it needs beside it); returns every file written, path first.
using MeshWriter = std::vector<std::string> (*)(const MeshWriteInput& input);

// One row per format: everything that says what the format is. The command line's help and
// errors and the viewer's file filters read these rows.
struct MeshFormatRow {
    MeshFormat format;
    const char* extension;    // lower case, without the dot
    const char* label;        // the file dialog's filter: "glTF binary"
    const char* description;  // the command line's help
    bool print;               // the solid as built, lying on the printer's bed
    bool filaments;           // can carry a filament for each triangle (--filaments)
    MeshWriter write;
};
std::span<const MeshFormatRow> MeshFormats();
const MeshFormatRow& RowOf(MeshFormat format);

// The format of a path by its extension (case-insensitive): .glb, .obj, .ply, .stl, .3mf.
std::optional<MeshFormat> MeshFormatOfPath(std::string_view path);
// The format of a bare name as the command line gives it: "glb" or ".glb", ...
std::optional<MeshFormat> MeshFormatNamed(std::string_view name);
// "glb", "obj", "ply", "stl", "3mf".
const char* ExtensionOf(MeshFormat format);

// The filaments a painted print can have: what multi-material slicers paint with.
constexpr int kMinFilaments = 2;
constexpr int kMaxFilaments = 16;

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
    // When above 0: STL and 3MF files are this many millimetres thick (each part), their
    // height scaled apart from x and y; sizeMm then measures the longest side across the bed.
    double thicknessMm = 0.0;
    // When 2 or more (up to kMaxFilaments): formats that can carry a filament per triangle
    // paint each triangle with one of this many colours reduced from the figure's (3MF).
    int filaments = 0;
    friend bool operator==(const MeshExportOptions&, const MeshExportOptions&) = default;
};

// Throws FileError naming path unless the options can be written.
void CheckMeshOptions(const MeshExportOptions& options, const std::string& path);

// Whether the format is one for printing: the solid as built, lying on the bed.
bool IsPrintFormat(MeshFormat format);
// The dotted extensions of the formats with a column set: MeshExtensions(&MeshFormatRow::print,
// " and ") is ".stl and .3mf".
std::string MeshExtensions(bool MeshFormatRow::*column, std::string_view last);

// What a format's writer gets: the whole solid for the formats that hold it as the viewer
// shows it, the parts laid out on the bed for the print formats (the other is null).
struct MeshWriteInput {
    const SolidMesh* mesh = nullptr;
    const std::vector<PrintPart>* parts = nullptr;
    const Raster& front;
    const Raster& back;
    bool closed = false;  // the solid has no open or crowded edge
    const MeshExportOptions& options;
    const std::string& path;
    const FilamentPaint* paint = nullptr;  // the parts' filaments, for formats that carry them
};

// What was written.
struct MeshExportResult {
    std::size_t vertices = 0;  // distinct vertices of the solid (rim vertices counted once)
    std::size_t triangles = 0;
    std::size_t parts = 0;    // separately written pieces (objects of a 3MF file)
    double mmPerPixel = 0.0;  // the scale written
    EdgeReport edges;         // summed over the parts
    double volumeMm3 = 0.0;   // signed volume at the export scale; meaningful without open edges
    std::vector<std::string> files;  // every file written, the named one first
    // A painted print: the filaments' colours, the largest share first, and their shares of
    // the surface; empty otherwise.
    std::vector<Pixel> palette;
    std::vector<double> share;
};

// A model-space position (x right, y down, z into the screen) in a file's axes: y up with
// the front facing +z (glTF's convention, which most tools reading OBJ and PLY share), the
// same half turn about x for every format, whatever format says. STL and 3MF get the same
// axes: their vertices were first laid on the bed in the pose of the build
// (print_layout.h), where y up the picture is the bed's y and the front faces +z, up. It is
// a rotation of the model's right-handed axes, so windings and volumes keep their sign. No
// scaling here.
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
// front picture, back triangles from the back picture); with paint, every triangle also
// carries its filament for multi-material slicers (painted_3mf.h).
void Write3mf(const std::vector<PrintPart>& parts, const Raster& front, const Raster& back,
              const std::string& path, const FilamentPaint* paint = nullptr);

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
