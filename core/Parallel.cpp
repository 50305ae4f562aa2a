#include "core/Parallel.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <mutex>
#include <vector>

namespace brimlet {

namespace {

std::atomic<int> gWorkerThreads{0};

std::mutex gStarterLock;
ThreadStarter gStarter;  // empty: std::thread

std::thread StartThread(std::function<void()> work) {
    ThreadStarter starter;
    {
        std::lock_guard<std::mutex> lock(gStarterLock);
        starter = gStarter;
    }
    if (starter) return starter(std::move(work));
    return std::thread(std::move(work));
}

// Joins every started worker, also while an exception unwinds: a joinable std::thread
// destroyed unjoined would end the program.
struct Joiner {
    std::vector<std::thread> threads;
    ~Joiner() {
        for (auto& t : threads)
            if (t.joinable()) t.join();
    }
};

}  // namespace

void SetWorkerThreads(int count) { gWorkerThreads = std::max(0, count); }

int WorkerThreads() {
    int n = gWorkerThreads;
    if (n > 0) return n;
    unsigned hw = std::thread::hardware_concurrency();
    return hw == 0 ? 1 : int(hw);
}

void SetThreadStarter(ThreadStarter starter) {
    std::lock_guard<std::mutex> lock(gStarterLock);
    gStarter = std::move(starter);
}

void ParallelRows(int rows, const std::function<void(int, int)>& body, int minRowsPerTask) {
    if (rows <= 0) return;
    const int tasks = std::min(WorkerThreads(), std::max(1, rows / std::max(1, minRowsPerTask)));
    if (tasks <= 1) {
        body(0, rows);
        return;
    }
    // The ranges are fixed by the task count; whichever threads exist take them in turn.
    // The calling thread keeps range 0 for itself, so it works (and relays progress) from
    // the start.
    std::vector<std::exception_ptr> errors(tasks);
    std::atomic<int> next{1};
    auto runTask = [&](int t) {
        const int begin = int(std::int64_t(rows) * t / tasks);
        const int end = int(std::int64_t(rows) * (t + 1) / tasks);
        try {
            body(begin, end);
        } catch (...) {
            errors[t] = std::current_exception();
        }
    };
    auto work = [&] {
        for (int t = next.fetch_add(1); t < tasks; t = next.fetch_add(1)) runTask(t);
    };
    {
        Joiner pool;
        try {
            pool.threads.reserve(tasks - 1);
            for (int t = 1; t < tasks; ++t) pool.threads.push_back(StartThread(work));
        } catch (...) {
            // No more threads to be had: the ones running and this one do the rest.
        }
        runTask(0);
        work();
    }
    for (auto& e : errors)
        if (e) std::rethrow_exception(e);
}

}  // namespace brimlet
