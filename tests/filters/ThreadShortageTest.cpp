// Every filter gives its single-thread result when a worker thread cannot be started, for
// each start of the run that could be the one refused.
#include "core/Parallel.h"
#include "filters/EdgeFilters.h"
#include "filters/GaussianBlur.h"
#include "filters/PenInk.h"
#include "filters/ToneFilters.h"

#include "../support/FailingThreadStarter.h"
#include "../support/TestPictures.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace brimlet {
namespace {

using testing::FailingThreadStarter;

struct Case {
    std::string name;
    std::function<void(TBitmap32&, Progress&)> run;
};

class ThreadShortage : public ::testing::TestWithParam<Case> {};

TEST_P(ThreadShortage, GivesTheSingleThreadResult) {
    const TBitmap32 input = testing::RandomPicture(173, 211, 7);
    SetWorkerThreads(1);
    TBitmap32 single = input;
    CountingProgress singleProgress;
    GetParam().run(single, singleProgress);

    SetWorkerThreads(4);
    int starts;
    {
        FailingThreadStarter counter(0);
        TBitmap32 picture = input;
        NoProgress none;
        GetParam().run(picture, none);
        starts = counter.Starts();
        EXPECT_TRUE(picture == single) << "all threads started";
    }
    ASSERT_GT(starts, 0) << "the picture is large enough to be threaded";
    for (int k = 1; k <= starts; ++k) {
        FailingThreadStarter starter(k);
        TBitmap32 picture = input;
        CountingProgress progress;
        GetParam().run(picture, progress);
        EXPECT_TRUE(picture == single) << "start " << k << " of " << starts << " refused";
        EXPECT_EQ(progress.Advanced(), singleProgress.Advanced()) << "start " << k;
        EXPECT_EQ(progress.Position(), singleProgress.Position()) << "start " << k;
    }
    SetWorkerThreads(0);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, ThreadShortage,
    ::testing::Values(
        Case{"laplaciangause", [](TBitmap32& b, Progress& p) { laplaciangause(b, p); }},
        Case{"picsobel", [](TBitmap32& b, Progress& p) { picsobel(b, p); }},
        Case{"laplaciangauseIntoTarget",
             [](TBitmap32& b, Progress& p) { TBitmap32 t; laplaciangause(b, t, p); b = std::move(t); }},
        Case{"picsobelIntoTarget", [](TBitmap32& b, Progress& p) { TBitmap32 t; picsobel(b, t, p); b = std::move(t); }},
        Case{"convertimg1", [](TBitmap32& b, Progress& p) { convertimg1(67, b, b, p); }},
        Case{"twovaluetopen", [](TBitmap32& b, Progress&) { twovaluetopen(125, b, b); }},
        Case{"GaussianBlur", [](TBitmap32& b, Progress&) { GaussianBlur(b, 3, 3.0); }},
        Case{"PenInkBmp", [](TBitmap32& b, Progress&) { PenInkBmp(b, PenInkSettings{1.2, 0.5, 0.5}); }}),
    [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
}  // namespace brimlet
