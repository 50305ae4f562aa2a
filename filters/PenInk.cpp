// Pen and ink, production form: the same arithmetic as the literal steps, laid out for speed.
//
// One pass per band of rows streams the picture through gray, smoothing (filters/
// PenInkSmoothing.cpp), magnitudes and non-maximum suppression (filters/PenInkRidges.cpp),
// keeping only rings of rows; it leaves one byte plane of ridge marks and a histogram of
// their magnitudes. The thresholds then turn the marks into bit planes, 64 pixels a word,
// for the hysteresis (filters/PenInkHysteresis.cpp), whose accepted set does not depend on
// the order of the search; the ink is written from those bits.
#include "filters/PenInk.h"

#include "core/Parallel.h"
#include "core/PlaneBuffer.h"
#include "filters/GrayValue.h"
#include "filters/PenInkHysteresis.h"
#include "filters/PenInkRidges.h"
#include "filters/PenInkSmoothing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define BRIMLET_PENINK_X86 1
#endif

namespace brimlet {

namespace {

#ifdef BRIMLET_PENINK_X86
bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

Thresholds ThresholdsFromHistogram(const long long* h, double upperFraction, double lowerRatio) {
    long long total = 0;
    int top = 0;
    for (int i = 0; i < 256; ++i) total += h[i];
    for (int i = 1; i < 256; ++i)
        if (h[i] != 0) top = i;
    const long double target = std::nearbyint(static_cast<long double>(total) * upperFraction + 0.5L);
    int i = 1;
    long long acc = h[1];
    while (i < top - 1 && acc < target) acc += h[++i];
    return {i, int(std::nearbyint(static_cast<long double>(i) * lowerRatio + 0.5L))};
}

inline std::uint64_t RowBitsOf(const std::uint8_t* m, int n, int threshold) {
    std::uint64_t bits = 0;
    for (int i = 0; i < n; ++i) bits |= std::uint64_t(m[i] != 0 && m[i] >= threshold) << i;
    return bits;
}

#ifdef BRIMLET_PENINK_X86
// Bits of 64 marks that are not 0 and >= threshold (1..255).
__attribute__((target("avx2"))) inline std::uint64_t RowBitsAvx2(const std::uint8_t* m, __m256i threshold) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m + 32));
    const std::uint32_t lo = std::uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_max_epu8(a, threshold), a)));
    const std::uint32_t hi = std::uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_max_epu8(b, threshold), b)));
    return std::uint64_t(lo) | (std::uint64_t(hi) << 32);
}

__attribute__((target("avx2"))) void RidgeBitsRowAvx2(const std::uint8_t* marks, int width, int lower, int upper,
                                                      std::uint64_t* pass, std::uint64_t* seed) {
    // Thresholds above 255 select nothing; the marks of non-ridges are 0 and fail any threshold >= 1.
    const __m256i lo = _mm256_set1_epi8(char(std::clamp(lower, 1, 255)));
    const __m256i up = _mm256_set1_epi8(char(std::clamp(upper, 1, 255)));
    const std::uint64_t passAll = lower > 255 ? 0 : ~0ull, seedAll = upper > 255 ? 0 : ~0ull;
    int x = 0;
    for (; x + 64 <= width; x += 64) {
        pass[x / 64] = RowBitsAvx2(marks + x, lo) & passAll;
        seed[x / 64] = RowBitsAvx2(marks + x, up) & seedAll;
    }
    if (x < width) {
        pass[x / 64] = RowBitsOf(marks + x, width - x, lower);
        seed[x / 64] = RowBitsOf(marks + x, width - x, upper);
    }
}
#endif

void RidgeBitsRow(const std::uint8_t* marks, int width, Thresholds t, std::uint64_t* pass, std::uint64_t* seed,
                  bool simd) {
#ifdef BRIMLET_PENINK_X86
    if (simd) return RidgeBitsRowAvx2(marks, width, t.lower, t.upper, pass, seed);
#else
    (void)simd;
#endif
    for (int x = 0; x < width; x += 64) {
        const int n = std::min(64, width - x);
        pass[x / 64] = RowBitsOf(marks + x, n, t.lower);
        seed[x / 64] = RowBitsOf(marks + x, n, t.upper);
    }
}

#ifdef BRIMLET_PENINK_X86
// Columns [0, x) of one row, 8 at a time; returns where it stopped.
__attribute__((target("avx2"))) int InkRowAvx2(const std::uint64_t* ink, int width, std::uint8_t* pixels) {
    const __m256i laneBits = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
    const __m256i white = _mm256_set1_epi32(0x00FFFFFF), black = _mm256_set1_epi32(int(0xFF000000u));
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const int byte = int((ink[x / 64] >> (x & 63)) & 255);
        const __m256i bit = _mm256_and_si256(_mm256_set1_epi32(byte), laneBits);
        const __m256i v = _mm256_blendv_epi8(white, black, _mm256_cmpeq_epi32(bit, laneBits));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(pixels + 4 * std::size_t(x)), v);
    }
    return x;
}
#endif

void InkRow(const std::uint64_t* ink, int width, std::uint8_t* pixels, bool simd) {
    int x = 0;
#ifdef BRIMLET_PENINK_X86
    if (simd) x = InkRowAvx2(ink, width, pixels);
#else
    (void)simd;
#endif
    for (; x < width; ++x) {
        const std::uint32_t v = (ink[x / 64] >> (x & 63)) & 1 ? 0xFF000000u : 0x00FFFFFFu;
        std::memcpy(pixels + 4 * std::size_t(x), &v, 4);
    }
}

// Ridge marks of rows [begin, end) of the source, counted by magnitude. Gray and smoothed
// rows are made as they are needed and kept in rings: a ridge row needs the magnitudes of
// the rows around it, which need the smoothed rows two either side.
void MarkRows(const TBitmap32& source, double sigma, detail::SmoothingForm form, std::uint8_t* marks,
              detail::RidgeHistogram& histogram, int begin, int end, bool simd) {
    const int width = source.Width(), height = source.Height();
    if (width < 3 || height < 3) {
        std::memset(marks + std::size_t(begin) * width, 0, std::size_t(end - begin) * width);
        return;
    }
    detail::GraySmoother smoother({width, height}, sigma, form,
                                  [&](int r, std::uint8_t* out) { GrayValuesRow(source.ScanLine(r), width, out); });
    std::vector<std::uint8_t> rings(8 * std::size_t(width));
    auto smoothed = [&](int r) { return rings.data() + std::size_t(r % 5) * width; };
    auto magnitudes = [&](int r) { return rings.data() + std::size_t(5 + r % 3) * width; };
    int made = std::max(0, begin - 2) - 1;  // last smoothed row made
    auto magnitudeRow = [&](int r) {
        if (r == 0 || r == height - 1) {
            std::memset(magnitudes(r), 0, std::size_t(width));
            return;
        }
        for (; made < r + 1; ++made) smoother.Row(made + 1, smoothed(made + 1));
        detail::MagnitudeRow({smoothed(r - 1), smoothed(r), smoothed(r + 1)}, width, magnitudes(r), simd);
    };
    if (begin > 0) magnitudeRow(begin - 1);
    magnitudeRow(begin);
    for (int y = begin; y < end; ++y) {
        if (y + 1 < height) magnitudeRow(y + 1);
        std::uint8_t* out = marks + std::size_t(y) * width;
        if (y == 0 || y == height - 1) {
            std::memset(out, 0, std::size_t(width));
            continue;
        }
        detail::RidgeRow({magnitudes(y - 1), magnitudes(y), magnitudes(y + 1)},
                         {smoothed(y - 1), smoothed(y), smoothed(y + 1)}, width, out, histogram, simd);
    }
}

bool gAllowSimd = true;

}  // namespace

namespace detail {
void SetPenInkSimd(bool allowed) { gAllowSimd = allowed; }
}  // namespace detail

void PenInkBmp(TBitmap32& buffer, const PenInkSettings& settings) { PenInkBmp(buffer, buffer, settings); }

void PenInkBmp(const TBitmap32& source, TBitmap32& target, const PenInkSettings& settings) {
    detail::CheckPenInkSettings(settings);
    if (source.Empty()) {
        if (&target != &source) target = TBitmap32();
        return;
    }
    const PlaneSize size{source.Width(), source.Height()};
    const int width = size.width, height = size.height;
    const std::size_t count = std::size_t(width) * height;
    bool simd = false;
#ifdef BRIMLET_PENINK_X86
    simd = gAllowSimd && HasAvx2();
#endif

    // Every mark is written before it is read: no zero fill.
    PlaneBytes marks = MakePlaneForOverwrite(count);
    const detail::SmoothingForm form = simd ? detail::SmoothingForm::kFast : detail::SmoothingForm::kExact;
    long long histogram[256] = {};
    std::mutex merge;
    ParallelRows(height, [&](int begin, int end) {
        auto local = std::make_unique<detail::RidgeHistogram>();
        MarkRows(source, settings.sigma, form, marks.get(), *local, begin, end, simd);
        std::lock_guard<std::mutex> lock(merge);
        local->AddTo(histogram);
    });

    const Thresholds t = ThresholdsFromHistogram(histogram, settings.upperFraction, settings.lowerRatio);
    detail::RidgeBits bits;
    bits.Allocate(width, height);
    ParallelRows(height, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const std::size_t at = std::size_t(y) * bits.words;
            RidgeBitsRow(marks.get() + std::size_t(y) * width, width, t, bits.pass + at, bits.seed + at, simd);
            std::memset(bits.ink + at, 0, std::size_t(bits.words) * sizeof(std::uint64_t));
        }
    });
    marks.reset();
    detail::Hysteresis(size, bits);

    // Every pixel is written below, so a fresh target is first touched by the workers.
    if (&target != &source) target.SetSizeForOverwrite(width, height);
    ParallelRows(height, [&](int begin, int end) {
        for (int y = begin; y < end; ++y)
            InkRow(bits.ink + std::size_t(y) * bits.words, width, target.ScanLine(y), simd);
    });
}

}  // namespace brimlet
