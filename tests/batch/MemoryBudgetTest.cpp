// The batch's memory budget: jobs that do not fit wait for others to finish, the reserved
// total never passes the capacity, and a photo larger than all of it runs alone.
#include "app/batch/MemoryBudget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace brimlet::batch;
using namespace std::chrono_literals;

TEST(MemoryBudget, AJobThatDoesNotFitWaitsForTheOthers) {
    MemoryBudget budget(100);
    budget.Reserve(60);
    std::atomic<bool> got{false};
    std::thread second([&] {
        budget.Reserve(60);
        got = true;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(got);
    EXPECT_EQ(budget.InUse(), 60u);
    budget.Release(60);
    second.join();
    EXPECT_TRUE(got);
    EXPECT_EQ(budget.InUse(), 60u);
    budget.Release(60);
    EXPECT_EQ(budget.Peak(), 60u);
}

TEST(MemoryBudget, OneLargerThanTheBudgetRunsAloneAndNeverAlongside) {
    MemoryBudget budget(100);
    budget.Reserve(30);
    std::atomic<bool> got{false};
    std::thread huge([&] {
        Reservation r(budget, 1000);
        got = true;
        std::this_thread::sleep_for(30ms);
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(got);  // waits until nothing else is reserved
    budget.Release(30);
    huge.join();
    EXPECT_TRUE(got);
    EXPECT_EQ(budget.InUse(), 0u);
    EXPECT_EQ(budget.Peak(), 1000u);
}

TEST(MemoryBudget, ManyJobsStayWithinTheCapacity) {
    MemoryBudget budget(100);
    std::atomic<std::uint64_t> worst{0};
    std::vector<std::thread> jobs;
    for (int j = 0; j < 8; ++j)
        jobs.emplace_back([&, j] {
            for (int k = 0; k < 50; ++k) {
                Reservation r(budget, 10 + 7 * ((j + k) % 6));
                std::uint64_t now = budget.InUse();
                for (std::uint64_t w = worst; now > w && !worst.compare_exchange_weak(w, now);) {}
            }
        });
    for (auto& t : jobs) t.join();
    EXPECT_LE(worst.load(), 100u);
    EXPECT_LE(budget.Peak(), 100u);
    EXPECT_EQ(budget.InUse(), 0u);
    EXPECT_GT(MemoryBudget::DefaultCapacity(), 0u);
}
