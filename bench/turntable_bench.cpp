// A 36-frame turntable of the full-HD benchmark model (polygon size 8): drawing alone, and
// drawing plus encoding in each format, the file written to a temporary folder.
#include <benchmark/benchmark.h>

#include <QDir>
#include <filesystem>
#include <memory>
#include <string>

#include "session/session.h"
#include "tests/support/pictures.h"
#include "viewer/turntable.h"

namespace vonnik {
namespace {

const SharedState& Model() {
    static const std::unique_ptr<SharedState> state = [] {
        auto s = std::make_unique<SharedState>();
        const Raster figure = test::MakeBenchmarkFigure();
        PanelInputs panel;
        panel.PolygonText = "8";
        panel.TrackBarPosition = 200;
        SetLightPoint(*s, 48, 40, false);
        BuildIntoState(*s, panel, "figure.bmp", figure, figure, {});
        return s;
    }();
    return *state;
}

void BM_TurntableDrawing(benchmark::State& bs) {
    const SharedState& s = Model();
    for (auto _ : bs) {
        const std::vector<Raster> frames =
            TurntableFrames(SceneOf(s), s.ViewWidth, s.ViewHeight, kDefaultTurntableFrames,
                            AllCoresRenderOptions());
        benchmark::DoNotOptimize(frames.data());
    }
}
BENCHMARK(BM_TurntableDrawing)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// Argument: 0 GIF, 1 WebP, 2 MP4.
void BM_TurntableFile(benchmark::State& bs) {
    const SharedState& s = Model();
    const char* ext[] = {"gif", "webp", "mp4"};
    const test::TempDir temp("turntable-bench");
    const std::string path = temp.Path() + "/turn." + ext[bs.range(0)];
    bs.SetLabel(ext[bs.range(0)]);
    for (auto _ : bs)
        WriteTurntable(SceneOf(s), s.ViewWidth, s.ViewHeight, TurntableOptions{}, path);
    bs.counters["MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}
BENCHMARK(BM_TurntableFile)
    ->ArgName("format")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace
}  // namespace vonnik
