// The 3MF writer: the parts are handed to lib3mf as mesh objects, one build item each, with
// one colour per triangle corner from the pictures (the materials extension's colour group);
// the library writes the package, which a painted print extends (painted_3mf.h) before it is
// put in place whole.
#include <Model/COM/NMR_DLLInterfaces.h>

#include <limits>
#include <memory>

#include "core/picture_io.h"
#include "export/mesh_export.h"
#include "export/painted_3mf.h"

namespace vonnik {

namespace {

// Owns one lib3mf object and releases it.
template <typename T>
struct Released {
    T* object = nullptr;
    ~Released() {
        if (object != nullptr) NMR::lib3mf_release(object);
    }
    Released() = default;
    Released(const Released&) = delete;
    Released& operator=(const Released&) = delete;
};

// Turns a failed call into a FileError naming the file and lib3mf's own reason.
class Calls {
  public:
    explicit Calls(const std::string& path) : path_(path) {}
    void operator()(LIB3MFRESULT result, NMR::PLib3MFBase* source, const char* what) const {
        if (result == LIB3MF_OK) return;
        std::string reason = what;
        DWORD code = 0;
        LPCSTR message = nullptr;
        if (source != nullptr && NMR::lib3mf_getlasterror(source, &code, &message) == LIB3MF_OK &&
            message != nullptr && *message != '\0')
            reason += std::string(": ") + message;
        throw FileError(path_, "cannot write the 3MF file (" + reason + ")");
    }

  private:
    std::string path_;
};

NMR::MODELMESHCOLOR_SRGB ColourAt(const Raster& picture, const SolidMesh::Vertex& v) {
    const Pixel p = SamplePicture(picture, v.textureX, v.textureY);
    return {static_cast<BYTE>(p >> 16), static_cast<BYTE>(p >> 8), static_cast<BYTE>(p), 255};
}

void AddPart(NMR::PLib3MFModel* model, const PrintPart& part, const Raster& front,
             const Raster& back, const Calls& call) {
    const SolidMesh& mesh = part.mesh;
    Released<NMR::PLib3MFModelMeshObject> object;
    call(NMR::lib3mf_model_addmeshobject(model, &object.object), model, "adding an object");
    call(NMR::lib3mf_object_setnameutf8(object.object, part.name.c_str()), object.object,
         "naming an object");

    std::vector<NMR::MODELMESHVERTEX> vertices;
    vertices.reserve(mesh.vertices.size());
    for (const SolidMesh::Vertex& v : mesh.vertices)
        vertices.push_back(
            {{static_cast<float>(v.position.x) + 0.0f, static_cast<float>(v.position.y) + 0.0f,
              static_cast<float>(v.position.z) + 0.0f}});
    std::vector<NMR::MODELMESHTRIANGLE> triangles;
    std::vector<NMR::MODELMESH_TRIANGLECOLOR_SRGB> colours;
    triangles.reserve(mesh.TriangleCount());
    colours.reserve(mesh.TriangleCount());
    const auto add = [&](const std::vector<SolidMesh::Triangle>& list, const Raster& picture) {
        for (const SolidMesh::Triangle& t : list) {
            triangles.push_back({{t[0], t[1], t[2]}});
            NMR::MODELMESH_TRIANGLECOLOR_SRGB colour;
            for (int c = 0; c < 3; ++c) colour.m_Colors[c] = ColourAt(picture, mesh.vertices[t[c]]);
            colours.push_back(colour);
        }
    };
    add(mesh.front, front);
    add(mesh.back, back);
    call(NMR::lib3mf_meshobject_setgeometry(object.object, vertices.data(),
                                            static_cast<DWORD>(vertices.size()), triangles.data(),
                                            static_cast<DWORD>(triangles.size())),
         object.object, "setting an object's geometry");

    Released<NMR::PLib3MFPropertyHandler> properties;
    call(NMR::lib3mf_meshobject_createpropertyhandler(object.object, &properties.object),
         object.object, "colouring an object");
    call(NMR::lib3mf_propertyhandler_setgradientcolorarray(properties.object, colours.data()),
         properties.object, "colouring an object");
    // An object with coloured triangles needs a colour of its own: the front's middle pixel.
    Released<NMR::PLib3MFDefaultPropertyHandler> fallback;
    call(NMR::lib3mf_object_createdefaultpropertyhandler(object.object, &fallback.object),
         object.object, "colouring an object");
    const Pixel middle = SamplePicture(front, front.Width() / 2, front.Height() / 2);
    call(NMR::lib3mf_defaultpropertyhandler_setcolorrgb(
             fallback.object, static_cast<BYTE>(middle >> 16), static_cast<BYTE>(middle >> 8),
             static_cast<BYTE>(middle)),
         fallback.object, "colouring an object");

    Released<NMR::PLib3MFModelBuildItem> item;
    call(NMR::lib3mf_model_addbuilditem(model, object.object, nullptr, &item.object), model,
         "placing an object");
}

}  // namespace

void Write3mf(const std::vector<PrintPart>& parts, const Raster& front, const Raster& back,
              const std::string& path, const FilamentPaint* paint) {
    const Calls call(path);
    for (const PrintPart& part : parts) {
        if (part.mesh.vertices.size() > std::numeric_limits<DWORD>::max() ||
            part.mesh.TriangleCount() > std::numeric_limits<DWORD>::max())
            throw FileError(path, "too many triangles for one 3MF object");
    }
    Released<NMR::PLib3MFModel> model;
    call(NMR::lib3mf_createmodel(&model.object), nullptr, "creating the model");
    call(NMR::lib3mf_model_setunit(model.object, NMR::MODELUNIT_MILLIMETER), model.object,
         "setting the unit");
    for (const PrintPart& part : parts) AddPart(model.object, part, front, back, call);

    Released<NMR::PLib3MFModelWriter> writer;
    call(NMR::lib3mf_model_querywriter(model.object, "3mf", &writer.object), model.object,
         "finding the writer");
    ULONG64 size = 0;
    call(NMR::lib3mf_writer_getstreamsize(writer.object, &size), writer.object,
         "measuring the package");
    std::vector<unsigned char> bytes(size);
    call(NMR::lib3mf_writer_writetobuffer(writer.object, bytes.data(), size), writer.object,
         "writing the package");
    WriteFileAtomically(path, paint ? PaintPackage(bytes, *paint, path) : bytes);
}

}  // namespace vonnik
