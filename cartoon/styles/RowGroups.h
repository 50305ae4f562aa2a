// Row walking shared by the style routines. The rows are split once over the worker
// threads; every worker counts the rows it finishes, and the calling thread, between its own
// rows, hands the count so far to the progress. So a threaded routine reports the same rows
// as a row-by-row loop, the bar keeps moving while a large picture is processed, and the
// progress is only ever touched by the calling thread.
#pragma once

#include "core/ProgressRelay.h"

#include <functional>

namespace brimlet::detail {

// Collects finished rows from any thread; passes them on only from the calling thread.
using brimlet::ProgressRelay;

// Rows per call of a row body: the unit in which rows are counted.
inline constexpr int kRowsPerStep = 16;

// Calls body(begin, end) for disjoint ranges of at most kRowsPerStep rows covering
// [first, last), possibly on several threads at once, and advances progress by every row.
// Does not reset progress.
void ForRowGroups(int first, int last, Progress& progress,
                  const std::function<void(int begin, int end)>& body);

// Splits [begin, end) into at most `parts` nearly equal consecutive ranges; returns the
// count and fills bounds[0..count] (bounds[0] = begin, bounds[count] = end).
int SplitRows(int begin, int end, int parts, int* bounds);

}  // namespace brimlet::detail
