// Large pictures: the command-line tool end to end on a 4K picture against the floor of merely
// reading that file and writing a frame-sized BMP, the peak memory of the tool at 1080p and
// 4K, and the viewer window turning a 4K model under right-button drags, Qt's paint path
// included.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "core/picture_io.h"
#include "render/render_frame.h"
#include "session/session.h"
#include "tests/support/pictures.h"
#include "viewer/Unit7.h"
#include "viewer/frame_blit.h"

namespace vonnik {
namespace {

// A large colourful figure over most of the picture: an ellipse with discs bulging from it,
// laid out on a 1920 x 1080 plan and scaled to the picture.
Raster LargeFigure(int width, int height) {
    Raster r(width, height, test::kWhite);
    struct Disc {
        double cx, cy, rx, ry;
    };
    const Disc plan[] = {{960, 540, 760, 420}, {300, 250, 220, 200},  {1600, 300, 260, 230},
                         {420, 850, 240, 200}, {1550, 820, 300, 240}, {960, 120, 200, 110}};
    const double sx = width / 1920.0, sy = height / 1080.0;
    for (int y = 0; y < height; ++y) {
        Pixel* row = r.Row(y);
        for (int x = 0; x < width; ++x)
            for (const Disc& d : plan) {
                const double u = (x - d.cx * sx) / (d.rx * sx), v = (y - d.cy * sy) / (d.ry * sy);
                if (u * u + v * v <= 1.0) {
                    row[x] = test::FigureColour(x, y);
                    break;
                }
            }
    }
    return r;
}

// The pictures and frames of this run, removed at the end.
const std::string& Folder() {
    static const test::TempDir scratch("large-bench");
    return scratch.Path();
}

// The figure at this size as a 24-bit BMP file, written once.
const std::string& PictureFile(int width, int height) {
    static std::map<std::pair<int, int>, std::string> made;
    std::string& path = made[{width, height}];
    if (path.empty()) {
        path =
            Folder() + "/figure-" + std::to_string(width) + "x" + std::to_string(height) + ".bmp";
        const QImage image =
            ImageOf(LargeFigure(width, height)).convertToFormat(QImage::Format_RGB888);
        if (!image.save(QString::fromStdString(path), "BMP")) std::abort();
    }
    return path;
}

// vonnik-cli PICTURE --polygon-size 4 --frame OUT, in this process.
void BM_CliEndToEnd(benchmark::State& bs) {
    const int w = static_cast<int>(bs.range(0)), h = static_cast<int>(bs.range(1));
    const std::string& picture = PictureFile(w, h);
    const std::string frame = Folder() + "/frame.bmp";
    for (auto _ : bs) {
        std::ostringstream out, err;
        if (RunCli({picture, "--polygon-size", "4", "--frame", frame}, out, err) != 0) {
            bs.SkipWithError(err.str().c_str());
            break;
        }
    }
    bs.SetLabel("load, build, one frame, write BMP");
}
BENCHMARK(BM_CliEndToEnd)
    ->Name("CliEndToEnd/3840x2880/ps4")
    ->Args({3840, 2880})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

// The floor: the file's bytes read in, and a frame-sized 32-bit BMP's bytes written out
// through the same atomic write the tool uses. Nothing is decoded or encoded.
void BM_FloorBytes(benchmark::State& bs) {
    const int w = static_cast<int>(bs.range(0)), h = static_cast<int>(bs.range(1));
    const std::string& picture = PictureFile(w, h);
    const std::string frame = Folder() + "/floor.bmp";
    for (auto _ : bs) {
        QFile file(QString::fromStdString(picture));
        if (!file.open(QIODevice::ReadOnly)) std::abort();
        const QByteArray bytes = file.readAll();
        benchmark::DoNotOptimize(bytes.data());
        std::vector<unsigned char> out(54 + static_cast<std::size_t>(w) * h * 4);
        WriteFileAtomically(frame, out);
    }
    bs.SetLabel("read the file, write a frame-sized BMP");
}
BENCHMARK(BM_FloorBytes)
    ->Name("Floor/3840x2880/bytes")
    ->Args({3840, 2880})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

// The floor as an image tool sees it: Qt decodes the picture and encodes a frame-sized BMP.
void BM_FloorDecodeEncode(benchmark::State& bs) {
    const int w = static_cast<int>(bs.range(0)), h = static_cast<int>(bs.range(1));
    const std::string& picture = PictureFile(w, h);
    const QString frame = QString::fromStdString(Folder() + "/floor-qt.bmp");
    for (auto _ : bs) {
        const QImage image(QString::fromStdString(picture));
        if (image.isNull() || !image.save(frame, "BMP")) std::abort();
    }
    bs.SetLabel("Qt: decode the picture, encode it as BMP");
}
BENCHMARK(BM_FloorDecodeEncode)
    ->Name("Floor/3840x2880/qt-decode-encode")
    ->Args({3840, 2880})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

// A line "Name:   N kB" of /proc/self/status, in KiB; -1 when there is none.
long StatusKiB(const char* name) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(name))
            return line.mid(static_cast<qsizetype>(std::strlen(name)))
                .trimmed()
                .split(' ')
                .value(0)
                .toLong();
    return -1;
}

// The peak resident memory of vonnik-cli PICTURE --polygon-size 4 --frame OUT (load, build,
// one frame, write) run in this process: the kernel's high-water mark is reset before the
// run, and what the run added to the resident memory it found is what the picture costs.
void BM_CliPeakMemory(benchmark::State& bs) {
    const int w = static_cast<int>(bs.range(0)), h = static_cast<int>(bs.range(1));
    const std::string& picture = PictureFile(w, h);
    // Large blocks come from and go back to the system at once, so that memory freed by
    // earlier benchmarks neither hides nor inflates what this run needs.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
    malloc_trim(0);
    long before = 0, peak = 0;
    for (auto _ : bs) {
        QFile reset(QStringLiteral("/proc/self/clear_refs"));
        if (!reset.open(QIODevice::WriteOnly) || reset.write("5") != 1) {
            bs.SkipWithError("cannot reset the peak resident memory");
            break;
        }
        reset.close();
        before = StatusKiB("VmRSS:");
        std::ostringstream out, err;
        if (RunCli({picture, "--polygon-size", "4", "--frame", Folder() + "/peak.bmp"}, out, err) !=
            0) {
            bs.SkipWithError(err.str().c_str());
            break;
        }
        peak = StatusKiB("VmHWM:");
    }
    const double pixels = static_cast<double>(w) * h;
    bs.counters["peak_MiB"] = (peak - before) / 1024.0;
    // Bytes per picture pixel at the peak: the same at every size when memory is linear in
    // the picture's area.
    bs.counters["B_per_px"] = (peak - before) * 1024.0 / pixels;
}
BENCHMARK(BM_CliPeakMemory)
    ->Name("CliPeakMemory/ps4")
    ->ArgNames({"w", "h"})
    ->Args({1920, 1080})
    ->Args({3840, 2880})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// Loading the picture: as the program loads it (straight into the raster for 32-bit words)
// and the plain way, a Qt image converted into a raster, side by side.
void BM_Decode(benchmark::State& bs) {
    const std::string& picture = PictureFile(3840, 2880);
    const bool plain = bs.range(0) != 0;
    for (auto _ : bs) {
        const Raster r =
            plain ? RasterOf(QImage(QString::fromStdString(picture))) : LoadPicture(picture);
        benchmark::DoNotOptimize(r.Row(0));
    }
    bs.SetLabel(plain ? "QImage, then RasterOf" : "LoadPicture");
}
BENCHMARK(BM_Decode)
    ->Name("Decode/3840x2880")
    ->ArgName("plain")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

QApplication& App() {
    static int argc = 1;
    static char name[] = "vonnik_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: at exit Qt's own statics (the pointing device that the benchmarks'
    // mouse events use) are gone before a static application's destructor would run.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

void SendMouse(QWidget* to, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons held) {
    QMouseEvent event(type, at, to->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(to, &event);
}

// The viewer's paint path alone, onto a 4K window-sized image of the backing store's
// format: the frame drawn from the raster's memory, against a converted copy drawn as the
// window used to.
void BM_PaintPath(benchmark::State& bs) {
    App();
    const Raster frame = LargeFigure(3840, 2880);
    const bool copy = bs.range(1) != 0;
    const QImage::Format format =
        bs.range(0) != 0 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    QImage target(frame.Width(), frame.Height(), format);
    target.fill(0);
    for (auto _ : bs) {
        QPainter painter(&target);
        if (copy)
            painter.drawImage(0, 0, ImageOf(frame));
        else
            DrawFrame(painter, frame);
    }
    bs.counters["fps"] =
        benchmark::Counter(static_cast<double>(bs.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PaintPath)
    ->Name("PaintPath/3840x2880")
    ->ArgNames({"alpha_target", "copy"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The 4K figure built at this polygon size, once per run.
SharedState* LargeModel(int polygon) {
    static std::map<int, std::unique_ptr<SharedState>> built;
    std::unique_ptr<SharedState>& state = built[polygon];
    if (!state) {
        const Raster figure = LargeFigure(3840, 2880);
        state = std::make_unique<SharedState>();
        PanelInputs panel;
        panel.PolygonText = std::to_string(polygon);
        panel.TrackBarPosition = 200;
        SetLightPoint(*state, 48, 40, false);
        BuildIntoState(*state, panel, "figure.bmp", figure, figure, {});
    }
    return state.get();
}

// The paint path scaled to fit a 1920 x 1080 screen: the 4K frame shown as 1440 x 1080,
// smoothed, beside PaintPath's full-size copy.
void BM_ScaledPaintPath(benchmark::State& bs) {
    App();
    const Raster frame = LargeFigure(3840, 2880);
    const QImage::Format format =
        bs.range(0) != 0 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    QImage target(1440, 1080, format);
    target.fill(0);
    for (auto _ : bs) {
        QPainter painter(&target);
        DrawFrameScaled(painter, frame, target.rect());
    }
    bs.counters["fps"] =
        benchmark::Counter(static_cast<double>(bs.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ScaledPaintPath)
    ->Name("ScaledPaintPath/3840x2880")
    ->ArgName("alpha_target")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// The frame drawn anew and shown: at 100 % (what the viewer did before it could zoom),
// and scaled to fit a 1920 x 1080 screen (3840 x 2880 shown as 1440 x 1080), onto an image
// of the backing store's format.
void BM_RedrawAndScale(benchmark::State& bs) {
    App();
    const int w = 3840, h = 2880;
    SharedState* state = LargeModel(8);
    const bool scaled = bs.range(0) != 0;
    const QRect shown = scaled ? QRect(0, 0, 1440, 1080) : QRect(0, 0, w, h);
    QImage target(shown.size(), QImage::Format_RGB32);
    for (auto _ : bs) {
        RenderShownFrame(*state, AllCoresRenderOptions());
        QPainter painter(&target);
        DrawFrameScaled(painter, state->FrameBuffer, shown);
    }
    bs.SetLabel(scaled ? "scaled to 1440x1080" : "100 %");
    bs.counters["fps"] =
        benchmark::Counter(static_cast<double>(bs.iterations()), benchmark::Counter::kIsRate);
}
// The CPU time is the whole process's: the render's bands and Qt's scaling run on other
// threads.
BENCHMARK(BM_RedrawAndScale)
    ->Name("RedrawAndScale/3840x2880")
    ->ArgName("scaled")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->MinTime(2.0);

// A right-button drag on the real viewer window: every mouse move turns the 4K model and
// paints the frame into the window before the event returns. The drag sways back and forth
// through the centre so that the model stays in view.
void BM_ViewerDrag(benchmark::State& bs) {
    App();
    const int w = 3840, h = 2880;
    SharedState* state = LargeModel(static_cast<int>(bs.range(0)));
    TForm2 form(*state);
    form.SetClientSize(state->ViewWidth, state->ViewHeight);
    // Fitted to the screen (the offscreen screen's 800 x 600), or at 100 % in a window the
    // size of the screen that scrolls.
    const bool fitted = bs.range(1) != 0;
    if (!fitted) form.ZoomToActualSize();
    form.show();
    QApplication::processEvents();
    QWidget* area = form.FrameArea();
    const double zoom = form.Zoom();
    const QPoint centre(static_cast<int>(w / 2 * zoom), static_cast<int>(h / 2 * zoom));
    SendMouse(area, QEvent::MouseButtonPress, centre, Qt::RightButton, Qt::RightButton);
    long step = 0;
    for (auto _ : bs) {
        // A triangle wave of 60 steps of 4 frame pixels each way.
        const long phase = step++ % 60;
        const int dx = static_cast<int>(phase < 30 ? phase : 60 - phase) * 4;
        SendMouse(area, QEvent::MouseMove,
                  centre + QPoint(static_cast<int>(dx * zoom), static_cast<int>(dx / 4 * zoom)),
                  Qt::NoButton, Qt::RightButton);
    }
    SendMouse(area, QEvent::MouseButtonRelease, centre, Qt::RightButton, Qt::NoButton);
    bs.counters["zoom"] = zoom;
    bs.counters["fps"] =
        benchmark::Counter(static_cast<double>(bs.iterations()), benchmark::Counter::kIsRate);
    bs.counters["vertices"] = static_cast<double>(state->Grid.CountI()) * state->Grid.CountJ();
}
BENCHMARK(BM_ViewerDrag)
    ->Name("ViewerDrag/3840x2880")
    ->ArgNames({"ps", "fitted"})
    ->ArgsProduct({{4, 8}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(3.0);

}  // namespace
}  // namespace vonnik
