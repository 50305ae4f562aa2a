// Clear Spots: the median of nine by sorted columns. Each column of three is sorted once;
// the median of the nine is then the median of (largest column minimum, median of column
// medians, smallest column maximum), which equals the exchange sort's fifth value. All of
// it is byte min/max, so it vectorises over whole rows.
#include "cartoon/styles/InPlace3x3.h"
#include "cartoon/styles/LineRefinements.h"

#include <algorithm>

namespace brimlet {

namespace {

inline std::uint8_t Min(std::uint8_t a, std::uint8_t b) { return a < b ? a : b; }
inline std::uint8_t Max(std::uint8_t a, std::uint8_t b) { return a < b ? b : a; }
inline std::uint8_t Median3(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    return Max(Min(a, b), Min(Max(a, b), c));
}

// Bytes per block: the column sorts of a block stay in the first-level cache until the
// medians read them.
constexpr int kBlock = 1024;

// Medians of bytes [begin, end) of a row (inner pixels only), then their alpha.
__attribute__((target_clones("avx2", "default")))
void MedianBlock(const std::uint8_t* __restrict above, const std::uint8_t* __restrict row,
                 const std::uint8_t* __restrict below, std::uint8_t* __restrict out, int begin,
                 int end) {
    alignas(32) std::uint8_t low[kBlock + 8], mid[kBlock + 8], high[kBlock + 8];
    const int n = end - begin;
    above += begin - 4, row += begin - 4, below += begin - 4;
    for (int i = 0; i < n + 8; ++i) {
        std::uint8_t a = above[i], b = row[i], c = below[i];
        std::uint8_t lo = Min(a, b), hi = Max(a, b);
        low[i] = Min(lo, c);
        high[i] = Max(hi, c);
        mid[i] = Max(lo, Min(hi, c));
    }
    std::uint8_t* o = out + begin;
    for (int i = 0; i < n; ++i) {
        std::uint8_t lo = Max(Max(low[i], low[i + 4]), low[i + 8]);
        std::uint8_t md = Median3(mid[i], mid[i + 4], mid[i + 8]);
        std::uint8_t hi = Min(Min(high[i], high[i + 4]), high[i + 8]);
        o[i] = Median3(lo, md, hi);
    }
    for (int i = 0; i < n; i += 4) o[i + 3] = std::uint8_t(255 - o[i]);
}

void MedianRow(const std::uint8_t* above, const std::uint8_t* row, const std::uint8_t* below,
               std::uint8_t* out, int width) {
    const int last = 4 * (width - 1);
    for (int begin = 4; begin < last; begin += kBlock)
        MedianBlock(above, row, below, out, begin, std::min(last, begin + kBlock));
}

class MedianKernel {
public:
    explicit MedianKernel(int width) : width_(width) {}
    void operator()(const std::uint8_t* above, const std::uint8_t* row, const std::uint8_t* below,
                    std::uint8_t* out) {
        MedianRow(above, row, below, out, width_);
    }

private:
    int width_;
};

}  // namespace

void ClearSpots(TBitmap32& picture, Progress& progress) {
    detail::Apply3x3InPlace<MedianKernel>(picture, progress);
}

}  // namespace brimlet
