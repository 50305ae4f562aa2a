// DrawOver against the memory floor: a memcpy of the same picture.
#include "bench/TestPhoto.h"
#include "core/Image32.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace brimlet::bench {
namespace {

// A line layer as the sketches leave it: ink with alpha 255, paper with alpha 0, a few greys.
TBitmap32 MakeLineLayer(const TBitmap32& photo) {
    TBitmap32 layer = photo;
    std::uint8_t* p = layer.Bits();
    for (std::size_t i = 0; i < layer.ByteCount(); i += 4) {
        std::uint8_t g = p[i + 1] > 150 ? 0 : (p[i + 1] > 140 ? 128 : 255);
        p[i] = p[i + 1] = p[i + 2] = std::uint8_t(255 - g);
        p[i + 3] = g;
    }
    return layer;
}

void BM_DrawOver(benchmark::State& state) {
    const TBitmap32& photo = TestPhoto();
    TBitmap32 layer = MakeLineLayer(photo);
    TBitmap32 target = photo;
    for (auto _ : state) {
        layer.DrawOver(0, 0, target);
        benchmark::DoNotOptimize(target.Bits());
    }
}
BENCHMARK(BM_DrawOver)->Name("DrawOver/ours")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Memcpy(benchmark::State& state) {
    const TBitmap32& photo = TestPhoto();
    TBitmap32 target = photo;
    for (auto _ : state) {
        std::memcpy(target.Bits(), photo.Bits(), photo.ByteCount());
        benchmark::DoNotOptimize(target.Bits());
    }
}
BENCHMARK(BM_Memcpy)->Name("DrawOver/peer")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace brimlet::bench
