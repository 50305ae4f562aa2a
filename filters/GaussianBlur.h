// Square 2-D Gaussian blur with integer weights, the first stage of the Massing style.
//
// Weights: w(dy, dx) = Round(exp(-(dx^2 + dy^2) / (2 sigma^2)) / (2 pi sigma^2) * 1000) in
// 80-bit arithmetic, halves to even, for |dx|, |dy| <= radius. A radius of 0 derives
// radius = Round(|sigma|) + 2.
//
// Border rule: a pixel whose window lies inside the picture divides its sums by the kernel's
// total; any other pixel sums only the taps inside the picture and divides by the weights of
// those taps. Division truncates; a divisor of 0 or 1 leaves the sum itself. Values are
// limited to 0..255. Works in place on B, G and R; the A bytes are not touched. No progress.
//
// Bad arguments (negative radius, a sigma of 0 or not finite, a sigma so small that the
// weights no longer fit 32 bits) throw std::invalid_argument before the picture is touched.
#pragma once

#include "core/Image32.h"

#include <cstdint>
#include <vector>

namespace brimlet {

void GaussianBlur(TBitmap32& buffer, int radius, double sigma);
// The same blur from source into target, which takes the source's size and alpha; a
// target's old pixels are never read, so no working copy of the source is needed. target may
// be the source itself. Bad arguments throw before either picture is touched.
void GaussianBlur(const TBitmap32& source, TBitmap32& target, int radius, double sigma);

// The (2 radius + 1)^2 weights row by row, and their sum in total. radius must already be
// the one the blur uses (no derivation from 0 here).
std::vector<std::int32_t> GaussianKernel2D(int radius, double sigma, std::int32_t& total);

namespace reference {
// Literal form: every output pixel sums all of its taps, one by one.
void GaussianBlur(TBitmap32& buffer, int radius, double sigma);
// The same blur from source into target, which takes the source's size and alpha; a
// target's old pixels are never read, so no working copy of the source is needed. target may
// be the source itself. Bad arguments throw before either picture is touched.
void GaussianBlur(const TBitmap32& source, TBitmap32& target, int radius, double sigma);
}  // namespace reference

namespace detail {
// The radius the blur uses for these arguments (validates them).
int GaussianBlurRadius(int radius, double sigma);
// The literal blur with a given square kernel of side 2 radius + 1; the reference and the
// fast path's fallback for kernels too heavy for 16-bit arithmetic share it.
void BlurWithKernel(TBitmap32& buffer, const std::vector<std::int32_t>& kernel, int radius,
                    std::int64_t total);
// The blur with a symmetric 3 x 3 kernel of light weights (total at most 4096) straight from
// the rows; false, with the picture untouched, for any other kernel or a picture of fewer
// than 3 rows or columns.
bool Blur3x3(TBitmap32& buffer, const std::vector<std::int32_t>& kernel, std::int64_t total, bool simd);
// Lets tests switch the vector instructions off to check the portable path.
void SetBlurSimd(bool allowed);
}  // namespace detail

}  // namespace brimlet
