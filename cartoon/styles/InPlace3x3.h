// In-place driver for the 3 x 3 refinements (smooth, the median of Clear Spots).
//
// The literal algorithm reads a whole-picture source copy and writes a whole-picture output
// copy. Here each worker keeps just the original rows it still needs: row y's result goes
// to a row buffer and is written back only after row y + 1 has been computed, and the rows
// on either side of a worker's range are copied before the workers start. The result is
// the same as with whole copies, without two extra pictures in memory.
#pragma once

#include "cartoon/styles/RowGroups.h"
#include "core/Image32.h"
#include "core/Parallel.h"
#include "core/Progress.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace brimlet::detail {

// Kernel: constructible from the picture width; operator()(above, row, below, out) writes
// the inner pixels (x = 1 .. width - 2) of out from the three original rows. out's first
// and last pixels already hold the original row's.
template <class Kernel>
void Apply3x3InPlace(TBitmap32& picture, Progress& progress) {
    const int width = picture.Width(), height = picture.Height();
    if (height < 3) {
        progress.SetPosition(0);
        return;
    }
    if (width < 3) {  // rows are walked but there is no inner column
        progress.Advance(height - 2);
        progress.SetPosition(0);
        return;
    }
    const std::size_t stride = picture.Stride();
    std::uint8_t* const bits = picture.Bits();
    auto row = [&](int y) { return bits + std::size_t(y) * stride; };

    // Rows [begin, end) in place; above = original row begin - 1, below = original row end.
    auto runRange = [&](int begin, int end, const std::uint8_t* above, const std::uint8_t* below) {
        Kernel kernel(width);
        std::vector<std::uint8_t> results(2 * stride);
        const std::uint8_t* up = above;
        for (int y = begin; y < end; ++y) {
            const std::uint8_t* down = y + 1 == end ? below : row(y + 1);
            std::uint8_t* out = results.data() + (y & 1) * stride;
            std::memcpy(out, row(y), 4);
            std::memcpy(out + stride - 4, row(y) + stride - 4, 4);
            kernel(up, row(y), down, out);
            if (y > begin) std::memcpy(row(y - 1), results.data() + ((y - 1) & 1) * stride, stride);
            up = row(y);  // still original: it is written back in the next iteration
        }
        std::memcpy(row(end - 1), results.data() + ((end - 1) & 1) * stride, stride);
    };

    const int parts = std::max(1, WorkerThreads());
    std::vector<int> bounds(parts + 1);
    // Per part: a copy of the original row above it and of the row below it.
    std::vector<std::uint8_t> edges(2 * std::size_t(parts) * stride);
    std::vector<std::uint8_t> carried(row(0), row(0) + stride), nextCarried(stride);
    for (int first = 1; first < height - 1;) {
        const int last = std::min(height - 1, first + kRowsPerGroup);
        int count = SplitRows(first, last, std::max(1, std::min(parts, (last - first) / 16)),
                              bounds.data());
        std::vector<const std::uint8_t*> aboveOf(count), belowOf(count);
        for (int k = 0; k < count; ++k) {
            std::uint8_t* aboveCopy = edges.data() + (2 * std::size_t(k)) * stride;
            std::uint8_t* belowCopy = aboveCopy + stride;
            if (k == 0) {
                aboveOf[k] = carried.data();
            } else {
                std::memcpy(aboveCopy, row(bounds[k] - 1), stride);
                aboveOf[k] = aboveCopy;
            }
            if (k == count - 1) {
                belowOf[k] = row(last);  // next group's first row or the bottom frame: untouched now
            } else {
                std::memcpy(belowCopy, row(bounds[k + 1]), stride);
                belowOf[k] = belowCopy;
            }
        }
        std::memcpy(nextCarried.data(), row(last - 1), stride);
        ParallelRows(
            count,
            [&](int k0, int k1) {
                for (int k = k0; k < k1; ++k) runRange(bounds[k], bounds[k + 1], aboveOf[k], belowOf[k]);
            },
            1);
        carried.swap(nextCarried);
        progress.Advance(last - first);
        first = last;
    }
    progress.SetPosition(0);
}

}  // namespace brimlet::detail
