// Undo and redo at 1920 x 1080: a drag (the six position arrays put back) and a build (the
// models swapped, the loaded pictures and the pose put back). Each iteration is one undo or
// one redo, alternately, of the same step; the frame is not drawn.
#include <benchmark/benchmark.h>

#include "session/session.h"
#include "session/workspace.h"
#include "tests/support/pictures.h"
#include "viewer/rotation.h"

namespace vonnik {
namespace {

Workspace& BuiltFullHd() {
    static Workspace* ws = [] {
        auto* w = new Workspace;
        auto pictures = std::make_shared<LoadedPictures>();
        pictures->Name = "figure.bmp";
        pictures->Front = test::MakeBenchmarkFigure();
        BuildWork(*w, std::move(pictures));
        return w;
    }();
    return *ws;
}

void UndoRedo(benchmark::State& state, Workspace& ws) {
    bool undo = true;
    for (auto _ : state) {
        benchmark::DoNotOptimize(undo ? Undo(ws) : Redo(ws));
        undo = !undo;
    }
    if (!undo) Redo(ws);  // the step done again, as the next benchmark expects it
    state.counters["history_MiB"] = static_cast<double>(ws.History.Bytes()) / (1 << 20);
}

void BM_UndoDrag(benchmark::State& state) {
    Workspace& ws = BuiltFullHd();
    ws.History.Clear();
    RecordStep(ws, StepKind::kDrag);
    MouseTrack mouse{900, 500};
    DragTo(ws.State, mouse, 960, 560);
    UndoRedo(state, ws);
}
BENCHMARK(BM_UndoDrag)->Unit(benchmark::kMillisecond);

void BM_UndoBuild(benchmark::State& state) {
    Workspace& ws = BuiltFullHd();
    ws.History.Clear();
    RecordStep(ws, StepKind::kBuild);
    ws.Panel.PolygonText = std::string("6");  // GCC 12 warns falsely on assigning a literal
    BuildWork(ws, ws.State.Loaded);
    UndoRedo(state, ws);
}
BENCHMARK(BM_UndoBuild)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vonnik
