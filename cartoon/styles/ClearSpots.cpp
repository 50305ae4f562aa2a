// Clear Spots: the median of nine by sorted columns. Each column of three is sorted once;
// the median of the nine is then the median of (largest column minimum, median of column
// medians, smallest column maximum), which equals the exchange sort's fifth value. All of
// it is byte min/max, so it vectorises over whole rows.
#include "cartoon/styles/InPlace3x3.h"
#include "cartoon/styles/LineRefinements.h"

namespace brimlet {

namespace {

inline std::uint8_t Min(std::uint8_t a, std::uint8_t b) { return a < b ? a : b; }
inline std::uint8_t Max(std::uint8_t a, std::uint8_t b) { return a < b ? b : a; }
inline std::uint8_t Median3(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    return Max(Min(a, b), Min(Max(a, b), c));
}

// Bytes per block: a block's sorted columns stay in the first-level cache until the
// medians read them.
constexpr int kBlock = 1024;

struct SortedColumns {
    alignas(32) std::uint8_t low[kBlock + 8], mid[kBlock + 8], high[kBlock + 8];
};

// Sorts the columns of bytes [begin - 4, end + 4) and copies the middle row's bytes aside.
// The copy aside stays in the loop rather than becoming a separate memcpy pass.
BRIMLET_COLUMN_KERNEL
void SortColumns(const std::uint8_t* __restrict above, const std::uint8_t* __restrict row,
                 const std::uint8_t* __restrict below, std::uint8_t* __restrict original,
                 SortedColumns* __restrict out, int begin, int end) {
    const int n = end - begin + 8;
    above += begin - 4, row += begin - 4, below += begin - 4, original += begin - 4;
    for (int i = 0; i < n; ++i) {
        std::uint8_t a = above[i], b = row[i], c = below[i];
        original[i] = b;
        std::uint8_t lo = Min(a, b), hi = Max(a, b);
        out->low[i] = Min(lo, c);
        out->high[i] = Max(hi, c);
        out->mid[i] = Max(lo, Min(hi, c));
    }
}

// The columns of two rows at once: rows 0 and 1 are sorted as a pair, then the row above
// completes the columns of row 0 and the row below those of row 1. Copies row 1 aside.
// The copy aside stays in the loop rather than becoming a separate memcpy pass.
BRIMLET_COLUMN_KERNEL
void SortColumnPairs(const std::uint8_t* __restrict above, const std::uint8_t* __restrict row0,
                     const std::uint8_t* __restrict row1, const std::uint8_t* __restrict below,
                     std::uint8_t* __restrict original, SortedColumns* __restrict out0,
                     SortedColumns* __restrict out1, int begin, int end) {
    const int n = end - begin + 8;
    above += begin - 4, row0 += begin - 4, row1 += begin - 4, below += begin - 4;
    original += begin - 4;
    for (int i = 0; i < n; ++i) {
        std::uint8_t a = above[i], b = row0[i], c = row1[i], d = below[i];
        original[i] = c;
        std::uint8_t lo = Min(b, c), hi = Max(b, c);
        out0->low[i] = Min(lo, a);
        out0->high[i] = Max(hi, a);
        out0->mid[i] = Max(lo, Min(hi, a));
        out1->low[i] = Min(lo, d);
        out1->high[i] = Max(hi, d);
        out1->mid[i] = Max(lo, Min(hi, d));
    }
}

// Medians of bytes [begin, end), then the alpha of those pixels.
__attribute__((target_clones("avx2", "default")))
void Medians(const SortedColumns* __restrict in, std::uint8_t* __restrict row, int begin, int end) {
    const int n = end - begin;
    std::uint8_t* o = row + begin;
    const std::uint8_t *low = in->low, *mid = in->mid, *high = in->high;
    for (int i = 0; i < n; ++i) {
        std::uint8_t lo = Max(Max(low[i], low[i + 4]), low[i + 8]);
        std::uint8_t md = Median3(mid[i], mid[i + 4], mid[i + 8]);
        std::uint8_t hi = Min(Min(high[i], high[i + 4]), high[i + 8]);
        o[i] = Median3(lo, md, hi);
    }
    detail::InkAlphaFromBlue(o, n / 4);
}

class MedianKernel {
public:
    explicit MedianKernel(int width) : width_(width) {}
    void Single(const std::uint8_t* above, std::uint8_t* row, const std::uint8_t* below,
                std::uint8_t* original) {
        detail::PipelineBlocks(
            width_, kBlock,
            [&](int begin, int end, int slot) {
                SortColumns(above, row, below, original, &columns_[slot][0], begin, end);
            },
            [&](int begin, int end, int slot) { Medians(&columns_[slot][0], row, begin, end); });
    }
    void Pair(const std::uint8_t* above, std::uint8_t* row0, std::uint8_t* row1,
              const std::uint8_t* below, std::uint8_t* original) {
        detail::PipelineBlocks(
            width_, kBlock,
            [&](int begin, int end, int slot) {
                SortColumnPairs(above, row0, row1, below, original, &columns_[slot][0],
                                &columns_[slot][1], begin, end);
            },
            [&](int begin, int end, int slot) {
                Medians(&columns_[slot][0], row0, begin, end);
                Medians(&columns_[slot][1], row1, begin, end);
            });
    }

private:
    int width_;
    SortedColumns columns_[2][2];  // [pipeline slot][row of the pair]
};

}  // namespace

void ClearSpots(TBitmap32& picture, Progress& progress) {
    detail::Apply3x3InPlace<MedianKernel>(picture, progress);
}

}  // namespace brimlet
