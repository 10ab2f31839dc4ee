#include "cli/cli.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>
#include <streambuf>
#include <system_error>
#include <thread>

#include "cli/model_dump.h"
#include "core/figure_key.h"
#include "core/file_names.h"
#include "core/numbers.h"
#include "core/picture_io.h"
#include "core/version.h"
#include "export/animation.h"
#include "export/filaments.h"
#include "export/format_table.h"
#include "export/mesh_export.h"
#include "render/render_frame.h"
#include "session/project_file.h"
#include "session/session.h"
#include "session/workspace.h"
#include "viewer/rotation.h"
#include "viewer/turntable.h"

namespace vonnik {

namespace {

constexpr const char* kUsageTemplate = R"(usage: vonnik-cli PICTURE [options]
       vonnik-cli PICTURE... --out-dir DIR [options]

Makes PICTURE solid as the desktop program does, doing what a user would do on the panel
and in the viewer, in this order: background, light point, build, drags, double click,
turntables, then the frame, the model, the meshes and the project.

PICTURE may be a project file (.vonnik): its model is reopened exactly as it was saved
(pictures, settings, light, background, pose, export choices and undo history), and the
options given beside it change it as a user would after opening it: --background,
--light-point, --back-light and --light-amount set those; --polygon-size, --curvature,
--circle-tolerance, --colour-projection, --square-lattice and --back rebuild it (the
rebuilt model starts unturned; --background-tolerance applies to a --back picture, the
project's own pictures are kept as they were loaded); drags and the double click come
after. A project file is also accepted for --background and --back: its front picture as
loaded is used.

  --background FILE       set a background picture first (as the set-background button)
  --light-point X,Y       pick the light at panel point X,Y (strictly inside the disc of
                          centre 60,52 and radius 36)
  --polygon-size TEXT     text of the polygon size field (default "8")
  --curvature TEXT        text of the curvature field, in hundredths (default "100")
  --circle-tolerance TEXT text of the circle tolerance field, in hundredths (default "110")
  --colour-projection     colour vertical projection on
  --square-lattice        special polygon on (square lattice)
  --back FILE             double-sided loading, FILE textures the back
  --hole X,Y,D            a round hole through the solid: the disc of diameter D picture
                          pixels about pixel X,Y becomes background before the build
                          (repeatable; the disc must touch the figure)
  --background-tolerance T
                          in PICTURE and the back, pixels within T (0..255) of the
                          top-left colour in red, green and blue count as background
                          (default 0: only the top-left colour itself)
  --svg-scale N           render an SVG drawing at N times its own size (default 1)
  --back-light            back light on
  --light-amount N        light amount, 100..500 (default 100)
  --drag "X,Y;X,Y;..."    right-button press at the first viewer point, one move to each
                          later point (repeatable, in order)
  --wireframe             one double click in the viewer (outlined drawing)
  --frame FILE, -o FILE   write the final frame in the format of FILE's extension:
                            .bmp  exactly as the snapshot button writes it
                            .png  the same pixels as a PNG
  --dump-model FILE       write the final model as JSON (FILE ends in .json)
  --save-project FILE     write the work as a project file (.vonnik): the pictures as
                          loaded, the settings, the light, the background, the pose after
                          the drags and the double click, the export choices and every
                          step above as undo history
  --export-mesh FILE      write the solid as it stands after the drags, in the format of
                          FILE's extension (repeatable):
{MESHES}                          {PRINT} hold the solid as built, lying on the printer's
                          bed: front up, lowest point at z = 0, centred on x = y = 0
  --mm-per-pixel N        size of one picture pixel in the mesh files (default 0.1)
  --turntable FILE        write one full turn of the model about the viewer's vertical
                          axis, from the pose after the drags, as an animation in the format
                          of FILE's extension (repeatable); the model keeps its pose:
{ANIMATIONS}  --turntable-frames N    frames of one turn, 1..360 (default 36)
  --turntable-fps N       frames per second, 1..50 (default 12: 36 frames turn in 3 s)
  --size-mm L             the longest side of the solid becomes L millimetres (in place of
                          --mm-per-pixel)
  --filaments N           {PAINT}: paint the print for a printer with N filaments (2..16):
                          the figure's colours reduced to N, each triangle in the one most
                          of its pixels take; the palette is printed with each colour's
                          share of the surface
  --thickness-mm T        {PRINT}: the print becomes T millimetres thick (each part),
                          its height scaled apart from its size across the bed, which
                          --size-mm or --mm-per-pixel sets
  --flat-back             {PRINT}: a flat base in the rim's plane replaces the back,
                          a relief that prints without supports
  --halves                {PRINT}: the front and the back as two flat-based halves,
                          side by side 5 mm apart, to print and glue
  --threads N             draw the frame in N horizontal bands at once (default: one per
                          processor core, at most 8; in a batch of several pictures at once,
                          one band)
  --jobs N                in batch use, convert N pictures at once (default: one per
                          processor core)
  --help                  this text
  --version               the program's version, and the fill kernels this processor
                          runs

Batch use: with --out-dir DIR, every PICTURE is converted with the same options and
--frame, --dump-model, --export-mesh and --turntable take a format instead of a file
(--frame bmp or png, --dump-model json, --export-mesh {MESH_NAMES}, --turntable
{ANIMATION_NAMES}, --save-project vonnik); the files are DIR/NAME.EXT,
NAME being the picture's file name without its extension. The pictures are converted
several at once (--jobs), each writing the files it writes alone. One line per picture on
the standard error, in the order given, then a summary; a picture that fails is reported
and the others go on.

Pictures: BMP, PNG, JPEG, GIF (first frame), WebP, TIFF, TGA, ICO, SVG and the other
formats Qt's image readers know. In a picture with transparent pixels, the figure is
the pixels with alpha 128 or more.

Exit status: 0 done; 2 usage or invalid input; 1 a file that cannot be read or written, or
in batch use any picture that failed.
)";

// The help text, its formats from the format tables.
std::string Usage() {
    std::string text = kUsageTemplate;
    const auto put = [&](const std::string& key, const std::string& value) {
        for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at))
            text.replace(at, key.size(), value);
    };
    const std::string indent(28, ' ');
    put("{MESHES}", HelpLines(MeshFormats(), indent));
    put("{ANIMATIONS}", HelpLines(AnimationFormats(), indent));
    put("{PRINT}", MeshExtensions(&MeshFormatRow::print, " and "));
    put("{PAINT}", MeshExtensions(&MeshFormatRow::filaments, " and "));
    put("{MESH_NAMES}", ExtensionList(MeshFormats(), false, " or "));
    put("{ANIMATION_NAMES}", ExtensionList(AnimationFormats(), false, " or "));
    return text;
}

// The options that change what a reopened project's model is built from.
constexpr const char* kRebuildOptions[] = {"--polygon-size",
                                           "--curvature",
                                           "--circle-tolerance",
                                           "--colour-projection",
                                           "--square-lattice",
                                           "--back",
                                           "--hole"};

struct UsageError {
    std::string message;
};

struct Point {
    int x, y;
};

struct Options {
    std::vector<std::string> pictures;
    std::optional<std::string> background, back, frame, dump, project, outDir;
    std::vector<std::string> meshes;      // files, or formats in batch use
    std::vector<std::string> turntables;  // files, or formats in batch use
    TurntableOptions turntable;
    std::optional<Point> lightPoint;
    PanelInputs panel;
    std::vector<std::vector<Point>> drags;
    bool wireframe = false;
    std::optional<int> threads;  // none: one per processor core
    std::optional<int> jobs;     // pictures converted at once in batch use; none: one per core
    MeshExportOptions mesh;
    FigureOptions figure;
    bool mmPerPixelGiven = false;
    std::set<std::string> given;  // every option on the command line
};

// The frame file's formats: the snapshot's 32-bit BMP, or PNG.
enum class FrameFormat { kBmp, kPng };

// An existing device or pipe (/dev/null, /dev/stdout) has no extension to go by: it takes
// the bytes of the option's first format.
bool IsDeviceOrPipe(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    return info.exists() && !info.isFile() && !info.isDir();
}

// The format a --frame file's name says: ".bmp" or ".png" in any case.
std::optional<FrameFormat> FrameFormatOfPath(const std::string& path) {
    if (IsDeviceOrPipe(path)) return FrameFormat::kBmp;
    const std::string suffix = LowerSuffixOf(path);
    if (suffix == "bmp") return FrameFormat::kBmp;
    if (suffix == "png") return FrameFormat::kPng;
    return std::nullopt;
}

bool IsModelDumpPath(const std::string& path) {
    return IsDeviceOrPipe(path) || LowerSuffixOf(path) == "json";
}

// The files one conversion writes.
struct Outputs {
    std::optional<std::string> frame, dump, project;
    int bands = 0;  // of the frame; 0: one per processor core
    bool framePng = false;
    std::vector<std::string> meshes;
    std::vector<std::string> turntables;
};

// The whole text as a number of type T; nothing when any of it is not part of the number.
template <typename T>
std::optional<T> WholeNumber(const std::string& text) {
    T value{};
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end) return std::nullopt;
    return value;
}

int ParseInt(const std::string& option, const std::string& text) {
    const std::optional<int> value = WholeNumber<int>(text);
    if (!value) throw UsageError{option + ": '" + text + "' is not an integer"};
    return *value;
}

Point ParsePoint(const std::string& option, const std::string& text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos) throw UsageError{option + ": '" + text + "' is not X,Y"};
    return {ParseInt(option, text.substr(0, comma)), ParseInt(option, text.substr(comma + 1))};
}

double ParsePositive(const std::string& option, const std::string& text) {
    const std::optional<double> value = WholeNumber<double>(text);
    if (!value) throw UsageError{option + ": '" + text + "' is not a number"};
    if (!(std::isfinite(*value) && *value > 0.0))
        throw UsageError{option + ": must be a positive number"};
    return *value;
}

Hole ParseHole(const std::string& text) {
    std::vector<double> numbers;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const std::optional<double> v = WholeNumber<double>(text.substr(start, end - start));
        if (!v || !std::isfinite(*v)) throw UsageError{"--hole: '" + text + "' is not X,Y,D"};
        numbers.push_back(*v);
        start = end + 1;
    }
    if (numbers.size() != 3) throw UsageError{"--hole: '" + text + "' is not X,Y,D"};
    if (!(numbers[2] > 0.0)) throw UsageError{"--hole: the diameter must be a positive number"};
    return {numbers[0], numbers[1], numbers[2]};
}

std::vector<Point> ParseDrag(const std::string& text) {
    std::vector<Point> points;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(';', start), text.size());
        points.push_back(ParsePoint("--drag", text.substr(start, end - start)));
        start = end + 1;
    }
    return points;
}

// The options as given, each value read as its option's kind; nothing checked together yet.
Options ReadArguments(const std::vector<std::string>& args) {
    Options o;
    for (std::size_t n = 0; n < args.size(); ++n) {
        const std::string& a = args[n];
        const auto value = [&]() -> const std::string& {
            if (n + 1 >= args.size()) throw UsageError{a + " needs a value"};
            return args[++n];
        };
        // clang-format off
        if (a == "--background") o.background = value();
        else if (a == "--light-point") o.lightPoint = ParsePoint(a, value());
        else if (a == "--polygon-size") o.panel.PolygonText = value();
        else if (a == "--curvature") o.panel.CurvatureText = value();
        else if (a == "--circle-tolerance") o.panel.ToleranceText = value();
        else if (a == "--colour-projection") o.panel.ColourProjection = true;
        else if (a == "--square-lattice") o.panel.SpecialPolygon = true;
        else if (a == "--back") o.back = value();
        else if (a == "--hole") o.panel.Holes.push_back(ParseHole(value()));
        else if (a == "--back-light") o.panel.BackLight = true;
        else if (a == "--background-tolerance") o.figure.backgroundTolerance = ParseInt(a, value());
        else if (a == "--svg-scale") o.figure.read.drawingScale = ParsePositive(a, value());
        else if (a == "--light-amount") o.panel.TrackBarPosition = ParseInt(a, value());
        else if (a == "--drag") o.drags.push_back(ParseDrag(value()));
        else if (a == "--wireframe") o.wireframe = true;
        else if (a == "--frame" || a == "-o") o.frame = value();
        else if (a == "--dump-model") o.dump = value();
        else if (a == "--save-project") o.project = value();
        else if (a == "--threads") o.threads = ParseInt(a, value());
        else if (a == "--jobs") o.jobs = ParseInt(a, value());
        else if (a == "--export-mesh") o.meshes.push_back(value());
        else if (a == "--mm-per-pixel") { o.mesh.mmPerPixel = ParsePositive(a, value()); o.mmPerPixelGiven = true; }
        else if (a == "--size-mm") o.mesh.sizeMm = ParsePositive(a, value());
        else if (a == "--filaments") o.mesh.filaments = ParseInt(a, value());
        else if (a == "--thickness-mm") o.mesh.thicknessMm = ParsePositive(a, value());
        else if (a == "--flat-back") o.mesh.shape = PrintShape::kFlatBack;
        else if (a == "--halves") o.mesh.shape = PrintShape::kHalves;
        else if (a == "--out-dir") o.outDir = value();
        else if (a == "--turntable") o.turntables.push_back(value());
        else if (a == "--turntable-frames") o.turntable.frames = ParseInt(a, value());
        else if (a == "--turntable-fps") o.turntable.animation.framesPerSecond = ParseInt(a, value());
        else if (a.size() > 1 && a[0] == '-') throw UsageError{"unknown option " + a};
        else o.pictures.push_back(a);
        // clang-format on
        if (a.size() > 1 && a[0] == '-') o.given.insert(a);
    }
    o.panel.DoubleSided = o.back.has_value();
    return o;
}

void CheckPictures(const Options& o) {
    if (o.pictures.empty()) throw UsageError{"no picture given"};
    if (o.pictures.size() > 1 && !o.outDir)
        throw UsageError{"more than one picture ('" + o.pictures[0] + "' and '" + o.pictures[1] +
                         "') needs --out-dir"};
}

// The panel's numbers, the light point and the drawing's threads, as the panel and the
// viewer would take them.
void CheckPanel(const Options& o) {
    if (o.panel.TrackBarPosition < 100 || o.panel.TrackBarPosition > 500)
        throw UsageError{"--light-amount: " + std::to_string(o.panel.TrackBarPosition) +
                         " is outside 100..500"};
    if (o.lightPoint && !InsideLightDisc(o.lightPoint->x, o.lightPoint->y))
        throw UsageError{
            "--light-point: " + std::to_string(o.lightPoint->x) + "," +
            std::to_string(o.lightPoint->y) + " is not strictly inside the light disc (centre " +
            std::to_string(LightDisc::kCentreX) + "," + std::to_string(LightDisc::kCentreY) +
            ", radius " + std::to_string(LightDisc::kRadius) + ")"};
    if (o.threads && (*o.threads < 1 || *o.threads > 64))
        throw UsageError{"--threads: must be 1..64"};
    if (o.jobs && (*o.jobs < 1 || *o.jobs > 64)) throw UsageError{"--jobs: must be 1..64"};
    if (o.figure.backgroundTolerance < 0 || o.figure.backgroundTolerance > kMaxBackgroundTolerance)
        throw UsageError{"--background-tolerance: " + std::to_string(o.figure.backgroundTolerance) +
                         " is outside 0..255"};
    if (!TextToInt(o.panel.PolygonText))
        throw UsageError{"--polygon-size: '" + o.panel.PolygonText + "' is not an integer"};
    if (*TextToInt(o.panel.PolygonText) <= 0)
        throw UsageError{"--polygon-size: must be greater than 0"};
    if (!TextToInt(o.panel.CurvatureText))
        throw UsageError{"--curvature: '" + o.panel.CurvatureText + "' is not an integer"};
    if (!TextToInt(o.panel.ToleranceText))
        throw UsageError{"--circle-tolerance: '" + o.panel.ToleranceText + "' is not an integer"};
}

// The files to write, each in a format its name (or, in batch use, the format given) says,
// and the turntable's frames.
void CheckOutputs(const Options& o) {
    if (o.outDir) {
        if (o.frame && *o.frame != "bmp" && *o.frame != "png")
            throw UsageError{"--frame: with --out-dir give a format, bmp or png, not '" + *o.frame +
                             "'"};
        if (o.dump && *o.dump != "json")
            throw UsageError{"--dump-model: with --out-dir give the format json, not '" + *o.dump +
                             "'"};
        if (o.project && *o.project != kProjectExtension)
            throw UsageError{"--save-project: with --out-dir give the format vonnik, not '" +
                             *o.project + "'"};
        if (!o.frame && !o.dump && !o.project && o.meshes.empty() && o.turntables.empty())
            throw UsageError{
                "--out-dir: nothing to write (give --frame, --dump-model, --export-mesh, "
                "--turntable or --save-project)"};
    } else {
        if (o.frame && !FrameFormatOfPath(*o.frame))
            throw UsageError{"--frame: '" + *o.frame + "' names no frame format (.bmp or .png)"};
        if (o.dump && !IsModelDumpPath(*o.dump))
            throw UsageError{"--dump-model: '" + *o.dump + "' names no model format (.json)"};
        if (o.project && !IsProjectPath(*o.project))
            throw UsageError{"--save-project: '" + *o.project +
                             "' names no project format (.vonnik)"};
    }
    for (const std::string& turntable : o.turntables) {
        if (o.outDir ? !AnimationFormatNamed(turntable) : !AnimationFormatOfPath(turntable))
            throw UsageError{"--turntable: '" + turntable + "' names no animation format (" +
                             ExtensionList(AnimationFormats(), !o.outDir, " or ") + ")"};
    }
    if (o.turntable.frames < 1 || o.turntable.frames > kMaxTurntableFrames)
        throw UsageError{"--turntable-frames: must be 1.." + std::to_string(kMaxTurntableFrames)};
    if (o.turntable.animation.framesPerSecond < kMinFramesPerSecond ||
        o.turntable.animation.framesPerSecond > kMaxFramesPerSecond)
        throw UsageError{"--turntable-fps: must be " + std::to_string(kMinFramesPerSecond) + ".." +
                         std::to_string(kMaxFramesPerSecond)};
    for (const std::string& mesh : o.meshes) {
        if (o.outDir ? !MeshFormatNamed(mesh) : !MeshFormatOfPath(mesh))
            throw UsageError{"--export-mesh: '" + mesh + "' names no mesh format (" +
                             ExtensionList(MeshFormats(), !o.outDir, " or ") + ")"};
    }
}

// The size and shape of the printed solid: one size option, one shape, and a print format
// to shape.
void CheckPrintShape(const Options& o, const std::vector<std::string>& args) {
    if (o.mmPerPixelGiven && o.mesh.sizeMm > 0.0)
        throw UsageError{"--size-mm: give either --size-mm or --mm-per-pixel, not both"};
    if (std::count(args.begin(), args.end(), "--flat-back") > 0 &&
        std::count(args.begin(), args.end(), "--halves") > 0)
        throw UsageError{"--halves: give either --flat-back or --halves, not both"};
    const bool printed = std::any_of(o.meshes.begin(), o.meshes.end(), [&](const std::string& m) {
        const std::optional<MeshFormat> f = o.outDir ? MeshFormatNamed(m) : MeshFormatOfPath(m);
        return f && IsPrintFormat(*f);
    });
    const bool painted = std::any_of(o.meshes.begin(), o.meshes.end(), [&](const std::string& m) {
        const std::optional<MeshFormat> f = o.outDir ? MeshFormatNamed(m) : MeshFormatOfPath(m);
        return f && RowOf(*f).filaments;
    });
    if (std::count(args.begin(), args.end(), "--filaments") > 0) {
        if (o.mesh.filaments < kMinFilaments || o.mesh.filaments > kMaxFilaments)
            throw UsageError{"--filaments: " + std::to_string(o.mesh.filaments) + " is outside " +
                             std::to_string(kMinFilaments) + ".." + std::to_string(kMaxFilaments)};
        if (!painted)
            throw UsageError{"--filaments: paints " +
                             MeshExtensions(&MeshFormatRow::filaments, " and ") +
                             " files only; none is exported"};
    }
    if (o.mesh.thicknessMm > 0.0 && !printed)
        throw UsageError{"--thickness-mm: shapes " +
                         MeshExtensions(&MeshFormatRow::print, " and ") +
                         " files only; none is exported"};
    if (o.mesh.shape != PrintShape::kWhole && !printed)
        throw UsageError{
            std::string(o.mesh.shape == PrintShape::kHalves ? "--halves" : "--flat-back") +
            ": shapes " + MeshExtensions(&MeshFormatRow::print, " and ") +
            " files only; none is exported"};
}

Options Parse(const std::vector<std::string>& args) {
    const Options o = ReadArguments(args);
    CheckPictures(o);
    CheckPanel(o);
    CheckOutputs(o);
    CheckPrintShape(o, args);
    return o;
}

// Where batch use writes a picture's files.
Outputs BatchOutputs(const Options& o, const std::string& picture) {
    const std::string base = *o.outDir + "/" + StemOf(picture) + ".";
    Outputs out;
    if (o.frame) out.frame = base + *o.frame;
    out.framePng = o.frame && *o.frame == "png";
    if (o.dump) out.dump = base + "json";
    if (o.project) out.project = base + kProjectExtension;
    for (const std::string& format : o.meshes)
        out.meshes.push_back(base + ExtensionOf(*MeshFormatNamed(format)));
    for (const std::string& format : o.turntables)
        out.turntables.push_back(base + ExtensionOf(*AnimationFormatNamed(format)));
    return out;
}

// What one conversion wrote.
struct Converted {
    std::vector<std::string> files;
    std::optional<MeshExportResult> solid;  // the last mesh written; all describe one solid
};

std::string DescribeSolid(const MeshExportResult& r) {
    std::ostringstream text;
    text << "solid of ";
    if (r.parts > 1) text << r.parts << " parts, ";
    text << r.vertices << " vertices, " << r.triangles << " triangles, ";
    if (r.edges.open == 0)
        text << "closed, volume " << r.volumeMm3 << " mm^3";
    else
        text << "not closed: " << r.edges.open << " open edges";
    if (r.edges.nonManifold > 0)
        text << ", " << r.edges.nonManifold << " edges shared by more than two triangles";
    if (r.edges.misoriented > 0) text << ", " << r.edges.misoriented << " edges wound one way";
    if (!r.palette.empty()) {
        text << "; " << r.palette.size() << " filaments:";
        text.setf(std::ios::fixed);
        text.precision(1);
        for (std::size_t k = 0; k < r.palette.size(); ++k)
            text << (k > 0 ? "," : "") << " " << k + 1 << " " << HexColour(r.palette[k]) << " "
                 << 100.0 * r.share[k] << "%";
    }
    return text.str();
}

std::string Describe(const Converted& c) {
    std::string text = c.solid ? DescribeSolid(*c.solid) + "; " : std::string();
    text += "wrote";
    for (const std::string& file : c.files) text += " " + file;
    return text;
}

// Progress of a turntable on standard error: a line at every quarter of the work.
AnimationProgress QuarterLines(const std::string& path, std::ostream& err) {
    return [&err, path, quarter = 0](int done, int total) mutable {
        const int now = 4 * done / total;
        if (now > quarter) {
            quarter = now;
            err << "vonnik-cli: " << path << ": " << 25 * now << "% ("
                << (2 * done <= total ? "drawn " : "encoded ")
                << (2 * done <= total ? done : done - total / 2) << " of " << total / 2
                << " frames)\n"
                << std::flush;
        }
        return true;
    };
}

// A picture as loaded for the build or the background; a project file gives its front
// picture as loaded. Throws FileError.
ProjectPicture LoadAnyPicture(const std::string& path, const ReadOptions& read) {
    if (!IsProjectPath(path)) return {LoadPictureWithAlpha(path, read), FileNameOf(path)};
    ProjectData project = LoadProject(path);
    if (!project.State.Front) throw FileError(path, "the project holds no picture");
    return std::move(*project.State.Front);
}

bool Given(const Options& o, const char* option) {
    return o.given.count(option) > 0;
}

// A picture to be made solid, as loaded (figure-keyed); a project file gives its front
// picture. Throws FileError.
Raster LoadAnyFigure(const std::string& path, const FigureOptions& figure) {
    if (!IsProjectPath(path)) return LoadFigurePicture(path, figure);
    ProjectPicture front = LoadAnyPicture(path, figure.read);
    return FigurePicture(std::move(front.Picture), path, 0);
}

// A new piece of work from a picture: background, light point, build, each an undo step.
void StartWork(Workspace& ws, const Options& o, const std::string& picture) {
    if (o.background) {
        RecordStep(ws, StepKind::kBackground);
        ProjectPicture backdrop = LoadAnyPicture(*o.background, o.figure.read);
        SetBackground(ws.State, FileNameOf(*o.background), std::move(backdrop.Picture.colours));
    }
    ws.Panel = o.panel;
    if (o.lightPoint) {
        RecordStep(ws, StepKind::kLightPoint);
        SetLightPoint(ws.State, o.lightPoint->x, o.lightPoint->y, o.panel.BackLight);
    }
    RecordStep(ws, StepKind::kBuild);
    auto pictures = std::make_shared<LoadedPictures>();
    pictures->Name = FileNameOf(picture);
    pictures->Front = LoadAnyFigure(picture, o.figure);
    pictures->FrontSource = picture;
    if (o.back) {
        pictures->Back = LoadAnyFigure(*o.back, o.figure);
        pictures->BackSource = *o.back;
    }
    ws.BackgroundTolerance = o.figure.backgroundTolerance;
    ws.Export = o.mesh;
    BuildWork(ws, std::move(pictures));
}

// A project reopened, then changed by the options given beside it, each an undo step.
void ReopenWork(Workspace& ws, const Options& o, const std::string& path) {
    OpenProject(ws, LoadProject(path), path);
    if (!ws.State.Loaded) throw FileError(path, "the project holds no picture");
    if (o.background) {
        RecordStep(ws, StepKind::kBackground);
        ProjectPicture backdrop = LoadAnyPicture(*o.background, o.figure.read);
        SetBackground(ws.State, FileNameOf(*o.background), std::move(backdrop.Picture.colours));
    }
    if (o.panel.BackLight && !ws.Panel.BackLight) {
        RecordStep(ws, StepKind::kBackLight);
        ws.Panel.BackLight = true;
        ws.State.LightZ = -ws.State.LightZ;
    }
    if (o.lightPoint) {
        RecordStep(ws, StepKind::kLightPoint);
        SetLightPoint(ws.State, o.lightPoint->x, o.lightPoint->y, ws.Panel.BackLight);
    }
    if (Given(o, "--light-amount")) {
        RecordStep(ws, StepKind::kLightAmount);
        ws.Panel.TrackBarPosition = o.panel.TrackBarPosition;
        ws.State.LightAmount = o.panel.TrackBarPosition / 100.0;
    }
    const bool rebuild = std::any_of(std::begin(kRebuildOptions), std::end(kRebuildOptions),
                                     [&](const char* option) { return Given(o, option); });
    if (rebuild) {
        RecordStep(ws, StepKind::kBuild);
        PanelInputs panel = ws.Panel;
        if (Given(o, "--polygon-size")) panel.PolygonText = o.panel.PolygonText;
        if (Given(o, "--curvature")) panel.CurvatureText = o.panel.CurvatureText;
        if (Given(o, "--circle-tolerance")) panel.ToleranceText = o.panel.ToleranceText;
        panel.ColourProjection = panel.ColourProjection || o.panel.ColourProjection;
        panel.SpecialPolygon = panel.SpecialPolygon || o.panel.SpecialPolygon;
        ws.Panel = panel;
        auto pictures = std::make_shared<LoadedPictures>(*ws.State.Loaded);
        if (o.back) {
            pictures->Back = LoadAnyFigure(*o.back, o.figure);
            pictures->BackSource = *o.back;
        }
        BuildWork(ws, std::move(pictures));
    }
    // The project's pictures were keyed when they were loaded; a tolerance given here is
    // the one a --back picture above was loaded with.
    if (Given(o, "--background-tolerance")) ws.BackgroundTolerance = o.figure.backgroundTolerance;
    if (o.mmPerPixelGiven) ws.Export = {o.mesh.mmPerPixel, 0.0, ws.Export.shape};
    if (Given(o, "--size-mm")) ws.Export.sizeMm = o.mesh.sizeMm;
    if (Given(o, "--flat-back") || Given(o, "--halves")) ws.Export.shape = o.mesh.shape;
}

// Loads (or reopens), builds, drags and writes one picture's outputs. Throws FileError,
// BuildError.
Converted Convert(const Options& o, const std::string& picture, const Outputs& outputs,
                  std::ostream& err) {
    Workspace ws;
    if (IsProjectPath(picture))
        ReopenWork(ws, o, picture);
    else
        StartWork(ws, o, picture);
    SharedState& state = ws.State;

    MouseTrack mouse;
    for (const std::vector<Point>& drag : o.drags) {
        RecordStep(ws, StepKind::kDrag);
        mouse.LastMouseX = drag.front().x;
        mouse.LastMouseY = drag.front().y;
        for (std::size_t n = 1; n < drag.size(); ++n) DragTo(state, mouse, drag[n].x, drag[n].y);
    }
    if (o.wireframe) {
        RecordStep(ws, StepKind::kOutlined);
        state.View.Wireframe = !state.View.Wireframe;
    }

    Converted done;
    // The turn works on a copy of the model: the frame, the model and the meshes below come
    // out exactly as without it.
    for (const std::string& turntable : outputs.turntables) {
        WriteTurntable(SceneOf(state), state.ViewWidth, state.ViewHeight, o.turntable, turntable,
                       QuarterLines(turntable, err));
        done.files.push_back(turntable);
    }
    if (outputs.frame) {
        RenderOptions render = AllCoresRenderOptions();
        if (outputs.bands > 0) render.threads = outputs.bands;
        if (o.threads) render.threads = *o.threads;
        RenderShownFrame(state, render);
        if (outputs.framePng)
            SavePng(state.FrameBuffer, *outputs.frame);
        else
            SaveFrameBmp(state.FrameBuffer, *outputs.frame);
        done.files.push_back(*outputs.frame);
    }
    if (outputs.dump) {
        const std::string json = ModelDumpJson(state);
        WriteFileAtomically(*outputs.dump, json.data(), static_cast<std::int64_t>(json.size()));
        done.files.push_back(*outputs.dump);
    }
    for (const std::string& mesh : outputs.meshes) {
        done.solid = ExportShownSolid(state, mesh, ws.Export);
        done.files.insert(done.files.end(), done.solid->files.begin(), done.solid->files.end());
    }
    if (outputs.project) {
        SaveProject(CaptureProject(ws), *outputs.project);
        done.files.push_back(*outputs.project);
    }
    return done;
}

int RunOne(const Options& o, std::ostream& err) {
    Outputs outputs;
    outputs.frame = o.frame;
    outputs.framePng = o.frame && FrameFormatOfPath(*o.frame) == FrameFormat::kPng;
    outputs.dump = o.dump;
    outputs.project = o.project;
    outputs.meshes = o.meshes;
    outputs.turntables = o.turntables;
    try {
        const Converted done = Convert(o, o.pictures.front(), outputs, err);
        // Quiet unless a solid or a turntable was written: frames and dumps keep their silent
        // behaviour.
        if (done.solid || !outputs.turntables.empty())
            err << "vonnik-cli: " << Describe(done) << "\n";
    } catch (const BuildError& e) {
        err << "vonnik-cli: " << DescribeBuildError(e, o.pictures.front()) << "\n";
        return 2;
    }
    return 0;
}

// The standard error of a batch whose pictures convert at once: whole lines only, so that
// the progress lines of pictures never mix, and each picture's outcome line in the order
// the pictures were given, as soon as those before it are done.
class BatchReport {
  public:
    BatchReport(std::ostream& err, std::size_t pictures) : err_(err), outcomes_(pictures) {}

    void Line(const std::string& line) {
        const std::lock_guard<std::mutex> lock(mutex_);
        err_ << line << std::flush;
    }

    void Outcome(std::size_t picture, std::string line) {
        const std::lock_guard<std::mutex> lock(mutex_);
        outcomes_[picture] = std::move(line);
        for (; printed_ < outcomes_.size() && outcomes_[printed_]; ++printed_)
            err_ << *outcomes_[printed_];
        err_ << std::flush;
    }

  private:
    std::mutex mutex_;
    std::ostream& err_;
    std::vector<std::optional<std::string>> outcomes_;
    std::size_t printed_ = 0;
};

// A stream for one converting thread: each line it is given goes whole to the report.
class ReportLines : public std::streambuf {
  public:
    explicit ReportLines(BatchReport& report) : report_(report) {}

  protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        line_ += traits_type::to_char_type(c);
        if (line_.back() == '\n') {
            report_.Line(line_);
            line_.clear();
        }
        return c;
    }

  private:
    BatchReport& report_;
    std::string line_;
};

// What converting one picture of a batch came to: its files, or why it failed.
std::string BatchOutcome(const Options& o, const std::string& picture, int bands, std::ostream& err,
                         bool& failed) {
    failed = true;
    try {
        Outputs outputs = BatchOutputs(o, picture);
        outputs.bands = bands;
        std::string outcome = Describe(Convert(o, picture, outputs, err));
        failed = false;
        return outcome;
    } catch (const FileError& e) {
        return std::string("FAILED: ") + e.what();
    } catch (const BuildError& e) {
        return "FAILED: " + DescribeBuildError(e, picture);
    } catch (const std::bad_alloc&) {
        return "FAILED: not enough memory";
    } catch (const std::exception& e) {
        return std::string("FAILED: ") + e.what();
    }
}

// Pictures converted at once: --jobs, or one per processor core, never more than pictures.
std::size_t BatchJobs(const Options& o) {
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t jobs = o.jobs ? static_cast<std::size_t>(*o.jobs) : cores;
    return std::clamp<std::size_t>(jobs, 1, o.pictures.size());
}

int RunBatch(const Options& o, std::ostream& err) {
    // Two pictures of the same name would overwrite each other's files.
    std::map<std::string, std::string> byStem;
    for (const std::string& picture : o.pictures) {
        const auto [at, fresh] = byStem.emplace(StemOf(picture), picture);
        if (!fresh)
            throw UsageError{"'" + at->second + "' and '" + picture +
                             "' would write the same files in --out-dir"};
    }
    if (!QDir().mkpath(QString::fromStdString(*o.outDir)))
        throw FileError(*o.outDir, "cannot create the folder");

    const std::size_t total = o.pictures.size();
    const std::size_t jobs = BatchJobs(o);
    // Pictures at once take the cores: each frame is then drawn in one band.
    const int bands = jobs > 1 ? 1 : 0;
    BatchReport report(err, total);
    std::atomic<std::size_t> next{0}, failed{0};
    const auto work = [&] {
        ReportLines lines(report);
        std::ostream progress(&lines);
        for (std::size_t n; (n = next++) < total;) {
            const std::string& picture = o.pictures[n];
            bool bad = false;
            // Turntables report their progress while they run; the picture's line follows.
            const std::string outcome = BatchOutcome(o, picture, bands, progress, bad);
            if (bad) ++failed;
            report.Outcome(n, "vonnik-cli: [" + std::to_string(n + 1) + "/" +
                                  std::to_string(total) + "] " + picture + ": " + outcome + "\n");
        }
    };
    std::vector<std::thread> workers;
    for (std::size_t w = 1; w < jobs; ++w) {
        try {
            workers.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // no thread to spare: the pictures left go to those running
        }
    }
    work();
    for (std::thread& w : workers) w.join();
    const std::size_t bad = failed.load();
    err << "vonnik-cli: " << total - bad << " of " << total << " pictures converted";
    if (bad > 0) err << ", " << bad << " failed";
    err << "\n";
    return bad > 0 ? 1 : 0;
}

int Run(const Options& o, std::ostream& err) {
    return o.outDir ? RunBatch(o, err) : RunOne(o, err);
}

}  // namespace

std::string DescribeBuildError(const BuildError& error, const std::string& picture) {
    const std::string cause = error.field() == BuildError::Field::kPicture ? "'" + picture + "'"
                              : error.field() == BuildError::Field::kHole
                                  ? "--hole: '" + picture + "'"
                                  : std::string("--polygon-size");
    return cause + ": " + error.what();
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            out << Usage();
            return 0;
        }
        if (a == "--version") {
            out << "vonnik-cli " VONNIK_VERSION "\nfill kernels on this processor: "
                << DescribeFillKernels() << "\n";
            return 0;
        }
    }
    try {
        return Run(Parse(args), err);
    } catch (const UsageError& e) {
        err << "vonnik-cli: " << e.message << "\n(see vonnik-cli --help)\n";
        return 2;
    } catch (const FileError& e) {
        err << "vonnik-cli: " << e.what() << "\n";
        return 1;
    } catch (const std::bad_alloc&) {
        err << "vonnik-cli: not enough memory\n";
        return 1;
    }
}

}  // namespace vonnik
