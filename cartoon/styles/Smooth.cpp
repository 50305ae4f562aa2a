// smooth: the 1 2 1 / 2 4 2 / 1 2 1 kernel is the outer product of 1 2 1 with itself, so a
// vertical pass into 16-bit column sums followed by a horizontal pass gives exactly the
// same integer sum (at most 16 x 255, so s div 16 never needs the clamp).
#include "cartoon/styles/InPlace3x3.h"
#include "cartoon/styles/LineRefinements.h"

#include <vector>

namespace brimlet {

namespace {

__attribute__((target_clones("avx2", "default")))
void SmoothRow(const std::uint8_t* __restrict above, const std::uint8_t* __restrict row,
               const std::uint8_t* __restrict below, std::uint8_t* __restrict out,
               std::uint16_t* __restrict columns, int width) {
    const int bytes = 4 * width;
    for (int i = 0; i < bytes; ++i)
        columns[i] = std::uint16_t(above[i] + 2 * row[i] + below[i]);
    for (int x = 1; x < width - 1; ++x) {
        const std::uint16_t* c = columns + 4 * x;
        std::uint8_t* o = out + 4 * x;
        const std::uint8_t b = std::uint8_t((c[-4] + 2 * c[0] + c[4]) >> 4);
        o[0] = b;
        o[1] = std::uint8_t((c[-3] + 2 * c[1] + c[5]) >> 4);
        o[2] = std::uint8_t((c[-2] + 2 * c[2] + c[6]) >> 4);
        o[3] = std::uint8_t(255 - b);
    }
}

class SmoothKernel {
public:
    explicit SmoothKernel(int width) : width_(width), columns_(4 * std::size_t(width)) {}
    void operator()(const std::uint8_t* above, const std::uint8_t* row, const std::uint8_t* below,
                    std::uint8_t* out) {
        SmoothRow(above, row, below, out, columns_.data(), width_);
    }

private:
    int width_;
    std::vector<std::uint16_t> columns_;
};

}  // namespace

void smooth(TBitmap32& picture, Progress& progress) {
    detail::Apply3x3InPlace<SmoothKernel>(picture, progress);
}

}  // namespace brimlet
