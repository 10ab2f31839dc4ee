// The four file formats, read back with plain readers: what each file holds, in which axes
// and units, with which textures or colours; and how the export fails.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <cmath>
#include <filesystem>
#include <set>

#include "core/picture_io.h"
#include "export/mesh_export.h"
#include "tests/export/export_fixtures.h"
#include "tests/export/mesh_checker.h"
#include "tests/export/mesh_readers.h"
#include "tests/export/threemf_reader.h"
#include "tests/support/pictures.h"
#include "viewer/rotation.h"

namespace vonnik {
namespace {

using test::BuiltState;
using test::Panel;

// A disc left of and above the picture's centre (60, 50), so that every axis can be told
// from its mirror image.
Raster UpperLeftDisc() {
    return test::MakeDisc(120, 100, 40, 35, 25);
}

// The same figure in other colours, for the back.
Raster Recoloured(const Raster& picture) {
    Raster r = picture;
    for (Pixel& p : r.Pixels())
        if (ColourOf(p) != test::kWhite) p = ColourOf(~p);
    return r;
}

bool FileExists(const std::string& path) {
    return QFile::exists(QString::fromStdString(path));
}

void ExpectSamePicture(const QImage& image, const Raster& picture, const std::string& what) {
    ASSERT_FALSE(image.isNull()) << what;
    ASSERT_EQ(image.width(), picture.Width()) << what;
    ASSERT_EQ(image.height(), picture.Height()) << what;
    int differing = 0;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            differing += (image.pixel(x, y) & 0xFFFFFFu) != ColourOf(picture.At(x, y)) ? 1 : 0;
    EXPECT_EQ(differing, 0) << what;
}

TEST(MeshFormat, IsChosenByTheExtension) {
    EXPECT_EQ(MeshFormatOfPath("out/disc.glb"), MeshFormat::kGlb);
    EXPECT_EQ(MeshFormatOfPath("DISC.GLB"), MeshFormat::kGlb);
    EXPECT_EQ(MeshFormatOfPath("a.b/disc.Obj"), MeshFormat::kObj);
    EXPECT_EQ(MeshFormatOfPath("disc.ply"), MeshFormat::kPly);
    EXPECT_EQ(MeshFormatOfPath("disc.tar.stl"), MeshFormat::kStl);
    EXPECT_EQ(MeshFormatOfPath("disc"), std::nullopt);
    EXPECT_EQ(MeshFormatOfPath("disc.gltf"), std::nullopt);
    EXPECT_EQ(MeshFormatOfPath("folder.glb/disc"), std::nullopt);
    EXPECT_EQ(MeshFormatOfPath("disc.glb.bak"), std::nullopt);
    EXPECT_EQ(MeshFormatNamed("stl"), MeshFormat::kStl);
    EXPECT_EQ(MeshFormatNamed(".PLY"), MeshFormat::kPly);
    EXPECT_EQ(MeshFormatNamed("bmp"), std::nullopt);
    EXPECT_EQ(MeshFormatNamed(""), std::nullopt);
}

TEST(ExportMesh, FailsWithTheFileNamedAndWritesNothing) {
    const SharedState state = BuiltState(UpperLeftDisc(), Panel("5"));
    const test::TempDir tmp("export-fail");
    const std::string dir = tmp.Path();
    // The error names the file that could not be written: for OBJ the first of its files.
    const auto fails = [&](const SharedState& from, const std::string& path,
                           const MeshExportOptions& options, const std::string& named) {
        try {
            ExportShownSolid(from, path, options);
            ADD_FAILURE() << path << " was written";
        } catch (const FileError& e) {
            EXPECT_EQ(e.Path(), named);
        }
        EXPECT_FALSE(FileExists(path)) << path;
    };
    fails(state, dir + "/disc.dae", {}, dir + "/disc.dae");
    fails(state, dir + "/no-such-folder/disc.glb", {}, dir + "/no-such-folder/disc.glb");
    fails(state, dir + "/no-such-folder/disc.obj", {}, dir + "/no-such-folder/disc_front.png");
    fails(state, dir + "/disc.stl", {0.0}, dir + "/disc.stl");
    fails(state, dir + "/disc.stl", {-1.0}, dir + "/disc.stl");
    fails(state, dir + "/disc.stl", {std::nan("")}, dir + "/disc.stl");

    // No figure, no solid: refused rather than an empty file.
    const SharedState empty = BuiltState(Raster(60, 40, test::kWhite), Panel("5"));
    fails(empty, dir + "/empty.glb", {}, dir + "/empty.glb");
    fails(empty, dir + "/empty.stl", {}, dir + "/empty.stl");
    EXPECT_TRUE(std::filesystem::is_empty(dir));
}

// STL: millimetres, lying on the bed (z up, the front facing +z, lowest point at z = 0,
// centred on x = y = 0); facets wound and normalled outwards.
TEST(ExportMesh, StlLiesOnTheBedInMillimetresWithOutwardFacets) {
    const SharedState state = BuiltState(UpperLeftDisc(), Panel("5"));
    const SolidMesh mesh = MeshFromGrid(state.Grid);
    const test::TempDir tmp("export-stl");
    const std::string path = tmp.Path() + "/disc.stl";
    const MeshExportResult result = ExportShownSolid(state, path, {0.5});
    ASSERT_EQ(result.files, std::vector<std::string>{path});
    EXPECT_TRUE(result.edges.Closed());
    EXPECT_EQ(result.parts, 1u);
    EXPECT_EQ(result.mmPerPixel, 0.5);

    const test::StlFile stl = test::ReadStl(path);
    ASSERT_TRUE(stl.sizeMatches);
    EXPECT_NE(stl.header.rfind("solid", 0), 0u) << "a binary header must not look like text";
    ASSERT_EQ(stl.facets.size(), mesh.TriangleCount());

    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9}, sixfold = 0.0;
    double frontZ = 0.0, backZ = 0.0;
    for (std::size_t k = 0; k < stl.facets.size(); ++k) {
        const test::StlFile::Facet& f = stl.facets[k];
        double u[3], v[3], n[3];
        for (int c = 0; c < 3; ++c) {
            u[c] = f.corner[1][c] - f.corner[0][c];
            v[c] = f.corner[2][c] - f.corner[0][c];
            for (const test::Float3& corner : f.corner) {
                lo[c] = std::min<double>(lo[c], corner[c]);
                hi[c] = std::max<double>(hi[c], corner[c]);
            }
        }
        n[0] = u[1] * v[2] - u[2] * v[1];
        n[1] = u[2] * v[0] - u[0] * v[2];
        n[2] = u[0] * v[1] - u[1] * v[0];
        const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        ASSERT_GT(length, 0.0);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(f.normal[c], n[c] / length, 1e-5);
        const test::Float3 &a = f.corner[0], &b = f.corner[1], &c = f.corner[2];
        sixfold += a[0] * (double(b[1]) * c[2] - double(b[2]) * c[1]) +
                   a[1] * (double(b[2]) * c[0] - double(b[0]) * c[2]) +
                   a[2] * (double(b[0]) * c[1] - double(b[1]) * c[0]);
        (k < mesh.front.size() ? frontZ : backZ) += n[2] / length;
    }
    EXPECT_NEAR(sixfold / 6.0, result.volumeMm3, 1e-4 * result.volumeMm3);
    EXPECT_GT(result.volumeMm3, 0.0);
    // 50 pixels across = 25 mm in x and in y, centred; on the bed; the front (the first
    // facets) faces up, the back down.
    EXPECT_NEAR(lo[0] + hi[0], 0.0, 1e-5);
    EXPECT_NEAR(lo[1] + hi[1], 0.0, 1e-5);
    EXPECT_EQ(lo[2], 0.0);
    EXPECT_NEAR(hi[0] - lo[0], 50 * 0.5, 2.0);
    EXPECT_NEAR(hi[1] - lo[1], 50 * 0.5, 2.0);
    EXPECT_GT(frontZ, 0.5 * mesh.front.size());
    EXPECT_LT(backZ, -0.5 * mesh.back.size());
}

// The print formats hold the solid as built: a drag in the viewer does not tip it over.
TEST(ExportMesh, StlIsTheBuiltSolidWhateverTheViewersTurn) {
    const test::TempDir temp("export-stl-turned");
    const std::string dir = temp.Path();
    SharedState state = BuiltState(UpperLeftDisc(), Panel("5"));
    ExportShownSolid(state, dir + "/upright.stl", {0.5});
    MouseTrack mouse{20, 20};
    DragTo(state, mouse, 70, 55);
    DragTo(state, mouse, 90, 10);
    ExportShownSolid(state, dir + "/turned.stl", {0.5});
    const test::StlFile upright = test::ReadStl(dir + "/upright.stl");
    const test::StlFile turned = test::ReadStl(dir + "/turned.stl");
    ASSERT_EQ(upright.facets.size(), turned.facets.size());
    for (std::size_t k = 0; k < upright.facets.size(); ++k)
        for (int c = 0; c < 3; ++c)
            for (int a = 0; a < 3; ++a)
                ASSERT_NEAR(upright.facets[k].corner[c][a], turned.facets[k].corner[c][a], 1e-4)
                    << "facet " << k;
}

// glTF: metres, y up, the front facing +z; both pictures embedded as PNG, one material each;
// one vertex list for both surfaces.
TEST(ExportMesh, GlbCarriesBothPicturesAndSharesTheRim) {
    const Raster front = UpperLeftDisc();
    const Raster back = Recoloured(test::MakeDisc(90, 70, 40, 35, 25));
    const SharedState state = BuiltState(front, Panel("5"), back);
    const SolidMesh mesh = MeshFromGrid(state.Grid);
    const test::TempDir tmp("export-glb");
    const std::string path = tmp.Path() + "/disc.glb";
    ExportShownSolid(state, path, {0.25});

    const test::GlbFile glb = test::ReadGlb(path);
    ASSERT_TRUE(glb.headerValid);
    EXPECT_EQ(glb.json["asset"].toObject()["version"].toString(), "2.0");
    const QJsonArray materials = glb.json["materials"].toArray();
    ASSERT_EQ(materials.size(), 2);
    EXPECT_EQ(materials[0].toObject()["name"].toString(), "front");
    EXPECT_EQ(materials[1].toObject()["name"].toString(), "back");
    const QJsonArray textures = glb.json["textures"].toArray();
    const QJsonArray images = glb.json["images"].toArray();
    ASSERT_EQ(images.size(), 2);
    const Raster* pictures[2] = {&state.FrontPicture, &state.BackPicture};
    for (int m = 0; m < 2; ++m) {
        const int texture = materials[m]
                                .toObject()["pbrMetallicRoughness"]
                                .toObject()["baseColorTexture"]
                                .toObject()["index"]
                                .toInt(-1);
        ASSERT_GE(texture, 0);
        const QJsonObject image = images[textures[texture].toObject()["source"].toInt()].toObject();
        EXPECT_EQ(image["mimeType"].toString(), "image/png");
        EXPECT_FALSE(image.contains("uri"));
        const std::vector<unsigned char> png = glb.ViewBytes(image["bufferView"].toInt());
        ExpectSamePicture(QImage::fromData(png.data(), static_cast<int>(png.size()), "PNG"),
                          *pictures[m], m == 0 ? "front texture" : "back texture");
    }

    const QJsonArray primitives =
        glb.json["meshes"].toArray()[0].toObject()["primitives"].toArray();
    ASSERT_EQ(primitives.size(), 2);
    const QJsonObject frontPrim = primitives[0].toObject(), backPrim = primitives[1].toObject();
    const int position = frontPrim["attributes"].toObject()["POSITION"].toInt();
    EXPECT_EQ(backPrim["attributes"].toObject()["POSITION"].toInt(), position);
    const std::vector<float> xyz = glb.Floats(position);
    ASSERT_EQ(xyz.size(), mesh.vertices.size() * 3);
    EXPECT_EQ(glb.Uints(frontPrim["indices"].toInt()).size(), mesh.front.size() * 3);
    EXPECT_EQ(glb.Uints(backPrim["indices"].toInt()).size(), mesh.back.size() * 3);

    // Positions in metres, y up, front towards +z; texture coordinates of each surface in its
    // own picture, from the top-left corner.
    const std::vector<float> frontUv =
        glb.Floats(frontPrim["attributes"].toObject()["TEXCOORD_0"].toInt());
    const std::vector<float> backUv =
        glb.Floats(backPrim["attributes"].toObject()["TEXCOORD_0"].toInt());
    ASSERT_EQ(frontUv.size(), mesh.vertices.size() * 2);
    ASSERT_EQ(backUv.size(), mesh.vertices.size() * 2);
    const double metres = 0.25 / 1000;
    for (std::size_t n = 0; n < mesh.vertices.size(); ++n) {
        const SolidMesh::Vertex& v = mesh.vertices[n];
        EXPECT_FLOAT_EQ(xyz[3 * n], static_cast<float>(v.position.x * metres));
        EXPECT_FLOAT_EQ(xyz[3 * n + 1], static_cast<float>(-v.position.y * metres));
        EXPECT_FLOAT_EQ(xyz[3 * n + 2] + 0.0f, static_cast<float>(-v.position.z * metres) + 0.0f);
        EXPECT_FLOAT_EQ(frontUv[2 * n], static_cast<float>(v.textureX / 120));
        EXPECT_FLOAT_EQ(frontUv[2 * n + 1], static_cast<float>(v.textureY / 100));
        EXPECT_FLOAT_EQ(backUv[2 * n], static_cast<float>(v.textureX / 90));
        EXPECT_FLOAT_EQ(backUv[2 * n + 1], static_cast<float>(v.textureY / 70));
    }
    const QJsonObject accessor = glb.json["accessors"].toArray()[position].toObject();
    const QJsonArray min = accessor["min"].toArray(), max = accessor["max"].toArray();
    ASSERT_EQ(min.size(), 3);
    EXPECT_GT(min[1].toDouble() + max[1].toDouble(), 0.0) << "the figure is in the upper half";
    EXPECT_LT(min[0].toDouble() + max[0].toDouble(), 0.0) << "the figure is in the left half";
}

TEST(ExportMesh, GlbOfASingleSidedBuildEmbedsThePictureOnce) {
    const SharedState state = BuiltState(UpperLeftDisc(), Panel("5"));
    const test::TempDir tmp("export-glb1");
    const std::string path = tmp.Path() + "/disc.glb";
    ExportShownSolid(state, path);
    const test::GlbFile glb = test::ReadGlb(path);
    ASSERT_TRUE(glb.headerValid);
    EXPECT_EQ(glb.json["images"].toArray().size(), 1);
    EXPECT_EQ(glb.json["materials"].toArray().size(), 2);
}

// OBJ: the .mtl and both textures beside it, y up, millimetres; positions shared by both
// materials, texture coordinates counted from the bottom-left corner.
TEST(ExportMesh, ObjComesWithItsMaterialsAndTextures) {
    const Raster front = UpperLeftDisc();
    const SharedState state = BuiltState(front, Panel("5"), Recoloured(front));
    const SolidMesh mesh = MeshFromGrid(state.Grid);
    const test::TempDir tmp("export-obj");
    const std::string dir = tmp.Path();
    const std::string path = dir + "/my disc.obj";
    const MeshExportResult result = ExportShownSolid(state, path);
    const std::vector<std::string> files{path, dir + "/my_disc_front.png",
                                         dir + "/my_disc_back.png", dir + "/my_disc.mtl"};
    EXPECT_EQ(result.files, files);
    for (const std::string& f : files) EXPECT_TRUE(FileExists(f)) << f;

    const test::ObjFile obj = test::ReadObj(path);
    EXPECT_EQ(obj.mtllib, std::vector<std::string>{"my_disc.mtl"});
    const std::map<std::string, std::string> textures = test::ReadMtlTextures(dir + "/my_disc.mtl");
    EXPECT_EQ(textures.at("front"), "my_disc_front.png");
    EXPECT_EQ(textures.at("back"), "my_disc_back.png");
    ExpectSamePicture(QImage(QString::fromStdString(dir + "/my_disc_front.png")),
                      state.FrontPicture, "front texture");
    ExpectSamePicture(QImage(QString::fromStdString(dir + "/my_disc_back.png")), state.BackPicture,
                      "back texture");

    ASSERT_EQ(obj.v.size(), mesh.vertices.size());
    ASSERT_EQ(obj.faces.size(), mesh.TriangleCount());
    const std::size_t n = mesh.vertices.size();
    for (std::size_t k = 0; k < obj.faces.size(); ++k) {
        const test::ObjFile::Face& f = obj.faces[k];
        const bool isFront = k < mesh.front.size();
        EXPECT_EQ(f.material, isFront ? "front" : "back");
        const SolidMesh::Triangle& t = isFront ? mesh.front[k] : mesh.back[k - mesh.front.size()];
        for (int c = 0; c < 3; ++c) {
            ASSERT_EQ(f.v[c], static_cast<int>(t[c]) + 1);
            ASSERT_EQ(f.vt[c], static_cast<int>(t[c] + 1 + (isFront ? 0 : n)));
        }
    }
    for (std::size_t k = 0; k < n; ++k) {
        const SolidMesh::Vertex& v = mesh.vertices[k];
        EXPECT_FLOAT_EQ(obj.v[k][0], static_cast<float>(v.position.x * 0.1));
        EXPECT_FLOAT_EQ(obj.v[k][1], static_cast<float>(-v.position.y * 0.1));
        EXPECT_NEAR(obj.vt[k][0], v.textureX / 120, 1e-12);
        EXPECT_NEAR(obj.vt[k][1], 1.0 - v.textureY / 100, 1e-12);
    }
}

// PLY: colours per vertex from the picture of the vertex's surface (the rim's from the
// front), sampled at the pixel under its texture coordinates.
TEST(ExportMesh, PlyColoursEachVertexFromItsSurfacesPicture) {
    const Raster front = UpperLeftDisc();
    const SharedState state = BuiltState(front, Panel("5"), Recoloured(front));
    const SolidMesh mesh = MeshFromGrid(state.Grid);
    const test::TempDir tmp("export-ply");
    const std::string path = tmp.Path() + "/disc.ply";
    ExportShownSolid(state, path, {2.0});

    const test::PlyFile ply = test::ReadPly(path);
    ASSERT_TRUE(ply.sizeMatches);
    EXPECT_EQ(ply.header.at(1), "format binary_little_endian 1.0");
    ASSERT_EQ(ply.vertices.size(), mesh.vertices.size());
    ASSERT_EQ(ply.faces.size(), mesh.TriangleCount());
    int frontColoured = 0, backColoured = 0;
    for (std::size_t k = 0; k < mesh.vertices.size(); ++k) {
        const SolidMesh::Vertex& v = mesh.vertices[k];
        const test::PlyFile::Vertex& p = ply.vertices[k];
        const Raster& picture =
            v.side == SolidMesh::Side::kBack ? state.BackPicture : state.FrontPicture;
        const Pixel expected =
            ColourOf(picture.At(static_cast<int>(v.textureX), static_cast<int>(v.textureY)));
        EXPECT_EQ((Pixel{p.red} << 16) | (Pixel{p.green} << 8) | p.blue, expected) << k;
        (v.side == SolidMesh::Side::kBack ? backColoured : frontColoured) += 1;
        EXPECT_FLOAT_EQ(p.position[1], static_cast<float>(-v.position.y * 2.0));
    }
    EXPECT_GT(frontColoured, 0);
    EXPECT_GT(backColoured, 0);
    for (std::size_t k = 0; k < mesh.front.size(); ++k)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(ply.faces[k][c], static_cast<std::int32_t>(mesh.front[k][c]));
}

}  // namespace
}  // namespace vonnik

namespace vonnik {
namespace {

// Every pixel colour of a picture.
std::set<std::uint32_t> ColoursOf(const Raster& picture) {
    std::set<std::uint32_t> colours;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) colours.insert(picture.At(x, y) & 0xFFFFFF);
    return colours;
}

// 3MF: millimetres, one object per half, each closed; the front's triangles coloured from
// the front picture and the back's from the back picture; the same corners as the STL.
TEST(ExportMesh, ThreeMfHoldsOneColouredClosedObjectPerHalf) {
    const Raster front = UpperLeftDisc();
    const Raster back = Recoloured(test::MakeDisc(120, 100, 40, 35, 25));
    const SharedState state = BuiltState(front, Panel("5"), back);
    const SolidMesh mesh = MeshFromGrid(state.Grid);
    const test::TempDir temp("export-3mf");
    const std::string dir = temp.Path();
    MeshExportOptions options{0.5};
    options.shape = PrintShape::kHalves;
    const MeshExportResult result = ExportShownSolid(state, dir + "/disc.3mf", options);
    ExportShownSolid(state, dir + "/disc.stl", options);
    EXPECT_EQ(result.parts, 2u);
    EXPECT_TRUE(result.edges.Closed());

    const test::ThreeMfFile file = test::Read3mf(dir + "/disc.3mf");
    ASSERT_TRUE(file.read) << file.error;
    EXPECT_EQ(file.unit, "millimeter");
    ASSERT_EQ(file.objects.size(), 2u);
    EXPECT_EQ(file.objects[0].name, "front");
    EXPECT_EQ(file.objects[1].name, "back");
    const test::StlFile stl = test::ReadStl(dir + "/disc.stl");
    std::size_t facet = 0;
    double volume = 0.0;
    const std::set<std::uint32_t> frontColours = ColoursOf(front), backColours = ColoursOf(back);
    for (const test::ThreeMfFile::Object& o : file.objects) {
        std::vector<std::array<double, 3>> positions;
        for (const test::Float3& v : o.vertices) positions.push_back({v[0], v[1], v[2]});
        const test::MeshCheck check = test::CheckMesh(positions, o.triangles);
        EXPECT_TRUE(check.ClosedManifold()) << o.name;
        EXPECT_GT(check.volume, 0.0) << o.name;
        volume += check.volume;
        ASSERT_EQ(o.triangles.size(), mesh.TriangleCount()) << o.name;
        ASSERT_EQ(o.colours.size(), o.triangles.size()) << o.name;
        for (std::size_t t = 0; t < o.triangles.size(); ++t, ++facet) {
            ASSERT_LT(facet, stl.facets.size());
            for (int c = 0; c < 3; ++c) {
                // 3MF writes its numbers as text with six decimals.
                for (int a = 0; a < 3; ++a)
                    EXPECT_NEAR(o.vertices[o.triangles[t][c]][a], stl.facets[facet].corner[c][a],
                                1e-5)
                        << o.name;
                const auto& colours = t < mesh.front.size() ? frontColours : backColours;
                EXPECT_TRUE(colours.count(o.colours[t][c])) << o.name << " triangle " << t;
            }
        }
    }
    EXPECT_NEAR(volume, result.volumeMm3, 1e-4 * result.volumeMm3);
    // The front half lies left of x = 0, the back half right, 5 mm apart.
    float frontRight = -1e9f, backLeft = 1e9f;
    for (const test::Float3& v : file.objects[0].vertices) frontRight = std::max(frontRight, v[0]);
    for (const test::Float3& v : file.objects[1].vertices) backLeft = std::min(backLeft, v[0]);
    EXPECT_NEAR(frontRight, -2.5f, 1e-4f);
    EXPECT_NEAR(backLeft, 2.5f, 1e-4f);
}

// --flat-back: the back's triangles lie flat on the bed, facing down; the front rises above.
// --size-mm: the longest side of the solid.
TEST(ExportMesh, FlatBackLiesOnTheBedAtTheSizeAsked) {
    const SharedState state = BuiltState(UpperLeftDisc(), Panel("5"));
    const SolidMesh mesh = MeshFromGrid(state.Grid);
    const test::TempDir temp("export-flat");
    const std::string path = temp.Path() + "/disc.stl";
    MeshExportOptions options;
    options.shape = PrintShape::kFlatBack;
    options.sizeMm = 30.0;
    const MeshExportResult result = ExportShownSolid(state, path, options);
    const test::StlFile stl = test::ReadStl(path);
    ASSERT_EQ(stl.facets.size(), mesh.TriangleCount());
    float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
    for (std::size_t k = 0; k < stl.facets.size(); ++k) {
        const test::StlFile::Facet& f = stl.facets[k];
        for (const test::Float3& c : f.corner)
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], c[a]);
                hi[a] = std::max(hi[a], c[a]);
            }
        if (k < mesh.front.size()) continue;
        for (const test::Float3& c : f.corner) EXPECT_EQ(c[2], 0.0f) << "base facet " << k;
        EXPECT_EQ(f.normal[2], -1.0f) << "base facet " << k;
    }
    EXPECT_EQ(lo[2], 0.0f);
    EXPECT_NEAR(std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]}), 30.0f, 1e-4f);
    EXPECT_GT(hi[2], 0.0f);
    EXPECT_LT(hi[2], 15.0f) << "half a dome's height";
    EXPECT_NEAR(result.mmPerPixel * 50.0, 30.0, 30.0 * 0.05) << "the disc is 50 pixels across";
    EXPECT_GT(result.volumeMm3, 0.0);
}

}  // namespace
}  // namespace vonnik

namespace vonnik {
namespace {

// GLB and OBJ carry smooth normals: at each vertex, per surface, the area-weighted average of
// the normals of that surface's triangles around it. Rim vertices get one normal for the
// front and another for the back, so the rim stays sharp. The two files agree.
TEST(ExportMesh, GlbAndObjCarrySmoothNormalsSharpAtTheRim) {
    const SharedState state = BuiltState(UpperLeftDisc(), Panel("5"));
    const SolidMesh mesh = MeshFromGrid(state.Grid);
    const test::TempDir temp("export-normals");
    const std::string dir = temp.Path();
    ExportShownSolid(state, dir + "/disc.obj");
    ExportShownSolid(state, dir + "/disc.glb");
    const test::ObjFile obj = test::ReadObj(dir + "/disc.obj");
    const std::size_t n = obj.v.size();
    ASSERT_EQ(n, mesh.vertices.size());
    ASSERT_EQ(obj.vn.size(), 2 * n);

    // The averages, from the file's own positions and faces.
    std::vector<std::array<double, 3>> sum(2 * n, {0.0, 0.0, 0.0});
    for (const test::ObjFile::Face& f : obj.faces) {
        const test::Float3 &a = obj.v[f.v[0] - 1], &b = obj.v[f.v[1] - 1], &c = obj.v[f.v[2] - 1];
        const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const double w[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const double cross[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                                 u[0] * w[1] - u[1] * w[0]};
        for (int k = 0; k < 3; ++k) {
            ASSERT_EQ(f.vn[k], f.vt[k]) << "one normal per vertex and surface";
            for (int a2 = 0; a2 < 3; ++a2) sum[f.vn[k] - 1][a2] += cross[a2];
        }
    }
    std::size_t rim = 0;
    for (std::size_t k = 0; k < 2 * n; ++k) {
        const test::Float3& vn = obj.vn[k];
        const double length = std::sqrt(vn[0] * vn[0] + vn[1] * vn[1] + vn[2] * vn[2]);
        EXPECT_NEAR(length, 1.0, 1e-6) << k;
        const double s =
            std::sqrt(sum[k][0] * sum[k][0] + sum[k][1] * sum[k][1] + sum[k][2] * sum[k][2]);
        if (s == 0.0) continue;  // the other surface's vertex
        for (int a = 0; a < 3; ++a) EXPECT_NEAR(vn[a], sum[k][a] / s, 1e-4) << k;
        if (k < n && mesh.vertices[k].side == SolidMesh::Side::kBoth) {
            ++rim;
            // Sharp: the front's normal leans to the viewer (+z), the back's away.
            EXPECT_GT(vn[2], 0.0f) << k;
            EXPECT_LT(obj.vn[n + k][2], 0.0f) << k;
        }
    }
    EXPECT_GT(rim, 10u);

    const test::GlbFile glb = test::ReadGlb(dir + "/disc.glb");
    ASSERT_TRUE(glb.headerValid);
    const QJsonArray primitives =
        glb.json["meshes"].toArray()[0].toObject()["primitives"].toArray();
    ASSERT_EQ(primitives.size(), 2);
    for (int s = 0; s < 2; ++s) {
        const std::vector<float> normals =
            glb.Floats(primitives[s].toObject()["attributes"].toObject()["NORMAL"].toInt(-1));
        ASSERT_EQ(normals.size(), 3 * n);
        for (std::size_t k = 0; k < n; ++k)
            for (int a = 0; a < 3; ++a)
                EXPECT_NEAR(normals[3 * k + a], obj.vn[s * n + k][a], 1e-6) << s << " " << k;
    }
}

}  // namespace
}  // namespace vonnik
