// Splits a range of rows over worker threads. Routines use it where threads pay;
// the result never depends on the number of threads.
#pragma once

#include <functional>
#include <thread>

namespace brimlet {

// Number of threads ParallelRows uses; 0 means one per hardware thread.
void SetWorkerThreads(int count);
int WorkerThreads();

// Calls body(begin, end) for disjoint row ranges covering [0, rows); returns when all are done.
// Ranges are at least minRowsPerTask rows long so tiny pictures stay on the calling thread.
// An exception thrown by a body is rethrown on the calling thread.
// When a worker thread cannot be started (thread or memory limits), the ranges are shared
// among the threads that did start, down to the calling thread alone; the ranges themselves
// stay the same, so the result does too.
void ParallelRows(int rows, const std::function<void(int begin, int end)>& body,
                  int minRowsPerTask = 16);

// How ParallelRows starts a worker; replaceable so tests can make starting fail.
// An empty starter restores std::thread.
using ThreadStarter = std::function<std::thread(std::function<void()> work)>;
void SetThreadStarter(ThreadStarter starter);

}  // namespace brimlet
