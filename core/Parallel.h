// Splits a range of rows over worker threads. Routines use it where threads pay;
// the result never depends on the number of threads.
#pragma once

#include <functional>

namespace brimlet {

// Number of threads ParallelRows uses; 0 means one per hardware thread.
void SetWorkerThreads(int count);
int WorkerThreads();

// Calls body(begin, end) for disjoint row ranges covering [0, rows); returns when all are done.
// Ranges are at least minRowsPerTask rows long so tiny pictures stay on the calling thread.
// An exception thrown by a body is rethrown on the calling thread.
void ParallelRows(int rows, const std::function<void(int begin, int end)>& body,
                  int minRowsPerTask = 16);

}  // namespace brimlet
