// Pen and ink, production form: the same arithmetic as the literal steps, laid out for speed.
//
// Two byte planes (gray, then the marks in its place; smoothed), 2 bytes a pixel; gradients
// and magnitudes are recomputed from the smoothed plane, three rows at a time, where needed.
// - Smoothing: the double sums run in the literal order, tap after tap, but for 32 columns
//   at once (vector lanes never mix columns, so every sum rounds exactly as one at a time).
//   The horizontal pass goes into a ring of rows, so no full double plane exists.
// - Magnitude: Round(sqrt(q) + 0.5) is floor(sqrt(q)) + 1, except for an even square root k
//   of a perfect square q, where the tie goes to k. A float square root decides it exactly
//   for q < 2^17.
// - Non-maximum suppression: m >= Q + (a/b)(P - Q) is decided in integers,
//   b (m - Q) - a (P - Q) >= 0. When that is not 0 it is at least 1/b away from the rounded
//   80-bit evaluation's error, so both agree; exact ties are settled where the 80-bit sum is
//   provably exact and otherwise go to the 80-bit evaluation.
// - Hysteresis: on bit planes (passable, seed, accepted), a row of 64 pixels per word at a
//   time, in bands of rows side by side (filters/PenInkHysteresis.cpp); the accepted set
//   does not depend on the order of the search.
#include "filters/PenInk.h"

#include "core/Parallel.h"
#include "core/PlaneBuffer.h"
#include "filters/GrayValue.h"
#include "filters/PenInkHysteresis.h"

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

typedef double v4d __attribute__((vector_size(32), aligned(8)));

// Only ever inlined into the (cloned) row loops, so no vector crosses a call boundary;
// GCC still warns about the ABI of the non-AVX clone.
#pragma GCC diagnostic ignored "-Wpsabi"
__attribute__((always_inline)) inline v4d Load4(const double* p) { return *reinterpret_cast<const v4d*>(p); }
__attribute__((always_inline)) inline void Store4(double* p, const v4d& v) { *reinterpret_cast<v4d*>(p) = v; }

// Sum of w[first..last] added in that order, as the literal loop adds them.
double WeightSum(const std::vector<double>& w, int first, int last) {
    double s = 0;
    for (int k = first; k <= last; ++k) s += w[k];
    return s;
}

struct Smoother {
    PlaneSize size;
    std::vector<double> w;
    int half = 0;
    int n = 0;
    double fullWeight = 0;
};

// Sums over taps k of src[k][x + 4 b] * w[k] for B vectors of 4 columns, tap after tap, in
// B independent accumulators (enough of them to hide the latency of the additions).
template <int B, typename Src>
__attribute__((always_inline)) inline void TapSums(Src src, const double* w, int taps, int x, v4d (&a)[B]) {
    for (int b = 0; b < B; ++b) a[b] = v4d{0, 0, 0, 0};
    for (int k = 0; k < taps; ++k) {
        const double* r = src(k) + x;
        const double wk = w[k];
        for (int b = 0; b < B; ++b) a[b] = a[b] + Load4(r + 4 * b) * wk;
    }
}

template <int B>
__attribute__((always_inline)) inline void DivideBy(v4d (&a)[B], double weight) {
    if (weight == 1.0) return;  // dividing by exactly 1 changes nothing
    for (int b = 0; b < B; ++b) a[b] = a[b] / weight;
}

// One row of the horizontal pass: out[x] = (sum of g[x + k] w[half + k]) / weight.
__attribute__((target_clones("avx2", "default")))
void HorizontalRow(const Smoother& sm, const std::uint8_t* gray, double* g, double* out) {
    const int width = sm.size.width, half = sm.half, n = sm.n;
    const double* w = sm.w.data();
    for (int x = 0; x < width; ++x) g[x] = gray[x];
    auto clipped = [&](int x) {
        const int k0 = std::max(-half, -x), k1 = std::min(half, width - 1 - x);
        double sum = 0, weight = 0;
        for (int k = k0; k <= k1; ++k) {
            sum += g[x + k] * w[half + k];
            weight += w[half + k];
        }
        out[x] = sum / weight;
    };
    const int x0 = std::min(half, width), x1 = std::max(x0, width - half);
    int x = 0;
    for (; x < x0; ++x) clipped(x);
    const double full = sm.fullWeight;
    auto src = [&](int k) { return g + k - half; };
    for (; x + 32 <= x1; x += 32) {
        v4d a[8];
        TapSums<8>(src, w, n, x, a);
        DivideBy<8>(a, full);
        for (int b = 0; b < 8; ++b) Store4(out + x + 4 * b, a[b]);
    }
    for (; x + 4 <= x1; x += 4) {
        v4d a[1];
        TapSums<1>(src, w, n, x, a);
        DivideBy<1>(a, full);
        Store4(out + x, a[0]);
    }
    for (; x < x1; ++x) {
        double sum = 0;
        for (int k = 0; k < n; ++k) sum += g[x - half + k] * w[k];
        out[x] = sum / full;
    }
    for (; x < width; ++x) clipped(x);
}

inline std::uint8_t RoundToByte(double v) {
    v = std::nearbyint(v);
    return std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

typedef long long v4i64 __attribute__((vector_size(32)));

// Round to nearest, halves to even, of B vectors of sums that are >= 0: adding 2^52 leaves
// exactly the rounded integer in the low mantissa bits.
template <int B>
__attribute__((always_inline)) inline void StoreRounded(const v4d (&a)[B], std::uint8_t* out) {
    for (int b = 0; b < B; ++b) {
        const v4i64 bits = (v4i64)(a[b] + 0x1p52) & 511;
        for (int i = 0; i < 4; ++i) out[4 * b + i] = std::uint8_t(bits[i] > 255 ? 255 : bits[i]);
    }
}

// One row of the vertical pass from the rows[0..count) of the ring (taps w[k0..]).
__attribute__((target_clones("avx2", "default")))
void VerticalRow(const double* const* rows, const double* w, int count, double weight, int width,
                 std::uint8_t* out) {
    auto src = [&](int k) { return rows[k]; };
    int x = 0;
    for (; x + 32 <= width; x += 32) {
        v4d a[8];
        TapSums<8>(src, w, count, x, a);
        DivideBy<8>(a, weight);
        StoreRounded<8>(a, out + x);
    }
    for (; x + 4 <= width; x += 4) {
        v4d a[1];
        TapSums<1>(src, w, count, x, a);
        DivideBy<1>(a, weight);
        StoreRounded<1>(a, out + x);
    }
    for (; x < width; ++x) {
        double sum = 0;
        for (int k = 0; k < count; ++k) sum += rows[k][x] * w[k];
        out[x] = RoundToByte(sum / weight);
    }
}

void SmoothRows(const Smoother& sm, const std::uint8_t* gray, std::uint8_t* smoothed, int begin, int end) {
    const int width = sm.size.width, height = sm.size.height, half = sm.half, n = sm.n;
    std::vector<double> ring(std::size_t(n) * width), g(std::size_t(width) + 16);
    std::vector<const double*> rows(static_cast<std::size_t>(n));
    auto slot = [&](int y) { return ring.data() + std::size_t(y % n) * width; };
    int done = std::max(0, begin - half) - 1;  // last row of the horizontal pass in the ring
    for (int y = begin; y < end; ++y) {
        const int last = std::min(height - 1, y + half);
        for (int r = std::max(done + 1, y - half); r <= last; ++r)
            HorizontalRow(sm, gray + std::size_t(r) * width, g.data(), slot(r));
        done = last;
        const int k0 = std::max(-half, -y), k1 = std::min(half, height - 1 - y);
        for (int k = k0; k <= k1; ++k) rows[k - k0] = slot(y + k);
        const double weight = (k0 == -half && k1 == half) ? sm.fullWeight : WeightSum(sm.w, half + k0, half + k1);
        VerticalRow(rows.data(), sm.w.data() + half + k0, k1 - k0 + 1, weight, width,
                    smoothed + std::size_t(y) * width);
    }
}

inline std::uint8_t MagnitudeOf(int gx, int gy) {
    const int q = gx * gx + gy * gy;
    const int k = int(std::sqrt(float(q)));
    const int m = (k * k == q && (k & 1) == 0) ? k : k + 1;
    return std::uint8_t(m > 255 ? 255 : m);
}

#ifdef BRIMLET_PENINK_X86
bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

__attribute__((target("avx2"))) inline __m256i Bytes8(const std::uint8_t* p) {
    return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}

// Magnitudes of columns [1, x) of one interior row, 8 at a time; returns where it stopped.
__attribute__((target("avx2"))) int MagnitudeRowAvx2(const std::uint8_t* s, int width, std::uint8_t* out) {
    const __m256i one = _mm256_set1_epi32(1), cap = _mm256_set1_epi32(255);
    int x = 1;
    for (; x + 8 <= width - 1; x += 8) {
        const __m256i gx = _mm256_sub_epi32(Bytes8(s + x + 1), Bytes8(s + x - 1));
        const __m256i gy = _mm256_sub_epi32(Bytes8(s + x + width), Bytes8(s + x - width));
        const __m256i q = _mm256_add_epi32(_mm256_mullo_epi32(gx, gx), _mm256_mullo_epi32(gy, gy));
        const __m256i k = _mm256_cvttps_epi32(_mm256_sqrt_ps(_mm256_cvtepi32_ps(q)));
        const __m256i square = _mm256_cmpeq_epi32(_mm256_mullo_epi32(k, k), q);
        const __m256i even = _mm256_cmpeq_epi32(_mm256_and_si256(k, one), _mm256_setzero_si256());
        __m256i m = _mm256_add_epi32(k, _mm256_andnot_si256(_mm256_and_si256(square, even), one));
        m = _mm256_min_epi32(m, cap);
        const __m128i w16 = _mm_packus_epi32(_mm256_castsi256_si128(m), _mm256_extracti128_si256(m, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(w16, w16));
    }
    return x;
}
#endif

// Magnitudes of row y (0 on the frame).
void MagnitudeRow(PlaneSize size, const std::uint8_t* smoothed, int y, std::uint8_t* out, bool simd) {
    const int width = size.width, height = size.height;
    if (y == 0 || y == height - 1 || width < 3) {
        std::memset(out, 0, std::size_t(width));
        return;
    }
    const std::uint8_t* s = smoothed + std::size_t(y) * width;
    out[0] = out[width - 1] = 0;
    int x = 1;
#ifdef BRIMLET_PENINK_X86
    if (simd) x = MagnitudeRowAvx2(s, width, out);
#else
    (void)simd;
#endif
    for (; x < width - 1; ++x) out[x] = MagnitudeOf(s[x + 1] - s[x - 1], s[x + width] - s[x - width]);
}

// Three rows of magnitudes around the current one.
struct MagnitudeRows3 {
    const std::uint8_t* up;
    const std::uint8_t* mid;
    const std::uint8_t* down;
};

// The literal test of one interior pixel, for row tails and exact ties.
inline bool RidgeAt(MagnitudeRows3 mag, const std::uint8_t* s, int width, int x) {
    const std::uint8_t* rows[3] = {mag.up, mag.mid, mag.down};
    int around[9];
    for (int dy = 0; dy < 3; ++dy)
        for (int dx = -1; dx <= 1; ++dx) around[dy * 3 + (dx + 1)] = rows[dy][x + dx];
    return detail::IsRidge(mag.mid[x], s[x + 1] - s[x - 1], s[x + width] - s[x - width], around);
}

#ifdef BRIMLET_PENINK_X86
// Ridge marks of columns [1, x) of one interior row, 8 at a time; returns where it stopped.
// A ridge pixel's mark is its magnitude (at least 1), any other pixel's 0.
__attribute__((target("avx2"))) int RidgeRowAvx2(MagnitudeRows3 rows, const std::uint8_t* s, int width,
                                                 std::uint8_t* marks, long long* histogram) {
    const __m256i zero = _mm256_setzero_si256();
    const std::uint8_t* up = rows.up;
    const std::uint8_t* mag = rows.mid;
    const std::uint8_t* down = rows.down;
    const __m256i laneBits = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
    int x = 1;
    for (; x + 8 <= width - 1; x += 8) {
        const __m256i m = Bytes8(mag + x);
        const __m256i nw = Bytes8(up + x - 1), n = Bytes8(up + x), ne = Bytes8(up + x + 1);
        const __m256i w = Bytes8(mag + x - 1), e = Bytes8(mag + x + 1);
        const __m256i sw = Bytes8(down + x - 1), so = Bytes8(down + x), se = Bytes8(down + x + 1);
        const __m256i gx = _mm256_sub_epi32(Bytes8(s + x + 1), Bytes8(s + x - 1));
        const __m256i gy = _mm256_sub_epi32(Bytes8(s + x + width), Bytes8(s + x - width));
        const __m256i ax = _mm256_abs_epi32(gx), ay = _mm256_abs_epi32(gy);
        const __m256i bothPos = _mm256_and_si256(_mm256_cmpgt_epi32(gx, zero), _mm256_cmpgt_epi32(gy, zero));
        const __m256i bothNeg = _mm256_and_si256(_mm256_cmpgt_epi32(zero, gx), _mm256_cmpgt_epi32(zero, gy));
        const __m256i same = _mm256_or_si256(bothPos, bothNeg);
        const __m256i steep = _mm256_cmpgt_epi32(ay, ax);
        const __m256i num = _mm256_blendv_epi8(ay, ax, steep);
        const __m256i den = _mm256_blendv_epi8(ax, ay, steep);
        const __m256i p1 = _mm256_blendv_epi8(_mm256_blendv_epi8(ne, se, same), _mm256_blendv_epi8(ne, nw, same), steep);
        const __m256i q1 = _mm256_blendv_epi8(e, n, steep);
        const __m256i p2 = _mm256_blendv_epi8(_mm256_blendv_epi8(sw, nw, same), _mm256_blendv_epi8(sw, se, same), steep);
        const __m256i q2 = _mm256_blendv_epi8(w, so, steep);
        const __m256i d1 = _mm256_sub_epi32(_mm256_mullo_epi32(den, _mm256_sub_epi32(m, q1)),
                                            _mm256_mullo_epi32(num, _mm256_sub_epi32(p1, q1)));
        const __m256i d2 = _mm256_sub_epi32(_mm256_mullo_epi32(den, _mm256_sub_epi32(m, q2)),
                                            _mm256_mullo_epi32(num, _mm256_sub_epi32(p2, q2)));
        const __m256i negative = _mm256_or_si256(_mm256_cmpgt_epi32(zero, d1), _mm256_cmpgt_epi32(zero, d2));
        // An exact tie is decided here when the 80-bit sum is exact too: w = 0 (side = Q),
        // w = 1 (side = P), or P = Q = m (w m is exact, and the rounding of (1 - w) m stays
        // within half a unit of m, so the sum rounds to m). Only the rest need the 80-bit path.
        const __m256i exactW = _mm256_or_si256(_mm256_cmpeq_epi32(num, zero), _mm256_cmpeq_epi32(num, den));
        const __m256i open1 = _mm256_andnot_si256(_mm256_or_si256(exactW, _mm256_cmpeq_epi32(p1, q1)), _mm256_cmpeq_epi32(d1, zero));
        const __m256i open2 = _mm256_andnot_si256(_mm256_or_si256(exactW, _mm256_cmpeq_epi32(p2, q2)), _mm256_cmpeq_epi32(d2, zero));
        const __m256i tied = _mm256_or_si256(open1, open2);
        const __m256i live = _mm256_andnot_si256(_mm256_cmpeq_epi32(m, zero), _mm256_cmpeq_epi32(zero, zero));
        const __m256i keep = _mm256_andnot_si256(negative, live);
        unsigned candidates = unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(keep)));
        const unsigned ties = candidates & unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(tied)));
        for (unsigned t = ties; t; t &= t - 1) {
            const int lane = __builtin_ctz(t);
            if (!RidgeAt(rows, s, width, x + lane)) candidates &= ~(1u << lane);
        }
        // Lane k keeps its magnitude when bit k of candidates is set.
        const __m256i bit = _mm256_and_si256(_mm256_set1_epi32(int(candidates)), laneBits);
        const __m256i kept = _mm256_and_si256(m, _mm256_cmpeq_epi32(bit, laneBits));
        const __m128i k16 = _mm_packus_epi32(_mm256_castsi256_si128(kept), _mm256_extracti128_si256(kept, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(marks + x), _mm_packus_epi16(k16, k16));
        // Without branches, and lane by lane into four counters per value, so that runs of
        // equal magnitudes do not wait on one counter.
        for (int lane = 0; lane < 8; ++lane)
            histogram[(lane & 3) * 256 + mag[x + lane]] += (candidates >> lane) & 1;
    }
    return x;
}
#endif

// Ridge marks of rows [begin, end), counted by magnitude into histogram[4][256] (to be
// summed); the magnitudes they need are made here, three rows at a time, so no magnitude
// plane is kept.
void RidgeRows(PlaneSize size, const std::uint8_t* smoothed, std::uint8_t* marks, long long* histogram,
               int begin, int end, bool simd) {
    const int width = size.width, height = size.height;
    std::vector<std::uint8_t> ring(3 * std::size_t(width));
    auto slot = [&](int y) { return ring.data() + std::size_t((y + 3) % 3) * width; };
    if (begin > 0) MagnitudeRow(size, smoothed, begin - 1, slot(begin - 1), simd);
    MagnitudeRow(size, smoothed, begin, slot(begin), simd);
    for (int y = begin; y < end; ++y) {
        if (y + 1 < height) MagnitudeRow(size, smoothed, y + 1, slot(y + 1), simd);
        std::uint8_t* out = marks + std::size_t(y) * width;
        if (y == 0 || y == height - 1 || width < 3) {
            std::memset(out, 0, std::size_t(width));
            continue;
        }
        const MagnitudeRows3 rows{slot(y - 1), slot(y), slot(y + 1)};
        const std::uint8_t* s = smoothed + std::size_t(y) * width;
        out[0] = out[width - 1] = 0;
        int x = 1;
#ifdef BRIMLET_PENINK_X86
        if (simd) x = RidgeRowAvx2(rows, s, width, out, histogram);
#else
        (void)simd;
#endif
        for (; x < width - 1; ++x) {
            const int m = rows.mid[x];
            const bool ridge = m != 0 && RidgeAt(rows, s, width, x);
            out[x] = ridge ? std::uint8_t(m) : 0;
            if (ridge) ++histogram[m];
        }
    }
}

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

// Gray values of one row. The rounded value is (n + 49 + up) / 100 with n = 30 R + 59 G + 11 B;
// up only matters for a remainder of exactly 50, which the vector loop flags and a short
// scalar loop settles from the tie table.
__attribute__((target_clones("avx2", "default")))
void GrayRow(const std::uint8_t* ties, const std::uint8_t* pixels, int width, std::uint8_t* gray,
             std::uint8_t* tied) {
    unsigned anyTie = 0;
    for (int x = 0; x < width; ++x) {
        std::uint32_t px;
        std::memcpy(&px, pixels + 4 * std::size_t(x), 4);
        const unsigned b = px & 255u, g = (px >> 8) & 255u, r = (px >> 16) & 255u;
        const unsigned n = 30 * r + 59 * g + 11 * b + 49;
        const unsigned q = (n * 5243) >> 19;
        const unsigned tie = (n - 100 * q) == 99;
        gray[x] = std::uint8_t(q);
        tied[x] = std::uint8_t(tie);
        anyTie |= tie;
    }
    if (!anyTie) return;
    for (int x0 = 0; x0 < width; x0 += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, tied + x0, std::size_t(std::min(8, width - x0)));
        for (; word; word &= word - 1) {
            const int x = x0 + __builtin_ctzll(word) / 8;
            const std::uint8_t* p = pixels + 4 * std::size_t(x);
            gray[x] = GrayValueFromTable(ties, p[kR], p[kG], p[kB]);
        }
    }
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

    // Every element is written before it is read: no zero fill.
    PlaneBytes gray = MakePlaneForOverwrite(count);
    PlaneBytes smoothed = MakePlaneForOverwrite(count);
    const std::uint8_t* ties = GrayTieTable();
    ParallelRows(height, [&](int begin, int end) {
        std::vector<std::uint8_t> tied(std::size_t(width) + 1);
        for (int y = begin; y < end; ++y)
            GrayRow(ties, source.ScanLine(y), width, gray.get() + std::size_t(y) * width, tied.data());
    });

    Smoother sm;
    sm.size = size;
    reference::GaussianKernel1D(settings.sigma, sm.w, sm.n);
    sm.half = sm.n / 2;
    sm.fullWeight = WeightSum(sm.w, 0, sm.n - 1);
    ParallelRows(height, [&](int begin, int end) { SmoothRows(sm, gray.get(), smoothed.get(), begin, end); });

    // The gray plane is no longer needed: it takes the marks.
    std::uint8_t* marks = gray.get();
    long long histogram[256] = {};
    std::mutex merge;
    ParallelRows(height, [&](int begin, int end) {
        long long local[4 * 256] = {};
        RidgeRows(size, smoothed.get(), marks, local, begin, end, simd);
        std::lock_guard<std::mutex> lock(merge);
        for (int i = 0; i < 256; ++i) histogram[i] += local[i] + local[256 + i] + local[512 + i] + local[768 + i];
    });
    smoothed.reset();

    const Thresholds t = ThresholdsFromHistogram(histogram, settings.upperFraction, settings.lowerRatio);
    detail::RidgeBits bits;
    bits.words = (width + 63) / 64;
    const std::size_t wordCount = std::size_t(bits.words) * height;
    bits.pass.resize(wordCount);
    bits.seed.resize(wordCount);
    bits.ink.assign(wordCount, 0);
    ParallelRows(height, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const std::size_t at = std::size_t(y) * bits.words;
            RidgeBitsRow(marks + std::size_t(y) * width, width, t, bits.pass.data() + at, bits.seed.data() + at, simd);
        }
    });
    gray.reset();
    detail::Hysteresis(size, bits);

    // Every pixel is written below, so a fresh target is first touched by the workers.
    if (&target != &source) target.SetSizeForOverwrite(width, height);
    ParallelRows(height, [&](int begin, int end) {
        for (int y = begin; y < end; ++y)
            InkRow(bits.ink.data() + std::size_t(y) * bits.words, width, target.ScanLine(y), simd);
    });
}

}  // namespace brimlet
