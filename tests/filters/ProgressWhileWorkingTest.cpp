// Threaded filters hand on finished rows while the work goes on, not all at its end. The
// worker threads are held back until the first advance arrives: a filter that reported only
// after all rows were done would keep them waiting until the gate gives up.
#include "core/Parallel.h"
#include "filters/EdgeFilters.h"
#include "filters/ToneFilters.h"

#include "../support/TestPictures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace brimlet {
namespace {

class Gate {
public:
    void Open() {
        std::lock_guard<std::mutex> lock(lock_);
        open_ = true;
        changed_.notify_all();
    }
    // False when it gave up waiting.
    bool Wait() {
        std::unique_lock<std::mutex> lock(lock_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return open_; });
    }
    bool IsOpen() {
        std::lock_guard<std::mutex> lock(lock_);
        return open_;
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool open_ = false;
};

// Workers wait at the gate before taking any rows.
class HeldWorkers {
public:
    HeldWorkers() {
        SetThreadStarter([this](std::function<void()> work) {
            return std::thread([this, work = std::move(work)] {
                if (!gate.Wait()) {
                    gaveUp = true;
                    gate.Open();
                }
                work();
            });
        });
    }
    ~HeldWorkers() { SetThreadStarter(nullptr); }
    Gate gate;
    std::atomic<bool> gaveUp{false};
};

class Recorder final : public Progress {
public:
    explicit Recorder(Gate& gate) : gate_(gate) {}
    void Advance(int rows) override {
        if (advances == 0) firstCameWhileHeld = !gate_.IsOpen();
        gate_.Open();
        ++advances;
        advanced += rows;
        if (std::this_thread::get_id() != caller) offCaller = true;
    }
    void SetPosition(int p) override {
        position = p;
        if (std::this_thread::get_id() != caller) offCaller = true;
    }
    int advances = 0;
    long long advanced = 0;
    int position = -1;
    bool firstCameWhileHeld = false;
    bool offCaller = false;
    std::thread::id caller = std::this_thread::get_id();

private:
    Gate& gate_;
};

struct Case {
    std::string name;
    std::function<void(TBitmap32&, Progress&)> run;
    int rowsLess;  // rows not reported: the frame the kernel does not reach
};

class ProgressWhileWorking : public ::testing::TestWithParam<Case> {};

TEST_P(ProgressWhileWorking, AdvancesArriveBeforeTheWorkersAreDone) {
    const int w = 300, h = 240;
    const TBitmap32 input = testing::RandomPicture(w, h, 11);
    SetWorkerThreads(2);
    TBitmap32 picture = input;
    {
        HeldWorkers workers;
        Recorder recorder(workers.gate);
        GetParam().run(picture, recorder);
        EXPECT_TRUE(recorder.firstCameWhileHeld) << "the first advance waited for the workers";
        EXPECT_FALSE(workers.gaveUp);
        EXPECT_GT(recorder.advances, 1);
        EXPECT_EQ(recorder.advanced, h - GetParam().rowsLess);
        EXPECT_EQ(recorder.position, 0);
        EXPECT_FALSE(recorder.offCaller) << "progress is touched by the calling thread only";
    }
    SetWorkerThreads(1);
    TBitmap32 single = input;
    NoProgress none;
    GetParam().run(single, none);
    EXPECT_TRUE(picture == single);
    SetWorkerThreads(0);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, ProgressWhileWorking,
    ::testing::Values(Case{"laplaciangause", [](TBitmap32& b, Progress& p) { laplaciangause(b, p); }, 4},
                      Case{"picsobel", [](TBitmap32& b, Progress& p) { picsobel(b, p); }, 2},
                      Case{"laplaciangauseIntoTarget",
                           [](TBitmap32& b, Progress& p) { TBitmap32 t; laplaciangause(b, t, p); b = std::move(t); }, 4},
                      Case{"picsobelIntoTarget",
                           [](TBitmap32& b, Progress& p) { TBitmap32 t; picsobel(b, t, p); b = std::move(t); }, 2},
                      Case{"convertimg1", [](TBitmap32& b, Progress& p) { convertimg1(67, b, b, p); }, 0}),
    [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
}  // namespace brimlet
