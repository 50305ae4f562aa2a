#include "app/batch/MemoryBudget.h"

#include <algorithm>
#include <unistd.h>

namespace brimlet::batch {

void MemoryBudget::Reserve(std::uint64_t bytes) {
    std::unique_lock lock(mutex_);
    released_.wait(lock, [&] {
        return inUse_ == 0 || (bytes <= capacity_ && inUse_ + bytes <= capacity_);
    });
    inUse_ += bytes;
    peak_ = std::max(peak_, inUse_);
}

void MemoryBudget::Release(std::uint64_t bytes) {
    {
        std::lock_guard lock(mutex_);
        inUse_ -= std::min(bytes, inUse_);
    }
    released_.notify_all();
}

std::uint64_t MemoryBudget::InUse() const {
    std::lock_guard lock(mutex_);
    return inUse_;
}

std::uint64_t MemoryBudget::Peak() const {
    std::lock_guard lock(mutex_);
    return peak_;
}

std::uint64_t MemoryBudget::DefaultCapacity() {
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return std::uint64_t(2) << 30;
    return std::uint64_t(pages) * std::uint64_t(pageSize) / 2;
}

}  // namespace brimlet::batch
