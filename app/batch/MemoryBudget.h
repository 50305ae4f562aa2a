// Bytes the photos being worked on may take together. A job reserves what its photo will
// need before its styles run and gives it back when done; a job that does not fit waits,
// and one larger than the whole budget runs only when nothing else does.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace brimlet::batch {

class MemoryBudget {
public:
    explicit MemoryBudget(std::uint64_t capacity) : capacity_(capacity) {}

    // Blocks until the bytes fit (or, for more than the capacity, until nothing is reserved).
    void Reserve(std::uint64_t bytes);
    void Release(std::uint64_t bytes);

    std::uint64_t Capacity() const { return capacity_; }
    std::uint64_t InUse() const;
    std::uint64_t Peak() const;

    // Half the machine's physical memory.
    static std::uint64_t DefaultCapacity();

private:
    const std::uint64_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::uint64_t inUse_ = 0, peak_ = 0;
};

// Holds a reservation for one photo's run.
class Reservation {
public:
    Reservation(MemoryBudget& budget, std::uint64_t bytes) : budget_(budget), bytes_(bytes) {
        budget_.Reserve(bytes_);
    }
    ~Reservation() { budget_.Release(bytes_); }
    Reservation(const Reservation&) = delete;
    Reservation& operator=(const Reservation&) = delete;

private:
    MemoryBudget& budget_;
    std::uint64_t bytes_;
};

}  // namespace brimlet::batch
