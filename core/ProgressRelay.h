// Progress from threaded row loops. Every worker counts the rows it finishes; the calling
// thread, between its own rows, hands the count so far to the progress. So a threaded
// routine reports the same rows as a row-by-row loop, the bar keeps moving while a large
// picture is processed, and the progress is only ever touched by the calling thread.
#pragma once

#include "core/Progress.h"

#include <atomic>
#include <thread>

namespace brimlet {

// Collects finished rows from any thread; passes them on only from the thread that made it.
class ProgressRelay {
public:
    explicit ProgressRelay(Progress& progress)
        : progress_(progress), caller_(std::this_thread::get_id()) {}
    void RowsDone(int rows) {
        const int now = done_.fetch_add(rows, std::memory_order_relaxed) + rows;
        if (std::this_thread::get_id() == caller_) Flush(now);
    }
    // On the calling thread once the workers have joined: hands on what is left.
    void Finish() { Flush(done_.load(std::memory_order_relaxed)); }

private:
    void Flush(int now) {
        if (now <= reported_) return;
        progress_.Advance(now - reported_);
        reported_ = now;
    }
    Progress& progress_;
    std::thread::id caller_;
    std::atomic<int> done_{0};
    int reported_ = 0;  // only the calling thread touches it
};

}  // namespace brimlet
