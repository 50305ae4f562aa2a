// JPEG loading and saving against OpenCV's imdecode / imencode on the 12 MP test photo.
// Both sides decode the same bytes (encoded once at quality 90); the peer's load includes
// the BGR -> BGRA conversion that gives it our pixel format. Both codecs are single-threaded.
// JpegLoad/floor is libjpeg-turbo alone, decoding the same bytes into one reused BGRX buffer
// with the settings ours uses: what is left of ours above it is our own work per load.
#include "bench/TestPhoto.h"
#include "bench/ThreadScope.h"
#include "core/Parallel.h"
#include "core/codecs/PictureFiles.h"

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <jpeglib.h>

#include <algorithm>
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

void BM_JpegLoadFloor(benchmark::State& state) {
    const std::vector<std::uint8_t>& bytes = PhotoJpeg();
    std::vector<std::uint8_t> bgrx;
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);  // the test photo is whole: an error would exit
    jpeg_create_decompress(&cinfo);
    for (auto _ : state) {
        jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_EXT_BGRX;
        cinfo.do_block_smoothing = TRUE;
        cinfo.dct_method = JDCT_ISLOW;
        jpeg_start_decompress(&cinfo);
        const std::size_t stride = std::size_t(cinfo.output_width) * 4;
        bgrx.resize(stride * cinfo.output_height);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW rows[16];
            const int n = int(std::min<JDIMENSION>(16, cinfo.output_height - cinfo.output_scanline));
            for (int i = 0; i < n; ++i) rows[i] = bgrx.data() + (cinfo.output_scanline + i) * stride;
            jpeg_read_scanlines(&cinfo, rows, JDIMENSION(n));
        }
        jpeg_finish_decompress(&cinfo);
        benchmark::DoNotOptimize(bgrx.data());
    }
    jpeg_destroy_decompress(&cinfo);
}
BENCHMARK(BM_JpegLoadFloor)->Name("JpegLoad/floor")->Unit(benchmark::kMillisecond)->UseRealTime();

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
