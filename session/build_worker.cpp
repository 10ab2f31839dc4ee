#include "session/build_worker.h"

#include <new>

namespace vonnik {

BuildWorker::BuildWorker(Finished finished, Progress progress)
    : finished_(std::move(finished)),
      progress_(std::move(progress)),
      thread_([this](const std::stop_token& quit) { Run(quit); }) {}

BuildWorker::~BuildWorker() {
    Cancel();
    thread_.request_stop();
    wake_.notify_all();
    thread_.join();
}

std::uint64_t BuildWorker::Start(Job job) {
    std::optional<Queued> replaced;
    std::uint64_t ticket;
    {
        std::lock_guard lock(mutex_);
        ticket = ++lastTicket_;
        replaced = std::exchange(waiting_, Queued{ticket, std::move(job)});
        running_.request_stop();
    }
    wake_.notify_all();
    // Outside the lock: Finished may take its time.
    if (replaced) finished_(Outcome{replaced->ticket, replaced->job.pictures, {}, true, {}});
    return ticket;
}

void BuildWorker::Cancel() {
    std::optional<Queued> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped = std::exchange(waiting_, std::nullopt);
        running_.request_stop();
    }
    if (dropped) finished_(Outcome{dropped->ticket, dropped->job.pictures, {}, true, {}});
}

void BuildWorker::Run(const std::stop_token& quit) {
    for (;;) {
        std::optional<Queued> next;
        std::stop_token stop;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, quit, [this] { return waiting_.has_value(); });
            if (quit.stop_requested()) return;
            next = std::exchange(waiting_, std::nullopt);
            running_ = std::stop_source();
            stop = running_.get_token();
        }
        RunOne(std::move(*next), stop);
    }
}

void BuildWorker::RunOne(Queued queued, const std::stop_token& stop) {
    Outcome outcome{queued.ticket, queued.job.pictures, {}, false, {}};
    const std::uint64_t ticket = queued.ticket;
    const ProgressFn progress = [this, ticket](int position) {
        if (progress_) progress_(ticket, position);
    };
    try {
        outcome.model = BuildPictures(*queued.job.pictures, queued.job.settings, progress, stop);
    } catch (const BuildCancelled&) {
        outcome.cancelled = true;
    } catch (const BuildError& e) {
        outcome.error = e.what();
    } catch (const std::bad_alloc&) {
        outcome.error = "not enough memory for the model";
    }
    finished_(std::move(outcome));
}

}  // namespace vonnik
