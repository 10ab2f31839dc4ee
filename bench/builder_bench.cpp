// Whole builds of large pictures: the accelerated phases against the plain exhaustive
// searches, on the same pictures and settings in one run.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "builder/build_phases.h"
#include "tests/oracle/plain_search.h"
#include "tests/support/grid_checks.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

enum class Figure { kDisc, kRing, kBlobs };

const char* NameOf(Figure f) {
    switch (f) {
        case Figure::kDisc:
            return "disc";
        case Figure::kRing:
            return "ring";
        default:
            return "blobs";
    }
}

const Raster& Picture(Figure figure, int size) {
    static std::map<std::pair<Figure, int>, Raster> made;
    auto found = made.find({figure, size});
    if (found != made.end()) return found->second;
    const double c = size / 2.0;
    Raster r;
    switch (figure) {
        case Figure::kDisc:
            r = test::MakeDisc(size, size, c, c, 0.42 * size);
            break;
        case Figure::kRing:
            r = test::MakeRing(size, size, c, c, 0.45 * size, 0.25 * size);
            break;
        default:
            r = test::MakeBlobs(size, size, 20240611u);
            break;
    }
    return made.emplace(std::pair{figure, size}, std::move(r)).first->second;
}

using Runner = void (*)(ModelGrid&, Raster&, Raster&, const BuildSettings&, const ProgressFn&);

void BuildPicture(benchmark::State& state, Figure figure, int size, double polygon, Runner run) {
    const Raster& picture = Picture(figure, size);
    BuildSettings settings;
    settings.PolygonSize = polygon;
    // Every build starts from a new model, as the program's builds do: the time includes
    // allocating the grid's arrays, but not copying the pictures or releasing the old model.
    auto grid = std::make_unique<ModelGrid>();
    Raster front, back;
    for (auto _ : state) {
        state.PauseTiming();
        grid = std::make_unique<ModelGrid>();
        front = picture;
        back = picture;
        state.ResumeTiming();
        run(*grid, front, back, settings, {});
        benchmark::DoNotOptimize(grid->FrontZ.Values().data());
    }
    state.counters["outline"] = grid->OutlineCount;
    state.counters["vertices"] = static_cast<double>(grid->CountI()) * grid->CountJ();
}

void RegisterAll() {
    for (int size : {512, 1024, 2048}) {
        for (double polygon : {4.0, 8.0}) {
            for (Figure figure : {Figure::kDisc, Figure::kRing, Figure::kBlobs}) {
                const std::string name = std::string("Build/") + NameOf(figure) + "/" +
                                         std::to_string(size) + "/ps" +
                                         std::to_string(static_cast<int>(polygon));
                benchmark::RegisterBenchmark((name + "/accelerated").c_str(), BuildPicture, figure,
                                             size, polygon, &test::AcceleratedBuild)
                    ->Unit(benchmark::kMillisecond)
                    ->MinTime(0.5);
                // The plain searches take seconds at the larger sizes: one pass is enough.
                auto* plain =
                    benchmark::RegisterBenchmark((name + "/plain").c_str(), BuildPicture, figure,
                                                 size, polygon, &oracle::RunBuildPhasesPlain);
                plain->Unit(benchmark::kMillisecond);
                if (size >= 1024) plain->Iterations(1);
            }
        }
    }
}

const int kRegistered = (RegisterAll(), 0);

}  // namespace
}  // namespace vonnik
