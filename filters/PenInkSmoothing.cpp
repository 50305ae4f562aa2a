// The smoothing of the pen and ink detector, row by row: rings of n gray rows and n rows of
// the horizontal pass, so no full intermediate plane exists.
//
// Why the fast form may round in float: every float step is a fused multiply-add or a sum
// of a pair of taps (the kernel is symmetric). A horizontal value takes half + 1 roundings
// of values below 256 (2^-17 each) and weights off by 2^-24 of themselves (below 2^-16 in
// all); the vertical pass adds half pair sums below 512 (2^-16 each), half + 1 roundings
// again and carries the horizontal error through weights that sum to 1. In all that stays
// below (2 half + 3) 2^-16 of the literal double value; the bound taken is (2 half + 4) 2^-16.
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
    for (; x < x1; ++x) {
        double sum = 0;
        for (int j = 0; j < n; ++j) sum += g[x - half + j] * w[j];
        out[x] = sum / k.full;
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

#ifdef BRIMLET_SMOOTHING_X86
bool HasAvx2Fma() {
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has;
}

// Interior columns [x, width - half) of the horizontal pass in float, 8 at a time (gf: the
// row in float); returns where it stopped.
__attribute__((target("avx2,fma"))) int HorizontalRowFast(const Kernel& k, const float* gf, int width, float* out,
                                                         int x) {
    const int half = k.half;
    const float* pw = k.pair.data();
    const int end = width - half;
    for (; x + 32 <= end; x += 32) {
        const __m256 c = _mm256_set1_ps(pw[0]);
        __m256 a0 = _mm256_mul_ps(_mm256_loadu_ps(gf + x), c);
        __m256 a1 = _mm256_mul_ps(_mm256_loadu_ps(gf + x + 8), c);
        __m256 a2 = _mm256_mul_ps(_mm256_loadu_ps(gf + x + 16), c);
        __m256 a3 = _mm256_mul_ps(_mm256_loadu_ps(gf + x + 24), c);
        for (int j = 1; j <= half; ++j) {
            const __m256 wj = _mm256_set1_ps(pw[j]);
            const float* l = gf + x - j;
            const float* r = gf + x + j;
            a0 = _mm256_fmadd_ps(_mm256_add_ps(_mm256_loadu_ps(l), _mm256_loadu_ps(r)), wj, a0);
            a1 = _mm256_fmadd_ps(_mm256_add_ps(_mm256_loadu_ps(l + 8), _mm256_loadu_ps(r + 8)), wj, a1);
            a2 = _mm256_fmadd_ps(_mm256_add_ps(_mm256_loadu_ps(l + 16), _mm256_loadu_ps(r + 16)), wj, a2);
            a3 = _mm256_fmadd_ps(_mm256_add_ps(_mm256_loadu_ps(l + 24), _mm256_loadu_ps(r + 24)), wj, a3);
        }
        _mm256_storeu_ps(out + x, a0);
        _mm256_storeu_ps(out + x + 8, a1);
        _mm256_storeu_ps(out + x + 16, a2);
        _mm256_storeu_ps(out + x + 24, a3);
    }
    for (; x + 8 <= end; x += 8) {
        __m256 a = _mm256_mul_ps(_mm256_loadu_ps(gf + x), _mm256_set1_ps(pw[0]));
        for (int j = 1; j <= half; ++j)
            a = _mm256_fmadd_ps(_mm256_add_ps(_mm256_loadu_ps(gf + x - j), _mm256_loadu_ps(gf + x + j)),
                                _mm256_set1_ps(pw[j]), a);
        _mm256_storeu_ps(out + x, a);
    }
    return x;
}

// Vertical float sums of 8 columns from x: paired around the centre row, or (near the top
// and bottom) over rows[0..count) with their own weights.
struct VerticalTaps {
    const float* const* rows;
    const float* w;
    int count;
    bool paired;  // rows[half] is the centre, w the pair weights
    int half;
};

// B vectors of 8 columns each from x, in B independent accumulators.
template <int B>
__attribute__((target("avx2,fma"), always_inline)) inline void VerticalSums(const VerticalTaps& t, int x, __m256 (&a)[B]) {
    if (t.paired) {
        const __m256 c = _mm256_set1_ps(t.w[0]);
        for (int b = 0; b < B; ++b) a[b] = _mm256_mul_ps(_mm256_loadu_ps(t.rows[t.half] + x + 8 * b), c);
        for (int j = 1; j <= t.half; ++j) {
            const __m256 wj = _mm256_set1_ps(t.w[j]);
            const float* above = t.rows[t.half - j] + x;
            const float* below = t.rows[t.half + j] + x;
            for (int b = 0; b < B; ++b)
                a[b] = _mm256_fmadd_ps(_mm256_add_ps(_mm256_loadu_ps(above + 8 * b), _mm256_loadu_ps(below + 8 * b)),
                                       wj, a[b]);
        }
        return;
    }
    for (int b = 0; b < B; ++b) a[b] = _mm256_setzero_ps();
    for (int i = 0; i < t.count; ++i) {
        const __m256 wi = _mm256_set1_ps(t.w[i]);
        for (int b = 0; b < B; ++b) a[b] = _mm256_fmadd_ps(_mm256_loadu_ps(t.rows[i] + x + 8 * b), wi, a[b]);
    }
}

// Rounds 8 sums into out; returns the lanes within bound of a half-integer.
__attribute__((target("avx2,fma"), always_inline)) inline unsigned RoundedTo8(__m256 v, __m256 edge, std::uint8_t* out,
                                                                            float* values) {
    const __m256 absMask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
    const __m256 r = _mm256_round_ps(v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    const __m256 off = _mm256_and_ps(_mm256_sub_ps(v, r), absMask);
    const __m256i i = _mm256_cvtps_epi32(r);
    const __m128i w16 = _mm_packus_epi32(_mm256_castsi256_si128(i), _mm256_extracti128_si256(i, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(w16, w16));
    if (values) _mm256_storeu_ps(values, v);
    return unsigned(_mm256_movemask_ps(_mm256_cmp_ps(off, edge, _CMP_GT_OQ)));
}

// Rounded columns [x, ...) of the vertical pass, 8 at a time (x a multiple of 8); lanes
// within bound of a half-integer get their bit set in near[x / 8] (one byte per 8 columns).
// Returns where it stopped.
__attribute__((target("avx2,fma"))) int VerticalRowFast(const VerticalTaps& t, int width, float bound,
                                                       std::uint8_t* out, std::uint8_t* near, float* values, int x) {
    const __m256 edge = _mm256_set1_ps(0.5f - bound);
    for (; x + 32 <= width; x += 32) {
        __m256 a[4];
        VerticalSums<4>(t, x, a);
        for (int b = 0; b < 4; ++b)
            near[x / 8 + b] = std::uint8_t(RoundedTo8(a[b], edge, out + x + 8 * b, values ? values + x + 8 * b : nullptr));
    }
    for (; x + 8 <= width; x += 8) {
        __m256 a[1];
        VerticalSums<1>(t, x, a);
        near[x / 8] = std::uint8_t(RoundedTo8(a[0], edge, out + x, values ? values + x : nullptr));
    }
    return x;
}

__attribute__((target("avx2,fma"))) void ToFloat(const std::uint8_t* gray, int width, float* out) {
    int x = 0;
    for (; x + 8 <= width; x += 8)
        _mm256_storeu_ps(out + x, _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(
                                      _mm_loadl_epi64(reinterpret_cast<const __m128i*>(gray + x)))));
    for (; x < width; ++x) out[x] = gray[x];
}

// The horizontal and vertical steps 16 columns at a time where AVX-512 is at hand.
// GCC 12 takes the undefined pass-through operands of its AVX-512 conversions for
// uninitialised values.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
bool HasAvx512() {
    static const bool has = __builtin_cpu_supports("avx512f");
    return has;
}

__attribute__((target("avx512f"))) int HorizontalRowFast512(const Kernel& k, const float* gf, int width, float* out) {
    const int half = k.half;
    const float* pw = k.pair.data();
    const int end = width - half;
    int x = half;
    for (; x + 64 <= end; x += 64) {
        const __m512 c = _mm512_set1_ps(pw[0]);
        __m512 a[4];
        for (int b = 0; b < 4; ++b) a[b] = _mm512_mul_ps(_mm512_loadu_ps(gf + x + 16 * b), c);
        for (int j = 1; j <= half; ++j) {
            const __m512 wj = _mm512_set1_ps(pw[j]);
            for (int b = 0; b < 4; ++b)
                a[b] = _mm512_fmadd_ps(_mm512_add_ps(_mm512_loadu_ps(gf + x + 16 * b - j), _mm512_loadu_ps(gf + x + 16 * b + j)),
                                       wj, a[b]);
        }
        for (int b = 0; b < 4; ++b) _mm512_storeu_ps(out + x + 16 * b, a[b]);
    }
    return x;
}

__attribute__((target("avx512f"))) int VerticalRowFast512(const VerticalTaps& t, int width, float bound,
                                                         std::uint8_t* out, std::uint8_t* near, float* values) {
    const __m512 edge = _mm512_set1_ps(0.5f - bound);
    int x = 0;
    for (; x + 64 <= width; x += 64) {
        __m512 a[4];
        if (t.paired) {
            const __m512 c = _mm512_set1_ps(t.w[0]);
            for (int b = 0; b < 4; ++b) a[b] = _mm512_mul_ps(_mm512_loadu_ps(t.rows[t.half] + x + 16 * b), c);
            for (int j = 1; j <= t.half; ++j) {
                const __m512 wj = _mm512_set1_ps(t.w[j]);
                const float* above = t.rows[t.half - j] + x;
                const float* below = t.rows[t.half + j] + x;
                for (int b = 0; b < 4; ++b)
                    a[b] = _mm512_fmadd_ps(_mm512_add_ps(_mm512_loadu_ps(above + 16 * b), _mm512_loadu_ps(below + 16 * b)),
                                           wj, a[b]);
            }
        } else {
            for (int b = 0; b < 4; ++b) a[b] = _mm512_setzero_ps();
            for (int i = 0; i < t.count; ++i) {
                const __m512 wi = _mm512_set1_ps(t.w[i]);
                for (int b = 0; b < 4; ++b) a[b] = _mm512_fmadd_ps(_mm512_loadu_ps(t.rows[i] + x + 16 * b), wi, a[b]);
            }
        }
        for (int b = 0; b < 4; ++b) {
            const int at = x + 16 * b;
            const __m512 r = _mm512_roundscale_ps(a[b], _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
            const __mmask16 m = _mm512_cmp_ps_mask(_mm512_abs_ps(_mm512_sub_ps(a[b], r)), edge, _CMP_GT_OQ);
            near[at / 8] = std::uint8_t(m);
            near[at / 8 + 1] = std::uint8_t(m >> 8);
            const __m512i i = _mm512_max_epi32(_mm512_cvtps_epi32(r), _mm512_setzero_si512());
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm512_cvtusepi32_epi8(i));
            if (values) _mm512_storeu_ps(values + at, a[b]);
        }
    }
    return x;
}
#pragma GCC diagnostic pop
#else
bool HasAvx2Fma() { return false; }
#endif

}  // namespace

bool FastSmoothingAvailable(double sigma) {
    const Kernel k = MakeKernel(sigma);
    return HasAvx2Fma() && k.half <= kFastHalfLimit && k.symmetric;
}

struct GraySmoother::State {
    PlaneSize size;
    Kernel k;
    SmoothingForm form;
    std::function<void(int, std::uint8_t*)> grayRow;
    float bound = 0;
    int done = -1;  // last row pulled into the rings
    std::vector<std::uint8_t> grays;  // ring of n gray rows
    std::vector<double> passD;        // ring of n rows of the horizontal pass (exact form)
    std::vector<float> passF;         // the same in float (fast form), with room either side
    std::vector<double> scratchD;
    std::vector<float> scratchF;
    std::vector<std::uint8_t> near;
    std::vector<float> values;
    SmoothingCheck check;

    int Width() const { return size.width; }
    std::uint8_t* Gray(int r) { return grays.data() + std::size_t(r % k.n) * Width(); }
    double* PassD(int r) { return passD.data() + std::size_t(r % k.n) * Width(); }
    float* PassF(int r) { return passF.data() + std::size_t(r % k.n) * Width(); }

    void Pull(int r);
    double ExactAt(int x, int y);
    void ExactRow(int y, std::uint8_t* out);
    void FastRow(int y, std::uint8_t* out);
};

void GraySmoother::State::Pull(int r) {
    const int width = Width();
    std::uint8_t* gray = Gray(r);
    grayRow(r, gray);
    if (form == SmoothingForm::kExact) {
        HorizontalRowExact(k, gray, width, scratchD.data(), PassD(r));
        return;
    }
#ifdef BRIMLET_SMOOTHING_X86
    float* out = PassF(r);
    ToFloat(gray, width, scratchF.data());
    int x = 0;
    for (; x < std::min(k.half, width); ++x) out[x] = float(HorizontalAt(k, gray, width, x));
    if (x < width - k.half) {
        if (HasAvx512()) x = HorizontalRowFast512(k, scratchF.data(), width, out);
        x = HorizontalRowFast(k, scratchF.data(), width, out, x);
    }
    for (; x < width; ++x) out[x] = float(HorizontalAt(k, gray, width, x));
#endif
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
    const double* rows[2 * kFastHalfLimit + 1];
    std::vector<const double*> many;
    const double** r = rows;
    if (k1 - k0 + 1 > 2 * kFastHalfLimit + 1) {
        many.resize(std::size_t(k1 - k0 + 1));
        r = many.data();
    }
    for (int j = k0; j <= k1; ++j) r[j - k0] = PassD(y + j);
    const double weight = (k0 == -k.half && k1 == k.half) ? k.full : WeightSum(k.w, k.half + k0, k.half + k1);
    VerticalRowExact(r, k.w.data() + k.half + k0, k1 - k0 + 1, weight, Width(), out);
}

void GraySmoother::State::FastRow(int y, std::uint8_t* out) {
#ifdef BRIMLET_SMOOTHING_X86
    const int width = Width();
    const int k0 = std::max(-k.half, -y), k1 = std::min(k.half, size.height - 1 - y);
    const float* rows[2 * kFastHalfLimit + 1];
    float clipped[2 * kFastHalfLimit + 1];
    VerticalTaps t{rows, k.pair.data(), k1 - k0 + 1, k0 == -k.half && k1 == k.half, k.half};
    for (int j = k0; j <= k1; ++j) rows[j - k0] = PassF(y + j);
    if (!t.paired) {
        const double weight = WeightSum(k.w, k.half + k0, k.half + k1);
        for (int j = k0; j <= k1; ++j) clipped[j - k0] = float(k.w[k.half + j] / weight);
        t.w = clipped;
    }
    const bool checking = form == SmoothingForm::kFastCheckingEveryPixel;
    float* checked = checking ? values.data() : nullptr;
    int x = HasAvx512() ? VerticalRowFast512(t, width, bound, out, near.data(), checked) : 0;
    x = VerticalRowFast(t, width, bound, out, near.data(), checked, x);
    for (int x0 = 0; x0 < x; x0 += 8)
        for (unsigned m = near[x0 / 8]; m; m &= m - 1) {
            out[x0 + __builtin_ctz(m)] = RoundToByte(ExactAt(x0 + __builtin_ctz(m), y));
            ++check.recomputed;
        }
    for (; x < width; ++x) {
        float v = 0;
        for (int i = 0; i < t.count; ++i) v = std::fma(rows[i][x], t.paired ? t.w[std::abs(i - k.half)] : t.w[i], v);
        if (checking) values[std::size_t(x)] = v;
        if (std::fabs(v - std::nearbyint(v)) > 0.5f - bound) {
            out[x] = RoundToByte(ExactAt(x, y));
            ++check.recomputed;
        } else {
            out[x] = RoundToByte(v);
        }
    }
    if (checking) {
        for (int i = 0; i < width; ++i) {
            const double exact = ExactAt(i, y);
            check.largestError = std::max(check.largestError, std::fabs(double(values[std::size_t(i)]) - exact));
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
    s.form = (form != SmoothingForm::kExact && FastSmoothingAvailable(sigma)) ? form : SmoothingForm::kExact;
    s.grayRow = std::move(grayRow);
    s.bound = float((2 * s.k.half + 4) * 0x1p-16);
    s.check.bound = s.bound;
    const std::size_t width = std::size_t(std::max(0, size.width)), ring = std::size_t(s.k.n) * width;
    s.grays.resize(ring);
    if (s.form == SmoothingForm::kExact) {
        s.passD.resize(ring);
        s.scratchD.resize(width);
    } else {
        s.passF.resize(ring);
        s.scratchF.resize(width);
        s.near.resize(width / 8 + 1);
        if (s.form == SmoothingForm::kFastCheckingEveryPixel) s.values.resize(width);
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
