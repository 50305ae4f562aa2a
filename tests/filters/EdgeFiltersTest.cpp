#include "filters/EdgeFilters.h"
#include "filters/GrayValue.h"

#include "EdgeFiltersPictures.h"
#include "core/Parallel.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace brimlet {
namespace {

using testing::RandomPicture;
using testing::Uniform;
using Filter = std::function<void(TBitmap32&, Progress&)>;

struct Form {
    std::string name;
    Filter laplacian, sobel;
};

using InPlace = void (*)(TBitmap32&, Progress&);
using SourceToTarget = void (*)(const TBitmap32&, TBitmap32&, Progress&);

// The source-to-target form, writing over a stale picture of the same byte count so that
// any pixel it failed to write (or read back) would show.
Filter IntoStaleTarget(SourceToTarget filter) {
    return [filter](TBitmap32& buffer, Progress& progress) {
        TBitmap32 target = buffer;
        target.InvertRect({0, 0, target.Width(), target.Height()});
        filter(buffer, target, progress);
        buffer = std::move(target);
    };
}

// Every behavioural test runs on every form.
class EdgeFilterForms : public ::testing::TestWithParam<Form> {};

INSTANTIATE_TEST_SUITE_P(
    Forms, EdgeFilterForms,
    ::testing::Values(Form{"reference", reference::laplaciangause, reference::picsobel},
                      Form{"fast", InPlace(laplaciangause), InPlace(picsobel)},
                      Form{"sourceToTarget", IntoStaleTarget(laplaciangause), IntoStaleTarget(picsobel)}),
    [](const auto& info) { return info.param.name; });

std::uint32_t Pixel(const TBitmap32& bmp, int x, int y) { return LoadPixel(bmp.ScanLine(y) + 4 * x); }

TEST_P(EdgeFilterForms, UniformPictureBecomesWhiteEverywhere) {
    TBitmap32 lap = Uniform(9, 7, 0x40506070);
    TBitmap32 sob = lap;
    NoProgress none;
    GetParam().laplacian(lap, none);
    GetParam().sobel(sob, none);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x) {
            const bool frame = x < 2 || x > 6 || y < 2 || y > 4;
            // Filtered pixels get A = V = 0; the frame keeps the input's alpha, inverted.
            EXPECT_EQ(Pixel(lap, x, y), frame ? 0xBFFFFFFFu : 0x00FFFFFFu) << x << "," << y;
            EXPECT_EQ(Pixel(sob, x, y), 0xBFFFFFFFu) << x << "," << y;
        }
    }
}

TEST_P(EdgeFilterForms, LaplacianKernelShapeOnASinglePoint) {
    // A white point on black: the centre (24) and its four direct neighbours (8) respond,
    // the diagonal neighbours (0) and everything farther out (negative, limited) do not.
    TBitmap32 bmp = Uniform(13, 11, 0xFF000000);
    StorePixel(bmp.ScanLine(5) + 4 * 6, 0xFFFFFFFF);
    NoProgress none;
    GetParam().laplacian(bmp, none);
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 13; ++x) {
            const int dx = x - 6, dy = y - 5;
            const bool line = dx * dx + dy * dy <= 1;
            EXPECT_EQ(Pixel(bmp, x, y) & 0xFFFFFF, line ? 0u : 0xFFFFFFu) << x << "," << y;
            if (x >= 2 && x <= 10 && y >= 2 && y <= 8) {
                EXPECT_EQ(bmp.ScanLine(y)[4 * x + kA], line ? 255 : 0);
            }
        }
    }
}

TEST_P(EdgeFilterForms, LaplacianGrayOfLimitedChannels) {
    // A pure red point: only R responds (limited to 255), so V is the gray value of (255, 0, 0).
    TBitmap32 bmp = Uniform(7, 7, 0);
    StorePixel(bmp.ScanLine(3) + 12, 0x00FF0000);
    NoProgress none;
    GetParam().laplacian(bmp, none);
    const int v = reference::GrayValue(255, 0, 0);
    const std::uint8_t* p = bmp.ScanLine(3) + 12;
    EXPECT_EQ(p[kB], 255 - v);
    EXPECT_EQ(p[kG], 255 - v);
    EXPECT_EQ(p[kR], 255 - v);
    EXPECT_EQ(p[kA], v);
}

// Columns of a picture with a vertical step between x = 4 and x = 5.
TBitmap32 VerticalStep(std::uint32_t left, std::uint32_t right) {
    TBitmap32 bmp(10, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x) StorePixel(bmp.ScanLine(y) + 4 * x, x < 5 ? left : right);
    return bmp;
}

TEST_P(EdgeFilterForms, SobelSeesStepsToTheRightAndToTheLeft) {
    NoProgress none;
    for (bool darkLeft : {true, false}) {
        TBitmap32 bmp = darkLeft ? VerticalStep(0, 0xFFFFFF) : VerticalStep(0xFFFFFF, 0);
        GetParam().sobel(bmp, none);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 10; ++x)
                EXPECT_EQ(Pixel(bmp, x, y), x == 4 || x == 5 ? 0xFF000000u : 0xFFFFFFFFu)
                    << (darkLeft ? "dark left " : "dark right ") << x << "," << y;
    }
}

TEST_P(EdgeFilterForms, SobelSeesDarkAboveButNotBrightAbove) {
    NoProgress none;
    for (bool darkAbove : {true, false}) {
        TBitmap32 bmp(6, 10);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 6; ++x)
                StorePixel(bmp.ScanLine(y) + 4 * x, (y < 5) == darkAbove ? 0x00000000 : 0x00FFFFFF);
        GetParam().sobel(bmp, none);
        for (int y = 0; y < 10; ++y) {
            const bool line = darkAbove && (y == 4 || y == 5);
            for (int x = 0; x < 6; ++x) EXPECT_EQ(Pixel(bmp, x, y), line ? 0xFF000000u : 0xFFFFFFFFu) << x << "," << y;
        }
    }
}

TEST_P(EdgeFilterForms, SobelKeepsColourPerChannel) {
    // Green steps up to the right, blue steps down: G responds through one kernel, B through
    // the other, R is flat.
    TBitmap32 bmp = VerticalStep(0x000000FF, 0x0000FF00);
    NoProgress none;
    GetParam().sobel(bmp, none);
    EXPECT_EQ(Pixel(bmp, 4, 2) & 0xFFFFFF, 0x00FF0000u);
    EXPECT_EQ(Pixel(bmp, 2, 2) & 0xFFFFFF, 0x00FFFFFFu);
}

TEST_P(EdgeFilterForms, FrameCopiesNearestFilteredColourAndInvertsOwnAlpha) {
    const TBitmap32 input = RandomPicture(11, 9, 7);
    TBitmap32 lap = input, sob = input;
    NoProgress none;
    GetParam().laplacian(lap, none);
    GetParam().sobel(sob, none);
    auto check = [&](const TBitmap32& out, int border) {
        const int w = input.Width(), h = input.Height();
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const int nx = std::clamp(x, border, w - 1 - border), ny = std::clamp(y, border, h - 1 - border);
                if (nx == x && ny == y) continue;
                EXPECT_EQ(Pixel(out, x, y) & 0xFFFFFF, Pixel(out, nx, ny) & 0xFFFFFF) << x << "," << y;
                EXPECT_EQ(out.ScanLine(y)[4 * x + kA], 255 - input.ScanLine(y)[4 * x + kA]);
            }
        }
    };
    check(lap, 2);
    check(sob, 1);
}

TEST_P(EdgeFilterForms, ProgressRisesOncePerFilteredRowAndEndsAtZero) {
    for (int h : {5, 12, 903}) {
        TBitmap32 lap = RandomPicture(6, h, h), sob = lap;
        CountingProgress lapProgress, sobProgress;
        GetParam().laplacian(lap, lapProgress);
        GetParam().sobel(sob, sobProgress);
        EXPECT_EQ(lapProgress.Advanced(), h - 4);
        EXPECT_EQ(sobProgress.Advanced(), h - 2);
        EXPECT_EQ(lapProgress.Peak(), std::min(h - 4, 800));
        EXPECT_EQ(lapProgress.Position(), 0);
        EXPECT_EQ(sobProgress.Position(), 0);
    }
}

TEST_P(EdgeFilterForms, PicturesTooSmallForTheKernelAreOnlyInverted) {
    struct Size { int w, h; bool lapSmall, sobSmall; };
    for (Size s : {Size{1, 1, true, true}, Size{2, 2, true, true}, Size{1, 9, true, true},
                   Size{9, 2, true, true}, Size{4, 7, true, false}, Size{3, 3, true, false}}) {
        const TBitmap32 input = RandomPicture(s.w, s.h, 3);
        TBitmap32 inverted = input;
        inverted.InvertRect({0, 0, s.w, s.h});
        TBitmap32 lap = input, sob = input;
        CountingProgress progress;
        GetParam().laplacian(lap, progress);
        GetParam().sobel(sob, progress);
        if (s.lapSmall) {
            EXPECT_EQ(lap, inverted) << s.w << "x" << s.h;
        }
        if (s.sobSmall) {
            EXPECT_EQ(sob, inverted) << s.w << "x" << s.h;
        }
        EXPECT_EQ(progress.Position(), 0);
    }
    TBitmap32 empty;
    NoProgress none;
    GetParam().laplacian(empty, none);
    GetParam().sobel(empty, none);
    EXPECT_TRUE(empty.Empty());
}

void ExpectFastEqualsReference(const TBitmap32& input, const std::string& what) {
    for (int threads : {1, 3, 8}) {
        SetWorkerThreads(threads);
        TBitmap32 fast = input, slow = input;
        NoProgress none;
        laplaciangause(fast, none);
        reference::laplaciangause(slow, none);
        EXPECT_TRUE(fast == slow) << "laplaciangause " << what << ", threads " << threads;
        fast = input;
        slow = input;
        picsobel(fast, none);
        reference::picsobel(slow, none);
        EXPECT_TRUE(fast == slow) << "picsobel " << what << ", threads " << threads;
        // From the source into a reused target of another size, and into the source itself.
        TBitmap32 target(7, 5);
        laplaciangause(input, target, none);
        slow = input;
        reference::laplaciangause(slow, none);
        EXPECT_TRUE(target == slow) << "laplaciangause into a target " << what << ", threads " << threads;
        fast = input;
        laplaciangause(fast, fast, none);
        EXPECT_TRUE(fast == slow) << "laplaciangause into itself " << what << ", threads " << threads;
        picsobel(input, target, none);
        slow = input;
        reference::picsobel(slow, none);
        EXPECT_TRUE(target == slow) << "picsobel into a target " << what << ", threads " << threads;
        fast = input;
        picsobel(fast, fast, none);
        EXPECT_TRUE(fast == slow) << "picsobel into itself " << what << ", threads " << threads;
    }
    SetWorkerThreads(0);
}

TEST(EdgeFilters, FastEqualsReferenceOnRandomPictures) {
    struct Size { int w, h; };
    std::uint32_t seed = 1;
    for (Size s : {Size{3, 3}, Size{5, 5}, Size{6, 7}, Size{37, 23}, Size{101, 67}, Size{17, 301}, Size{4, 90}})
        ExpectFastEqualsReference(RandomPicture(s.w, s.h, seed++), std::to_string(s.w) + "x" + std::to_string(s.h));
}

TEST(EdgeFilters, FastEqualsReferenceOnLowContrastPictures) {
    // Small kernel sums make many gray values exact halves, which the extended evaluation
    // decides.
    for (std::uint32_t seed : {21u, 22u}) {
        TBitmap32 bmp = RandomPicture(29 + int(seed), 40, seed);
        for (std::size_t i = 0; i < bmp.ByteCount(); ++i) bmp.Bits()[i] &= 15;
        ExpectFastEqualsReference(bmp, "low contrast " + std::to_string(seed));
    }
}

TEST(EdgeFilters, FastEqualsReferenceOnRealPhoto) {
    const TBitmap32 photo = testing::Hopper();
    ASSERT_FALSE(photo.Empty());
    ExpectFastEqualsReference(photo, "hopper");
    ExpectFastEqualsReference(testing::Crop(photo, 127, 83), "hopper 127x83");
}

}  // namespace
}  // namespace brimlet
