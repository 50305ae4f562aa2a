// The Make Cartoon styles end to end, and the 3 x 3 refinements against their OpenCV peers.
//
// An end-to-end run does what a click does: the chain's working copies and routines, storing
// the results into the layers and composing the shown picture with "Dyeing && Sketch"
// checked. Each end-to-end row also reports "pictures": the peak memory of one run counted
// in pictures of the test photo's size, the source, the three layers and the shown picture
// included (resident-set peak, reset through /proc/self/clear_refs). The Photo48MP rows do
// the same on an 8000 x 6000 photo with all threads.
//
// The peer chains are the nearest OpenCV equivalents, not the same algorithms:
//   Massing       filter2D 11 x 11 Gaussian, gray, a band LUT, back to BGRA
//   MassingColour filter2D 11 x 11 Gaussian, a per-channel band LUT
//   PenSketch     filter2D 5 x 5 LoG, gray, threshold, back to BGRA
//   PencilSketch  three filter2D 3 x 3 gradients and their maximum, gray, a tone LUT, back to BGRA
//   PenAndInk     gray, GaussianBlur, Canny with L2 magnitudes, back to BGRA
// and every peer composes with a masked copy.
#include "bench/TestPhoto.h"
#include "bench/ThreadScope.h"
#include "cartoon/styles/LineRefinements.h"
#include "cartoon/styles/Massing.h"
#include "cartoon/styles/Styles.h"
#include "core/Parallel.h"
#include "filters/PenInk.h"

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

namespace brimlet::bench {
namespace {

// ---- memory --------------------------------------------------------------------------------

long ReadStatusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::string(key).size()));
    return -1;
}

// Peak resident memory of one call of run, in bytes above the resident size before it.
// Returns -1 where the peak cannot be reset.
double PeakExtraBytes(const std::function<void()>& run) {
    {
        std::ofstream reset("/proc/self/clear_refs");
        if (!(reset << "5")) return -1;
    }
    const long before = ReadStatusKiB("VmRSS:");
    run();
    const long peak = ReadStatusKiB("VmHWM:");
    if (before < 0 || peak < 0) return -1;
    return double(peak - before) * 1024.0;
}

// ---- the panel's state ---------------------------------------------------------------------

// What the panel keeps while a style runs: the source and the three layers, and the picture
// shown in the result pane.
struct PanelState {
    TBitmap32 source, colour, line, palette, shown;
    explicit PanelState(int width = 4000, int height = 3000) {
        source = TestPhoto(width, height);
        colour = source;
        palette = source;
        NoProgress none;
        line = RunPenSketch(source, 125, none);
        shown = source;
    }
    void Show() { ComposeDyeingAndSketch(colour, line, shown); }
};

// Freed pictures that the allocator keeps for reuse are resident before the run starts, and
// the run may draw on them instead of growing: they count as the run's memory.
void ReportPictures(benchmark::State& state, PanelState& panel, const std::function<void()>& run) {
    const double kept = double(detail::KeptPixelBytes());
    const double extra = PeakExtraBytes(run);
    if (extra >= 0)
        state.counters["pictures"] = 5.0 + (kept + extra) / double(panel.source.ByteCount());
}

// ---- our styles ----------------------------------------------------------------------------

void RunStyle(benchmark::State& state, bool single, const std::function<void(PanelState&)>& click,
              int width = 4000, int height = 3000) {
    ThreadScope threads(single);
    PanelState panel(width, height);
    for (auto _ : state) {
        click(panel);
        benchmark::DoNotOptimize(panel.shown.Bits());
    }
    ReportPictures(state, panel, [&] { click(panel); });
}

void MassingClick(PanelState& panel, bool gray) {
    CountingProgress progress;
    MassingSettings settings;
    settings.gray = gray;
    MassingResult result = RunMassing(panel.source, settings, progress);
    panel.palette = std::move(result.palette);
    panel.colour = std::move(result.colour);
    panel.Show();
}

void PenSketchClick(PanelState& panel) {
    CountingProgress progress;
    panel.line = RunPenSketch(panel.source, 125, progress);
    panel.Show();
}

void PencilSketchClick(PanelState& panel) {
    CountingProgress progress;
    panel.line = RunPencilSketch(panel.source, 67, progress);
    panel.Show();
}

void PenAndInkClick(PanelState& panel) {
    panel.line = RunPenAndInk(panel.source, PenInkSettings::FromSliders(6, 10, 20));
    panel.Show();
}

// A refinement works on its layer in place; then the shown picture is rebuilt.
void RefineClick(PanelState& panel, void (*routine)(TBitmap32&, Progress&), bool colourLayer) {
    CountingProgress progress;
    routine(colourLayer ? panel.colour : panel.line, progress);
    panel.Show();
}

// ---- peers ---------------------------------------------------------------------------------

cv::Mat GaussianKernel2D(int size, double sigma) {
    cv::Mat k = cv::getGaussianKernel(size, sigma, CV_32F);
    return k * k.t();
}

void PeerShow(PanelState& panel) {
    cv::Mat shown = AsMat(panel.shown), line = AsMat(panel.line);
    AsMat(panel.colour).copyTo(shown);
    cv::Mat alpha;
    cv::extractChannel(line, alpha, 3);
    line.copyTo(shown, alpha);
}

void PeerMassing(PanelState& panel, bool gray) {
    cv::Mat source = AsMat(panel.source), blurred, out(source.size(), CV_8UC4);
    cv::filter2D(source, blurred, -1, GaussianKernel2D(11, 5.0));
    cv::Mat lut(1, 256, CV_8U);
    for (int v = 0; v < 256; ++v) lut.at<std::uint8_t>(v) = std::uint8_t(std::min(255, (v / 51 + 1) * 51 - 1));
    if (gray) {
        cv::Mat g, banded;
        cv::cvtColor(blurred, g, cv::COLOR_BGRA2GRAY);
        cv::LUT(g, lut, banded);
        cv::cvtColor(banded, out, cv::COLOR_GRAY2BGRA);
    } else {
        cv::LUT(blurred, lut, out);
    }
    panel.palette = panel.source;
    blurred.copyTo(AsMat(panel.palette));
    out.copyTo(AsMat(panel.colour));
    PeerShow(panel);
}

void PeerPenSketch(PanelState& panel) {
    const float log5[25] = {-2, -4, -4, -4, -2, -4, 0, 8, 0, -4, -4, 8, 24, 8, -4,
                            -4, 0, 8, 0, -4, -2, -4, -4, -4, -2};
    cv::Mat source = AsMat(panel.source), edges, gray, ink;
    cv::filter2D(source, edges, -1, cv::Mat(5, 5, CV_32F, const_cast<float*>(log5)));
    cv::cvtColor(edges, gray, cv::COLOR_BGRA2GRAY);
    cv::threshold(gray, ink, 125, 255, cv::THRESH_BINARY_INV);
    cv::cvtColor(ink, AsMat(panel.line), cv::COLOR_GRAY2BGRA);
    PeerShow(panel);
}

void PeerPencilSketch(PanelState& panel) {
    const float right[9] = {-1, 0, 1, -2, 0, 2, -1, 0, 1};
    const float down[9] = {-1, -2, -1, 0, 0, 0, 1, 2, 1};
    const float left[9] = {1, 0, -1, 2, 0, -2, 1, 0, -1};
    cv::Mat source = AsMat(panel.source), a, b, c, gray, toned;
    cv::filter2D(source, a, -1, cv::Mat(3, 3, CV_32F, const_cast<float*>(right)));
    cv::filter2D(source, b, -1, cv::Mat(3, 3, CV_32F, const_cast<float*>(down)));
    cv::filter2D(source, c, -1, cv::Mat(3, 3, CV_32F, const_cast<float*>(left)));
    cv::max(a, b, a);
    cv::max(a, c, a);
    cv::cvtColor(a, gray, cv::COLOR_BGRA2GRAY);
    cv::Mat lut(1, 256, CV_8U);
    for (int v = 0; v < 256; ++v) lut.at<std::uint8_t>(v) = std::uint8_t(255 - std::min(255, v * 2));
    cv::LUT(gray, lut, toned);
    cv::cvtColor(toned, AsMat(panel.line), cv::COLOR_GRAY2BGRA);
    PeerShow(panel);
}

void PeerPenAndInk(PanelState& panel) {
    cv::Mat gray, smoothed, edges;
    cv::cvtColor(AsMat(panel.source), gray, cv::COLOR_BGRA2GRAY);
    cv::GaussianBlur(gray, smoothed, cv::Size(3, 3), 0.3);
    cv::Canny(smoothed, edges, 20, 40, 3, true);  // L2 magnitudes, like ours
    cv::bitwise_not(edges, edges);
    cv::cvtColor(edges, AsMat(panel.line), cv::COLOR_GRAY2BGRA);
    PeerShow(panel);
}

// ---- registration --------------------------------------------------------------------------

void Register(const std::string& group, const std::function<void(PanelState&)>& ours,
              const std::function<void(PanelState&)>& peer) {
    for (bool single : {true, false}) {
        const std::string suffix = single ? "" : "_mt";
        benchmark::RegisterBenchmark((group + "/ours" + suffix).c_str(),
                                     [=](benchmark::State& s) { RunStyle(s, single, ours); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        if (peer)
            benchmark::RegisterBenchmark((group + "/peer" + suffix).c_str(),
                                         [=](benchmark::State& s) { RunStyle(s, single, peer); })
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
    }
}

// A 48-megapixel photo (8000 x 6000), every style at the default sliders with all threads.
void Register48(const std::string& style, const std::function<void(PanelState&)>& click) {
    benchmark::RegisterBenchmark(("Photo48MP/" + style).c_str(),
                                 [=](benchmark::State& s) { RunStyle(s, false, click, 8000, 6000); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(3);
}

// The refinements alone, in place on a line picture, against OpenCV's own 3 x 3 filters.
void RegisterRoutine(const std::string& group, void (*routine)(TBitmap32&, Progress&),
                     const std::function<void(const cv::Mat&, cv::Mat&)>& peer) {
    for (bool single : {true, false}) {
        const std::string suffix = single ? "" : "_mt";
        benchmark::RegisterBenchmark((group + "/ours" + suffix).c_str(), [=](benchmark::State& s) {
            ThreadScope threads(single);
            NoProgress none;
            TBitmap32 picture = RunPenSketch(TestPhoto(), 125, none);
            for (auto _ : s) {
                routine(picture, none);
                benchmark::DoNotOptimize(picture.Bits());
            }
        })->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark((group + "/peer" + suffix).c_str(), [=](benchmark::State& s) {
            ThreadScope threads(single);
            NoProgress none;
            TBitmap32 picture = RunPenSketch(TestPhoto(), 125, none);
            cv::Mat src = AsMat(picture), dst(src.size(), src.type());
            for (auto _ : s) {
                peer(src, dst);
                benchmark::DoNotOptimize(dst.data);
            }
        })->Unit(benchmark::kMillisecond)->UseRealTime();
    }
}

const bool kRegistered = [] {
    RegisterRoutine("ClearSpots", ClearSpots, [](const cv::Mat& s, cv::Mat& d) { cv::medianBlur(s, d, 3); });
    RegisterRoutine("Smooth", smooth,
                    [](const cv::Mat& s, cv::Mat& d) { cv::GaussianBlur(s, d, cv::Size(3, 3), 0); });
    Register("Massing", [](PanelState& p) { MassingClick(p, true); },
             [](PanelState& p) { PeerMassing(p, true); });
    Register("MassingColour", [](PanelState& p) { MassingClick(p, false); },
             [](PanelState& p) { PeerMassing(p, false); });
    Register("PenSketch", PenSketchClick, PeerPenSketch);
    Register("PencilSketch", PencilSketchClick, PeerPencilSketch);
    Register("PenAndInk", PenAndInkClick, PeerPenAndInk);
    Register("Brighter", [](PanelState& p) { RefineClick(p, Brighter, true); }, nullptr);
    Register("Shallow", [](PanelState& p) { RefineClick(p, Shallow, false); }, nullptr);
    Register("SmoothStyle", [](PanelState& p) { RefineClick(p, smooth, false); }, nullptr);
    Register("ClearSpotsStyle", [](PanelState& p) { RefineClick(p, ClearSpots, false); }, nullptr);
    Register("Compose", [](PanelState& p) { p.Show(); }, PeerShow);
    Register48("Massing", [](PanelState& p) { MassingClick(p, true); });
    Register48("MassingColour", [](PanelState& p) { MassingClick(p, false); });
    Register48("PenSketch", PenSketchClick);
    Register48("PencilSketch", PencilSketchClick);
    Register48("PenAndInk", PenAndInkClick);
    return true;
}();

}  // namespace
}  // namespace brimlet::bench
