// Row walking shared by the style routines: rows are processed in groups, each group split
// over the worker threads, and the progress advances by the group's row count on the
// calling thread once the group is done. So a threaded routine reports the same rows as a
// row-by-row loop, and the bar still moves while a large picture is processed.
#pragma once

#include "core/Progress.h"

#include <functional>

namespace brimlet::detail {

// Rows per progress step: the bar (which holds at 800) moves a dozen times before it is
// full, and starting the threads of a group costs far less than the group's work.
inline constexpr int kRowsPerGroup = 64;

// Calls body(begin, end) for disjoint ranges covering rows [first, last), possibly on
// several threads at once, advancing progress after each group. Does not reset progress.
void ForRowGroups(int first, int last, Progress& progress,
                  const std::function<void(int begin, int end)>& body);

// Splits [begin, end) into at most `parts` nearly equal consecutive ranges; returns the
// count and fills bounds[0..count] (bounds[0] = begin, bounds[count] = end).
int SplitRows(int begin, int end, int parts, int* bounds);

}  // namespace brimlet::detail
