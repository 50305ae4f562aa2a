// In-place driver for the 3 x 3 refinements (smooth, the median of Clear Spots).
//
// The literal algorithm reads a whole-picture source copy and writes a whole-picture output
// copy. Here each worker keeps just the original rows it still needs: the kernel copies the
// original of the last row it overwrites, for the next rows to read as their upper
// neighbour, and the rows on either side of a worker's range are copied before the workers
// start. Rows go in pairs: both windows hold the pair's two rows, so their columns are
// combined once.
#pragma once

#include "cartoon/styles/RowGroups.h"
#include "core/Image32.h"
#include "core/Parallel.h"
#include "core/Progress.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

// The column kernels keep their copy of the middle row inside the loop: GCC would split it
// out into a separate memcpy pass. Clang has no such per-function switch.
#if defined(__clang__)
#define BRIMLET_COLUMN_KERNEL __attribute__((target_clones("avx2", "default")))
#else
#define BRIMLET_COLUMN_KERNEL \
    __attribute__((target_clones("avx2", "default"), optimize("no-tree-loop-distribute-patterns")))
#endif

namespace brimlet::detail {

// Kernel: constructible from the picture width, with
//   Single(above, row, below, original): overwrites the inner pixels (x = 1 .. width - 2) of
//     row in place from the original rows above, row and below, and leaves a copy of row's
//     original bytes (all of them) in original;
//   Pair(above, row0, row1, below, original): the same for two consecutive rows, sharing the
//     work on their common rows; original receives row1's original bytes.
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

    // Rows [begin, end) in place, two at a time where it can; above = original row begin - 1,
    // below = original row end.
    ProgressRelay relay(progress);
    auto runRange = [&](int begin, int end, const std::uint8_t* above, const std::uint8_t* below) {
        Kernel kernel(width);
        std::vector<std::uint8_t> originals(2 * stride);
        const std::uint8_t* up = above;
        int y = begin, slot = 0;
        for (; y + 1 < end; y += 2, slot ^= 1) {
            std::uint8_t* original = originals.data() + slot * stride;
            kernel.Pair(up, row(y), row(y + 1), y + 2 == end ? below : row(y + 2), original);
            up = original;
            relay.RowsDone(2);
        }
        if (y < end) {
            kernel.Single(up, row(y), below, originals.data() + slot * stride);
            relay.RowsDone(1);
        }
    };

    // One range per worker. The frame rows are never written, so the outer ranges read them
    // in place; between ranges, copies of the rows on either side of each cut.
    std::vector<int> bounds(std::max(1, WorkerThreads()) + 1);
    const int count = SplitRows(1, height - 1, std::max(1, std::min(WorkerThreads(), (height - 2) / 16)),
                                bounds.data());
    std::vector<std::uint8_t> edges(2 * std::size_t(count) * stride);
    std::vector<const std::uint8_t*> aboveOf(count), belowOf(count);
    for (int k = 0; k < count; ++k) {
        std::uint8_t* aboveCopy = edges.data() + (2 * std::size_t(k)) * stride;
        std::uint8_t* belowCopy = aboveCopy + stride;
        if (k == 0) {
            aboveOf[k] = row(0);
        } else {
            std::memcpy(aboveCopy, row(bounds[k] - 1), stride);
            aboveOf[k] = aboveCopy;
        }
        if (k == count - 1) {
            belowOf[k] = row(height - 1);
        } else {
            std::memcpy(belowCopy, row(bounds[k + 1]), stride);
            belowOf[k] = belowCopy;
        }
    }
    ParallelRows(
        count,
        [&](int k0, int k1) {
            for (int k = k0; k < k1; ++k) runRange(bounds[k], bounds[k + 1], aboveOf[k], belowOf[k]);
        },
        1);
    relay.Finish();
    progress.SetPosition(0);
}

// Walks the inner bytes [4, 4 * (width - 1)) of a row in blocks of at most blockBytes
// (a multiple of 4). Each block's column pass reads the block and 4 bytes on either side;
// its row pass writes the block. The column pass of block k + 1 runs before the row pass
// of block k, so every column pass still reads original bytes of the row being written.
template <class Columns, class Rows>
void PipelineBlocks(int width, int blockBytes, Columns columns, Rows rows) {
    const int last = 4 * (width - 1);
    int begin = 4, end = std::min(last, begin + blockBytes), slot = 0;
    columns(begin, end, slot);
    while (begin < last) {
        const int nextBegin = end, nextEnd = std::min(last, end + blockBytes);
        if (nextBegin < last) columns(nextBegin, nextEnd, slot ^ 1);
        rows(begin, end, slot);
        begin = nextBegin, end = nextEnd, slot ^= 1;
    }
}

// A = 255 - B for count pixels (32-bit lanes, so it vectorises).
inline void InkAlphaFromBlue(std::uint8_t* p, int count) {
    for (int x = 0; x < count; ++x) {
        std::uint32_t v;
        std::memcpy(&v, p + 4 * x, 4);
        v = (v & 0x00FFFFFFu) | (~(v << 24) & 0xFF000000u);
        std::memcpy(p + 4 * x, &v, 4);
    }
}

}  // namespace brimlet::detail
