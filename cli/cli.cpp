#include "cli/cli.h"

#include <QFileInfo>
#include <charconv>
#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>

#include "builder/build.h"
#include "cli/model_dump.h"
#include "core/numbers.h"
#include "core/picture_io.h"
#include "render/render_frame.h"
#include "viewer/rotation.h"

namespace vonnik {

namespace {

constexpr const char* kUsage = R"(usage: vonnik-cli PICTURE [options]

Makes PICTURE solid as the desktop program does, doing what a user would do on the panel
and in the viewer, in this order: background, light point, build, drags, double click.

  --background FILE       set a background picture first (as the set-background button)
  --light-point X,Y       pick the light at panel point X,Y (strictly inside the disc of
                          centre 60,52 and radius 36)
  --polygon-size TEXT     text of the polygon size field (default "8")
  --curvature TEXT        text of the curvature field, in hundredths (default "100")
  --circle-tolerance TEXT text of the circle tolerance field, in hundredths (default "110")
  --colour-projection     colour vertical projection on
  --square-lattice        special polygon on (square lattice)
  --back FILE             double-sided loading, FILE textures the back
  --back-light            back light on
  --light-amount N        light amount, 100..500 (default 100)
  --drag "X,Y;X,Y;..."    right-button press at the first viewer point, one move to each
                          later point (repeatable, in order)
  --wireframe             one double click in the viewer (outlined drawing)
  --frame FILE, -o FILE   write the final frame exactly as the snapshot button writes it
  --dump-model FILE       write the final model as JSON
  --threads N             draw the frame in N horizontal bands at once (default 1)
  --help                  this text

Exit status: 0 done; 2 usage or invalid input; 1 a file that cannot be read or written.
)";

struct UsageError {
    std::string message;
};

struct Point {
    int x, y;
};

struct Options {
    std::string picture;
    std::optional<std::string> background, back, frame, dump;
    std::optional<Point> lightPoint;
    PanelInputs panel;
    std::vector<std::vector<Point>> drags;
    bool wireframe = false;
    int threads = 1;
};

int ParseInt(const std::string& option, const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end)
        throw UsageError{option + ": '" + text + "' is not an integer"};
    return value;
}

Point ParsePoint(const std::string& option, const std::string& text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos) throw UsageError{option + ": '" + text + "' is not X,Y"};
    return {ParseInt(option, text.substr(0, comma)), ParseInt(option, text.substr(comma + 1))};
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

Options Parse(const std::vector<std::string>& args) {
    Options o;
    std::optional<std::string> picture;
    for (std::size_t n = 0; n < args.size(); ++n) {
        const std::string& a = args[n];
        const auto value = [&]() -> const std::string& {
            if (n + 1 >= args.size()) throw UsageError{a + " needs a value"};
            return args[++n];
        };
        if (a == "--background") o.background = value();
        else if (a == "--light-point") o.lightPoint = ParsePoint(a, value());
        else if (a == "--polygon-size") o.panel.PolygonText = value();
        else if (a == "--curvature") o.panel.CurvatureText = value();
        else if (a == "--circle-tolerance") o.panel.ToleranceText = value();
        else if (a == "--colour-projection") o.panel.ColourProjection = true;
        else if (a == "--square-lattice") o.panel.SpecialPolygon = true;
        else if (a == "--back") o.back = value();
        else if (a == "--back-light") o.panel.BackLight = true;
        else if (a == "--light-amount") o.panel.TrackBarPosition = ParseInt(a, value());
        else if (a == "--drag") o.drags.push_back(ParseDrag(value()));
        else if (a == "--wireframe") o.wireframe = true;
        else if (a == "--frame" || a == "-o") o.frame = value();
        else if (a == "--dump-model") o.dump = value();
        else if (a == "--threads") o.threads = ParseInt(a, value());
        else if (a == "--export-mesh") throw UsageError{"--export-mesh is not available yet"};
        else if (a.size() > 1 && a[0] == '-') throw UsageError{"unknown option " + a};
        else if (picture) throw UsageError{"more than one picture: '" + *picture + "' and '" + a + "'"};
        else picture = a;
    }
    if (!picture) throw UsageError{"no picture given"};
    o.picture = *picture;
    if (o.panel.TrackBarPosition < 100 || o.panel.TrackBarPosition > 500)
        throw UsageError{"--light-amount: " + std::to_string(o.panel.TrackBarPosition) +
                         " is outside 100..500"};
    if (o.lightPoint && !InsideLightDisc(o.lightPoint->x, o.lightPoint->y))
        throw UsageError{"--light-point: " + std::to_string(o.lightPoint->x) + "," +
                         std::to_string(o.lightPoint->y) +
                         " is not strictly inside the light disc (centre 60,52, radius 36)"};
    if (o.threads < 1 || o.threads > 64) throw UsageError{"--threads: must be 1..64"};
    if (!TextToInt(o.panel.PolygonText)) throw UsageError{"--polygon-size: '" + o.panel.PolygonText + "' is not an integer"};
    if (*TextToInt(o.panel.PolygonText) <= 0)
        throw UsageError{"--polygon-size: must be greater than 0"};
    if (!TextToInt(o.panel.CurvatureText)) throw UsageError{"--curvature: '" + o.panel.CurvatureText + "' is not an integer"};
    if (!TextToInt(o.panel.ToleranceText)) throw UsageError{"--circle-tolerance: '" + o.panel.ToleranceText + "' is not an integer"};
    o.panel.DoubleSided = o.back.has_value();
    return o;
}

std::string FileNameOf(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    if (!file) throw FileError(path, "cannot create the file");
    file << text;
    file.close();
    if (!file) throw FileError(path, "cannot write the file");
}

int Run(const Options& o, std::ostream& err) {
    SharedState state;
    if (o.background) SetBackground(state, FileNameOf(*o.background), LoadPicture(*o.background));
    if (o.lightPoint) SetLightPoint(state, o.lightPoint->x, o.lightPoint->y, o.panel.BackLight);

    Raster front = LoadPicture(o.picture);
    Raster back = o.back ? LoadPicture(*o.back) : LoadPicture(o.picture);
    try {
        BuildIntoState(state, o.panel, FileNameOf(o.picture), std::move(front), std::move(back), {});
    } catch (const BuildError& e) {
        err << "vonnik-cli: --polygon-size: " << e.what() << "\n";
        return 2;
    }

    MouseTrack mouse;
    for (const std::vector<Point>& drag : o.drags) {
        mouse.LastMouseX = drag.front().x;
        mouse.LastMouseY = drag.front().y;
        for (std::size_t n = 1; n < drag.size(); ++n)
            RotationStep(state.Grid, mouse, drag[n].x, drag[n].y, state.ViewWidth, state.ViewHeight);
    }
    if (o.wireframe) state.Grid.Wireframe = !state.Grid.Wireframe;

    if (o.frame) {
        RenderOptions render;
        render.threads = o.threads;
        RenderFrame(state, state.Grid.DrawOrder, render);
        SaveFrameBmp(state.FrameBuffer, *o.frame);
    }
    if (o.dump) WriteText(*o.dump, ModelDumpJson(state));
    return 0;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            out << kUsage;
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
