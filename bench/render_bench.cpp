// One frame of a full-HD picture's model: polygon sizes 4 and 8, unturned and turned by 45
// degrees about a diagonal, one and two threads, the fast and the per-pixel fill; and the
// background fill alone, the floor that a frame cannot beat.
#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>

#include "render/render_frame.h"
#include "session/session.h"
#include "tests/support/pictures.h"
#include "viewer/rotation.h"

namespace vonnik {
namespace {

// Every run's context names the fill kernels this processor runs.
const bool kKernelsInContext =
    (benchmark::AddCustomContext("fill kernels on this processor", DescribeFillKernels()), true);

constexpr int kWidth = test::kBenchmarkWidth;
constexpr int kHeight = test::kBenchmarkHeight;

// Turns the built model by 45 degrees about the axis (1, 1, 0), as drags would leave it.
void TurnAboutDiagonal(SharedState& st) {
    ModelGrid& g = st.Grid;
    ViewPose& v = st.View;
    const double k = 1.0 / std::sqrt(2.0), c = std::cos(M_PI / 4), s = std::sin(M_PI / 4);
    const double kx = k, ky = k;
    StepMatrix m{};
    m.m[0][0] = c + kx * kx * (1 - c);
    m.m[0][1] = kx * ky * (1 - c);
    m.m[0][2] = ky * s;
    m.m[1][0] = kx * ky * (1 - c);
    m.m[1][1] = c + ky * ky * (1 - c);
    m.m[1][2] = -kx * s;
    m.m[2][0] = -ky * s;
    m.m[2][1] = kx * s;
    m.m[2][2] = c;
    const auto turn = [&](GridArray<double>& X, GridArray<double>& Y, GridArray<double>& Z) {
        auto &xs = X.Values(), &ys = Y.Values(), &zs = Z.Values();
        for (std::size_t n = 0; n < xs.size(); ++n) {
            const Vec3 v = m.Apply({xs[n], ys[n], zs[n]});
            xs[n] = v.x;
            ys[n] = v.y;
            zs[n] = v.z;
        }
    };
    turn(g.FrontX, g.FrontY, g.FrontZ);
    turn(g.BackX, g.BackY, g.BackZ);
    v.ViewAxisA = m.Apply(v.ViewAxisA);
    v.ViewAxisB = m.Apply(v.ViewAxisB);
    v.DrawOrder = ChooseDrawOrder(v.ViewAxisA, v.ViewAxisB);
}

// Built once per polygon size and kept: a build of this picture takes far longer than a frame.
const SharedState& BuiltState(int polygonSize, bool turned) {
    static std::map<std::pair<int, bool>, std::unique_ptr<SharedState>> cache;
    std::unique_ptr<SharedState>& slot = cache[{polygonSize, turned}];
    if (!slot) {
        static const Raster figure = test::MakeBenchmarkFigure();
        slot = std::make_unique<SharedState>();
        PanelInputs panel;
        panel.PolygonText = std::to_string(polygonSize);
        panel.TrackBarPosition = 200;
        SetLightPoint(*slot, 48, 40, false);
        BuildIntoState(*slot, panel, "figure.bmp", figure, figure, {});
        if (turned) TurnAboutDiagonal(*slot);
    }
    return *slot;
}

// Arguments: polygon size, turned (0/1), threads, fill (0 the fast fill with the best
// kernels, 1 the per-pixel reference, 2 the rows of every side two pixels at a time, as on
// processors without AVX2, 3 the rows of every side eight at a time with AVX-512, 4 the rows
// of every side four at a time with AVX2, without the tiles of small sides).
void BM_Frame(benchmark::State& bs) {
    SharedState st = BuiltState(static_cast<int>(bs.range(0)), bs.range(1) != 0);
    RenderOptions options;
    options.threads = static_cast<int>(bs.range(2));
    options.referenceFill = bs.range(3) == 1;
    options.kernel = bs.range(3) == 2   ? FillKernel::kPairs
                     : bs.range(3) == 3 ? FillKernel::kOctets
                     : bs.range(3) == 4 ? FillKernel::kQuads
                                        : FillKernel::kBest;
    for (auto _ : bs) {
        RenderShownFrame(st, options);
        benchmark::DoNotOptimize(st.FrameBuffer.Pixels().data());
    }
    bs.counters["fps"] =
        benchmark::Counter(static_cast<double>(bs.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Frame)
    ->ArgNames({"size", "turned", "threads", "fill"})
    ->ArgsProduct({{4, 8}, {0, 1}, {1, 2}, {0}})
    ->ArgsProduct({{8}, {0, 1}, {1}, {1, 2}})
    ->ArgsProduct({{4}, {0, 1}, {1, 2}, {3, 4}})
    ->ArgsProduct({{4}, {0, 1}, {1}, {2}})
    ->ArgsProduct({{8}, {0, 1}, {1}, {4}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The background alone: a frame of the same size with no model.
void BM_BackgroundFill(benchmark::State& bs) {
    SharedState st;
    st.ViewWidth = kWidth;
    st.ViewHeight = kHeight;
    st.Grid.BackgroundColour = 0x123456;
    for (auto _ : bs) {
        RenderShownFrame(st);
        benchmark::DoNotOptimize(st.FrameBuffer.Pixels().data());
    }
    bs.counters["fps"] =
        benchmark::Counter(static_cast<double>(bs.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BackgroundFill)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace vonnik
