// smooth: the 1 2 1 / 2 4 2 / 1 2 1 kernel is the outer product of 1 2 1 with itself, so a
// vertical pass into 16-bit column sums followed by a horizontal pass gives exactly the
// same integer sum (at most 16 x 255, so s div 16 never needs the clamp).
#include "cartoon/styles/InPlace3x3.h"
#include "cartoon/styles/LineRefinements.h"

namespace brimlet {

namespace {

// Bytes per block: a block's column sums stay in the first-level cache.
constexpr int kBlock = 1024;

struct ColumnSums {
    alignas(32) std::uint16_t sums[kBlock + 8];
};

// Column sums of bytes [begin - 4, end + 4); copies the middle row's bytes aside.
// The copy aside stays in the loop rather than becoming a separate memcpy pass.
BRIMLET_COLUMN_KERNEL
void SumColumns(const std::uint8_t* __restrict above, const std::uint8_t* __restrict row,
                const std::uint8_t* __restrict below, std::uint8_t* __restrict original,
                ColumnSums* __restrict out, int begin, int end) {
    const int n = end - begin + 8;
    above += begin - 4, row += begin - 4, below += begin - 4, original += begin - 4;
    for (int i = 0; i < n; ++i) {
        original[i] = row[i];
        out->sums[i] = std::uint16_t(above[i] + 2 * row[i] + below[i]);
    }
}

// Column sums of two rows at once (they share rows 0 and 1); copies row 1 aside.
// The copy aside stays in the loop rather than becoming a separate memcpy pass.
BRIMLET_COLUMN_KERNEL
void SumColumnPairs(const std::uint8_t* __restrict above, const std::uint8_t* __restrict row0,
                    const std::uint8_t* __restrict row1, const std::uint8_t* __restrict below,
                    std::uint8_t* __restrict original, ColumnSums* __restrict out0,
                    ColumnSums* __restrict out1, int begin, int end) {
    const int n = end - begin + 8;
    above += begin - 4, row0 += begin - 4, row1 += begin - 4, below += begin - 4;
    original += begin - 4;
    for (int i = 0; i < n; ++i) {
        original[i] = row1[i];
        const int shared = row0[i] + row1[i];
        out0->sums[i] = std::uint16_t(above[i] + row0[i] + shared);
        out1->sums[i] = std::uint16_t(shared + row1[i] + below[i]);
    }
}

// Bytes [begin, end) from the column sums, then the alpha of those pixels.
__attribute__((target_clones("avx2", "default")))
void SumRows(const ColumnSums* __restrict in, std::uint8_t* __restrict row, int begin, int end) {
    const int n = end - begin;
    std::uint8_t* o = row + begin;
    const std::uint16_t* c = in->sums;
    for (int i = 0; i < n; ++i) o[i] = std::uint8_t((c[i] + 2 * c[i + 4] + c[i + 8]) >> 4);
    detail::InkAlphaFromBlue(o, n / 4);
}

class SmoothKernel {
public:
    explicit SmoothKernel(int width) : width_(width) {}
    void Single(const std::uint8_t* above, std::uint8_t* row, const std::uint8_t* below,
                std::uint8_t* original) {
        detail::PipelineBlocks(
            width_, kBlock,
            [&](int begin, int end, int slot) {
                SumColumns(above, row, below, original, &sums_[slot][0], begin, end);
            },
            [&](int begin, int end, int slot) { SumRows(&sums_[slot][0], row, begin, end); });
    }
    void Pair(const std::uint8_t* above, std::uint8_t* row0, std::uint8_t* row1,
              const std::uint8_t* below, std::uint8_t* original) {
        detail::PipelineBlocks(
            width_, kBlock,
            [&](int begin, int end, int slot) {
                SumColumnPairs(above, row0, row1, below, original, &sums_[slot][0], &sums_[slot][1],
                               begin, end);
            },
            [&](int begin, int end, int slot) {
                SumRows(&sums_[slot][0], row0, begin, end);
                SumRows(&sums_[slot][1], row1, begin, end);
            });
    }

private:
    int width_;
    ColumnSums sums_[2][2];  // [pipeline slot][row of the pair]
};

}  // namespace

void smooth(TBitmap32& picture, Progress& progress) {
    detail::Apply3x3InPlace<SmoothKernel>(picture, progress);
}

}  // namespace brimlet
