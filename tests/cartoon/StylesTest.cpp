// Each style chain against the same chain built from the literal forms of its routines,
// with the working copies the panel's frame makes.
#include "cartoon/styles/LineRefinements.h"
#include "cartoon/styles/Massing.h"
#include "cartoon/styles/Styles.h"

#include "core/Parallel.h"
#include "filters/EdgeFilters.h"
#include "filters/GaussianBlur.h"
#include "filters/GrayValue.h"
#include "filters/PenInk.h"
#include "filters/ToneFilters.h"
#include "tests/cartoon/StylePictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>
#include <tuple>

namespace brimlet {
namespace {

using testing::PixelAt;

std::vector<TBitmap32> ChainPictures() {
    std::vector<TBitmap32> pictures = testing::RealPhotos();
    for (auto [w, h] : {std::pair{1, 1}, {4, 6}, {6, 4}, {23, 17}, {64, 41}})
        pictures.push_back(testing::RandomPicture(w, h, std::uint32_t(w * h)));
    return pictures;
}

void ExpectSameProgress(const CountingProgress& a, const CountingProgress& b) {
    EXPECT_EQ(a.Advanced(), b.Advanced());
    EXPECT_EQ(a.Peak(), b.Peak());
    EXPECT_EQ(a.Position(), b.Position());
}

TEST(MassingChain, MatchesTheLiteralChain) {
    const MassingSettings cases[] = {{}, {2, 0, 40, 1, true}, {15, 40, 40, 10, true},
                                     {5, 20, 40, 3, false}, {14, 7, 40, 2, false}};
    for (const TBitmap32& source : ChainPictures()) {
        for (const MassingSettings& s : cases) {
            CountingProgress fast, literal;
            MassingResult result = RunMassing(source, s, fast);

            literal.SetPosition(100);
            TBitmap32 blurred;
            blurred.Assign(source);
            reference::GaussianBlur(blurred, s.sleek, double(s.sleek));
            TBitmap32 palette, banded;
            palette.Assign(blurred);
            banded.Assign(blurred);
            const int step = LevelStepFor(s.scalar);
            reference::crayonpic(RegionOffsetFor(s.region, s.regionMax, step), banded, step, s.gray,
                                 literal);

            ASSERT_EQ(result.palette, palette) << source.Width() << " x " << source.Height();
            ASSERT_EQ(result.colour, banded) << source.Width() << " x " << source.Height()
                                             << " scalar " << s.scalar << " gray " << s.gray;
            EXPECT_EQ(result.levelStep, step);
            ExpectSameProgress(fast, literal);
        }
    }
}

TEST(MassingChain, StartsTheBarAtAHundred) {
    CountingProgress progress;
    RunMassing(testing::RandomPicture(5, 3, 1), {}, progress);
    EXPECT_EQ(progress.Peak(), 102);  // 100, then the two quantised rows
    EXPECT_EQ(progress.Position(), 0);
}

TEST(PenSketchChain, MatchesTheLiteralChain) {
    for (const TBitmap32& source : ChainPictures()) {
        for (int pressure : {0, 125, 200, 255}) {
            CountingProgress fast, literal;
            TBitmap32 result = RunPenSketch(source, pressure, fast);
            TBitmap32 edge, output;
            edge.Assign(source);
            reference::laplaciangause(edge, literal);
            reference::twovaluetopen(pressure, edge, output);
            ASSERT_EQ(result, output) << source.Width() << " x " << source.Height() << " at " << pressure;
            ExpectSameProgress(fast, literal);
        }
    }
}

TEST(PenSketchChain, FullPressureIsAllInk) {
    NoProgress none;
    TBitmap32 result = RunPenSketch(testing::ReadBmp24("hopper.bmp"), 255, none);
    for (std::size_t i = 0; i < result.ByteCount(); i += 4)
        ASSERT_EQ(LoadPixel(result.Bits() + i), testing::Ink(0));
}

TEST(PencilSketchChain, MatchesTheLiteralChain) {
    for (const TBitmap32& source : ChainPictures()) {
        for (int pressure : {1, 45, 67, 89}) {
            CountingProgress fast, literal;
            TBitmap32 result = RunPencilSketch(source, pressure, fast);
            TBitmap32 edge, gray, output;
            edge.Assign(source);
            reference::picsobel(edge, literal);
            gray.Assign(edge);
            for (int y = 0; y <= gray.Height() - 1; ++y)
                for (int x = 0; x <= gray.Width() - 1; ++x) {
                    std::uint8_t* p = gray.ScanLine(y) + 4 * x;
                    int g = std::min(255, std::max(0, int(reference::GrayValue(p[kR], p[kG], p[kB]))));
                    p[kB] = p[kG] = p[kR] = std::uint8_t(g);
                    p[kA] = std::uint8_t(255 - g);
                }
            reference::convertimg1(pressure, gray, output, literal);
            ASSERT_EQ(result, output) << source.Width() << " x " << source.Height() << " at " << pressure;
            ExpectSameProgress(fast, literal);
        }
    }
}

TEST(PencilSketchChain, GrayAndToneStepMatchesTheLiteralStepsOnEveryThreadCount) {
    // Random colours hit the gray value's exact halves, which the fused step settles apart.
    const TBitmap32 source = testing::RandomPicture(301, 203, 8);
    TBitmap32 gray = source;
    for (std::size_t i = 0; i < gray.ByteCount(); i += 4) {
        std::uint8_t* p = gray.Bits() + i;
        std::uint8_t g = reference::GrayValue(p[kR], p[kG], p[kB]);
        StorePixel(p, testing::Ink(g));
    }
    for (int pressure : {1, 67}) {
        TBitmap32 expected;
        CountingProgress literal;
        reference::convertimg1(pressure, gray, expected, literal);
        for (int threads : {1, 3}) {
            SetWorkerThreads(threads);
            TBitmap32 picture = source;
            CountingProgress fused;
            detail::GrayThenConvertimg1(pressure, picture, fused);
            EXPECT_EQ(picture, expected) << "pressure " << pressure << ", threads " << threads;
            ExpectSameProgress(fused, literal);
        }
    }
    SetWorkerThreads(0);
}

TEST(PenAndInkChain, MatchesTheLiteralChain) {
    for (const TBitmap32& source : ChainPictures()) {
        for (auto [a, b, c] : {std::tuple{6, 10, 20}, {1, 0, 0}, {40, 20, 40}}) {
            const PenInkSettings settings = PenInkSettings::FromSliders(a, b, c);
            TBitmap32 working;
            working.Assign(source);
            reference::PenInkBmp(working, settings);
            ASSERT_EQ(RunPenAndInk(source, settings), working)
                << source.Width() << " x " << source.Height() << " at " << a << "," << b << "," << c;
        }
    }
}

// Progress that a widget could implement: it must only be called from the thread that
// started the routine, and it should move while the routine runs.
class ThreadCheckingProgress final : public Progress {
public:
    void Advance(int rows) override {
        Check();
        ++advances_;
        total_ += rows;
    }
    void SetPosition(int) override { Check(); }
    int advances_ = 0;
    long long total_ = 0;
    bool foreign_ = false;

private:
    void Check() { foreign_ |= std::this_thread::get_id() != owner_; }
    std::thread::id owner_ = std::this_thread::get_id();
};

TEST(StyleProgress, ComesFromTheCallingThreadAndMovesDuringTheRun) {
    SetWorkerThreads(4);
    const TBitmap32 source = testing::RandomPicture(64, 1001, 4);
    const std::function<void(TBitmap32&, Progress&)> routines[] = {
        [](TBitmap32& p, Progress& pr) { crayonpic(0, p, 51, true, pr); },
        [](TBitmap32& p, Progress& pr) { crayonpic(0, p, 51, false, pr); },
        Brighter, Shallow, smooth, ClearSpots};
    for (const auto& routine : routines) {
        TBitmap32 picture = source;
        ThreadCheckingProgress progress;
        routine(picture, progress);
        EXPECT_FALSE(progress.foreign_);
        EXPECT_GT(progress.advances_, 4);
        EXPECT_GE(progress.total_, 999);
    }
    SetWorkerThreads(0);
}

TEST(DyeingAndSketch, LaysTheLineLayerOverTheColourLayer) {
    // Tall enough for the rows to be shared out over three workers, and every target kind:
    // smaller, of the same byte count, and empty.
    SetWorkerThreads(3);
    const TBitmap32 colour = testing::RandomPicture(40, 300, 1);
    for (auto [w, h] : {std::pair{40, 300}, {55, 120}, {17, 440}, {40, 1}}) {
        TBitmap32 line = testing::BlockyPicture(w, h, std::uint32_t(w));
        for (TBitmap32 target : {TBitmap32(3, 3), TBitmap32(300, 40), TBitmap32()}) {
            ComposeDyeingAndSketch(colour, line, target);

            TBitmap32 expected = colour;
            SetAlphaChannel(expected, 255);
            for (int y = 0; y < std::min(h, 300); ++y)
                for (int x = 0; x < std::min(w, 40); ++x)
                    BlendPixel(expected.ScanLine(y) + 4 * x, PixelAt(line, x, y));
            ASSERT_EQ(target, expected) << w << " x " << h;
        }
    }
    SetWorkerThreads(0);
    // Ink replaces the colour, paper keeps it.
    TBitmap32 line = testing::Uniform(2, 1, testing::Ink(0));
    StorePixel(line.ScanLine(0) + 4, testing::Ink(255));
    TBitmap32 target;
    ComposeDyeingAndSketch(testing::Uniform(2, 1, 0x00336699u), line, target);
    EXPECT_EQ(PixelAt(target, 0, 0), testing::Ink(0));
    EXPECT_EQ(PixelAt(target, 1, 0), 0xFF336699u);
}

}  // namespace
}  // namespace brimlet
