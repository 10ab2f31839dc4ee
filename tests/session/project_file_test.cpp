// The project file: what is written reads back equal, bit for bit; hostile files are refused
// with an error naming the file and the reason.
#include <gtest/gtest.h>

#include <zip.h>

#include <cstring>
#include <functional>
#include <nlohmann/json.hpp>

#include "session/project_file.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

using Json = nlohmann::json;
using Bytes = std::vector<unsigned char>;

ProjectPicture Picture(Raster colours, const std::string& name, bool withAlpha = false) {
    ProjectPicture p{{std::move(colours), {}}, name};
    if (withAlpha) {
        p.Picture.alpha.resize(p.Picture.colours.Pixels().size());
        for (std::size_t n = 0; n < p.Picture.alpha.size(); ++n)
            p.Picture.alpha[n] = static_cast<std::uint8_t>(n * 37);  // every value, even 0
    }
    return p;
}

PosePositions Positions(std::size_t n) {
    PosePositions p;
    for (std::vector<double>* a : {&p.FrontX, &p.FrontY, &p.FrontZ, &p.BackX, &p.BackY, &p.BackZ})
        for (std::size_t k = 0; k < n; ++k) a->push_back(-0.0 + 1e-310 * k - 1.0 / (k + 3.0));
    return p;
}

// A project with every kind of value and of history step in it.
ProjectData FullProject() {
    ProjectData p;
    ProjectState& s = p.State;
    s.Front = Picture(test::MakeDisc(40, 30, 20, 15, 10), "disc.png", true);
    s.Back = Picture(test::MakeNoise(40, 30, 7), "noise.bmp");
    s.Background = {Picture(test::MakeRing(50, 35, 25, 17, 12, 5), "ring.bmp")};
    s.Panel = {"7", "150", "105", true, true, true, true, 250, {{10.5, 12, 6}, {30, 20, 0.5}}};
    s.BackgroundTolerance = 12;
    s.Light = {70, 40, {0.1, -0.2, -0.97467943448089633}, 2.5, 250, true};
    s.Pose.ViewAxisA = {0.1, 0.2, 0.3};
    s.Pose.SavedViewAxes[1] = {1e-300, -5.5, 3.0};
    s.Pose.DrawOrder = PaintOrder::kColumnsLeft;
    s.Pose.Wireframe = true;
    s.Pose.Positions = Positions(12);
    p.Zoom = 0.5;
    p.Export = {0.25, 80.0, PrintShape::kHalves, 4.5, 6};
    ProjectStep drag{StepKind::kDrag, s.Pose, {}, {}, {}};
    ProjectStep light{StepKind::kLightAmount, {}, s.Light, {}, {}};
    ProjectStep backdrop{StepKind::kBackground, {}, {}, ProjectBackground{}, {}};
    ProjectState built = s;
    built.Background = {};
    built.Front->Name = "same pixels, another name";
    ProjectStep build{StepKind::kBuild, {}, {}, {}, built};
    ProjectPose outlined;
    ProjectStep outline{StepKind::kOutlined, outlined, {}, {}, {}};
    p.Undo = {drag, light, backdrop, build};
    p.Redo = {outline};
    return p;
}

TEST(ProjectFile, ReadsBackWhatItWrote) {
    const ProjectData written = FullProject();
    const Bytes bytes = EncodeProject(written, "full.vonnik");
    const ProjectData read = DecodeProject(bytes.data(), bytes.size(), "full.vonnik");
    EXPECT_EQ(read, written);
    // Equal as doubles is not enough: the positions' bits (negative zero, subnormals).
    const PosePositions& a = *written.State.Pose.Positions;
    const PosePositions& b = *read.State.Pose.Positions;
    EXPECT_EQ(std::memcmp(a.BackZ.data(), b.BackZ.data(), a.BackZ.size() * 8), 0);
    // The same picture is stored once however often it is used.
    EXPECT_EQ(EncodeProject(written, "full.vonnik"), bytes);
}

// The entries of a container, and a container made of entries.
std::map<std::string, std::string> Unzip(const Bytes& bytes) {
    zip_error_t error;
    zip_source_t* src = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_t* za = zip_open_from_source(src, ZIP_RDONLY, &error);
    std::map<std::string, std::string> entries;
    for (zip_int64_t n = 0; n < zip_get_num_entries(za, 0); ++n) {
        zip_stat_t st;
        zip_stat_index(za, n, 0, &st);
        std::string body(st.size, '\0');
        zip_file_t* f = zip_fopen_index(za, n, 0);
        zip_fread(f, body.data(), st.size);
        zip_fclose(f);
        entries[st.name] = body;
    }
    zip_discard(za);
    return entries;
}

Bytes Zip(const std::map<std::string, std::string>& entries) {
    zip_error_t error;
    zip_source_t* src = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* za = zip_open_from_source(src, ZIP_TRUNCATE, &error);
    zip_source_keep(src);
    for (const auto& [name, body] : entries)
        zip_file_add(za, name.c_str(), zip_source_buffer(za, body.data(), body.size(), 0), 0);
    zip_close(za);
    zip_source_open(src);
    zip_source_seek(src, 0, SEEK_END);
    Bytes out(static_cast<std::size_t>(zip_source_tell(src)));
    zip_source_seek(src, 0, SEEK_SET);
    zip_source_read(src, out.data(), out.size());
    zip_source_close(src);
    zip_source_free(src);
    return out;
}

Bytes Small() {
    ProjectData p;
    p.State.Front = Picture(test::MakeDisc(20, 20, 10, 10, 6), "d.png");
    p.State.Pose.Positions = Positions(4);
    return EncodeProject(p, "small.vonnik");
}

// The small project with its manifest changed.
Bytes WithManifest(const std::function<void(Json&)>& change) {
    auto entries = Unzip(Small());
    Json manifest = Json::parse(entries["project.json"]);
    change(manifest);
    entries["project.json"] = manifest.dump();
    return Zip(entries);
}

Bytes WithEntries(const std::function<void(std::map<std::string, std::string>&)>& change) {
    auto entries = Unzip(Small());
    change(entries);
    return Zip(entries);
}

// The small project with the positions entry declaring `size` bytes in both of its headers.
Bytes Declaring(std::uint32_t size) {
    Bytes b = Small();
    const std::string name = "arrays/0.f64";
    const auto named = [&](std::size_t nameAt) {
        return nameAt + name.size() <= b.size() &&
               std::memcmp(&b[nameAt], name.data(), name.size()) == 0;
    };
    const auto declareOne = [&](std::size_t at) {
        for (int k = 0; k < 4; ++k) b[at + k] = static_cast<unsigned char>(size >> (8 * k));
    };
    for (std::size_t at = 0; at + 46 < b.size(); ++at) {
        if (std::memcmp(&b[at], "PK\x03\x04", 4) == 0 && named(at + 30)) declareOne(at + 22);
        if (std::memcmp(&b[at], "PK\x01\x02", 4) == 0 && named(at + 46)) declareOne(at + 24);
    }
    return b;
}

TEST(ProjectFile, RefusesHostileFilesNamingTheReason) {
    const Bytes good = Small();
    struct Case {
        const char* what;
        Bytes bytes;
        const char* reason;
        ProjectLimits limits = {};
    };
    const std::string text = "just some text, not a container";
    ProjectLimits tiny;
    tiny.maxTotalBytes = 600;
    ProjectLimits fewPixels;
    fewPixels.maxPicturePixels = 399;
    const Case cases[] = {
        {"empty", {}, "the file is empty"},
        {"not a zip", Bytes(text.begin(), text.end()), "not a project file (no zip container)"},
        {"truncated", Bytes(good.begin(), good.begin() + good.size() / 2), "truncated or damaged"},
        {"no manifest", WithEntries([](auto& e) { e.erase("project.json"); }),
         "no entry 'project.json'"},
        {"manifest not JSON", WithEntries([](auto& e) { e["project.json"] = "{\"format\":"; }),
         "not valid JSON"},
        {"deep manifest", WithEntries([](auto& e) {
             e["project.json"] = std::string(40, '[') + std::string(40, ']');
         }),
         "nests deeper"},
        {"other format", WithManifest([](Json& m) { m["format"] = "zip of cats"; }),
         "names another format"},
        {"newer major", WithManifest([](Json& m) { m["version"]["major"] = 2; }),
         "made by a newer version of the program (project format 2; this program reads format 1)"},
        {"missing key", WithManifest([](Json& m) { m["state"].erase("light"); }),
         "'state.light' is missing"},
        {"wrong type", WithManifest([](Json& m) { m["view"]["zoom"] = "big"; }),
         "'view.zoom' is not a number"},
        {"float for int", WithManifest([](Json& m) { m["state"]["pose"]["drawOrder"] = 1.5; }),
         "'state.pose.drawOrder' is not an integer"},
        {"int out of range", WithManifest([](Json& m) { m["state"]["light"]["lightAmount"] = 99; }),
         "'state.light.lightAmount' is outside 100..500"},
        {"huge unsigned",
         WithManifest([](Json& m) { m["state"]["pose"]["drawOrder"] = 1ull << 63; }),
         "'state.pose.drawOrder' is outside 1..4"},
        {"unknown step", WithManifest([](Json& m) {
             m["history"]["undo"] = {{{"kind", "dance"}}};
         }),
         "'history.undo[0].kind' names no step"},
        {"step without its part", WithManifest([](Json& m) {
             m["history"]["redo"] = {{{"kind", "drag"}}};
         }),
         "'history.redo[0].pose' is missing"},
        {"missing picture entry",
         WithManifest([](Json& m) { m["state"]["front"]["entry"] = "pictures/9.png"; }),
         "no entry 'pictures/9.png'"},
        {"positions of the wrong size",
         WithManifest([](Json& m) { m["state"]["pose"]["positions"]["vertices"] = 5; }),
         "holds 192 bytes, not the 240"},
        {"not a PNG", WithEntries([](auto& e) { e["pictures/0.png"] = "GIF89a"; }),
         "not a PNG picture"},
        {"leaves the container", WithEntries([](auto& e) { e["../../etc/cron.d/x"] = "x"; }),
         "entry '../../etc/cron.d/x' points outside the container"},
        {"absolute entry", WithEntries([](auto& e) { e["/tmp/x"] = "x"; }), "points outside"},
        {"expands past the cap", good, "more than the", tiny},
        {"declares less than it holds", Declaring(1),
         "entry 'arrays/0.f64' does not hold the 1 bytes"},
        {"expands to gigabytes", Declaring(3000000000u),
         "entry 'arrays/0.f64' expands to 3000000000 bytes, more than the"},
        {"picture over the limit", good, "too large", fewPixels},
    };
    for (const Case& c : cases) {
        try {
            DecodeProject(c.bytes.data(), c.bytes.size(), "bad.vonnik", c.limits);
            ADD_FAILURE() << c.what << ": read without an error";
        } catch (const FileError& e) {
            EXPECT_EQ(e.Path(), "bad.vonnik") << c.what;
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos)
                << c.what << ": " << e.what();
        }
    }
}

TEST(ProjectFile, IgnoresUnknownKeysOfItsMajorVersion) {
    const Bytes newer = WithManifest([](Json& m) {
        m["version"]["minor"] = 7;
        m["sparkles"] = {1, 2, 3};
        m["state"]["pose"]["twist"] = "later";
    });
    const Bytes plain = Small();
    EXPECT_EQ(DecodeProject(newer.data(), newer.size(), "n.vonnik"),
              DecodeProject(plain.data(), plain.size(), "p.vonnik"));
}

TEST(ProjectFile, IsWrittenWholeOrNotAtAll) {
    const test::TempDir dir("project-file");
    const std::string path = dir.Path() + "/work.vonnik";
    SaveProject(FullProject(), path);
    EXPECT_EQ(LoadProject(path), FullProject());
    ProjectData unencodable = FullProject();
    unencodable.State.Front->Picture.colours = Raster();
    EXPECT_THROW(SaveProject(unencodable, path), FileError);
    EXPECT_EQ(LoadProject(path), FullProject());  // the earlier file is still whole
    EXPECT_THROW(SaveProject(FullProject(), "/dev/full"), FileError);
    EXPECT_TRUE(IsProjectPath("a/B.VONNIK"));
    EXPECT_FALSE(IsProjectPath("a.vonnik/b.png"));
}

}  // namespace
}  // namespace vonnik
