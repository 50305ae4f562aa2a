#include "core/Parallel.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <thread>
#include <vector>

namespace brimlet {

namespace {
std::atomic<int> gWorkerThreads{0};
}

void SetWorkerThreads(int count) { gWorkerThreads = std::max(0, count); }

int WorkerThreads() {
    int n = gWorkerThreads;
    if (n > 0) return n;
    unsigned hw = std::thread::hardware_concurrency();
    return hw == 0 ? 1 : int(hw);
}

void ParallelRows(int rows, const std::function<void(int, int)>& body, int minRowsPerTask) {
    if (rows <= 0) return;
    int threads = std::min(WorkerThreads(), std::max(1, rows / std::max(1, minRowsPerTask)));
    if (threads <= 1) {
        body(0, rows);
        return;
    }
    std::vector<std::thread> pool;
    std::vector<std::exception_ptr> errors(threads);
    pool.reserve(threads - 1);
    auto run = [&](int t) {
        int begin = int(std::int64_t(rows) * t / threads);
        int end = int(std::int64_t(rows) * (t + 1) / threads);
        try {
            body(begin, end);
        } catch (...) {
            errors[t] = std::current_exception();
        }
    };
    for (int t = 1; t < threads; ++t) pool.emplace_back(run, t);
    run(0);
    for (auto& th : pool) th.join();
    for (auto& e : errors)
        if (e) std::rethrow_exception(e);
}

}  // namespace brimlet
