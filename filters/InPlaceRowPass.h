// Runs a row kernel in place over a bitmap, threaded over rows, without a copy of the
// whole picture. The kernel for row y reads the original rows y - Radius .. y + Radius and
// writes one complete output row.
//
// Each band of rows keeps its output rows in a small ring and writes row y back only when
// no later row of the band reads it any more. The first and last Radius rows of a band are
// still read by the neighbouring bands, so they are held back until every band is done.
#pragma once

#include "core/Image32.h"
#include "core/Parallel.h"
#include "core/ProgressRelay.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

namespace brimlet {

// Kernel: void(const std::uint8_t* const* rows /* 2 * Radius + 1 rows, top first */,
//               std::uint8_t* out /* Stride() bytes, every one to be written */).
// Rows first .. last - 1 are replaced; rows first - Radius .. last - 1 + Radius must exist.
// Each computed row is counted on relay, when there is one; the caller calls its Finish.
template <int Radius, class Kernel>
void InPlaceRowPass(TBitmap32& bitmap, int first, int last, const Kernel& kernel,
                    ProgressRelay* relay = nullptr) {
    if (first >= last) return;
    const std::size_t stride = bitmap.Stride();
    std::uint8_t* const base = bitmap.Bits();
    std::mutex heldLock;
    std::vector<std::pair<int, std::vector<std::uint8_t>>> held;

    ParallelRows(
        last - first,
        [&](int begin, int end) {
            const int b = first + begin, e = first + end;
            std::vector<std::uint8_t> ring(std::size_t(Radius + 1) * stride);
            std::vector<std::pair<int, std::vector<std::uint8_t>>> mine;
            auto slot = [&](int y) { return ring.data() + std::size_t(y % (Radius + 1)) * stride; };
            auto finish = [&](int y) {
                const std::uint8_t* row = slot(y);
                if (y < b + Radius || y >= e - Radius)
                    mine.emplace_back(y, std::vector<std::uint8_t>(row, row + stride));
                else
                    std::memcpy(base + std::size_t(y) * stride, row, stride);
            };
            const std::uint8_t* rows[2 * Radius + 1];
            for (int y = b; y < e; ++y) {
                for (int k = 0; k <= 2 * Radius; ++k) rows[k] = base + std::size_t(y - Radius + k) * stride;
                kernel(rows, slot(y));
                if (relay) relay->RowsDone(1);
                if (y - Radius >= b) finish(y - Radius);
            }
            for (int y = std::max(b, e - Radius); y < e; ++y) finish(y);
            std::lock_guard<std::mutex> lock(heldLock);
            for (auto& row : mine) held.push_back(std::move(row));
        },
        32);

    for (const auto& [y, row] : held) std::memcpy(base + std::size_t(y) * stride, row.data(), stride);
}

}  // namespace brimlet
