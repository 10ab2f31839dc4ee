#include "export/painted_3mf.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <zip.h>

#include <cstring>
#include <memory>

#include "core/picture_io.h"
#include "export/mesh_export.h"

namespace vonnik {

namespace {

constexpr const char* kModelEntry = "3D/3dmodel.model";
constexpr const char* kSettingsEntry = "Metadata/Slic3r_PE.config";
constexpr const char* kSlicerNamespace = "http://schemas.slic3r.org/3mf/2017/06";

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct XmlFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};
struct ArchiveDiscard {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct SourceFree {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};

bool Named(const xmlNode* node, const char* name) {
    return node->type == XML_ELEMENT_NODE &&
           std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

const xmlChar* Text(const char* s) {
    return reinterpret_cast<const xmlChar*>(s);
}

xmlNode* Child(xmlNode* parent, const char* name) {
    for (xmlNode* n = parent ? parent->children : nullptr; n != nullptr; n = n->next)
        if (Named(n, name)) return n;
    return nullptr;
}

// Writes the attributes on every triangle of the model's objects, in order.
void PaintModel(xmlDoc* doc, const FilamentPaint& paint, const std::string& path) {
    const auto fail = [&](const std::string& why) {
        throw FileError(path, "cannot paint the 3MF file (" + why + ")");
    };
    xmlNode* model = xmlDocGetRootElement(doc);
    if (model == nullptr || !Named(model, "model")) fail("no model");
    xmlNs* slicer = xmlNewNs(model, Text(kSlicerNamespace), Text("slic3rpe"));
    if (slicer == nullptr) fail("cannot declare the slicer's namespace");
    std::size_t part = 0;
    for (xmlNode* object = Child(Child(model, "resources"), "object"); object != nullptr;
         object = object->next) {
        if (!Named(object, "object")) continue;
        if (part >= paint.triangles.size()) fail("more objects than parts");
        const std::vector<std::uint8_t>& filaments = paint.triangles[part++];
        std::size_t t = 0;
        for (xmlNode* triangle = Child(Child(Child(object, "mesh"), "triangles"), "triangle");
             triangle != nullptr; triangle = triangle->next) {
            if (!Named(triangle, "triangle")) continue;
            if (t >= filaments.size()) fail("more triangles than painted");
            const std::string code = WholeTrianglePaint(filaments[t++] + 1);
            if (xmlSetNsProp(triangle, slicer, Text("mmu_segmentation"), Text(code.c_str())) ==
                    nullptr ||
                xmlSetProp(triangle, Text("paint_color"), Text(code.c_str())) == nullptr)
                fail("cannot set an attribute");
        }
        if (t != filaments.size()) fail("fewer triangles than painted");
    }
    if (part != paint.triangles.size()) fail("fewer objects than parts");
}

}  // namespace

std::string WholeTrianglePaint(int filament) {
    static const char kHex[] = "0123456789ABCDEF";
    if (filament < 3) return std::string(1, kHex[filament << 2]);
    // 0b1100 first, then the state less 3; the first bits stand last.
    return std::string{kHex[filament - 3], 'C'};
}

std::string SlicerProjectSettings(const std::vector<Pixel>& palette) {
    std::string colours, nozzles;
    for (std::size_t k = 0; k < palette.size(); ++k) {
        if (k > 0) {
            colours += ';';
            nozzles += ',';
        }
        colours += HexColour(palette[k]);
        nozzles += "0.4";
    }
    // The slicer reads these lines from the last up to the first that is no setting.
    std::string text = "; Vonnik! print settings: one extruder per filament of the palette\n\n";
    for (const auto& [key, value] :
         {std::pair<const char*, const std::string&>{"extruder_colour", colours},
          {"filament_colour", colours},
          {"nozzle_diameter", nozzles}}) {
        text += "; ";
        text += key;
        text += " = ";
        text += value;
        text += '\n';
    }
    // The wipe tower primes each filament after a change; it needs relative extrusion.
    text += "; use_relative_e_distances = 1\n; wipe_tower = 1\n";
    return text;
}

std::vector<unsigned char> PaintPackage(const std::vector<unsigned char>& package,
                                        const FilamentPaint& paint, const std::string& path) {
    const auto fail = [&](const std::string& why) -> void {
        throw FileError(path, "cannot paint the 3MF file (" + why + ")");
    };
    zip_error_t error;
    zip_error_init(&error);
    std::unique_ptr<zip_source_t, SourceFree> source(
        zip_source_buffer_create(package.data(), package.size(), 0, &error));
    if (!source) fail(zip_error_strerror(&error));
    std::unique_ptr<zip_t, ArchiveDiscard> archive(zip_open_from_source(source.get(), 0, &error));
    if (!archive) fail(zip_error_strerror(&error));
    zip_source_keep(source.get());  // the archive's close writes into it

    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(archive.get(), kModelEntry, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
        fail(std::string("no ") + kModelEntry);
    std::string text(stat.size, '\0');
    zip_file_t* file = zip_fopen(archive.get(), kModelEntry, 0);
    if (file == nullptr) fail(zip_strerror(archive.get()));
    const zip_int64_t read = zip_fread(file, text.data(), stat.size);
    zip_fclose(file);
    if (read < 0 || static_cast<zip_uint64_t>(read) != stat.size) fail("cannot read the model");

    std::unique_ptr<xmlDoc, DocFree> doc(xmlReadMemory(text.data(), static_cast<int>(text.size()),
                                                       kModelEntry, nullptr,
                                                       XML_PARSE_NONET | XML_PARSE_HUGE));
    if (!doc) fail("the model is no XML");
    PaintModel(doc.get(), paint, path);
    xmlChar* dumped = nullptr;
    int dumpedSize = 0;
    xmlDocDumpMemoryEnc(doc.get(), &dumped, &dumpedSize, "UTF-8");
    std::unique_ptr<xmlChar, XmlFree> model(dumped);
    if (!model || dumpedSize <= 0) fail("cannot write the model");
    const std::string settings = SlicerProjectSettings(paint.palette);

    // The archive reads the new entries when it is closed; they live until then.
    const auto put = [&](const char* name, const void* data, std::size_t size) {
        zip_source_t* entry = zip_source_buffer(archive.get(), data, size, 0);
        if (entry == nullptr) fail(zip_strerror(archive.get()));
        if (zip_file_add(archive.get(), name, entry, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(entry);
            fail(zip_strerror(archive.get()));
        }
    };
    put(kModelEntry, model.get(), static_cast<std::size_t>(dumpedSize));
    put(kSettingsEntry, settings.data(), settings.size());
    if (zip_close(archive.get()) != 0) fail(zip_strerror(archive.get()));
    archive.release();  // closed

    std::vector<unsigned char> out;
    if (zip_source_open(source.get()) != 0) fail("cannot read the package back");
    zip_source_seek(source.get(), 0, SEEK_END);
    const zip_int64_t size = zip_source_tell(source.get());
    zip_source_seek(source.get(), 0, SEEK_SET);
    if (size > 0) {
        out.resize(static_cast<std::size_t>(size));
        if (zip_source_read(source.get(), out.data(), static_cast<zip_uint64_t>(size)) != size)
            out.clear();
    }
    zip_source_close(source.get());
    if (out.empty()) fail("cannot read the package back");
    return out;
}

}  // namespace vonnik
