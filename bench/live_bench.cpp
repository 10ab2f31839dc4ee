// Live shaping: a changed number to the painted frame, as the viewer shows it after a live
// rebuild (the pictures as loaded built again, the new model placed in the pose on screen,
// the frame drawn), on one core.
#include <benchmark/benchmark.h>

#include <QImage>
#include <map>
#include <memory>

#include "core/picture_io.h"
#include "session/session.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

// The benchmark figure at the size asked, scaled smoothly as a photograph or a drawing
// exported from a paint program would be: the outline is anti-aliased, and its blended
// pixels are figure to the build.
std::shared_ptr<const LoadedPictures> RealPicture(int width, int height) {
    const QImage figure = ImageOf(test::MakeBenchmarkFigure());
    auto pictures = std::make_shared<LoadedPictures>();
    pictures->Name = "figure.png";
    pictures->Front = RasterOf(figure.scaled(width, height, Qt::IgnoreAspectRatio,
                                             Qt::SmoothTransformation));
    // The top-left pixel is the background: keep it plain.
    return pictures;
}

// Arguments: width, height, polygon size. Each iteration changes the curvature, as a
// user typing into the field does, and shows the result in a pose turned by a drag.
void BM_LiveRebuild(benchmark::State& bs) {
    const int width = static_cast<int>(bs.range(0)), height = static_cast<int>(bs.range(1));
    static std::map<std::pair<int, int>, std::shared_ptr<const LoadedPictures>> pictures;
    auto& loaded = pictures[{width, height}];
    if (!loaded) loaded = RealPicture(width, height);
    SharedState state;
    PanelInputs panel;
    panel.PolygonText = std::to_string(bs.range(2));
    SetLightPoint(state, 48, 40, false);
    BuildIntoState(state, panel, loaded, {});
    MouseTrack mouse{width / 2, height / 2};
    DragTo(state, mouse, width / 2 + 40, height / 2 + 25);
    RenderOptions oneCore;
    oneCore.threads = 1;
    long change = 0;
    for (auto _ : bs) {
        panel.CurvatureText = (change++ % 2) ? "100" : "101";
        const std::optional<BuildSettings> settings = CaptureSettings(panel);
        BuiltModel built = BuildPictures(*state.Loaded, *settings, {});
        AdoptBuild(state, panel, state.Loaded, std::move(built), PoseOnBuild::kKeep);
        RenderShownFrame(state, oneCore);
        benchmark::DoNotOptimize(state.FrameBuffer.Row(0));
    }
    bs.counters["vertices"] = static_cast<double>(state.Grid.CountI()) * state.Grid.CountJ();
}
BENCHMARK(BM_LiveRebuild)
    ->Name("LiveRebuild")
    ->ArgNames({"w", "h", "ps"})
    ->Args({512, 512, 4})
    ->Args({1920, 1080, 4})
    ->Args({1920, 1080, 8})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace vonnik
