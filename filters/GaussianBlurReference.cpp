// The Gaussian blur as a literal per-pixel, per-tap loop, and the kernel both forms share.
#include "filters/GaussianBlur.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

namespace brimlet {

namespace {
constexpr long double kPi = 3.141592653589793238462643383279502884L;
}

namespace detail {

int GaussianBlurRadius(int radius, double sigma) {
    if (radius < 0)
        throw std::invalid_argument("Gaussian blur: the radius " + std::to_string(radius) +
                                    " is negative");
    // sigma 0 would divide 0 by 0 in the centre weight.
    if (!std::isfinite(sigma) || sigma == 0)
        throw std::invalid_argument("Gaussian blur: sigma must be a finite number other than 0");
    if (radius == 0) {
        long double derived = std::nearbyint(std::fabs(static_cast<long double>(sigma))) + 2;
        if (derived > 1000000) throw std::invalid_argument("Gaussian blur: sigma is too large");
        radius = int(derived);
    }
    return radius;
}

void BlurWithKernel(TBitmap32& buffer, const std::vector<std::int32_t>& kernel, int radius,
                    std::int64_t total) {
    const int width = buffer.Width(), height = buffer.Height();
    if (buffer.Empty()) return;
    const int n = 2 * radius + 1;
    const std::size_t stride = buffer.Stride();
    std::vector<std::uint8_t> source(buffer.Bits(), buffer.Bits() + buffer.ByteCount());
    std::uint8_t* bits = buffer.Bits();

    for (int i = 0; i < height; ++i) {
        for (int j = 0; j < width; ++j) {
            // 64-bit sums: weights are 32-bit and a tiny sigma makes them large.
            std::int64_t sum[3] = {0, 0, 0};
            std::int64_t divisor = 0;
            const bool interior =
                i >= radius && i < height - radius && j >= radius && j < width - radius;
            for (int dy = -radius; dy <= radius; ++dy) {
                const int y = i + dy;
                for (int dx = -radius; dx <= radius; ++dx) {
                    const int x = j + dx;
                    if (!interior && (y < 0 || y >= height || x < 0 || x >= width)) continue;
                    const std::int64_t w = kernel[std::size_t(dy + radius) * n + (dx + radius)];
                    const std::uint8_t* p = source.data() + std::size_t(y) * stride + 4 * std::size_t(x);
                    sum[0] += w * p[0];
                    sum[1] += w * p[1];
                    sum[2] += w * p[2];
                    if (!interior) divisor += w;
                }
            }
            if (interior) divisor = total;
            std::uint8_t* out = bits + std::size_t(i) * stride + 4 * std::size_t(j);
            for (int c = 0; c < 3; ++c) {
                std::int64_t v = divisor >= 2 ? sum[c] / divisor : sum[c];
                out[c] = std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
            }
        }
    }
}

}  // namespace detail

std::vector<std::int32_t> GaussianKernel2D(int radius, double sigma, std::int32_t& total) {
    if (radius < 0 || !std::isfinite(sigma) || sigma == 0)
        throw std::invalid_argument("Gaussian blur: invalid kernel arguments");
    const int n = 2 * radius + 1;
    std::vector<std::int32_t> kernel(std::size_t(n) * n);
    const long double s2 = static_cast<long double>(sigma) * static_cast<long double>(sigma);
    std::int64_t sum = 0;
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            const long double d2 = static_cast<long double>(dx) * dx + static_cast<long double>(dy) * dy;
            const long double w = std::nearbyint(std::exp(-d2 / (2.0L * s2)) / (2.0L * kPi * s2) * 1000.0L);
            if (!(w <= std::numeric_limits<std::int32_t>::max()))
                throw std::invalid_argument("Gaussian blur: sigma is too small");
            kernel[std::size_t(dy + radius) * n + (dx + radius)] = std::int32_t(w);
            sum += std::int64_t(w);
            if (sum > std::numeric_limits<std::int32_t>::max())
                throw std::invalid_argument("Gaussian blur: sigma is too small");
        }
    }
    total = std::int32_t(sum);
    return kernel;
}

namespace reference {

void GaussianBlur(TBitmap32& buffer, int radius, double sigma) {
    radius = detail::GaussianBlurRadius(radius, sigma);
    std::int32_t total = 0;
    std::vector<std::int32_t> kernel = GaussianKernel2D(radius, sigma, total);
    detail::BlurWithKernel(buffer, kernel, radius, total);
}

}  // namespace reference

}  // namespace brimlet
