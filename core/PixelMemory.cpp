// Memory for pictures and large planes.
//
// A large block is placed on huge-page boundaries and offered to the kernel for huge pages:
// a fresh picture's first touch then costs one fault per 2 MiB instead of one per 4 KiB.
// Even so, the kernel must clear every fresh page, and for a whole picture that costs about
// as much as a filter pass; each style run makes a new result of the same size as the last
// one it replaces. So a few freed large blocks are kept and handed out again for the same
// size, and given back once nothing has asked for them for a while (the program calls
// ReleaseKeptPixelBytesIdleFor from a timer), so an idle program does not sit on them.
// They are not marked MADV_FREE while kept: under a hypervisor that shadows the page
// tables, writing to such pages again trapped page by page and made a run that reused a
// 12 MB plane 15 ms slower, one time in three.
#include "core/Image32.h"

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace brimlet::detail {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
// Below this a picture fits a few huge pages at most, and the ordinary heap serves it well.
constexpr std::size_t kLargeBlock = std::size_t(8) << 20;

using Clock = std::chrono::steady_clock;

struct KeptBlock {
    void* block;
    std::size_t bytes;  // rounded to huge pages
    Clock::time_point keptAt;
};

class BlockCache {
public:
    void* Take(std::size_t rounded) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (std::size_t i = 0; i < kept_.size(); ++i) {
            if (kept_[i].bytes != rounded) continue;
            void* block = kept_[i].block;
            keptBytes_ -= rounded;
            kept_.erase(kept_.begin() + std::ptrdiff_t(i));
            return block;
        }
        return nullptr;
    }

    // False when the block does not fit the cache; the caller frees it then.
    bool Keep(void* block, std::size_t rounded) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (rounded > kMaxBytes) return false;
        // Make room by dropping the oldest blocks.
        while (!kept_.empty() && (kept_.size() >= kMaxBlocks || keptBytes_ + rounded > kMaxBytes)) {
            std::free(kept_.front().block);
            keptBytes_ -= kept_.front().bytes;
            kept_.erase(kept_.begin());
        }
        kept_.push_back({block, rounded, Clock::now()});
        keptBytes_ += rounded;
        return true;
    }

    std::size_t KeptBytes() {
        std::lock_guard<std::mutex> lock(mutex_);
        return keptBytes_;
    }

    // Frees the blocks kept since before the given time (all of them for the time now).
    void ReleaseKeptBefore(Clock::time_point time) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::erase_if(kept_, [&](const KeptBlock& k) {
            if (k.keptAt > time) return false;
            std::free(k.block);
            keptBytes_ -= k.bytes;
            return true;
        });
    }

private:
    // A style run replaces one or two layers, makes a working copy or two, and some take
    // scratch planes of their own (the pen and ink marks).
    static constexpr std::size_t kMaxBlocks = 8;
    static constexpr std::size_t kMaxBytes = std::size_t(1) << 30;
    std::mutex mutex_;
    std::vector<KeptBlock> kept_;
    std::size_t keptBytes_ = 0;
};

// Never destroyed: pictures held by other static objects are freed into it during exit,
// whatever the order in which the statics go. What it holds then goes back with the process.
BlockCache& Cache() {
    static BlockCache* cache = new BlockCache;
    return *cache;
}

std::size_t Rounded(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

void* AllocatePixelBytes(std::size_t bytes) {
    if (bytes < kLargeBlock) return ::operator new(bytes);
    const std::size_t rounded = Rounded(bytes);
    if (void* kept = Cache().Take(rounded)) return kept;
    void* block = std::aligned_alloc(kHugePage, rounded);
    if (!block) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    madvise(block, rounded, MADV_HUGEPAGE);  // only advice: where refused, small pages serve
#endif
    return block;
}

void FreePixelBytes(void* block, std::size_t bytes) noexcept {
    if (bytes < kLargeBlock) {
        ::operator delete(block);
        return;
    }
    if (!block) return;
    if (!Cache().Keep(block, Rounded(bytes))) std::free(block);
}

std::size_t KeptPixelBytes() { return Cache().KeptBytes(); }

void ReleaseKeptPixelBytes() { Cache().ReleaseKeptBefore(Clock::now()); }

void ReleaseKeptPixelBytesIdleFor(std::chrono::milliseconds idle) { Cache().ReleaseKeptBefore(Clock::now() - idle); }

}  // namespace brimlet::detail
