#include "core/Parallel.h"

#include "../support/FailingThreadStarter.h"

#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

namespace brimlet {
namespace {

using testing::FailingThreadStarter;

struct Calls {
    std::mutex lock;
    std::vector<std::pair<int, int>> ranges;
    std::set<std::thread::id> threads;
};

// Every row exactly once, in ranges of at least minRows rows.
void ExpectCoverage(Calls& calls, int rows, int minRows) {
    std::vector<int> seen(rows, 0);
    for (auto [b, e] : calls.ranges) {
        EXPECT_GE(e - b, minRows);
        for (int y = b; y < e; ++y) ++seen[y];
    }
    for (int y = 0; y < rows; ++y) ASSERT_EQ(seen[y], 1) << "row " << y;
}

TEST(ParallelRows, RunsEveryRowOnceWhenAThreadCannotBeStarted) {
    SetWorkerThreads(6);
    const int rows = 600;
    for (int k = 0; k <= 5; ++k) {
        FailingThreadStarter starter(k);
        Calls calls;
        ParallelRows(rows, [&](int b, int e) {
            std::lock_guard<std::mutex> lock(calls.lock);
            calls.ranges.emplace_back(b, e);
            calls.threads.insert(std::this_thread::get_id());
        });
        SCOPED_TRACE("failing start " + std::to_string(k));
        ExpectCoverage(calls, rows, 16);
        // The ranges do not depend on how many threads could be had.
        EXPECT_EQ(calls.ranges.size(), 6u);
        const int started = k == 0 ? 5 : k - 1;
        EXPECT_EQ(starter.Starts(), k == 0 ? 5 : k);
        EXPECT_LE(int(calls.threads.size()), started + 1);
        if (k == 1) {
            EXPECT_EQ(calls.threads, std::set<std::thread::id>{std::this_thread::get_id()});
        }
    }
    SetWorkerThreads(0);
}

TEST(ParallelRows, StillRethrowsABodyErrorWhenThreadsRunShort) {
    SetWorkerThreads(4);
    for (int k = 0; k <= 3; ++k) {
        FailingThreadStarter starter(k);
        int ranges = 0;
        std::mutex lock;
        EXPECT_THROW(ParallelRows(400,
                                  [&](int b, int) {
                                      {
                                          std::lock_guard<std::mutex> guard(lock);
                                          ++ranges;
                                      }
                                      if (b >= 200) throw std::runtime_error("row failed");
                                  }),
                     std::runtime_error)
            << "failing start " << k;
        EXPECT_EQ(ranges, 4) << "every range still ran, failing start " << k;
    }
    SetWorkerThreads(0);
}

TEST(ParallelRows, KeepsSmallRangesOnTheCallingThread) {
    SetWorkerThreads(8);
    FailingThreadStarter starter(0);
    Calls calls;
    ParallelRows(31, [&](int b, int e) {
        calls.ranges.emplace_back(b, e);
        calls.threads.insert(std::this_thread::get_id());
    });
    EXPECT_EQ(starter.Starts(), 0);
    EXPECT_EQ(calls.ranges, (std::vector<std::pair<int, int>>{{0, 31}}));
    SetWorkerThreads(0);
}

}  // namespace
}  // namespace brimlet
