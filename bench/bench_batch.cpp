// brimlet-batch's throughput on 20 generated 12 MP JPEG photos: photos per second for Pen
// Sketch and for Massing + Pen Sketch + "Dyeing && Sketch", one photo at a time (styles on
// one thread, and on all), and one photo per core. The counters give the share of the time
// spent decoding, in the styles and encoding. Run with --benchmark_filter=Batch.
#include "app/batch/BatchRunner.h"
#include "bench/TestPhoto.h"
#include "core/codecs/PictureFiles.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <iostream>
#include <thread>

namespace brimlet::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kPhotos = 20;

// Twenty different photos: the test photo shifted by a few pixels each time, so no two
// files are the same bytes.
const fs::path& PhotoFolder() {
    static const fs::path folder = [] {
        const fs::path dir = fs::temp_directory_path() / "brimlet-bench-batch";
        fs::remove_all(dir);
        fs::create_directories(dir / "in");
        const TBitmap32& photo = TestPhoto();
        TBitmap32 shifted(photo.Width(), photo.Height());
        for (int i = 0; i < kPhotos; ++i) {
            for (int y = 0; y < photo.Height(); ++y) {
                const int from = (y + 7 * i) % photo.Height();
                std::copy_n(photo.ScanLine(from), 4 * photo.Width(), shifted.ScanLine(y));
            }
            SaveJpeg(shifted, (dir / "in" / ("photo" + std::to_string(i) + ".jpg")).string());
        }
        return dir;
    }();
    return folder;
}

void RunRows(benchmark::State& state, std::vector<PanelButton> presses, bool dyeing) {
    batch::BatchOptions options;
    options.presses = std::move(presses);
    options.dyeingAndSketch = dyeing;
    options.inputs = {(PhotoFolder() / "in").string()};
    options.outputFolder = (PhotoFolder() / "out").string();
    options.overwrite = options.quiet = true;
    const int jobs = int(state.range(0));
    options.jobs = jobs > 0 ? jobs : int(std::max(1u, std::thread::hardware_concurrency()));
    options.styleThreads = state.range(1);
    batch::BatchReport total;
    for (auto _ : state) {
        const batch::BatchReport r = batch::RunBatch(options, std::cerr, false);
        if (r.written != kPhotos) state.SkipWithError("a photo failed");
        total.written += r.written;
        total.seconds += r.seconds;
        total.decodeSeconds += r.decodeSeconds;
        total.styleSeconds += r.styleSeconds;
        total.encodeSeconds += r.encodeSeconds;
    }
    const double work = total.decodeSeconds + total.styleSeconds + total.encodeSeconds;
    state.counters["photos_per_s"] = total.written / total.seconds;
    state.counters["decode_share"] = total.decodeSeconds / work;
    state.counters["style_share"] = total.styleSeconds / work;
    state.counters["encode_share"] = total.encodeSeconds / work;
}

void BM_BatchPenSketch(benchmark::State& state) { RunRows(state, {PanelButton::PenSketch}, false); }
void BM_BatchCartoon(benchmark::State& state) {
    RunRows(state, {PanelButton::Massing, PanelButton::PenSketch}, true);
}

// Arguments: jobs (0 = one per core), threads per style (0 = shared out).
#define BATCH_ROWS(fn, name)                                                               \
    BENCHMARK(fn)->Name(name)->ArgNames({"jobs", "style_threads"})                         \
        ->Args({1, 1})->Args({1, 0})->Args({0, 0})                                         \
        ->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true)                        \
        ->Unit(benchmark::kSecond)->UseRealTime()
BATCH_ROWS(BM_BatchPenSketch, "Batch/PenSketch");
BATCH_ROWS(BM_BatchCartoon, "Batch/MassingPenSketchDyeing");

}  // namespace
}  // namespace brimlet::bench
