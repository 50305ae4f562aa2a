// Edge filters, tone curve and two-value cut against OpenCV on the 12 MP test photo.
// Single-threaded rows ("ours", "peer") are the ratios that count; "_mt" rows use all threads.
#include "bench/TestPhoto.h"
#include "bench/ThreadScope.h"
#include "core/Parallel.h"
#include "filters/EdgeFilters.h"
#include "filters/GrayValue.h"
#include "filters/ToneFilters.h"

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstring>
#include <functional>

namespace brimlet::bench {
namespace {

// The gray picture the Pencil Sketch style hands to the tone curve: picsobel, then gray.
const TBitmap32& PencilInput() {
    static const TBitmap32 gray = [] {
        TBitmap32 bmp = TestPhoto();
        NoProgress none;
        picsobel(bmp, none);
        for (std::size_t i = 0; i < bmp.ByteCount(); i += 4) {
            std::uint8_t* p = bmp.Bits() + i;
            const std::uint8_t v = GrayValue(p[kR], p[kG], p[kB]);
            p[kB] = p[kG] = p[kR] = v;
            p[kA] = std::uint8_t(255 - v);
        }
        return bmp;
    }();
    return gray;
}

// The gray picture the Pen Sketch style hands to the two-value cut.
const TBitmap32& PenInput() {
    static const TBitmap32 gray = [] {
        TBitmap32 bmp = TestPhoto();
        NoProgress none;
        laplaciangause(bmp, none);
        return bmp;
    }();
    return gray;
}

// In-place filters: the fresh copy of the photo is made outside the timing.
void RunInPlace(benchmark::State& state, bool single, void (*filter)(TBitmap32&, Progress&)) {
    ThreadScope threads(single);
    const TBitmap32& photo = TestPhoto();
    TBitmap32 buffer = photo;
    NoProgress none;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(buffer.Bits(), photo.Bits(), photo.ByteCount());
        state.ResumeTiming();
        filter(buffer, none);
        benchmark::DoNotOptimize(buffer.Bits());
    }
}

void LaplacianOurs(benchmark::State& s) { RunInPlace(s, true, laplaciangause); }
void LaplacianOursMt(benchmark::State& s) { RunInPlace(s, false, laplaciangause); }
void SobelOurs(benchmark::State& s) { RunInPlace(s, true, picsobel); }
void SobelOursMt(benchmark::State& s) { RunInPlace(s, false, picsobel); }

void LaplacianPeer(benchmark::State& state, bool single) {
    ThreadScope threads(single);
    const cv::Mat src = AsMat(TestPhoto());
    const float weights[25] = {-2, -4, -4, -4, -2, -4, 0, 8, 0, -4, -4, 8, 24, 8, -4,
                               -4, 0, 8, 0, -4, -2, -4, -4, -4, -2};
    const cv::Mat kernel(5, 5, CV_32F, const_cast<float*>(weights));
    cv::Mat filtered(src.size(), CV_8UC4), gray(src.size(), CV_8UC1);
    for (auto _ : state) {
        cv::filter2D(src, filtered, -1, kernel);
        cv::cvtColor(filtered, gray, cv::COLOR_BGRA2GRAY);
        benchmark::DoNotOptimize(gray.data);
    }
}
void LaplacianPeerSt(benchmark::State& s) { LaplacianPeer(s, true); }
void LaplacianPeerMt(benchmark::State& s) { LaplacianPeer(s, false); }

void SobelPeer(benchmark::State& state, bool single) {
    ThreadScope threads(single);
    const cv::Mat src = AsMat(TestPhoto());
    const float h1[9] = {-1, 0, 1, -2, 0, 2, -1, 0, 1};
    const float v[9] = {-1, -1, -1, 0, 0, 0, 1, 1, 1};
    const float h2[9] = {1, 0, -1, 1, 0, -1, 1, 0, -1};
    const cv::Mat k1(3, 3, CV_32F, const_cast<float*>(h1)), k2(3, 3, CV_32F, const_cast<float*>(v)),
        k3(3, 3, CV_32F, const_cast<float*>(h2));
    cv::Mat a(src.size(), CV_8UC4), b(src.size(), CV_8UC4), c(src.size(), CV_8UC4);
    for (auto _ : state) {
        cv::filter2D(src, a, -1, k1);
        cv::filter2D(src, b, -1, k2);
        cv::filter2D(src, c, -1, k3);
        benchmark::DoNotOptimize(c.data);
    }
}
void SobelPeerSt(benchmark::State& s) { SobelPeer(s, true); }
void SobelPeerMt(benchmark::State& s) { SobelPeer(s, false); }

void ToneOurs(benchmark::State& state, bool single, const TBitmap32& input) {
    ThreadScope threads(single);
    TBitmap32 output = input;
    NoProgress none;
    for (auto _ : state) {
        convertimg1(67, input, output, none);
        benchmark::DoNotOptimize(output.Bits());
    }
}
void TonePeer(benchmark::State& state, bool single, const TBitmap32& input) {
    ThreadScope threads(single);
    const cv::Mat src = AsMat(input);
    cv::Mat bgr(src.size(), CV_8UC3), hls(src.size(), CV_8UC3), back(src.size(), CV_8UC3),
        out(src.size(), CV_8UC4);
    for (auto _ : state) {
        cv::cvtColor(src, bgr, cv::COLOR_BGRA2BGR);
        cv::cvtColor(bgr, hls, cv::COLOR_BGR2HLS);
        cv::cvtColor(hls, back, cv::COLOR_HLS2BGR);
        cv::cvtColor(back, out, cv::COLOR_BGR2BGRA);
        benchmark::DoNotOptimize(out.data);
    }
}
void ToneOursGray(benchmark::State& s) { ToneOurs(s, true, PencilInput()); }
void ToneOursGrayMt(benchmark::State& s) { ToneOurs(s, false, PencilInput()); }
void TonePeerGray(benchmark::State& s) { TonePeer(s, true, PencilInput()); }
void TonePeerGrayMt(benchmark::State& s) { TonePeer(s, false, PencilInput()); }
void ToneOursColour(benchmark::State& s) { ToneOurs(s, true, TestPhoto()); }
void ToneOursColourMt(benchmark::State& s) { ToneOurs(s, false, TestPhoto()); }
void TonePeerColour(benchmark::State& s) { TonePeer(s, true, TestPhoto()); }
void TonePeerColourMt(benchmark::State& s) { TonePeer(s, false, TestPhoto()); }

void CutOurs(benchmark::State& state, bool single) {
    ThreadScope threads(single);
    const TBitmap32& input = PenInput();
    TBitmap32 output = input;
    for (auto _ : state) {
        twovaluetopen(125, input, output);
        benchmark::DoNotOptimize(output.Bits());
    }
}
void CutOursSt(benchmark::State& s) { CutOurs(s, true); }
void CutOursMt(benchmark::State& s) { CutOurs(s, false); }

void CutPeer(benchmark::State& state) {
    const TBitmap32& input = PenInput();
    TBitmap32 output = input;
    for (auto _ : state) {
        std::memcpy(output.Bits(), input.Bits(), input.ByteCount());
        benchmark::DoNotOptimize(output.Bits());
    }
}

#define BRIMLET_BENCH_ROW(fn, name) BENCHMARK(fn)->Name(name)->Unit(benchmark::kMillisecond)->UseRealTime()

BRIMLET_BENCH_ROW(LaplacianOurs, "LaplacianGauss/ours");
BRIMLET_BENCH_ROW(LaplacianPeerSt, "LaplacianGauss/peer");
BRIMLET_BENCH_ROW(LaplacianOursMt, "LaplacianGauss/ours_mt");
BRIMLET_BENCH_ROW(LaplacianPeerMt, "LaplacianGauss/peer_mt");
BRIMLET_BENCH_ROW(SobelOurs, "PicSobel/ours");
BRIMLET_BENCH_ROW(SobelPeerSt, "PicSobel/peer");
BRIMLET_BENCH_ROW(SobelOursMt, "PicSobel/ours_mt");
BRIMLET_BENCH_ROW(SobelPeerMt, "PicSobel/peer_mt");
BRIMLET_BENCH_ROW(ToneOursGray, "Convertimg1/ours");
BRIMLET_BENCH_ROW(TonePeerGray, "Convertimg1/peer");
BRIMLET_BENCH_ROW(ToneOursGrayMt, "Convertimg1/ours_mt");
BRIMLET_BENCH_ROW(TonePeerGrayMt, "Convertimg1/peer_mt");
BRIMLET_BENCH_ROW(ToneOursColour, "Convertimg1Colour/ours");
BRIMLET_BENCH_ROW(TonePeerColour, "Convertimg1Colour/peer");
BRIMLET_BENCH_ROW(ToneOursColourMt, "Convertimg1Colour/ours_mt");
BRIMLET_BENCH_ROW(TonePeerColourMt, "Convertimg1Colour/peer_mt");
BRIMLET_BENCH_ROW(CutOursSt, "TwoValueToPen/ours");
BRIMLET_BENCH_ROW(CutPeer, "TwoValueToPen/peer");
BRIMLET_BENCH_ROW(CutOursMt, "TwoValueToPen/ours_mt");
BRIMLET_BENCH_ROW(CutPeer, "TwoValueToPen/peer_mt");

}  // namespace
}  // namespace brimlet::bench
