// smooth: the 1 2 1 / 2 4 2 / 1 2 1 kernel is the outer product of 1 2 1 with itself, so a
// vertical pass into 16-bit column sums followed by a horizontal pass gives exactly the
// same integer sum (at most 16 x 255, so s div 16 never needs the clamp).
#include "cartoon/styles/InPlace3x3.h"
#include "cartoon/styles/LineRefinements.h"

#include <algorithm>

namespace brimlet {

namespace {

// Bytes per block: the column sums of a block stay in the first-level cache.
constexpr int kBlock = 1024;

// Bytes [begin, end) of a row (inner pixels only), then their alpha.
__attribute__((target_clones("avx2", "default")))
void SmoothBlock(const std::uint8_t* __restrict above, const std::uint8_t* __restrict row,
                 const std::uint8_t* __restrict below, std::uint8_t* __restrict out, int begin,
                 int end) {
    alignas(32) std::uint16_t columns[kBlock + 8];
    const int n = end - begin;
    above += begin - 4, row += begin - 4, below += begin - 4;
    for (int i = 0; i < n + 8; ++i) columns[i] = std::uint16_t(above[i] + 2 * row[i] + below[i]);
    std::uint8_t* o = out + begin;
    for (int i = 0; i < n; ++i)
        o[i] = std::uint8_t((columns[i] + 2 * columns[i + 4] + columns[i + 8]) >> 4);
    for (int i = 0; i < n; i += 4) o[i + 3] = std::uint8_t(255 - o[i]);
}

class SmoothKernel {
public:
    explicit SmoothKernel(int width) : width_(width) {}
    void operator()(const std::uint8_t* above, const std::uint8_t* row, const std::uint8_t* below,
                    std::uint8_t* out) {
        const int last = 4 * (width_ - 1);
        for (int begin = 4; begin < last; begin += kBlock)
            SmoothBlock(above, row, below, out, begin, std::min(last, begin + kBlock));
    }

private:
    int width_;
};

}  // namespace

void smooth(TBitmap32& picture, Progress& progress) {
    detail::Apply3x3InPlace<SmoothKernel>(picture, progress);
}

}  // namespace brimlet
