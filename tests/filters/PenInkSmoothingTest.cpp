// The row-by-row smoothing against the literal passes. The fast form rounds in float and
// works a pixel out again only near a half-integer, so besides the results, its error on
// every pixel is checked against the bound it relies on.
#include "filters/GrayValue.h"
#include "filters/PenInk.h"
#include "filters/PenInkSmoothing.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace brimlet {
namespace {

using detail::SmoothingForm;

std::vector<std::uint8_t> GrayPlane(const TBitmap32& picture) {
    std::vector<std::uint8_t> gray(std::size_t(picture.Width()) * picture.Height());
    for (int y = 0; y < picture.Height(); ++y)
        GrayValuesRow(picture.ScanLine(y), picture.Width(), gray.data() + std::size_t(y) * picture.Width());
    return gray;
}

// Noise, flat patches and hard steps between two levels, whose smoothed values repeat the
// same fractions over and over.
std::vector<std::uint8_t> MixedPlane(int width, int height, std::uint32_t seed) {
    std::vector<std::uint8_t> gray(std::size_t(width) * height);
    std::mt19937 rng(seed);
    const int a = int(rng() % 256), b = int(rng() % 256);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int kind = (x / 9 + y / 7) % 3;
            gray[std::size_t(y) * width + x] =
                std::uint8_t(kind == 0 ? rng() : kind == 1 ? a : ((x + 2 * y) % 5 < 2 ? a : b));
        }
    return gray;
}

std::vector<std::uint8_t> Smoothed(PlaneSize size, const std::vector<std::uint8_t>& gray, double sigma,
                                   SmoothingForm form, detail::SmoothingCheck* check = nullptr) {
    std::vector<std::uint8_t> out(gray.size(), 77);
    detail::SmoothGrayPlane(size, gray.data(), out.data(), sigma, form, check);
    return out;
}

std::vector<std::uint8_t> Literal(PlaneSize size, const std::vector<std::uint8_t>& gray, double sigma) {
    std::vector<std::uint8_t> out(gray.size(), 77);
    reference::SmoothGray(size, gray.data(), out.data(), sigma);
    return out;
}

// Every position of the smoothing slider, on planes narrower and shorter than the kernel,
// and wider than the vector steps with odd tails; the fast form with its widest vectors and
// with AVX2 alone.
TEST(PenInkSmoothingForms, EqualTheLiteralPassesAtEverySliderPosition) {
    const PlaneSize sizes[] = {{1, 1}, {5, 3}, {3, 40}, {37, 29}, {83, 41}, {157, 9}};
    std::uint32_t seed = 1;
    for (int slider = 1; slider <= 101; ++slider) {
        const double sigma = PenInkSettings::FromSliders(slider, 10, 20).sigma;
        for (PlaneSize size : sizes) {
            const std::vector<std::uint8_t> gray = MixedPlane(size.width, size.height, seed++);
            const std::vector<std::uint8_t> literal = Literal(size, gray, sigma);
            const std::string where = std::to_string(size.width) + "x" + std::to_string(size.height) + " slider " +
                                      std::to_string(slider);
            ASSERT_EQ(Smoothed(size, gray, sigma, SmoothingForm::kExact), literal) << "exact, " << where;
            ASSERT_EQ(Smoothed(size, gray, sigma, SmoothingForm::kFast), literal) << "fast, " << where;
            detail::SetSmoothingAvx512(false);
            const std::vector<std::uint8_t> avx2 = Smoothed(size, gray, sigma, SmoothingForm::kFast);
            detail::SetSmoothingAvx512(true);
            ASSERT_EQ(avx2, literal) << "fast, AVX2 alone, " << where;
        }
    }
}

// On real photographs: the same bytes as the literal passes, the float error inside the
// bound, and the pixels near a half-integer really worked out again.
TEST(PenInkSmoothingForms, FastFormStaysInsideItsBoundOnPhotos) {
    if (!detail::FastSmoothingAvailable(2.0)) GTEST_SKIP() << "no AVX2 and FMA here";
    long long recomputed = 0;
    for (const char* name : {"hopper.bmp", "rgb24.bmp"}) {
        const TBitmap32 photo = testing::ReadBmp24(name);
        ASSERT_FALSE(photo.Empty()) << name;
        const PlaneSize size{photo.Width(), photo.Height()};
        const std::vector<std::uint8_t> gray = GrayPlane(photo);
        for (int slider : {1, 6, 20, 40, 101})
            for (bool avx512 : {true, false}) {
                const double sigma = PenInkSettings::FromSliders(slider, 10, 20).sigma;
                detail::SmoothingCheck check;
                detail::SetSmoothingAvx512(avx512);
                const std::vector<std::uint8_t> fast =
                    Smoothed(size, gray, sigma, SmoothingForm::kFastCheckingEveryPixel, &check);
                detail::SetSmoothingAvx512(true);
                EXPECT_EQ(fast, Literal(size, gray, sigma)) << name << " slider " << slider;
                EXPECT_EQ(check.pixels, std::int64_t(gray.size()));
                EXPECT_LT(check.largestShare, 1.0) << name << " slider " << slider;
                recomputed += check.recomputed;
            }
    }
    EXPECT_GT(recomputed, 0);
}

// A sigma beyond the sliders takes the exact form rather than a loose bound.
TEST(PenInkSmoothingForms, WideKernelsTakeTheExactForm) {
    EXPECT_FALSE(detail::FastSmoothingAvailable(6.0));
    const PlaneSize size{50, 40};
    const std::vector<std::uint8_t> gray = MixedPlane(size.width, size.height, 99);
    detail::SmoothingCheck check;
    EXPECT_EQ(Smoothed(size, gray, 6.0, SmoothingForm::kFastCheckingEveryPixel, &check), Literal(size, gray, 6.0));
    EXPECT_EQ(check.pixels, 0);
}

}  // namespace
}  // namespace brimlet
