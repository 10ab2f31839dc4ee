#include "session/project_file.h"

#include <zip.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string_view>

#include "builder/build_error.h"
#include "core/figure_key.h"
#include "core/file_names.h"
#include "core/version.h"

namespace vonnik {

namespace {

using Json = nlohmann::json;

constexpr const char* kManifestEntry = "project.json";
constexpr const char* kFormatName = "vonnik project";
// Deeper manifests are not ones this program writes (it nests four levels).
constexpr int kMaxManifestDepth = 32;

// ---------------------------------------------------------------------------------------
// Names and small conversions

const char* ShapeName(PrintShape shape) {
    switch (shape) {
        case PrintShape::kFlatBack:
            return "flat back";
        case PrintShape::kHalves:
            return "halves";
        case PrintShape::kWhole:
            break;
    }
    return "whole";
}

struct KindName {
    StepKind kind;
    const char* name;
};
constexpr KindName kKindNames[] = {
    {StepKind::kDrag, "drag"},
    {StepKind::kResetPose, "reset pose"},
    {StepKind::kOutlined, "outlined"},
    {StepKind::kLightPoint, "light point"},
    {StepKind::kLightAmount, "light amount"},
    {StepKind::kBackLight, "back light"},
    {StepKind::kBackground, "background"},
    {StepKind::kBuild, "build"},
};

bool IsPoseKind(StepKind k) {
    return k == StepKind::kDrag || k == StepKind::kResetPose || k == StepKind::kOutlined;
}
bool IsLightKind(StepKind k) {
    return k == StepKind::kLightPoint || k == StepKind::kLightAmount || k == StepKind::kBackLight;
}

// The picture with its alpha kept only where a pixel is not opaque: two loads of the same
// picture compare equal whichever way the decoder reported an opaque alpha channel.
PictureWithAlpha Normalised(PictureWithAlpha picture) {
    if (std::all_of(picture.alpha.begin(), picture.alpha.end(),
                    [](std::uint8_t a) { return a == 255; }))
        picture.alpha.clear();
    return picture;
}

// Little-endian doubles, whatever the machine's own order.
void PutDoubles(std::string& out, const std::vector<double>& values) {
    const std::size_t at = out.size();
    out.resize(at + values.size() * 8);
    char* dst = out.data() + at;
    for (double v : values) {
        const std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
        for (int b = 0; b < 8; ++b) *dst++ = static_cast<char>(bits >> (8 * b));
    }
}

std::vector<double> GetDoubles(const std::string& in, std::size_t first, std::size_t count) {
    std::vector<double> values(count);
    const auto* src = reinterpret_cast<const unsigned char*>(in.data()) + first * 8;
    for (double& v : values) {
        std::uint64_t bits = 0;
        for (int b = 0; b < 8; ++b) bits |= static_cast<std::uint64_t>(*src++) << (8 * b);
        v = std::bit_cast<double>(bits);
    }
    return values;
}

// ---------------------------------------------------------------------------------------
// Writing

// A zip container built in memory, closed into its bytes at the end.
class ZipWriter {
  public:
    explicit ZipWriter(const std::string& path) : path_(path) {
        zip_error_t error;
        zip_error_init(&error);
        source_ = zip_source_buffer_create(nullptr, 0, 0, &error);
        if (source_) archive_ = zip_open_from_source(source_, ZIP_TRUNCATE, &error);
        if (!archive_) {
            const std::string why = zip_error_strerror(&error);
            zip_error_fini(&error);
            if (source_) zip_source_free(source_);
            throw FileError(path_, "cannot make the container: " + why);
        }
        zip_error_fini(&error);
        zip_source_keep(source_);  // its bytes are read after the archive is closed
    }
    ~ZipWriter() {
        if (archive_) zip_discard(archive_);
        zip_source_free(source_);
    }
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // compress: deflate the entry (the pictures are PNG, compressed already).
    void Add(const std::string& name, std::string bytes, bool compress) {
        const std::string& kept = buffers_.emplace_back(std::move(bytes));
        zip_source_t* entry = zip_source_buffer(archive_, kept.data(), kept.size(), 0);
        if (!entry) Fail();
        const zip_int64_t index =
            zip_file_add(archive_, name.c_str(), entry, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(entry);
            Fail();
        }
        if (zip_set_file_compression(archive_, static_cast<zip_uint64_t>(index),
                                     compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0) != 0)
            Fail();
        // No time stamps: the same project gives the same bytes.
        zip_file_set_mtime(archive_, static_cast<zip_uint64_t>(index), 0, 0);
    }

    std::vector<unsigned char> Finish() {
        if (zip_close(archive_) != 0) Fail();
        archive_ = nullptr;
        std::vector<unsigned char> bytes;
        if (zip_source_open(source_) != 0) Fail();
        zip_source_seek(source_, 0, SEEK_END);
        const zip_int64_t size = zip_source_tell(source_);
        zip_source_seek(source_, 0, SEEK_SET);
        bytes.resize(static_cast<std::size_t>(std::max<zip_int64_t>(size, 0)));
        const zip_int64_t read = zip_source_read(source_, bytes.data(), bytes.size());
        zip_source_close(source_);
        if (read != size) throw FileError(path_, "cannot read the container back");
        return bytes;
    }

  private:
    [[noreturn]] void Fail() {
        const std::string why = archive_ ? zip_strerror(archive_) : "libzip failed";
        throw FileError(path_, "cannot make the container: " + why);
    }

    std::string path_;
    zip_source_t* source_ = nullptr;
    zip_t* archive_ = nullptr;
    std::list<std::string> buffers_;  // alive until the archive is closed
};

std::string EncodePicturePng(const PictureWithAlpha& p, const std::string& path) {
    const Raster& c = p.colours;
    if (c.Empty()) throw FileError(path, "a picture of the project is empty");
    const bool alpha = !p.alpha.empty();
    QImage image(c.Width(), c.Height(), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    std::size_t at = 0;
    for (int r = 0; r < c.Height(); ++r) {
        auto* dst = reinterpret_cast<std::uint32_t*>(image.scanLine(r));
        const Pixel* src = c.Row(r);
        for (int x = 0; x < c.Width(); ++x, ++at)
            dst[x] = ColourOf(src[x]) | (alpha ? std::uint32_t{p.alpha[at]} << 24 : 0xFF000000u);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) throw FileError(path, "cannot encode a picture as PNG");
    return bytes.toStdString();
}

Json Triple(const Vec3& v) {
    return Json::array({v.x, v.y, v.z});
}

// The manifest and the entries it names.
class ProjectWriter {
  public:
    explicit ProjectWriter(const std::string& path) : path_(path), zip_(path) {}

    Json Picture(const ProjectPicture& p) {
        const PictureWithAlpha picture = Normalised(p.Picture);
        const std::span<const Pixel> pixels = picture.colours.Pixels();
        const std::size_t hash = std::hash<std::string_view>{}(
            std::string_view(reinterpret_cast<const char*>(pixels.data()), pixels.size_bytes()));
        std::string* entry = nullptr;
        for (auto [at, end] = pictures_.equal_range(hash); at != end; ++at)
            if (at->second.picture == picture) entry = &at->second.entry;
        if (!entry) {
            const std::string name = "pictures/" + std::to_string(pictures_.size()) + ".png";
            zip_.Add(name, EncodePicturePng(picture, path_), false);
            entry = &pictures_.emplace(hash, Stored{picture, name})->second.entry;
        }
        return {{"entry", *entry}, {"name", p.Name}};
    }

    Json Positions(const PosePositions& p) {
        const std::string name = "arrays/" + std::to_string(arrays_++) + ".f64";
        std::string bytes;
        bytes.reserve(p.Count() * 48);
        for (const std::vector<double>* a :
             {&p.FrontX, &p.FrontY, &p.FrontZ, &p.BackX, &p.BackY, &p.BackZ})
            PutDoubles(bytes, *a);
        zip_.Add(name, std::move(bytes), true);
        return {{"entry", name}, {"vertices", p.Count()}};
    }

    Json Pose(const ProjectPose& pose) {
        Json j = {{"viewAxisA", Triple(pose.ViewAxisA)},
                  {"viewAxisB", Triple(pose.ViewAxisB)},
                  {"savedViewAxes",
                   Json::array({Triple(pose.SavedViewAxes[0]), Triple(pose.SavedViewAxes[1])})},
                  {"drawOrder", static_cast<int>(pose.DrawOrder)},
                  {"outlined", pose.Wireframe}};
        j["positions"] = pose.Positions ? Positions(*pose.Positions) : Json(nullptr);
        return j;
    }

    static Json Light(const ProjectLight& l) {
        return {{"point", Json::array({l.PointX, l.PointY})},
                {"vector", Triple(l.Vector)},
                {"amount", l.Amount},
                {"lightAmount", l.TrackBarPosition},
                {"backLight", l.BackLight}};
    }

    Json Background(const ProjectBackground& b) {
        return b.Picture ? Picture(*b.Picture) : Json(nullptr);
    }

    static Json Holes(const HoleList& holes) {
        Json list = Json::array();
        for (const Hole& h : holes) list.push_back({h.x, h.y, h.diameter});
        return list;
    }

    Json State(const ProjectState& s) {
        const PanelInputs& p = s.Panel;
        return {
            {"front", s.Front ? Picture(*s.Front) : Json(nullptr)},
            {"back", s.Back ? Picture(*s.Back) : Json(nullptr)},
            {"background", Background(s.Background)},
            {"panel",
             {{"polygonSize", p.PolygonText},
              {"curvature", p.CurvatureText},
              {"circleTolerance", p.ToleranceText},
              {"colourProjection", p.ColourProjection},
              {"squareLattice", p.SpecialPolygon},
              {"doubleSided", p.DoubleSided},
              {"holes", Holes(p.Holes)}}},
            {"backgroundTolerance", s.BackgroundTolerance},
            {"light", Light(s.Light)},
            {"pose", Pose(s.Pose)},
        };
    }

    Json Step(const ProjectStep& step) {
        Json j = {{"kind", StepKindName(step.Kind)}};
        if (step.Pose) j["pose"] = Pose(*step.Pose);
        if (step.Light) j["light"] = Light(*step.Light);
        if (step.Background) j["background"] = Background(*step.Background);
        if (step.State) j["state"] = State(*step.State);
        return j;
    }

    std::vector<unsigned char> Finish(const Json& manifest) {
        zip_.Add(kManifestEntry, manifest.dump(1), true);
        return zip_.Finish();
    }

  private:
    struct Stored {
        PictureWithAlpha picture;
        std::string entry;
    };
    std::string path_;
    ZipWriter zip_;
    std::multimap<std::size_t, Stored> pictures_;
    int arrays_ = 0;
};

// ---------------------------------------------------------------------------------------
// Reading

// An open container over bytes in memory.
class ZipReader {
  public:
    ZipReader(const unsigned char* data, std::size_t size, const std::string& path,
              const ProjectLimits& limits)
        : path_(path), limits_(limits) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
        if (source) archive_ = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
        if (!archive_) {
            const int code = zip_error_code_zip(&error);
            const std::string why = zip_error_strerror(&error);
            zip_error_fini(&error);
            if (source) zip_source_free(source);
            const bool zipStart = size >= 4 && std::memcmp(data, "PK\x03\x04", 4) == 0;
            if (code == ZIP_ER_NOZIP && !zipStart)
                throw FileError(path, "not a project file (no zip container)");
            throw FileError(path,
                            std::string("the container is truncated or damaged (") + why + ")");
        }
        zip_error_fini(&error);
        CheckNames();
    }
    ~ZipReader() { zip_discard(archive_); }
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // The entry's bytes, at most `cap` of them. Throws when it is missing, larger than it
    // declares or than the caps, or damaged.
    std::string Read(const std::string& name, std::uint64_t cap) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat(archive_, name.c_str(), 0, &st) != 0)
            throw FileError(path_, "the container has no entry '" + name + "'");
        if (!(st.valid & ZIP_STAT_SIZE) || !(st.valid & ZIP_STAT_INDEX))
            throw FileError(path_, "entry '" + name + "' declares no size");
        const std::uint64_t declared = st.size;
        cap = std::min(cap, limits_.maxTotalBytes - std::min(read_, limits_.maxTotalBytes));
        if (declared > cap)
            throw FileError(path_, "entry '" + name + "' expands to " + std::to_string(declared) +
                                       " bytes, more than the " + std::to_string(cap) +
                                       " bytes a project may hold there");
        std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(
            zip_fopen_index(archive_, st.index, 0), zip_fclose);
        if (!file)
            throw FileError(path_, "cannot open entry '" + name + "': " + zip_strerror(archive_));
        std::string bytes(declared, '\0');
        std::uint64_t got = 0;
        while (got < declared) {
            const zip_int64_t n = zip_fread(file.get(), bytes.data() + got, declared - got);
            if (n < 0) throw Damaged(name, file.get());
            if (n == 0) break;
            got += static_cast<std::uint64_t>(n);
        }
        char extra;
        const zip_int64_t more = got == declared ? zip_fread(file.get(), &extra, 1) : 0;
        if (more < 0) throw Damaged(name, file.get());
        if (got != declared || more > 0)
            throw FileError(path_, "entry '" + name + "' does not hold the " +
                                       std::to_string(declared) + " bytes it declares");
        read_ += declared;
        return bytes;
    }

  private:
    FileError Damaged(const std::string& name, zip_file_t* file) {
        return FileError(path_, "entry '" + name + "' is damaged (" +
                                    zip_error_strerror(zip_file_get_error(file)) + ")");
    }

    // Every entry stays inside the container: no absolute path, drive, backslash or "..".
    void CheckNames() {
        const zip_int64_t count = zip_get_num_entries(archive_, 0);
        for (zip_int64_t n = 0; n < count; ++n) {
            const char* raw = zip_get_name(archive_, static_cast<zip_uint64_t>(n), 0);
            const std::string name = raw ? raw : "";
            bool leaves = name.empty() || name[0] == '/' || name.find('\\') != std::string::npos ||
                          name.find(':') != std::string::npos;
            std::size_t start = 0;
            while (!leaves && start <= name.size()) {
                const std::size_t end = std::min(name.find('/', start), name.size());
                leaves = name.compare(start, end - start, "..") == 0;
                start = end + 1;
            }
            if (leaves) throw FileError(path_, "entry '" + name + "' points outside the container");
        }
    }

    std::string path_;
    ProjectLimits limits_;
    zip_t* archive_ = nullptr;
    std::uint64_t read_ = 0;
};

// The manifest's values, each checked for its type; errors name the key's place.
class ProjectReader {
  public:
    ProjectReader(ZipReader& zip, const std::string& path, const ProjectLimits& limits)
        : zip_(zip), path_(path), limits_(limits) {}

    [[noreturn]] void Fail(const std::string& where, const std::string& what) const {
        throw FileError(path_, "in the manifest, '" + where + "' " + what);
    }

    const Json& Key(const Json& object, const std::string& where, const char* key) const {
        if (!object.is_object()) Fail(where, "is not an object");
        const auto at = object.find(key);
        if (at == object.end()) Fail(where + "." + key, "is missing");
        return *at;
    }

    bool Bool(const Json& j, const std::string& where) const {
        if (!j.is_boolean()) Fail(where, "is not true or false");
        return j.get<bool>();
    }
    double Double(const Json& j, const std::string& where) const {
        if (!j.is_number()) Fail(where, "is not a number");
        return j.get<double>();
    }
    std::int64_t Int(const Json& j, const std::string& where, std::int64_t low,
                     std::int64_t high) const {
        if (!j.is_number_integer()) Fail(where, "is not an integer");
        // An unsigned value above the range of int64 is above every range asked for.
        const bool huge = j.is_number_unsigned() &&
                          j.get<std::uint64_t>() > static_cast<std::uint64_t>(INT64_MAX);
        const std::int64_t v = huge ? INT64_MAX : j.get<std::int64_t>();
        if (huge || v < low || v > high)
            Fail(where, "is outside " + std::to_string(low) + ".." + std::to_string(high));
        return v;
    }
    std::string String(const Json& j, const std::string& where) const {
        if (!j.is_string()) Fail(where, "is not a string");
        return j.get<std::string>();
    }
    Vec3 Triple(const Json& j, const std::string& where) const {
        if (!j.is_array() || j.size() != 3) Fail(where, "is not three numbers");
        return {Double(j[0], where + "[0]"), Double(j[1], where + "[1]"),
                Double(j[2], where + "[2]")};
    }

    // The shorthands below read key of object at where.
    bool Bool(const Json& o, const std::string& w, const char* k) const {
        return Bool(Key(o, w, k), w + "." + k);
    }
    double Double(const Json& o, const std::string& w, const char* k) const {
        return Double(Key(o, w, k), w + "." + k);
    }
    std::int64_t Int(const Json& o, const std::string& w, const char* k, std::int64_t lo,
                     std::int64_t hi) const {
        return Int(Key(o, w, k), w + "." + k, lo, hi);
    }
    std::string String(const Json& o, const std::string& w, const char* k) const {
        return String(Key(o, w, k), w + "." + k);
    }
    Vec3 Triple(const Json& o, const std::string& w, const char* k) const {
        return Triple(Key(o, w, k), w + "." + k);
    }

    HoleList Holes(const Json& j, const std::string& where) const {
        if (!j.is_array()) Fail(where, "is not a list");
        HoleList holes;
        for (std::size_t n = 0; n < j.size(); ++n) {
            const Vec3 h = Triple(j[n], where + "[" + std::to_string(n) + "]");
            if (!std::isfinite(h.x) || !std::isfinite(h.y) || !(h.z > 0.0) || !std::isfinite(h.z))
                Fail(where + "[" + std::to_string(n) + "]", "is not a hole (x, y, diameter > 0)");
            holes.push_back({h.x, h.y, h.z});
        }
        return holes;
    }

    std::optional<ProjectPicture> Picture(const Json& j, const std::string& where) {
        if (j.is_null()) return std::nullopt;
        const std::string entry = String(j, where, "entry");
        ProjectPicture p{DecodeEntryPicture(entry), String(j, where, "name")};
        return p;
    }

    PosePositions Positions(const Json& j, const std::string& where) {
        const std::string entry = String(j, where, "entry");
        const auto vertices = static_cast<std::uint64_t>(
            Int(j, where, "vertices", 0, static_cast<std::int64_t>(kGridMemoryBudget / 8)));
        const std::string bytes = zip_.Read(entry, vertices * 48);
        if (bytes.size() != vertices * 48)
            throw FileError(path_, "entry '" + entry + "' holds " + std::to_string(bytes.size()) +
                                       " bytes, not the " + std::to_string(vertices * 48) +
                                       " of six arrays of " + std::to_string(vertices) +
                                       " positions");
        const std::size_t n = static_cast<std::size_t>(vertices);
        PosePositions p;
        std::size_t first = 0;
        for (std::vector<double>* a :
             {&p.FrontX, &p.FrontY, &p.FrontZ, &p.BackX, &p.BackY, &p.BackZ}) {
            *a = GetDoubles(bytes, first, n);
            first += n;
        }
        return p;
    }

    ProjectPose Pose(const Json& j, const std::string& w) {
        ProjectPose pose;
        pose.ViewAxisA = Triple(j, w, "viewAxisA");
        pose.ViewAxisB = Triple(j, w, "viewAxisB");
        const Json& saved = Key(j, w, "savedViewAxes");
        if (!saved.is_array() || saved.size() != 2) Fail(w + ".savedViewAxes", "is not two axes");
        pose.SavedViewAxes[0] = Triple(saved[0], w + ".savedViewAxes[0]");
        pose.SavedViewAxes[1] = Triple(saved[1], w + ".savedViewAxes[1]");
        pose.DrawOrder = static_cast<PaintOrder>(Int(j, w, "drawOrder", 1, 4));
        pose.Wireframe = Bool(j, w, "outlined");
        const Json& positions = Key(j, w, "positions");
        if (!positions.is_null()) pose.Positions = Positions(positions, w + ".positions");
        return pose;
    }

    ProjectLight Light(const Json& j, const std::string& w) {
        ProjectLight l;
        const Json& point = Key(j, w, "point");
        if (!point.is_array() || point.size() != 2) Fail(w + ".point", "is not two integers");
        l.PointX = static_cast<std::int32_t>(Int(point[0], w + ".point[0]", INT32_MIN, INT32_MAX));
        l.PointY = static_cast<std::int32_t>(Int(point[1], w + ".point[1]", INT32_MIN, INT32_MAX));
        l.Vector = Triple(j, w, "vector");
        l.Amount = Double(j, w, "amount");
        l.TrackBarPosition = static_cast<int>(Int(j, w, "lightAmount", 100, 500));
        l.BackLight = Bool(j, w, "backLight");
        return l;
    }

    ProjectBackground Background(const Json& j, const std::string& w) {
        ProjectBackground b{Picture(j, w)};
        if (b.Picture) b.Picture->Picture.alpha.clear();  // a backdrop has no transparency
        return b;
    }

    ProjectState State(const Json& j, const std::string& w) {
        ProjectState s;
        s.Front = Picture(Key(j, w, "front"), w + ".front");
        s.Back = Picture(Key(j, w, "back"), w + ".back");
        s.Background = Background(Key(j, w, "background"), w + ".background");
        const Json& panel = Key(j, w, "panel");
        const std::string p = w + ".panel";
        s.Panel.PolygonText = String(panel, p, "polygonSize");
        s.Panel.CurvatureText = String(panel, p, "curvature");
        s.Panel.ToleranceText = String(panel, p, "circleTolerance");
        s.Panel.ColourProjection = Bool(panel, p, "colourProjection");
        s.Panel.SpecialPolygon = Bool(panel, p, "squareLattice");
        s.Panel.DoubleSided = Bool(panel, p, "doubleSided");
        // Files written before holes existed have none.
        if (panel.is_object() && panel.contains("holes"))
            s.Panel.Holes = Holes(panel["holes"], p + ".holes");
        if (s.Panel.DoubleSided != s.Back.has_value())
            Fail(p + ".doubleSided",
                 s.Back ? "is false beside a back picture" : "is true without a back picture");
        s.BackgroundTolerance =
            static_cast<int>(Int(j, w, "backgroundTolerance", 0, kMaxBackgroundTolerance));
        s.Light = Light(Key(j, w, "light"), w + ".light");
        s.Panel.TrackBarPosition = s.Light.TrackBarPosition;
        s.Panel.BackLight = s.Light.BackLight;
        s.Pose = Pose(Key(j, w, "pose"), w + ".pose");
        return s;
    }

    ProjectStep Step(const Json& j, const std::string& w) {
        ProjectStep step;
        const std::string kind = String(j, w, "kind");
        const std::optional<StepKind> named = StepKindNamed(kind);
        if (!named) Fail(w + ".kind", "names no step ('" + kind + "')");
        step.Kind = *named;
        if (IsPoseKind(step.Kind)) step.Pose = Pose(Key(j, w, "pose"), w + ".pose");
        if (IsLightKind(step.Kind)) step.Light = Light(Key(j, w, "light"), w + ".light");
        if (step.Kind == StepKind::kBackground)
            step.Background = Background(Key(j, w, "background"), w + ".background");
        if (step.Kind == StepKind::kBuild) {
            step.State = State(Key(j, w, "state"), w + ".state");
            step.State->Background = {};
        }
        return step;
    }

    std::vector<ProjectStep> Steps(const Json& j, const std::string& w) {
        if (!j.is_array()) Fail(w, "is not a list");
        std::vector<ProjectStep> steps;
        for (std::size_t n = 0; n < j.size(); ++n)
            steps.push_back(Step(j[n], w + "[" + std::to_string(n) + "]"));
        return steps;
    }

    MeshExportOptions Export(const Json& j, const std::string& w) {
        MeshExportOptions e;
        e.mmPerPixel = Double(j, w, "mmPerPixel");
        e.sizeMm = Double(j, w, "sizeMm");
        const std::string shape = String(j, w, "shape");
        if (shape == ShapeName(PrintShape::kWhole))
            e.shape = PrintShape::kWhole;
        else if (shape == ShapeName(PrintShape::kFlatBack))
            e.shape = PrintShape::kFlatBack;
        else if (shape == ShapeName(PrintShape::kHalves))
            e.shape = PrintShape::kHalves;
        else
            Fail(w + ".shape", "names no shape ('" + shape + "')");
        if (!(e.mmPerPixel > 0.0) || !(e.sizeMm >= 0.0))
            Fail(w, "holds a size that is not positive");
        // Files written before these choices existed have neither.
        if (j.is_object() && j.contains("thicknessMm")) {
            e.thicknessMm = Double(j, w, "thicknessMm");
            if (!(e.thicknessMm >= 0.0) || !std::isfinite(e.thicknessMm))
                Fail(w + ".thicknessMm", "is not a thickness");
        }
        if (j.is_object() && j.contains("filaments")) {
            e.filaments = static_cast<int>(Int(j, w, "filaments", 0, kMaxFilaments));
            if (e.filaments == 1) Fail(w + ".filaments", "is 1: give 0 (none) or 2 or more");
        }
        return e;
    }

  private:
    PictureWithAlpha DecodeEntryPicture(const std::string& entry) {
        if (const auto at = decoded_.find(entry); at != decoded_.end()) return at->second;
        // A PNG file of the largest picture allowed is under 5 bytes a pixel even stored
        // without compression.
        const std::string bytes = zip_.Read(entry, limits_.maxPicturePixels * 5 + (1u << 20));
        if (bytes.size() < 8 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0)
            throw FileError(path_, "entry '" + entry + "' is not a PNG picture");
        QByteArray data =
            QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        ReadOptions options;
        options.maxPixels = limits_.maxPicturePixels;
        PictureWithAlpha picture;
        try {
            picture = Normalised(DecodePictureWithAlpha(buffer, entry, options));
        } catch (const FileError& e) {
            throw FileError(path_, "picture '" + entry + "': " + e.Reason());
        }
        return decoded_.emplace(entry, std::move(picture)).first->second;
    }

    ZipReader& zip_;
    std::string path_;
    ProjectLimits limits_;
    std::map<std::string, PictureWithAlpha> decoded_;
};

Json ParseManifest(const std::string& text, const std::string& path) {
    const Json::parser_callback_t depth = [&path](int d, Json::parse_event_t, Json&) {
        if (d > kMaxManifestDepth)
            throw FileError(path, "the manifest nests deeper than " +
                                      std::to_string(kMaxManifestDepth) + " levels");
        return true;
    };
    try {
        return Json::parse(text, depth);
    } catch (const Json::exception& e) {
        throw FileError(path, std::string("the manifest is not valid JSON (") + e.what() + ")");
    }
}

}  // namespace

bool IsProjectPath(const std::string& path) {
    return LowerSuffixOf(path) == kProjectExtension;
}

const char* StepKindName(StepKind kind) {
    for (const KindName& k : kKindNames)
        if (k.kind == kind) return k.name;
    return "?";
}

std::optional<StepKind> StepKindNamed(const std::string& name) {
    for (const KindName& k : kKindNames)
        if (name == k.name) return k.kind;
    return std::nullopt;
}

std::vector<unsigned char> EncodeProject(const ProjectData& project, const std::string& path) {
    ProjectWriter w(path);
    Json history = {{"undo", Json::array()}, {"redo", Json::array()}};
    for (const ProjectStep& step : project.Undo) history["undo"].push_back(w.Step(step));
    for (const ProjectStep& step : project.Redo) history["redo"].push_back(w.Step(step));
    const Json manifest = {
        {"format", kFormatName},
        {"version", {{"major", kProjectMajorVersion}, {"minor", kProjectMinorVersion}}},
        {"program", "vonnik " VONNIK_VERSION},
        {"state", w.State(project.State)},
        {"view", {{"zoom", project.Zoom}}},
        {"export",
         {{"mmPerPixel", project.Export.mmPerPixel},
          {"sizeMm", project.Export.sizeMm},
          {"thicknessMm", project.Export.thicknessMm},
          {"filaments", project.Export.filaments},
          {"shape", ShapeName(project.Export.shape)}}},
        {"history", history},
    };
    return w.Finish(manifest);
}

void SaveProject(const ProjectData& project, const std::string& path) {
    WriteFileAtomically(path, EncodeProject(project, path));
}

ProjectData DecodeProject(const unsigned char* data, std::size_t size, const std::string& path,
                          const ProjectLimits& limits) {
    if (size == 0) throw FileError(path, "the file is empty");
    ZipReader zip(data, size, path, limits);
    const Json manifest = ParseManifest(zip.Read(kManifestEntry, limits.maxManifestBytes), path);
    ProjectReader r(zip, path, limits);
    if (!manifest.is_object()) r.Fail("(top)", "is not an object");
    if (r.String(manifest, "(top)", "format") != kFormatName)
        throw FileError(path, "not a project file (the manifest names another format)");
    const Json& version = r.Key(manifest, "(top)", "version");
    const std::int64_t major = r.Int(version, "version", "major", 0, INT32_MAX);
    r.Int(version, "version", "minor", 0, INT32_MAX);
    if (major > kProjectMajorVersion)
        throw FileError(path, "made by a newer version of the program (project format " +
                                  std::to_string(major) + "; this program reads format " +
                                  std::to_string(kProjectMajorVersion) + ")");
    if (major < 1) r.Fail("version.major", "is 0, which no program writes");

    ProjectData project;
    project.State = r.State(r.Key(manifest, "(top)", "state"), "state");
    const Json& view = r.Key(manifest, "(top)", "view");
    project.Zoom = r.Double(view, "view", "zoom");
    if (!(project.Zoom > 0.0)) r.Fail("view.zoom", "is not a positive number");
    project.Export = r.Export(r.Key(manifest, "(top)", "export"), "export");
    const Json& history = r.Key(manifest, "(top)", "history");
    project.Undo = r.Steps(r.Key(history, "history", "undo"), "history.undo");
    project.Redo = r.Steps(r.Key(history, "history", "redo"), "history.redo");
    return project;
}

ProjectData LoadProject(const std::string& path, const ProjectLimits& limits) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(path, "cannot open: " + file.errorString().toStdString());
    const qint64 size = file.size();
    if (size > 0 && static_cast<std::uint64_t>(size) > limits.maxFileBytes)
        throw FileError(path, "the file is too large (" + std::to_string(size) +
                                  " bytes; at most " + std::to_string(limits.maxFileBytes) +
                                  " bytes are read)");
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(path, "cannot read: " + file.errorString().toStdString());
    return DecodeProject(reinterpret_cast<const unsigned char*>(bytes.constData()),
                         static_cast<std::size_t>(bytes.size()), path, limits);
}

}  // namespace vonnik
