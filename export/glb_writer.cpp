// The binary glTF writer: the model is assembled as a tinygltf model and serialised by the
// library, with both pictures embedded as PNG images in the binary chunk.
#include <tiny_gltf.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <sstream>

#include "core/picture_io.h"
#include "export/mesh_export.h"
#include "export/normals.h"

namespace vonnik {

namespace {

// Appends raw bytes to the one buffer as a new buffer view, 4-byte aligned as accessors
// need; returns the view's index.
int AddView(tinygltf::Model& model, const void* data, std::size_t size, int target) {
    std::vector<unsigned char>& buffer = model.buffers[0].data;
    buffer.resize((buffer.size() + 3) / 4 * 4, 0);
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = buffer.size();
    view.byteLength = size;
    view.target = target;
    const auto* bytes = static_cast<const unsigned char*>(data);
    buffer.insert(buffer.end(), bytes, bytes + size);
    model.bufferViews.push_back(view);
    return static_cast<int>(model.bufferViews.size() - 1);
}

int AddAccessor(tinygltf::Model& model, int view, int componentType, int type, std::size_t count) {
    tinygltf::Accessor accessor;
    accessor.bufferView = view;
    accessor.byteOffset = 0;
    accessor.componentType = componentType;
    accessor.type = type;
    accessor.count = count;
    model.accessors.push_back(accessor);
    return static_cast<int>(model.accessors.size() - 1);
}

int AddImage(tinygltf::Model& model, const Raster& picture, const std::string& name,
             const std::string& path) {
    const std::vector<unsigned char> png = EncodePngBytes(picture, path);
    tinygltf::Image image;
    image.name = name;
    image.mimeType = "image/png";
    image.bufferView = AddView(model, png.data(), png.size(), 0);
    model.images.push_back(image);
    return static_cast<int>(model.images.size() - 1);
}

// Texture coordinates of every vertex in one picture: u = x / width, v = y / height from the
// top-left corner (glTF's origin), so pixel k spans [k, k + 1) / size as the renderer's
// truncation takes it.
int AddTextureCoordinates(tinygltf::Model& model, const SolidMesh& mesh, const Raster& picture) {
    std::vector<float> uv;
    uv.reserve(mesh.vertices.size() * 2);
    for (const SolidMesh::Vertex& v : mesh.vertices) {
        uv.push_back(static_cast<float>(v.textureX / picture.Width()));
        uv.push_back(static_cast<float>(v.textureY / picture.Height()));
    }
    const int view =
        AddView(model, uv.data(), uv.size() * sizeof(float), TINYGLTF_TARGET_ARRAY_BUFFER);
    return AddAccessor(model, view, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC2,
                       mesh.vertices.size());
}

// Unit normals of every vertex for one surface, turned into glTF's axes.
int AddNormals(tinygltf::Model& model, const SolidMesh& mesh,
               const std::vector<SolidMesh::Triangle>& surface, const Vec3& fallback) {
    std::vector<float> values;
    values.reserve(mesh.vertices.size() * 3);
    for (const Vec3& n : SurfaceNormals(mesh, surface, fallback)) {
        const Vec3 turned = ToFormatAxes(MeshFormat::kGlb, n);
        values.push_back(static_cast<float>(turned.x) + 0.0f);
        values.push_back(static_cast<float>(turned.y) + 0.0f);
        values.push_back(static_cast<float>(turned.z) + 0.0f);
    }
    const int view =
        AddView(model, values.data(), values.size() * sizeof(float), TINYGLTF_TARGET_ARRAY_BUFFER);
    return AddAccessor(model, view, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3,
                       mesh.vertices.size());
}

int AddIndices(tinygltf::Model& model, const std::vector<SolidMesh::Triangle>& triangles) {
    std::vector<std::uint32_t> indices;
    indices.reserve(triangles.size() * 3);
    for (const SolidMesh::Triangle& t : triangles)
        indices.insert(indices.end(), t.begin(), t.end());
    const int view = AddView(model, indices.data(), indices.size() * sizeof(std::uint32_t),
                             TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
    return AddAccessor(model, view, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR,
                       indices.size());
}

int AddMaterial(tinygltf::Model& model, const std::string& name, int image, bool doubleSided) {
    tinygltf::Texture texture;
    texture.source = image;
    texture.sampler = 0;
    model.textures.push_back(texture);
    tinygltf::Material material;
    material.name = name;
    material.pbrMetallicRoughness.baseColorTexture.index =
        static_cast<int>(model.textures.size() - 1);
    // A matte, non-metallic surface: the program lights it diffusely only.
    material.pbrMetallicRoughness.metallicFactor = 0.0;
    material.pbrMetallicRoughness.roughnessFactor = 1.0;
    material.doubleSided = doubleSided;
    model.materials.push_back(material);
    return static_cast<int>(model.materials.size() - 1);
}

void AddGeometry(tinygltf::Model& model, const SolidMesh& mesh, const Raster& front,
                 const Raster& back, bool closed, double metresPerPixel, const std::string& path) {
    model.buffers.emplace_back();

    // One vertex list for both surfaces: the rim vertices are shared, which keeps the solid
    // closed. Each surface carries its own smooth normals, so the rim stays sharp.
    std::vector<float> positions;
    positions.reserve(mesh.vertices.size() * 3);
    std::array<double, 3> lo, hi;
    lo.fill(std::numeric_limits<double>::infinity());
    hi.fill(-std::numeric_limits<double>::infinity());
    for (const SolidMesh::Vertex& v : mesh.vertices) {
        const std::array<float, 3> c =
            ScaledPositionF(MeshFormat::kGlb, v.position, metresPerPixel);
        for (int k = 0; k < 3; ++k) {
            positions.push_back(c[k]);
            lo[k] = std::min(lo[k], static_cast<double>(c[k]));
            hi[k] = std::max(hi[k], static_cast<double>(c[k]));
        }
    }
    const int positionView = AddView(model, positions.data(), positions.size() * sizeof(float),
                                     TINYGLTF_TARGET_ARRAY_BUFFER);
    const int position = AddAccessor(model, positionView, TINYGLTF_COMPONENT_TYPE_FLOAT,
                                     TINYGLTF_TYPE_VEC3, mesh.vertices.size());
    model.accessors[position].minValues.assign(lo.begin(), lo.end());
    model.accessors[position].maxValues.assign(hi.begin(), hi.end());

    tinygltf::Sampler sampler;
    sampler.magFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
    sampler.minFilter = TINYGLTF_TEXTURE_FILTER_LINEAR_MIPMAP_LINEAR;
    // Outside the picture the nearest border pixel, as the renderer clamps.
    sampler.wrapS = TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE;
    sampler.wrapT = TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE;
    model.samplers.push_back(sampler);

    // A single-sided build textures both surfaces from equal pictures: embed that one once.
    const int frontImage = AddImage(model, front, "front", path);
    const int backImage = back == front ? frontImage : AddImage(model, back, "back", path);
    // An open solid shows its inside through the holes.
    const int frontMaterial = AddMaterial(model, "front", frontImage, !closed);
    const int backMaterial = AddMaterial(model, "back", backImage, !closed);

    tinygltf::Mesh gltfMesh;
    gltfMesh.name = "solid";
    const struct {
        const std::vector<SolidMesh::Triangle>* triangles;
        const Raster* picture;
        int material;
        Vec3 facing;  // in the model's axes: the front faces the viewer
    } surfaces[2] = {{&mesh.front, &front, frontMaterial, {0.0, 0.0, -1.0}},
                     {&mesh.back, &back, backMaterial, {0.0, 0.0, 1.0}}};
    for (const auto& surface : surfaces) {
        tinygltf::Primitive primitive;
        primitive.mode = TINYGLTF_MODE_TRIANGLES;
        primitive.attributes["POSITION"] = position;
        primitive.attributes["NORMAL"] =
            AddNormals(model, mesh, *surface.triangles, surface.facing);
        primitive.attributes["TEXCOORD_0"] = AddTextureCoordinates(model, mesh, *surface.picture);
        primitive.indices = AddIndices(model, *surface.triangles);
        primitive.material = surface.material;
        gltfMesh.primitives.push_back(primitive);
    }
    model.meshes.push_back(gltfMesh);
    model.nodes[0].mesh = 0;
    model.buffers[0].data.resize((model.buffers[0].data.size() + 3) / 4 * 4, 0);
}

}  // namespace

void WriteGlb(const SolidMesh& mesh, const Raster& front, const Raster& back, bool closed,
              const MeshExportOptions& options, const std::string& path) {
    CheckMeshOptions(options, path);
    if (mesh.vertices.size() > std::numeric_limits<std::uint32_t>::max() / 3)
        throw FileError(path, "too many vertices for one glTF mesh");
    tinygltf::Model model;
    model.asset.version = "2.0";
    model.asset.generator = "Vonnik!";
    tinygltf::Node node;
    node.name = "solid";
    model.nodes.push_back(node);
    tinygltf::Scene scene;
    scene.nodes.push_back(0);
    model.scenes.push_back(scene);
    model.defaultScene = 0;
    // A model without triangles leaves the node without a mesh: a mesh needs a primitive,
    // and an accessor at least one element.
    if (!mesh.Empty())
        AddGeometry(model, mesh, front, back, closed, options.mmPerPixel / 1000.0, path);

    std::ostringstream stream;
    tinygltf::TinyGLTF writer;
    if (!writer.WriteGltfSceneToStream(&model, stream, false, true))
        throw FileError(path, "cannot serialise the glTF model");
    const std::string bytes = stream.str();
    WriteFileAtomically(path, {bytes.begin(), bytes.end()});
}

}  // namespace vonnik
