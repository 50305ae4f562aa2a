// Pen and ink, step by step as the algorithm reads: one plane per step, one pixel at a time.
#include "filters/GrayValue.h"
#include "filters/PenInk.h"

#include <cmath>
#include <stdexcept>

namespace brimlet {

PenInkSettings PenInkSettings::FromSliders(int trackBar3, int trackBar5, int trackBar6) {
    PenInkSettings s;
    s.sigma = double(static_cast<long double>(trackBar3) * 0.05L);
    s.upperFraction = double(static_cast<long double>(40 - trackBar6) * 0.025L);
    s.lowerRatio = double(static_cast<long double>(20 - trackBar5) * 0.05L);
    return s;
}

namespace detail {

void CheckPenInkSettings(const PenInkSettings& settings) {
    // A sigma of 0 divides 0 by 0 in the kernel; a huge one only makes every tap count.
    if (!(settings.sigma > 0 && settings.sigma <= 100))
        throw std::invalid_argument("Pen and ink: the smoothing width must lie above 0 and at most 100");
    if (!std::isfinite(settings.upperFraction) || !std::isfinite(settings.lowerRatio))
        throw std::invalid_argument("Pen and ink: the threshold fractions must be numbers");
}

bool IsRidge(int m, int gx, int gy, const int neighbours[9]) {
    auto M = [&](int dx, int dy) { return static_cast<long double>(neighbours[(dy + 1) * 3 + (dx + 1)]); };
    const int ax = std::abs(gx), ay = std::abs(gy);
    const bool same = gx * gy > 0;
    double w;  // only w is kept as a double; the sides stay in 80 bits
    long double side1, side2;
    if (ax < ay) {
        w = double(static_cast<long double>(ax) / ay);
        const long double lw = w;
        if (same) {
            side1 = lw * M(-1, -1) + (1 - lw) * M(0, -1);
            side2 = lw * M(1, 1) + (1 - lw) * M(0, 1);
        } else {
            side1 = lw * M(1, -1) + (1 - lw) * M(0, -1);
            side2 = lw * M(-1, 1) + (1 - lw) * M(0, 1);
        }
    } else {
        w = double(static_cast<long double>(ay) / ax);
        const long double lw = w;
        if (same) {
            side1 = lw * M(1, 1) + (1 - lw) * M(1, 0);
            side2 = lw * M(-1, -1) + (1 - lw) * M(-1, 0);
        } else {
            side1 = lw * M(1, -1) + (1 - lw) * M(1, 0);
            side2 = lw * M(-1, 1) + (1 - lw) * M(-1, 0);
        }
    }
    const long double lm = m;
    return lm >= side1 && lm >= side2;
}

}  // namespace detail

namespace reference {

namespace {
inline std::size_t At(PlaneSize s, int x, int y) { return std::size_t(y) * s.width + x; }
}  // namespace

bool GaussianKernel1D(double sigma, std::vector<double>& kernel, int& n) {
    const long double s = sigma;
    const int half = int(std::ceil(3.0L * s));
    n = 2 * half + 1;
    kernel.assign(std::size_t(n), 0.0);
    double sum = 0;
    for (int i = 0; i < n; ++i) {
        const long double d = i - half;
        kernel[i] = double(std::exp(-0.5L * d * d / (s * s)) / (std::sqrt(6.2831852L) * s));
        sum += kernel[i];
    }
    for (int i = 0; i < n; ++i) kernel[i] /= sum;
    return true;
}

bool SmoothGray(PlaneSize size, const std::uint8_t* gray, std::uint8_t* smoothed, double sigma) {
    std::vector<double> w;
    int n = 0;
    GaussianKernel1D(sigma, w, n);
    const int half = n / 2;
    std::vector<double> pass(std::size_t(size.width) * size.height);
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            double sum = 0, weight = 0;
            for (int k = -half; k <= half; ++k) {
                if (x + k < 0 || x + k >= size.width) continue;
                sum += gray[At(size, x + k, y)] * w[half + k];
                weight += w[half + k];
            }
            pass[At(size, x, y)] = sum / weight;
        }
    }
    for (int x = 0; x < size.width; ++x) {
        for (int y = 0; y < size.height; ++y) {
            double sum = 0, weight = 0;
            for (int k = -half; k <= half; ++k) {
                if (y + k < 0 || y + k >= size.height) continue;
                sum += pass[At(size, x, y + k)] * w[half + k];
                weight += w[half + k];
            }
            const double v = std::nearbyint(sum / weight);
            smoothed[At(size, x, y)] = std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
    }
    return true;
}

bool GradientMagnitude(PlaneSize size, const std::uint8_t* s, std::int32_t* gx, std::int32_t* gy,
                       std::int32_t* magnitude) {
    for (int y = 1; y < size.height - 1; ++y) {
        for (int x = 1; x < size.width - 1; ++x) {
            gx[At(size, x, y)] = s[At(size, x + 1, y)] - s[At(size, x - 1, y)];
            gy[At(size, x, y)] = s[At(size, x, y + 1)] - s[At(size, x, y - 1)];
        }
    }
    const std::size_t count = std::size_t(size.width) * size.height;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int64_t sq = std::int64_t(gx[i]) * gx[i] + std::int64_t(gy[i]) * gy[i];
        const long double m = std::nearbyint(std::sqrt(static_cast<long double>(sq)) + 0.5L);
        magnitude[i] = m > 255 ? 255 : std::int32_t(m);
    }
    return true;
}

bool SuppressNonMaxima(const std::int32_t* magnitude, const std::int32_t* gx, const std::int32_t* gy,
                       PlaneSize size, std::uint8_t* edges) {
    for (int x = 0; x < size.width; ++x) {
        edges[At(size, x, 0)] = kNoEdge;
        edges[At(size, x, size.height - 1)] = kNoEdge;
    }
    for (int y = 0; y < size.height; ++y) {
        edges[At(size, 0, y)] = kNoEdge;
        edges[At(size, size.width - 1, y)] = kNoEdge;
    }
    for (int y = 1; y < size.height - 1; ++y) {
        for (int x = 1; x < size.width - 1; ++x) {
            const std::size_t i = At(size, x, y);
            const int m = magnitude[i];
            if (m == 0) {
                edges[i] = kNoEdge;
                continue;
            }
            int around[9];
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) around[(dy + 1) * 3 + (dx + 1)] = magnitude[At(size, x + dx, y + dy)];
            edges[i] = detail::IsRidge(m, gx[i], gy[i], around) ? kCandidate : kNoEdge;
        }
    }
    return true;
}

Thresholds FindThresholds(const std::int32_t* magnitude, PlaneSize size, const std::uint8_t* edges,
                          double upperFraction, double lowerRatio) {
    long long h[256] = {};
    const std::size_t count = std::size_t(size.width) * size.height;
    for (std::size_t i = 0; i < count; ++i)
        if (edges[i] == kCandidate) ++h[magnitude[i]];
    long long total = 0;
    int top = 0;
    for (int i = 0; i < 256; ++i) total += h[i];
    for (int i = 1; i < 256; ++i)
        if (h[i] != 0) top = i;
    const long double target = std::nearbyint(static_cast<long double>(total) * upperFraction + 0.5L);
    int i = 1;
    long long acc = h[1];
    while (i < top - 1 && acc < target) {
        ++i;
        acc += h[i];
    }
    Thresholds t;
    t.upper = i;
    t.lower = int(std::nearbyint(static_cast<long double>(i) * lowerRatio + 0.5L));
    return t;
}

void TraceEdge(int y, int x, int lower, std::uint8_t* edges, const std::int32_t* magnitude,
               PlaneSize size, EdgeStack& stack) {
    static const int kDx[8] = {1, 1, 0, -1, -1, -1, 0, 1};
    static const int kDy[8] = {0, 1, 1, 1, 0, -1, -1, -1};
    std::size_t top = 1;
    stack.entries[1] = {x, y};
    edges[At(size, x, y)] = kEdge;
    while (top > 0) {
        const auto [cx, cy] = stack.entries[top];
        --top;
        for (int k = 0; k < 8; ++k) {
            const int nx = cx + kDx[k], ny = cy + kDy[k];
            const std::size_t i = At(size, nx, ny);
            if (edges[i] == kCandidate && magnitude[i] >= lower) {
                edges[i] = kEdge;
                ++top;
                stack.entries[top] = {nx, ny};
            }
        }
    }
}

bool LinkEdges(const std::int32_t* magnitude, PlaneSize size, double upperFraction, double lowerRatio,
               std::uint8_t* edges, EdgeStack& stack) {
    const Thresholds t = FindThresholds(magnitude, size, edges, upperFraction, lowerRatio);
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const std::size_t i = At(size, x, y);
            if (edges[i] == kCandidate && magnitude[i] >= t.upper) TraceEdge(y, x, t.lower, edges, magnitude, size, stack);
        }
    }
    const std::size_t count = std::size_t(size.width) * size.height;
    for (std::size_t i = 0; i < count; ++i)
        if (edges[i] != kEdge) edges[i] = kNoEdge;
    return true;
}

bool CannyEdges(const std::uint8_t* gray, PlaneSize size, double sigma, double upperFraction,
                double lowerRatio, std::uint8_t* edges) {
    const std::size_t count = std::size_t(size.width) * size.height;
    std::vector<std::uint8_t> smoothed(count, 0);
    std::vector<std::int32_t> gx(count, 0), gy(count, 0), magnitude(count, 0);
    EdgeStack stack;
    stack.entries.resize(count);
    SmoothGray(size, gray, smoothed.data(), sigma);
    GradientMagnitude(size, smoothed.data(), gx.data(), gy.data(), magnitude.data());
    SuppressNonMaxima(magnitude.data(), gx.data(), gy.data(), size, edges);
    LinkEdges(magnitude.data(), size, upperFraction, lowerRatio, edges, stack);
    return true;
}

void PenInkBmp(TBitmap32& buffer, const PenInkSettings& settings) {
    detail::CheckPenInkSettings(settings);
    TBitmap32 work;
    work.Assign(buffer);
    const PlaneSize size{work.Width(), work.Height()};
    if (work.Empty()) return;
    const std::size_t count = std::size_t(size.width) * size.height;
    std::vector<std::uint8_t> gray(count), edges(count, 0);
    for (int y = 0; y < size.height; ++y) {
        const std::uint8_t* row = work.ScanLine(y);
        for (int x = 0; x < size.width; ++x)
            gray[At(size, x, y)] = reference::GrayValue(row[4 * x + kR], row[4 * x + kG], row[4 * x + kB]);
    }
    CannyEdges(gray.data(), size, settings.sigma, settings.upperFraction, settings.lowerRatio, edges.data());
    for (int y = 0; y < size.height; ++y) {
        std::uint8_t* row = work.ScanLine(y);
        for (int x = 0; x < size.width; ++x) {
            const std::uint8_t e = edges[At(size, x, y)];
            row[4 * x + kB] = row[4 * x + kG] = row[4 * x + kR] = e;
            row[4 * x + kA] = std::uint8_t(255 - e);
        }
    }
    // The whole picture: the result has the source's size.
    work.InvertRect(Rect{0, 0, size.width, size.height});
    buffer.Assign(work);
}

}  // namespace reference

}  // namespace brimlet
