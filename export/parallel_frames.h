#pragma once

#include <algorithm>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

#include "export/animation.h"

namespace vonnik {

// Threads that frame work may use: one per core, at least one.
inline int FrameThreads() {
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
}

// Runs work(k) for k in [0, count) on up to FrameThreads() threads and waits for all.
inline void RunInParallel(int count, const std::function<void(int)>& work) {
    std::vector<std::thread> threads;
    const int workers = std::min(count, FrameThreads());
    const auto run = [&](int w) {
        for (int k = w; k < count; k += workers) work(k);
    };
    for (int w = 1; w < workers; ++w) {
        try {
            threads.emplace_back(run, w);
        } catch (const std::system_error&) {
            run(w);  // no thread to spare: do its share here
        }
    }
    run(0);
    for (std::thread& t : threads) t.join();
}

// Hands the frames [0, total) to batch(first, count) a core's worth at a time and reports
// progress after each batch on the calling thread. False when the caller cancelled or
// batch returned false.
inline bool ForFramesInBatches(int total, const std::function<bool(int, int)>& batch,
                               const AnimationProgress& progress) {
    const int step = FrameThreads();
    for (int first = 0; first < total; first += step) {
        const int count = std::min(step, total - first);
        if (!batch(first, count)) return false;
        if (progress && !progress(first + count, total)) return false;
    }
    return true;
}

}  // namespace vonnik
