// Single-threaded benchmark rows pin both our workers and OpenCV's to one thread for the
// benchmark's lifetime; rows with all threads leave both at their defaults.
#pragma once

#include "core/Parallel.h"

#include <opencv2/core.hpp>

namespace brimlet::bench {

class ThreadScope {
public:
    explicit ThreadScope(bool single = true) : cvThreads_(cv::getNumThreads()) {
        if (single) {
            SetWorkerThreads(1);
            cv::setNumThreads(1);
        }
    }
    ~ThreadScope() {
        SetWorkerThreads(0);
        cv::setNumThreads(cvThreads_);
    }
    ThreadScope(const ThreadScope&) = delete;
    ThreadScope& operator=(const ThreadScope&) = delete;

private:
    int cvThreads_;
};

}  // namespace brimlet::bench
