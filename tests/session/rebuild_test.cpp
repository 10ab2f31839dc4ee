// Building the loaded pictures again: stopping a build from within, the worker that runs
// builds off the window thread, and a rebuild that keeps the pose on screen.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <map>
#include <random>

#include "cli/model_dump.h"
#include "session/build_worker.h"
#include "tests/support/pictures.h"

namespace vonnik::test {
namespace {

std::shared_ptr<const LoadedPictures> Loaded(Raster front, std::optional<Raster> back = {}) {
    auto pictures = std::make_shared<LoadedPictures>();
    pictures->Name = "figure.bmp";
    pictures->Front = std::move(front);
    pictures->Back = std::move(back);
    return pictures;
}

PanelInputs Panel(const char* polygon, const char* curvature = "100") {
    PanelInputs panel;
    panel.PolygonText = polygon;
    panel.CurvatureText = curvature;
    return panel;
}

BuildSettings Settings(const char* polygon) {
    return *CaptureSettings(Panel(polygon));
}

// The reports of a worker, taken on the test's thread.
class Reports {
  public:
    BuildWorker::Finished Sink() {
        return [this](BuildWorker::Outcome outcome) {
            std::lock_guard lock(mutex_);
            outcomes_.push_back(std::move(outcome));
            arrived_.notify_all();
        };
    }
    BuildWorker::Outcome Next() {
        std::unique_lock lock(mutex_);
        const bool arrived = arrived_.wait_for(lock, std::chrono::minutes(2),
                                               [this] { return !outcomes_.empty(); });
        if (!arrived) throw std::runtime_error("no report from the build worker");
        BuildWorker::Outcome next = std::move(outcomes_.front());
        outcomes_.pop_front();
        return next;
    }

  private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<BuildWorker::Outcome> outcomes_;
};

TEST(StopABuild, BeforeItStartsOrFromWithinTheClassification) {
    const Raster disc = MakeDisc(160, 120, 80, 60, 50);
    {
        std::stop_source stop;
        stop.request_stop();
        ModelGrid grid;
        Raster front = disc, back = disc;
        EXPECT_THROW(RunBuildPhases(grid, front, back, Settings("4"), {}, stop.get_token()),
                     BuildCancelled);
        EXPECT_TRUE(grid.Empty());
    }
    // The first progress report comes from the classification's first pass; the radius
    // claims that follow it see the stop.
    std::stop_source stop;
    int reports = 0;
    ModelGrid grid;
    Raster front = disc, back = disc;
    const ProgressFn progress = [&](int) {
        ++reports;
        stop.request_stop();
    };
    EXPECT_THROW(RunBuildPhases(grid, front, back, Settings("2"), progress, stop.get_token()),
                 BuildCancelled);
    EXPECT_GE(reports, 1);
    EXPECT_EQ(front, disc) << "the picture is not recoloured: the build stopped before spreading";
}

TEST(BuildWorker, ANewerJobCancelsTheRunningOneAndOnlyTheNewestCounts) {
    Reports reports;
    BuildWorker worker(reports.Sink());
    const auto slow = Loaded(MakeDisc(1200, 900, 600, 450, 420));
    const auto small = Loaded(MakeDisc(60, 46, 28, 22, 19));
    const std::uint64_t first = worker.Start({Settings("2"), slow});
    const std::uint64_t second = worker.Start({Settings("3"), slow});
    const std::uint64_t third = worker.Start({Settings("6"), small});
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    std::map<std::uint64_t, BuildWorker::Outcome> ended;
    for (int n = 0; n < 3; ++n) {
        BuildWorker::Outcome o = reports.Next();
        ended.emplace(o.ticket, std::move(o));
    }
    EXPECT_TRUE(ended.at(first).cancelled && !ended.at(first).model);
    EXPECT_TRUE(ended.at(second).cancelled && !ended.at(second).model);
    ASSERT_TRUE(ended.at(third).model.has_value());
    EXPECT_EQ(ended.at(third).pictures, small);

    // A failing build reports its reason; Cancel with nothing running reports nothing.
    worker.Cancel();
    const std::uint64_t failing = worker.Start({Settings("6"), Loaded(Raster())});
    const BuildWorker::Outcome failed = reports.Next();
    EXPECT_EQ(failed.ticket, failing);
    EXPECT_FALSE(failed.cancelled);
    EXPECT_NE(failed.error.find("empty"), std::string::npos) << failed.error;
}

// What a rebuild of the loaded pictures gives is what a first build of the same files
// gives: the build recolours copies, never the pictures kept for the next one.
TEST(Rebuild, BuildsFromThePicturesAsLoaded) {
    const Raster disc = MakeDisc(60, 46, 28, 22, 19);
    const Raster ring = MakeRing(60, 46, 30, 23, 20, 8);
    for (const bool doubleSided : {false, true}) {
        SharedState first;
        BuildIntoState(first, Panel("6"), "figure.bmp", disc, doubleSided ? ring : disc, {});
        ASSERT_TRUE(first.Loaded);
        EXPECT_EQ(first.Loaded->Front, disc);
        EXPECT_EQ(first.Loaded->BackOrFront(), doubleSided ? ring : disc);
        EXPECT_EQ(first.Loaded->Back.has_value(), doubleSided);
        EXPECT_NE(first.FrontPicture, disc) << "the build spreads the edge colours";

        SharedState other;
        BuildIntoState(other, Panel("4", "150"), "figure.bmp", disc, doubleSided ? ring : disc,
                       {});
        BuildIntoState(other, Panel("6"), first.Loaded, {});
        EXPECT_EQ(ModelDumpJson(other), ModelDumpJson(first)) << doubleSided;
        RenderShownFrame(first);
        RenderShownFrame(other);
        EXPECT_EQ(other.FrameBuffer, first.FrameBuffer) << doubleSided;
        EXPECT_EQ(other.BackPicture, first.BackPicture) << doubleSided;
    }
}

// A rebuild that keeps the pose shows the new model where the turns left the old one, and
// in the same outlined mode; a build resets the view.
TEST(Rebuild, KeepsThePoseOrResetsIt) {
    SharedState state;
    BuildIntoState(state, Panel("6"), "figure.bmp", MakeDisc(60, 46, 28, 22, 19),
                   MakeDisc(60, 46, 28, 22, 19), {});
    MouseTrack mouse{10, 10};
    for (const auto& [x, y] : {std::pair{30, 20}, {45, 35}, {20, 40}}) DragTo(state, mouse, x, y);
    state.View.Wireframe = true;
    const SharedState turned = state;

    BuildIntoState(state, Panel("6"), state.Loaded, {}, PoseOnBuild::kKeep);
    EXPECT_EQ(state.View.ViewAxisA, turned.View.ViewAxisA);
    EXPECT_EQ(state.View.DrawOrder, turned.View.DrawOrder);
    EXPECT_TRUE(state.View.Wireframe);
    const auto& after = state.Grid.FrontZ.Values();
    const auto& before = turned.Grid.FrontZ.Values();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t n = 0; n < after.size(); ++n) EXPECT_NEAR(after[n], before[n], 1e-9) << n;

    BuildIntoState(state, Panel("6"), state.Loaded, {}, PoseOnBuild::kReset);
    EXPECT_TRUE(state.View.Unturned());
    EXPECT_FALSE(state.View.Wireframe);
    EXPECT_EQ(state.View.DrawOrder, PaintOrder::kRowsDown);
}

long PeakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kMeasuresMemory = false;  // the sanitizers keep freed memory for a while
#else
constexpr bool kMeasuresMemory = true;
#endif

// Live shaping as a user types: a thousand changes, valid and not, with cancels between
// them, each valid one replacing the build before it. Every report arrives, the newest build
// is the one a quiet rebuild gives, and memory does not grow with the count.
TEST(BuildWorker, SoakOfAThousandChanges) {
    Reports reports;
    SharedState state;
    BuildIntoState(state, Panel("6"), "figure.bmp", MakeRing(90, 70, 45, 35, 30, 12),
                   MakeRing(90, 70, 45, 35, 30, 12), {});
    const std::shared_ptr<const LoadedPictures> pictures = state.Loaded;
    std::mt19937 rng(19);
    const char* const texts[] = {"3", "4", "5", "6", "8", "12", "0", "", "x", "-2", "$A", " 7"};
    long peakAfterWarmUp = 0;
    {
        BuildWorker worker(reports.Sink());
        std::uint64_t newest = 0;
        std::size_t started = 0, ended = 0;
        PanelInputs last;
        for (int change = 0; change < 1000; ++change) {
            PanelInputs panel = Panel(texts[rng() % std::size(texts)]);
            panel.CurvatureText = std::to_string(50 + rng() % 200);
            if (const std::optional<BuildSettings> s = CaptureSettings(panel)) {
                newest = worker.Start({*s, pictures});
                last = panel;
                ++started;
            } else if (rng() % 2 != 0) {
                worker.Cancel();
            }
            // Now and then a pause in the typing: every build started has ended, the newest
            // is shown.
            if (change % 4 == 3) {
                while (ended < started) {
                    BuildWorker::Outcome o = reports.Next();
                    ++ended;
                    if (o.ticket == newest && o.model)
                        AdoptBuild(state, last, o.pictures, std::move(*o.model),
                                   PoseOnBuild::kKeep);
                }
            }
            if (change == 100) peakAfterWarmUp = PeakResidentKiB();
        }
        // The last change may have been a cancel: one more build of the last valid texts.
        newest = worker.Start({*CaptureSettings(last), pictures});
        ++started;
        while (ended < started) {
            BuildWorker::Outcome o = reports.Next();
            ++ended;
            if (o.ticket == newest) {
                ASSERT_FALSE(o.cancelled);
                ASSERT_TRUE(o.model.has_value());
                AdoptBuild(state, last, o.pictures, std::move(*o.model), PoseOnBuild::kKeep);
            }
        }
        SharedState quiet;
        BuildIntoState(quiet, last, pictures, {});
        EXPECT_EQ(ModelDumpJson(state), ModelDumpJson(quiet));
    }
    const long peak = PeakResidentKiB();
    RecordProperty("PeakResidentKiB", static_cast<int>(peak));
    std::printf("soak: peak resident %ld KiB (%ld KiB after 100 changes)\n", peak,
                peakAfterWarmUp);
    if (kMeasuresMemory) {
        EXPECT_LT(peak - peakAfterWarmUp, 16 * 1024);
    }
}

}  // namespace
}  // namespace vonnik::test
