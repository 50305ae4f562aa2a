// A thread starter that refuses its k-th start the way a process at its thread limit does
// (std::system_error, "Resource temporarily unavailable"), and counts the starts it saw.
// Installed for the lifetime of the object.
#pragma once

#include "core/Parallel.h"

#include <atomic>
#include <cerrno>
#include <system_error>
#include <thread>

namespace brimlet::testing {

class FailingThreadStarter {
public:
    // failOn = 0 never fails.
    explicit FailingThreadStarter(int failOn) : failOn_(failOn) {
        SetThreadStarter([this](std::function<void()> work) {
            const int start = ++starts_;
            if (start == failOn_)
                throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
            return std::thread(std::move(work));
        });
    }
    ~FailingThreadStarter() { SetThreadStarter(nullptr); }
    FailingThreadStarter(const FailingThreadStarter&) = delete;
    FailingThreadStarter& operator=(const FailingThreadStarter&) = delete;

    int Starts() const { return starts_; }

private:
    int failOn_;
    std::atomic<int> starts_{0};
};

}  // namespace brimlet::testing
