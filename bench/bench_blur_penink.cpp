// GaussianBlur against OpenCV's general 2-D convolution (the kernel is not separable) and,
// for scale, against its separable Gaussian; PenInkBmp against gray + Gaussian + Canny.
#include "bench/TestPhoto.h"
#include "bench/ThreadScope.h"
#include "core/Parallel.h"
#include "filters/GaussianBlur.h"
#include "filters/PenInk.h"

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace brimlet::bench {
namespace {

// The rounded kernel as OpenCV's float kernel (weights / total).
cv::Mat KernelMat(int radius) {
    std::int32_t total = 0;
    std::vector<std::int32_t> k = GaussianKernel2D(radius, radius, total);
    const int n = 2 * radius + 1;
    cv::Mat m(n, n, CV_32F);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) m.at<float>(y, x) = float(k[std::size_t(y) * n + x]) / float(total);
    return m;
}

// The blur's cost does not depend on the picture, so it runs on the same buffer again.
void BM_BlurOurs(benchmark::State& state, int radius, bool single) {
    ThreadScope threads(single);
    TBitmap32 picture = TestPhoto();
    for (auto _ : state) {
        GaussianBlur(picture, radius, radius);
        benchmark::DoNotOptimize(picture.Bits());
    }
}

void BM_BlurFilter2D(benchmark::State& state, int radius, bool single) {
    ThreadScope threads(single);
    TBitmap32 picture = TestPhoto();
    cv::Mat src = AsMat(picture), dst;
    cv::Mat kernel = KernelMat(radius);
    for (auto _ : state) {
        cv::filter2D(src, dst, -1, kernel, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
        benchmark::DoNotOptimize(dst.data);
    }
}

void BM_BlurSeparable(benchmark::State& state, int radius, bool single) {
    ThreadScope threads(single);
    TBitmap32 picture = TestPhoto();
    cv::Mat src = AsMat(picture), dst;
    for (auto _ : state) {
        cv::GaussianBlur(src, dst, cv::Size(2 * radius + 1, 2 * radius + 1), radius);
        benchmark::DoNotOptimize(dst.data);
    }
}

void BM_PenInkOurs(benchmark::State& state, PenInkSettings settings, bool single) {
    ThreadScope threads(single);
    TBitmap32 picture;
    for (auto _ : state) {
        state.PauseTiming();
        picture.Assign(TestPhoto());
        state.ResumeTiming();
        PenInkBmp(picture, settings);
        benchmark::DoNotOptimize(picture.Bits());
    }
}

void BM_PenInkCanny(benchmark::State& state, double sigma, bool single) {
    ThreadScope threads(single);
    TBitmap32 picture = TestPhoto();
    cv::Mat src = AsMat(picture), gray, smooth, edges;
    for (auto _ : state) {
        cv::cvtColor(src, gray, cv::COLOR_BGRA2GRAY);
        cv::GaussianBlur(gray, smooth, cv::Size(0, 0), sigma);
        cv::Canny(smooth, edges, 20, 40, 3, true);
        benchmark::DoNotOptimize(edges.data);
    }
}

void Register() {
    for (bool single : {true, false}) {
        const std::string ours = single ? "/ours" : "/ours_mt";
        const std::string peer = single ? "/peer" : "/peer_mt";
        for (int radius : {1, 5, 10}) {
            const std::string g = "GaussianBlur_r" + std::to_string(radius);
            benchmark::RegisterBenchmark((g + ours).c_str(), BM_BlurOurs, radius, single)
                ->Unit(benchmark::kMillisecond)->UseRealTime();
            benchmark::RegisterBenchmark((g + peer).c_str(), BM_BlurFilter2D, radius, single)
                ->Unit(benchmark::kMillisecond)->UseRealTime();
        }
        const std::string s = "GaussianBlurVsSeparable_r5";
        benchmark::RegisterBenchmark((s + ours).c_str(), BM_BlurOurs, 5, single)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark((s + peer).c_str(), BM_BlurSeparable, 5, single)
            ->Unit(benchmark::kMillisecond)->UseRealTime();

        // Default sliders (sigma 0.3) and sigma 2 (TrackBar3 at 40).
        const PenInkSettings defaults = PenInkSettings::FromSliders(6, 10, 20);
        const PenInkSettings wide = PenInkSettings::FromSliders(40, 10, 20);
        benchmark::RegisterBenchmark(("PenInk_default" + ours).c_str(), BM_PenInkOurs, defaults, single)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark(("PenInk_default" + peer).c_str(), BM_PenInkCanny, defaults.sigma, single)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark(("PenInk_sigma2" + ours).c_str(), BM_PenInkOurs, wide, single)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark(("PenInk_sigma2" + peer).c_str(), BM_PenInkCanny, wide.sigma, single)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
    }
}

const int registered = (Register(), 0);

}  // namespace
}  // namespace brimlet::bench
