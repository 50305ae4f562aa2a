// The result tools on a 12 MP result: one dyeing click and one brush dab, each with the
// redisplay it triggers ("Dyeing && Sketch" checked: the edited part of the shown picture
// recomposed from the colour and line layers, and that part of the result image's scaled
// copy refreshed, the image being 360 x 270 as in the program's start layout). And opening
// the full-size viewer on the result, up to its first paint.
//
// Peers are the nearest OpenCV edits, without any redisplay:
//   Dyeing    inRange on the clicked colour, then setTo with that mask
//   BrushDab  a filled white circle of the same radius
#include "bench/OffscreenWidgets.h"
#include "bench/TestPhoto.h"
#include "bench/ThreadScope.h"
#include "cartoon/styles/ResultEdits.h"
#include "core/Parallel.h"
#include "workspace/ImageControl.h"
#include "workspace/ViewForm_s.h"

#include <QApplication>

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <memory>

namespace brimlet::bench {
namespace {

// The result image as the main window has it, its scaled copy already built.
std::unique_ptr<TImage> ResultImage(const TBitmap32& shown) {
    EnsureApplication();
    auto image = std::make_unique<TImage>();
    image->resize(360, 270);
    image->SetPicture(shown);
    image->grab();  // builds the scaled copy
    return image;
}

// A cartoon-like colour layer: the photo flattened to 4 levels per channel, so a clicked
// colour covers large regions spread over the whole picture.
TBitmap32 FlatColours(const TBitmap32& photo) {
    TBitmap32 layer = photo;
    std::uint8_t* p = layer.Bits();
    for (std::size_t i = 0; i < layer.ByteCount(); i += 4) {
        for (int c = 0; c < 3; ++c) p[i + c] = std::uint8_t((p[i + c] >> 6) * 85);
        p[i + 3] = 255;
    }
    return layer;
}

// Ink where the photo's green is dark, paper elsewhere.
TBitmap32 Lines(const TBitmap32& photo) {
    TBitmap32 layer = photo;
    std::uint8_t* p = layer.Bits();
    for (std::size_t i = 0; i < layer.ByteCount(); i += 4) {
        std::uint8_t ink = p[i + 1] < 120 ? 255 : 0;
        p[i] = p[i + 1] = p[i + 2] = std::uint8_t(255 - ink);
        p[i + 3] = ink;
    }
    return layer;
}

// Two palettes with different colours at the clicked point, so every click dyes.
struct DyeScene {
    TBitmap32 colour, line, shown, palettes[2];
    int x = 1000, y = 1500;
    DyeScene() {
        const TBitmap32& photo = TestPhoto();
        colour = FlatColours(photo);
        line = Lines(photo);
        shown = ComposeShown(colour, line, {true, 1});
        for (int k = 0; k < 2; ++k) {
            palettes[k] = photo;
            palettes[k].SetPixelColor(x, y, std::uint8_t(10 + 40 * k), 20, 30);
        }
    }
};

void BM_Dyeing(benchmark::State& state, bool single) {
    ThreadScope threads(single);
    DyeScene scene;
    auto image = ResultImage(scene.shown);
    int k = 0;
    std::int64_t changedPixels = 0;
    for (auto _ : state) {
        bool shownUpdated = false;
        Rect changed =
            DyeColourLayerShown(scene.colour, scene.palettes[k ^= 1], scene.x, scene.y, scene.line,
                                {true, 1}, image->MutablePicture(), shownUpdated);
        image->PictureChanged(changed);
        changedPixels = std::int64_t(changed.right - changed.left) * (changed.bottom - changed.top);
        benchmark::DoNotOptimize(image->Picture().Bits());
    }
    state.counters["area_MP"] = double(changedPixels) / 1e6;
}
BENCHMARK_CAPTURE(BM_Dyeing, single, true)
    ->Name("Dyeing/ours")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Dyeing, all, false)
    ->Name("Dyeing/ours_mt")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_DyeingPeer(benchmark::State& state, bool single) {
    ThreadScope threads(single);
    DyeScene scene;
    cv::Mat colour = AsMat(scene.colour), mask;
    int k = 0;
    for (auto _ : state) {
        const std::uint32_t from = scene.colour.PixelColor(scene.x, scene.y);
        const std::uint32_t to = scene.palettes[k ^= 1].PixelColor(scene.x, scene.y);
        const cv::Scalar low(from & 255, from >> 8 & 255, from >> 16 & 255, 0);
        const cv::Scalar high(from & 255, from >> 8 & 255, from >> 16 & 255, 255);
        cv::inRange(colour, low, high, mask);
        colour.setTo(cv::Scalar(to & 255, to >> 8 & 255, to >> 16 & 255, 255), mask);
        benchmark::DoNotOptimize(colour.data);
    }
}
BENCHMARK_CAPTURE(BM_DyeingPeer, single, true)
    ->Name("Dyeing/peer")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_DyeingPeer, all, false)
    ->Name("Dyeing/peer_mt")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The brush as it is used on a 12 MP result in a pane about 360 pixels wide.
constexpr double kDisplayScale = 4000.0 / 360.0;

void BM_BrushDab(benchmark::State& state, bool single) {
    ThreadScope threads(single);
    const TBitmap32& photo = TestPhoto();
    TBitmap32 colour = FlatColours(photo), line = Lines(photo);
    auto image = ResultImage(ComposeShown(colour, line, {true, 2}));
    int step = 0;
    for (auto _ : state) {
        const TBrushDab dab = BrushDabAt(20 + step % 320, 20 + (step / 320) % 230, kDisplayScale);
        ++step;
        Rect covered = ClearSpot(line, dab.cx, dab.cy, dab.r);
        ComposeShownArea(colour, line, {true, 2}, image->MutablePicture(), covered);
        image->PictureChanged(covered);
        benchmark::DoNotOptimize(image->Picture().Bits());
    }
}
BENCHMARK_CAPTURE(BM_BrushDab, single, true)
    ->Name("BrushDab/ours")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_BrushDabPeer(benchmark::State& state, bool single) {
    ThreadScope threads(single);
    TBitmap32 line = Lines(TestPhoto());
    cv::Mat mat = AsMat(line);
    int step = 0;
    for (auto _ : state) {
        const TBrushDab dab = BrushDabAt(20 + step % 320, 20 + (step / 320) % 230, kDisplayScale);
        ++step;
        cv::circle(mat, cv::Point(dab.cx, dab.cy), dab.r, cv::Scalar(255, 255, 255, 0), cv::FILLED);
        benchmark::DoNotOptimize(mat.data);
    }
}
BENCHMARK_CAPTURE(BM_BrushDabPeer, single, true)
    ->Name("BrushDab/peer")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// What the user waits for between the double-click and the viewer's first picture: the copy
// of the result, the window shown and placed, and its first paint.
void BM_ViewerOpen(benchmark::State& state) {
    EnsureApplication();
    const TBitmap32& result = TestPhoto();
    TViewForm viewer;
    for (auto _ : state) {
        viewer.OpenOn(result);
        viewer.repaint();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(viewer.Image1->Picture().Bits());
    }
    viewer.hide();
}
BENCHMARK(BM_ViewerOpen)->Name("ViewerOpen/ours")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace brimlet::bench
