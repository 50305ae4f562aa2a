#include "cartoon/styles/RowGroups.h"

#include "core/Parallel.h"

#include <algorithm>
#include <cstdint>

namespace brimlet::detail {

int SplitRows(int begin, int end, int parts, int* bounds) {
    const int rows = end - begin;
    const int count = std::max(1, std::min(parts, rows));
    for (int k = 0; k <= count; ++k)
        bounds[k] = begin + int(std::int64_t(rows) * k / count);
    return count;
}

void ForRowGroups(int first, int last, Progress& progress,
                  const std::function<void(int begin, int end)>& body) {
    if (first >= last) return;
    ProgressRelay relay(progress);
    ParallelRows(
        last - first,
        [&](int b, int e) {
            for (int y = first + b; y < first + e; y += kRowsPerStep) {
                const int end = std::min(first + e, y + kRowsPerStep);
                body(y, end);
                relay.RowsDone(end - y);
            }
        },
        32);
    relay.Finish();
}

}  // namespace brimlet::detail
