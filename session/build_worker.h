#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

#include "session/session.h"

namespace vonnik {

// Builds off the window thread, one at a time, on a thread of its own. A new job cancels the
// build that is running and takes the place of one still waiting, so that quick changes never
// queue builds: at most one runs and one waits. Every job ends in exactly one call of
// Finished with its ticket: on the worker's thread, or for a waiting job that a newer one
// replaces, on the thread that starts the newer one. A cancelled or replaced job ends as
// cancelled. Finished must not call Start or Cancel.
class BuildWorker {
  public:
    struct Job {
        BuildSettings settings;
        std::shared_ptr<const LoadedPictures> pictures;
    };
    struct Outcome {
        std::uint64_t ticket = 0;
        std::shared_ptr<const LoadedPictures> pictures;
        std::optional<BuiltModel> model;  // the build, when it succeeded
        bool cancelled = false;
        std::string error;  // why it failed; empty when it succeeded or was cancelled
    };
    using Finished = std::function<void(Outcome outcome)>;
    // Each new progress position of the job with that ticket, on the worker's thread.
    using Progress = std::function<void(std::uint64_t ticket, int position)>;

    explicit BuildWorker(Finished finished, Progress progress = {});
    // Cancels what runs and waits, and waits for the thread to end.
    ~BuildWorker();
    BuildWorker(const BuildWorker&) = delete;
    BuildWorker& operator=(const BuildWorker&) = delete;

    // Queues the job in place of any waiting one and asks the running one to stop; returns
    // the job's ticket (increasing from 1).
    std::uint64_t Start(Job job);
    // Asks the running job and any waiting one to stop.
    void Cancel();

  private:
    struct Queued {
        std::uint64_t ticket;
        Job job;
    };
    void Run(const std::stop_token& quit);
    void RunOne(Queued queued, const std::stop_token& stop);

    Finished finished_;
    Progress progress_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::optional<Queued> waiting_;
    std::stop_source running_;  // the running job's stop
    std::uint64_t lastTicket_ = 0;
    std::jthread thread_;  // last: it starts once everything above is in place
};

}  // namespace vonnik
