// The smoothing of the pen and ink detector, row by row from a ring of n gray rows (and, in
// the exact form, n rows of the horizontal pass), so no full intermediate plane exists.
//
// Why the fast form may round in float: every float step is a fused multiply-add or a sum
// of a pair of taps (the kernel is symmetric). The first pass, down the n gray rows, takes
// half + 1 roundings of values below 256 (2^-17 each) on exact integer pair sums, and
// weights off by 2^-24 of themselves (below 2^-16 in all); the second, along the row, adds
// half pair sums below 512 (2^-16 each), half + 1 roundings again, and carries the first
// pass's error through weights that sum to 1. That stays below (2 half + 3) 2^-16 of the
// literal double value (the order of the passes does not change the real value); the bound
// taken is (2 half + 4) 2^-16. Near the top and bottom the first pass cannot pair its rows
// and takes up to 2 half + 1 roundings; there the bound taken is (3 half + 4) 2^-16.
#include "filters/PenInkSmoothing.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define BRIMLET_SMOOTHING_X86 1
#endif

namespace brimlet::detail {

namespace {

// Kernels wider than this (sigma above 5.33, beyond the panel's sliders) take the exact
// form: the bound, and so the share of pixels worked out again, grows with the taps.
constexpr int kFastHalfLimit = 16;

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

struct Kernel {
    std::vector<double> w;
    int n = 0;
    int half = 0;
    double full = 0;         // the sum of all weights, as the literal loop adds them
    std::vector<float> pair; // pair[j]: the weight at distance j, over full, in float
    bool symmetric = true;
};

Kernel MakeKernel(double sigma) {
    Kernel k;
    reference::GaussianKernel1D(sigma, k.w, k.n);
    k.half = k.n / 2;
    k.full = WeightSum(k.w, 0, k.n - 1);
    for (int j = 0; j <= k.half; ++j) {
        k.pair.push_back(float(k.w[k.half + j] / k.full));
        k.symmetric = k.symmetric && k.w[k.half + j] == k.w[k.half - j];
    }
    return k;
}

inline std::uint8_t RoundToByte(double v) {
    v = std::nearbyint(v);
    return std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// The literal horizontal value at column x of a gray row.
double HorizontalAt(const Kernel& k, const std::uint8_t* gray, int width, int x) {
    if (x >= k.half && x < width - k.half) {  // all taps inside: their weights add up to full
        const std::uint8_t* g = gray + x - k.half;
        double sum = 0;
        for (int j = 0; j < k.n; ++j) sum += g[j] * k.w[j];
        return sum / k.full;
    }
    const int k0 = std::max(-k.half, -x), k1 = std::min(k.half, width - 1 - x);
    double sum = 0, weight = 0;
    for (int j = k0; j <= k1; ++j) {
        sum += gray[x + j] * k.w[k.half + j];
        weight += k.w[k.half + j];
    }
    return sum / weight;
}

// ---- exact form -----------------------------------------------------------------------

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
void HorizontalRowExact(const Kernel& k, const std::uint8_t* gray, int width, double* g, double* out) {
    const int half = k.half, n = k.n;
    const double* w = k.w.data();
    for (int x = 0; x < width; ++x) g[x] = gray[x];
    const int x0 = std::min(half, width), x1 = std::max(x0, width - half);
    int x = 0;
    for (; x < x0; ++x) out[x] = HorizontalAt(k, gray, width, x);
    auto src = [&](int j) { return g + j - half; };
    for (; x + 32 <= x1; x += 32) {
        v4d a[8];
        TapSums<8>(src, w, n, x, a);
        DivideBy<8>(a, k.full);
        for (int b = 0; b < 8; ++b) Store4(out + x + 4 * b, a[b]);
    }
    for (; x + 4 <= x1; x += 4) {
        v4d a[1];
        TapSums<1>(src, w, n, x, a);
        DivideBy<1>(a, k.full);
        Store4(out + x, a[0]);
    }
    for (; x < width; ++x) out[x] = HorizontalAt(k, gray, width, x);
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

// One row of the vertical pass from rows[0..count) (taps w[0..count)).
__attribute__((target_clones("avx2", "default")))
void VerticalRowExact(const double* const* rows, const double* w, int count, double weight, int width,
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

// ---- fast form ------------------------------------------------------------------------
//
// The passes are separable and linear, so the real value does not depend on their order:
// the fast form sums the gray bytes of the n rows first (integer pairs, exact) into one row
// of floats, then runs along that row, which stays in the first-level cache.

// Taps of the first pass: paired around the centre row (rows[half], pair weights), or near
// the top and bottom over rows[0..count) with their own weights.
struct ColumnTaps {
    const std::uint8_t* const* rows;
    const float* w;
    int count;
    bool paired;
    int half;
};

#ifdef BRIMLET_SMOOTHING_X86
bool HasAvx2Fma() {
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has;
}

__attribute__((target("avx2,fma"), always_inline)) inline __m256 Floats8(const std::uint8_t* p) {
    return _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}

// Pair sums of two byte rows, 8 columns, exact in float.
__attribute__((target("avx2,fma"), always_inline)) inline __m256 PairFloats8(const std::uint8_t* a, const std::uint8_t* b) {
    const __m256i sa = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a)));
    const __m256i sb = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(b)));
    return _mm256_cvtepi32_ps(_mm256_add_epi32(sa, sb));
}

// First pass, columns [x, width) 8 at a time; returns where it stopped.
__attribute__((target("avx2,fma"))) int ColumnSums(const ColumnTaps& t, int width, float* out, int x) {
    for (; x + 8 <= width; x += 8) {
        __m256 a;
        if (t.paired) {
            a = _mm256_mul_ps(Floats8(t.rows[t.half] + x), _mm256_set1_ps(t.w[0]));
            for (int j = 1; j <= t.half; ++j)
                a = _mm256_fmadd_ps(PairFloats8(t.rows[t.half - j] + x, t.rows[t.half + j] + x), _mm256_set1_ps(t.w[j]), a);
        } else {
            a = _mm256_setzero_ps();
            for (int i = 0; i < t.count; ++i) a = _mm256_fmadd_ps(Floats8(t.rows[i] + x), _mm256_set1_ps(t.w[i]), a);
        }
        _mm256_storeu_ps(out + x, a);
    }
    return x;
}

// Second pass over the interior columns [x, width - half) of the row of column sums, 8 at a
// time, rounded into out; columns within bound of a half-integer are listed in near.
// Returns where it stopped.
__attribute__((target("avx2,fma"))) int RoundedRow(const Kernel& k, const float* col, int width, float bound,
                                                  std::uint8_t* out, std::vector<int>& near, float* values, int x) {
    const __m256 edge = _mm256_set1_ps(0.5f - bound);
    const __m256 absMask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
    const float* pw = k.pair.data();
    for (; x + 8 <= width - k.half; x += 8) {
        __m256 v = _mm256_mul_ps(_mm256_loadu_ps(col + x), _mm256_set1_ps(pw[0]));
        for (int j = 1; j <= k.half; ++j)
            v = _mm256_fmadd_ps(_mm256_add_ps(_mm256_loadu_ps(col + x - j), _mm256_loadu_ps(col + x + j)),
                                _mm256_set1_ps(pw[j]), v);
        const __m256 r = _mm256_round_ps(v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
        const __m256i i = _mm256_cvtps_epi32(r);
        const __m128i w16 = _mm_packus_epi32(_mm256_castsi256_si128(i), _mm256_extracti128_si256(i, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(w16, w16));
        if (values) _mm256_storeu_ps(values + x, v);
        const __m256 off = _mm256_and_ps(_mm256_sub_ps(v, r), absMask);
        for (unsigned m = unsigned(_mm256_movemask_ps(_mm256_cmp_ps(off, edge, _CMP_GT_OQ))); m; m &= m - 1)
            near.push_back(x + __builtin_ctz(m));
    }
    return x;
}

// Both passes 16 columns at a time where AVX-512 is at hand. GCC 12 takes the undefined
// pass-through operands of its AVX-512 conversions for uninitialised values.
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
bool gAllowAvx512 = true;

bool HasAvx512() {
    static const bool has = __builtin_cpu_supports("avx512f");
    return has && gAllowAvx512;
}

__attribute__((target("avx512f"), always_inline)) inline __m512i Ints16(const std::uint8_t* p) {
    return _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// B vectors of 16 column sums from x, in B independent accumulators.
template <int B>
__attribute__((target("avx512f"), always_inline)) inline void ColumnSums512At(const ColumnTaps& t, int x, float* out) {
    __m512 a[B];
    if (t.paired) {
        const __m512 c = _mm512_set1_ps(t.w[0]);
        for (int b = 0; b < B; ++b) a[b] = _mm512_mul_ps(_mm512_cvtepi32_ps(Ints16(t.rows[t.half] + x + 16 * b)), c);
        for (int j = 1; j <= t.half; ++j) {
            const __m512 wj = _mm512_set1_ps(t.w[j]);
            const std::uint8_t* above = t.rows[t.half - j] + x;
            const std::uint8_t* below = t.rows[t.half + j] + x;
            for (int b = 0; b < B; ++b)
                a[b] = _mm512_fmadd_ps(_mm512_cvtepi32_ps(_mm512_add_epi32(Ints16(above + 16 * b), Ints16(below + 16 * b))),
                                       wj, a[b]);
        }
    } else {
        for (int b = 0; b < B; ++b) a[b] = _mm512_setzero_ps();
        for (int i = 0; i < t.count; ++i) {
            const __m512 wi = _mm512_set1_ps(t.w[i]);
            for (int b = 0; b < B; ++b) a[b] = _mm512_fmadd_ps(_mm512_cvtepi32_ps(Ints16(t.rows[i] + x + 16 * b)), wi, a[b]);
        }
    }
    for (int b = 0; b < B; ++b) _mm512_storeu_ps(out + x + 16 * b, a[b]);
}

__attribute__((target("avx512f"))) int ColumnSums512(const ColumnTaps& t, int width, float* out) {
    int x = 0;
    for (; x + 64 <= width; x += 64) ColumnSums512At<4>(t, x, out);
    for (; x + 16 <= width; x += 16) ColumnSums512At<1>(t, x, out);
    return x;
}

// B vectors of 16 columns of the second pass from x, rounded into out.
template <int B>
__attribute__((target("avx512f"), always_inline)) inline void RoundedRow512At(const Kernel& k, const float* col, int x,
                                                                            __m512 edge, std::uint8_t* out,
                                                                            std::vector<int>& near, float* values) {
    const float* pw = k.pair.data();
    __m512 v[B];
    for (int b = 0; b < B; ++b) v[b] = _mm512_mul_ps(_mm512_loadu_ps(col + x + 16 * b), _mm512_set1_ps(pw[0]));
    for (int j = 1; j <= k.half; ++j) {
        const __m512 wj = _mm512_set1_ps(pw[j]);
        for (int b = 0; b < B; ++b)
            v[b] = _mm512_fmadd_ps(_mm512_add_ps(_mm512_loadu_ps(col + x + 16 * b - j), _mm512_loadu_ps(col + x + 16 * b + j)),
                                   wj, v[b]);
    }
    for (int b = 0; b < B; ++b) {
        const int at = x + 16 * b;
        const __m512 r = _mm512_roundscale_ps(v[b], _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
        const __m512i i = _mm512_max_epi32(_mm512_cvtps_epi32(r), _mm512_setzero_si512());
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm512_cvtusepi32_epi8(i));
        if (values) _mm512_storeu_ps(values + at, v[b]);
        for (unsigned m = _mm512_cmp_ps_mask(_mm512_abs_ps(_mm512_sub_ps(v[b], r)), edge, _CMP_GT_OQ); m; m &= m - 1)
            near.push_back(at + __builtin_ctz(m));
    }
}

__attribute__((target("avx512f"))) int RoundedRow512(const Kernel& k, const float* col, int width, float bound,
                                                    std::uint8_t* out, std::vector<int>& near, float* values) {
    const __m512 edge = _mm512_set1_ps(0.5f - bound);
    int x = k.half;
    for (; x + 64 <= width - k.half; x += 64) RoundedRow512At<4>(k, col, x, edge, out, near, values);
    for (; x + 16 <= width - k.half; x += 16) RoundedRow512At<1>(k, col, x, edge, out, near, values);
    return x;
}
#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#else
bool HasAvx2Fma() { return false; }
#endif

}  // namespace

void SetSmoothingAvx512(bool allowed) {
#ifdef BRIMLET_SMOOTHING_X86
    gAllowAvx512 = allowed;
#else
    (void)allowed;
#endif
}

namespace {
bool FastFormFits(const Kernel& k) { return HasAvx2Fma() && k.half <= kFastHalfLimit && k.symmetric; }
}  // namespace

bool FastSmoothingAvailable(double sigma) { return FastFormFits(MakeKernel(sigma)); }

struct GraySmoother::State {
    PlaneSize size;
    Kernel k;
    SmoothingForm form;
    std::function<void(int, std::uint8_t*)> grayRow;
    int done = -1;  // last row pulled into the rings
    std::vector<std::uint8_t> grays;  // ring of n gray rows
    std::vector<double> passD;        // ring of n rows of the horizontal pass (exact form)
    std::vector<double> scratchD;
    std::vector<float> columns;       // column sums of the current row (fast form)
    std::vector<float> edgeWeights;   // per clipped column, its taps' float weights
    std::vector<int> near;
    std::vector<float> values;
    SmoothingCheck check;

    int Width() const { return size.width; }
    std::uint8_t* Gray(int r) { return grays.data() + std::size_t(r % k.n) * Width(); }
    double* PassD(int r) { return passD.data() + std::size_t(r % k.n) * Width(); }
    bool Clipped(int x) const { return x < k.half || x >= Width() - k.half; }
    // Slot of a clipped column in edgeWeights (the left ones first, then the right ones).
    std::size_t EdgeSlot(int x) const {
        const int left = std::min(k.half, Width());
        return std::size_t(x < k.half ? x : left + (x - std::max(left, Width() - k.half))) * std::size_t(k.n);
    }

    void Pull(int r);
    double ExactAt(int x, int y);
    void ExactRow(int y, std::uint8_t* out);
    void FastRow(int y, std::uint8_t* out);
};

void GraySmoother::State::Pull(int r) {
    std::uint8_t* gray = Gray(r);
    grayRow(r, gray);
    if (form == SmoothingForm::kExact) HorizontalRowExact(k, gray, Width(), scratchD.data(), PassD(r));
}

// The literal value at (x, y) before rounding, from the ring of gray rows.
double GraySmoother::State::ExactAt(int x, int y) {
    const int k0 = std::max(-k.half, -y), k1 = std::min(k.half, size.height - 1 - y);
    double sum = 0, weight = 0;
    for (int j = k0; j <= k1; ++j) {
        sum += HorizontalAt(k, Gray(y + j), Width(), x) * k.w[k.half + j];
        weight += k.w[k.half + j];
    }
    return sum / weight;
}

void GraySmoother::State::ExactRow(int y, std::uint8_t* out) {
    const int k0 = std::max(-k.half, -y), k1 = std::min(k.half, size.height - 1 - y);
    std::vector<const double*> rows(std::size_t(k1 - k0 + 1));
    for (int j = k0; j <= k1; ++j) rows[std::size_t(j - k0)] = PassD(y + j);
    const double weight = (k0 == -k.half && k1 == k.half) ? k.full : WeightSum(k.w, k.half + k0, k.half + k1);
    VerticalRowExact(rows.data(), k.w.data() + k.half + k0, k1 - k0 + 1, weight, Width(), out);
}

void GraySmoother::State::FastRow(int y, std::uint8_t* out) {
#ifdef BRIMLET_SMOOTHING_X86
    const int width = Width(), half = k.half;
    const int k0 = std::max(-half, -y), k1 = std::min(half, size.height - 1 - y);
    const std::uint8_t* rows[2 * kFastHalfLimit + 1];
    float clipped[2 * kFastHalfLimit + 1];
    ColumnTaps t{rows, k.pair.data(), k1 - k0 + 1, k0 == -half && k1 == half, half};
    for (int j = k0; j <= k1; ++j) rows[j - k0] = Gray(y + j);
    if (!t.paired) {
        const double weight = WeightSum(k.w, half + k0, half + k1);
        for (int j = k0; j <= k1; ++j) clipped[j - k0] = float(k.w[half + j] / weight);
        t.w = clipped;
    }
    // Rows whose first pass is not paired carry a larger error into the second.
    const float bound = float((t.paired ? 2 * half + 4 : 3 * half + 4) * 0x1p-16);
    float* col = columns.data();
    int x = HasAvx512() ? ColumnSums512(t, width, col) : 0;
    x = ColumnSums(t, width, col, x);
    for (; x < width; ++x) {
        float v = 0;
        for (int i = 0; i < t.count; ++i) v = std::fma(float(rows[i][x]), t.paired ? t.w[std::abs(i - half)] : t.w[i], v);
        col[x] = v;
    }

    const bool checking = form == SmoothingForm::kFastCheckingEveryPixel;
    float* checked = checking ? values.data() : nullptr;
    near.clear();
    // One column in float from the column sums, with the weights of its taps inside the row.
    auto single = [&](int c) {
        float v = 0;
        if (Clipped(c)) {
            const int c0 = std::max(-half, -c), c1 = std::min(half, width - 1 - c);
            const float* w = edgeWeights.data() + EdgeSlot(c);
            for (int j = c0; j <= c1; ++j) v = std::fma(col[c + j], w[j - c0], v);
        } else {
            v = col[c] * k.pair[0];
            for (int j = 1; j <= half; ++j) v = std::fma(col[c - j] + col[c + j], k.pair[std::size_t(j)], v);
        }
        if (checked) checked[c] = v;
        const float r = std::nearbyint(v);
        out[c] = std::uint8_t(std::clamp(r, 0.0f, 255.0f));
        if (std::fabs(v - r) > 0.5f - bound) near.push_back(c);
    };
    x = 0;
    for (; x < std::min(half, width); ++x) single(x);
    if (x < width - half) {
        if (HasAvx512()) x = RoundedRow512(k, col, width, bound, out, near, checked);
        x = RoundedRow(k, col, width, bound, out, near, checked, x);
    }
    for (; x < width; ++x) single(x);
    for (int c : near) out[c] = RoundToByte(ExactAt(c, y));
    check.recomputed += static_cast<long long>(near.size());
    if (checking) {
        for (int c = 0; c < width; ++c) {
            const double error = std::fabs(double(values[std::size_t(c)]) - ExactAt(c, y));
            check.largestShare = std::max(check.largestShare, error / bound);
        }
        check.pixels += width;
    }
#else
    (void)y;
    (void)out;
#endif
}

GraySmoother::GraySmoother(PlaneSize size, double sigma, SmoothingForm form,
                           std::function<void(int, std::uint8_t*)> grayRow)
    : s_(std::make_unique<State>()) {
    State& s = *s_;
    s.size = size;
    s.k = MakeKernel(sigma);
    s.form = (form != SmoothingForm::kExact && FastFormFits(s.k)) ? form : SmoothingForm::kExact;
    s.grayRow = std::move(grayRow);
    const int width = std::max(0, size.width), half = s.k.half;
    const std::size_t ring = std::size_t(s.k.n) * std::size_t(width);
    s.grays.resize(ring);
    if (s.form == SmoothingForm::kExact) {
        s.passD.resize(ring);
        s.scratchD.resize(std::size_t(width));
        return;
    }
    s.columns.resize(std::size_t(width));
    if (s.form == SmoothingForm::kFastCheckingEveryPixel) s.values.resize(std::size_t(width));
    const int left = std::min(half, width), right = std::max(left, width - half);
    s.edgeWeights.resize(std::size_t(left + width - right) * std::size_t(s.k.n));
    for (int c = 0; c < width; ++c) {
        if (!s.Clipped(c)) continue;
        const int c0 = std::max(-half, -c), c1 = std::min(half, width - 1 - c);
        const double weight = WeightSum(s.k.w, half + c0, half + c1);
        float* w = s.edgeWeights.data() + s.EdgeSlot(c);
        for (int j = c0; j <= c1; ++j) w[j - c0] = float(s.k.w[std::size_t(half + j)] / weight);
    }
}

GraySmoother::~GraySmoother() = default;

void GraySmoother::Row(int y, std::uint8_t* out) {
    State& s = *s_;
    const int last = std::min(s.size.height - 1, y + s.k.half);
    for (int r = std::max(s.done + 1, y - s.k.half); r <= last; ++r) s.Pull(r);
    s.done = std::max(s.done, last);
    if (s.form == SmoothingForm::kExact) s.ExactRow(y, out);
    else s.FastRow(y, out);
}

const SmoothingCheck& GraySmoother::Check() const { return s_->check; }

void SmoothGrayPlane(PlaneSize size, const std::uint8_t* gray, std::uint8_t* smoothed, double sigma,
                     SmoothingForm form, SmoothingCheck* check) {
    const std::size_t width = std::size_t(std::max(0, size.width));
    GraySmoother smoother(size, sigma, form, [&](int r, std::uint8_t* out) {
        if (width) std::memcpy(out, gray + std::size_t(r) * width, width);
    });
    for (int y = 0; y < size.height; ++y) smoother.Row(y, smoothed + std::size_t(y) * width);
    if (check) *check = smoother.Check();
}

}  // namespace brimlet::detail
