// JPEG loading and saving against OpenCV's imdecode / imencode on the 12 MP test photo.
// Both sides decode the same bytes (encoded once at quality 90); the peer's load includes
// the BGR -> BGRA conversion that gives it our pixel format. Both codecs are single-threaded.
#include "bench/TestPhoto.h"
#include "bench/ThreadScope.h"
#include "core/Parallel.h"
#include "core/codecs/PictureFiles.h"

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <vector>

namespace brimlet::bench {
namespace {

const std::vector<std::uint8_t>& PhotoJpeg() {
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> out;
        cv::imencode(".jpg", AsMat(TestPhoto()), out, {cv::IMWRITE_JPEG_QUALITY, 90});
        return out;
    }();
    return bytes;
}

void BM_JpegLoadOurs(benchmark::State& state) {
    const std::vector<std::uint8_t>& bytes = PhotoJpeg();
    ThreadScope single;
    for (auto _ : state) {
        TBitmap32 picture = DecodePicture(".JPG", bytes);
        benchmark::DoNotOptimize(picture.Bits());
    }
}
BENCHMARK(BM_JpegLoadOurs)->Name("JpegLoad/ours")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_JpegLoadPeer(benchmark::State& state) {
    const std::vector<std::uint8_t>& bytes = PhotoJpeg();
    ThreadScope single;
    for (auto _ : state) {
        cv::Mat bgr = cv::imdecode(bytes, cv::IMREAD_COLOR), bgra;
        cv::cvtColor(bgr, bgra, cv::COLOR_BGR2BGRA);
        benchmark::DoNotOptimize(bgra.data);
    }
}
BENCHMARK(BM_JpegLoadPeer)->Name("JpegLoad/peer")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_JpegSaveOurs(benchmark::State& state) {
    const TBitmap32& photo = TestPhoto();
    ThreadScope single;
    for (auto _ : state) {
        std::vector<std::uint8_t> bytes = EncodeJpeg(photo, 90);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_JpegSaveOurs)->Name("JpegSave/ours")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_JpegSavePeer(benchmark::State& state) {
    const cv::Mat photo = AsMat(TestPhoto());
    ThreadScope single;
    for (auto _ : state) {
        std::vector<std::uint8_t> bytes;
        cv::imencode(".jpg", photo, bytes, {cv::IMWRITE_JPEG_QUALITY, 90});
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_JpegSavePeer)->Name("JpegSave/peer")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace brimlet::bench
