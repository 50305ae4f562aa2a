// Clear Spots: the median of nine by sorted columns. Each column of three is sorted once;
// the median of the nine is then the median of (largest column minimum, median of column
// medians, smallest column maximum), which equals the exchange sort's fifth value. All of
// it is byte min/max, so it vectorises over whole rows.
#include "cartoon/styles/InPlace3x3.h"
#include "cartoon/styles/LineRefinements.h"

#include <algorithm>
#include <vector>

namespace brimlet {

namespace {

inline std::uint8_t Min(std::uint8_t a, std::uint8_t b) { return a < b ? a : b; }
inline std::uint8_t Max(std::uint8_t a, std::uint8_t b) { return a < b ? b : a; }
inline std::uint8_t Median3(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    return Max(Min(a, b), Min(Max(a, b), c));
}

__attribute__((target_clones("avx2", "default")))
void MedianRow(const std::uint8_t* __restrict above, const std::uint8_t* __restrict row,
               const std::uint8_t* __restrict below, std::uint8_t* __restrict out,
               std::uint8_t* __restrict low, std::uint8_t* __restrict mid,
               std::uint8_t* __restrict high, int width) {
    const int bytes = 4 * width;
    for (int i = 0; i < bytes; ++i) {
        std::uint8_t a = above[i], b = row[i], c = below[i];
        std::uint8_t lo = Min(a, b), hi = Max(a, b);
        low[i] = Min(lo, c);
        high[i] = Max(hi, c);
        mid[i] = Max(lo, Min(hi, c));
    }
    for (int i = 4; i < bytes - 4; ++i) {
        std::uint8_t lo = Max(Max(low[i - 4], low[i]), low[i + 4]);
        std::uint8_t md = Median3(mid[i - 4], mid[i], mid[i + 4]);
        std::uint8_t hi = Min(Min(high[i - 4], high[i]), high[i + 4]);
        out[i] = Median3(lo, md, hi);
    }
    for (int x = 1; x < width - 1; ++x) out[4 * x + 3] = std::uint8_t(255 - out[4 * x]);
}

class MedianKernel {
public:
    explicit MedianKernel(int width) : width_(width), scratch_(3 * 4 * std::size_t(width)) {}
    void operator()(const std::uint8_t* above, const std::uint8_t* row, const std::uint8_t* below,
                    std::uint8_t* out) {
        const std::size_t n = 4 * std::size_t(width_);
        MedianRow(above, row, below, out, scratch_.data(), scratch_.data() + n,
                  scratch_.data() + 2 * n, width_);
    }

private:
    int width_;
    std::vector<std::uint8_t> scratch_;
};

}  // namespace

void ClearSpots(TBitmap32& picture, Progress& progress) {
    detail::Apply3x3InPlace<MedianKernel>(picture, progress);
}

}  // namespace brimlet
