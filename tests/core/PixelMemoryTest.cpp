#include "core/Image32.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace brimlet {
namespace {

constexpr std::size_t kMiB = std::size_t(1) << 20;

// Each case starts and ends with nothing kept, so that blocks from other tests do not count.
class PixelMemory : public ::testing::Test {
protected:
    void SetUp() override { detail::ReleaseKeptPixelBytes(); }
    void TearDown() override { detail::ReleaseKeptPixelBytes(); }
};

TEST_F(PixelMemory, AFreedLargeBlockServesTheNextOfTheSameRoundedSizeOnly) {
    void* first = detail::AllocatePixelBytes(48 * kMiB);
    detail::FreePixelBytes(first, 48 * kMiB);
    EXPECT_EQ(detail::KeptPixelBytes(), 48 * kMiB);

    // Another size does not take it (a larger one would overrun, a smaller one waste it).
    void* other = detail::AllocatePixelBytes(40 * kMiB);
    EXPECT_NE(other, first);
    EXPECT_EQ(detail::KeptPixelBytes(), 48 * kMiB);
    // 47.5 MiB rounds up to the same 24 huge pages.
    void* again = detail::AllocatePixelBytes(48 * kMiB - kMiB / 2);
    EXPECT_EQ(again, first);
    EXPECT_EQ(detail::KeptPixelBytes(), 0u);
    // The whole block is usable.
    std::memset(again, 7, 48 * kMiB - kMiB / 2);
    detail::FreePixelBytes(again, 48 * kMiB - kMiB / 2);
    detail::FreePixelBytes(other, 40 * kMiB);
    EXPECT_EQ(detail::KeptPixelBytes(), 88 * kMiB);
}

TEST_F(PixelMemory, KeepsAFewBlocksAndDropsTheOldestFirst) {
    std::vector<void*> blocks;
    for (int i = 0; i < 10; ++i) blocks.push_back(detail::AllocatePixelBytes(std::size_t(10 + 2 * i) * kMiB));
    for (int i = 0; i < 10; ++i) detail::FreePixelBytes(blocks[std::size_t(i)], std::size_t(10 + 2 * i) * kMiB);
    // Eight kept: the last eight sizes (14 + 16 + ... + 28 MiB).
    EXPECT_EQ(detail::KeptPixelBytes(), 168 * kMiB);
    void* newest = detail::AllocatePixelBytes(28 * kMiB);
    EXPECT_EQ(newest, blocks[9]);
    detail::FreePixelBytes(newest, 28 * kMiB);
    // Small blocks never enter the cache.
    void* small = detail::AllocatePixelBytes(kMiB);
    detail::FreePixelBytes(small, kMiB);
    EXPECT_EQ(detail::KeptPixelBytes(), 168 * kMiB);
}

TEST_F(PixelMemory, KeptBlocksGoBackOnceNothingHasAskedForThemForAWhile) {
    detail::FreePixelBytes(detail::AllocatePixelBytes(16 * kMiB), 16 * kMiB);
    detail::ReleaseKeptPixelBytesIdleFor(std::chrono::hours(1));
    EXPECT_EQ(detail::KeptPixelBytes(), 16 * kMiB);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    detail::FreePixelBytes(detail::AllocatePixelBytes(20 * kMiB), 20 * kMiB);
    detail::ReleaseKeptPixelBytesIdleFor(std::chrono::milliseconds(200));
    EXPECT_EQ(detail::KeptPixelBytes(), 20 * kMiB);  // the older block went back
}

TEST_F(PixelMemory, APictureOnAReusedBlockStartsWhiteNotWithTheOldPixels) {
    {
        TBitmap32 black(2048, 1536);  // 12 MiB: large enough to be kept
        std::memset(black.Bits(), 0, black.ByteCount());
    }
    ASSERT_EQ(detail::KeptPixelBytes(), 12 * kMiB);
    TBitmap32 fresh(2048, 1536);
    EXPECT_EQ(detail::KeptPixelBytes(), 0u);  // it took the black picture's block
    for (int y : {0, 700, 1535})
        for (int x : {0, 1000, 2047}) {
            EXPECT_EQ(fresh.PixelColor(x, y), 0x00FFFFFFu);
            EXPECT_EQ(fresh.ScanLine(y)[4 * x + kA], 0);
        }
}

// A picture held by a static object that was made before the allocator's cache is freed
// during exit, after the other statics have gone: the cache must still be there to take it.
TEST(PixelMemoryAtExit, APictureHeldByAStaticIsFreedSafely) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process: nothing made yet
    EXPECT_EXIT(
        {
            static TBitmap32 held;  // small: made before anything touches the cache
            held.SetSize(2048, 2048);
            { TBitmap32 kept(2048, 1024); }  // the cache holds a block when the process ends
            std::exit(held.Width() == 2048 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace brimlet
