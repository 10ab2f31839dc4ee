#include "tests/export/threemf_reader.h"

#include <Model/COM/NMR_DLLInterfaces.h>

#include "tests/export/export_fixtures.h"

// lib3mf 1.8's reader leaves a few of libzip's allocations behind for every package it reads;
// LeakSanitizer is told to pass over them (the writer, which the program uses, leaks nothing).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libzip.so\n";
}

namespace vonnik::test {

namespace {

template <typename T>
struct Released {
    T* object = nullptr;
    Released() = default;
    Released(const Released&) = delete;
    Released& operator=(const Released&) = delete;
    ~Released() {
        if (object != nullptr) NMR::lib3mf_release(object);
    }
};

struct Failed {
    std::string what;
};

void Check(LIB3MFRESULT result, const char* what) {
    if (result != LIB3MF_OK) throw Failed{what};
}

std::string NameOf(NMR::PLib3MFModelObjectResource* object) {
    ULONG needed = 0;
    Check(NMR::lib3mf_object_getnameutf8(object, nullptr, 0, &needed), "name");
    std::string name(needed + 1, '\0');
    Check(NMR::lib3mf_object_getnameutf8(object, name.data(), needed + 1, &needed), "name");
    name.resize(needed);
    return name;
}

}  // namespace

ThreeMfFile Read3mf(const std::string& path) {
    ThreeMfFile file;
    try {
        Released<NMR::PLib3MFModel> model;
        Check(NMR::lib3mf_createmodel(&model.object), "model");
        Released<NMR::PLib3MFModelReader> reader;
        Check(NMR::lib3mf_model_queryreader(model.object, "3mf", &reader.object), "reader");
        std::string bytes = ReadFile(path);
        if (bytes.empty()) throw Failed{"reading"};
        Check(NMR::lib3mf_reader_readfrombuffer(
                  reader.object, reinterpret_cast<BYTE*>(bytes.data()), bytes.size()),
              "reading");
        DWORD unit = 0;
        Check(NMR::lib3mf_model_getunit(model.object, &unit), "unit");
        file.unit = unit == NMR::MODELUNIT_MILLIMETER ? "millimeter" : std::to_string(unit);

        Released<NMR::PLib3MFModelBuildItemIterator> items;
        Check(NMR::lib3mf_model_getbuilditems(model.object, &items.object), "build items");
        BOOL more = false;
        while (NMR::lib3mf_builditemiterator_movenext(items.object, &more) == LIB3MF_OK && more) {
            Released<NMR::PLib3MFModelBuildItem> item;
            Check(NMR::lib3mf_builditemiterator_getcurrent(items.object, &item.object), "item");
            Released<NMR::PLib3MFModelObjectResource> object;
            Check(NMR::lib3mf_builditem_getobjectresource(item.object, &object.object), "object");
            ThreeMfFile::Object o;
            o.name = NameOf(object.object);
            DWORD vertices = 0, triangles = 0;
            Check(NMR::lib3mf_meshobject_getvertexcount(object.object, &vertices), "vertices");
            Check(NMR::lib3mf_meshobject_gettrianglecount(object.object, &triangles), "triangles");
            std::vector<NMR::MODELMESHVERTEX> v(vertices);
            std::vector<NMR::MODELMESHTRIANGLE> t(triangles);
            DWORD got = 0;
            Check(NMR::lib3mf_meshobject_getvertices(object.object, v.data(), vertices, &got),
                  "vertices");
            Check(
                NMR::lib3mf_meshobject_gettriangleindices(object.object, t.data(), triangles, &got),
                "triangles");
            for (const auto& p : v)
                o.vertices.push_back({p.m_fPosition[0], p.m_fPosition[1], p.m_fPosition[2]});
            for (const auto& tri : t)
                o.triangles.push_back({tri.m_nIndices[0], tri.m_nIndices[1], tri.m_nIndices[2]});
            Released<NMR::PLib3MFPropertyHandler> properties;
            Check(NMR::lib3mf_meshobject_createpropertyhandler(object.object, &properties.object),
                  "properties");
            std::vector<NMR::MODELMESH_TRIANGLECOLOR_SRGB> colours(triangles);
            if (NMR::lib3mf_propertyhandler_getcolorarray(properties.object, colours.data()) ==
                LIB3MF_OK) {
                for (const auto& c : colours) {
                    std::array<std::uint32_t, 3> corner;
                    for (int k = 0; k < 3; ++k)
                        corner[k] = std::uint32_t{c.m_Colors[k].m_Red} << 16 |
                                    std::uint32_t{c.m_Colors[k].m_Green} << 8 |
                                    c.m_Colors[k].m_Blue;
                    o.colours.push_back(corner);
                }
            }
            file.objects.push_back(std::move(o));
        }
        file.read = true;
    } catch (const Failed& f) {
        file.error = f.what;
    }
    return file;
}

}  // namespace vonnik::test
