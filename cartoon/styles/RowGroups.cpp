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
    for (int begin = first; begin < last;) {
        const int end = std::min(last, begin + kRowsPerGroup);
        ParallelRows(end - begin, [&](int b, int e) { body(begin + b, begin + e); }, 32);
        progress.Advance(end - begin);
        begin = end;
    }
}

}  // namespace brimlet::detail
