// Magnitudes and non-maximum suppression of the pen and ink detector, row by row, in the
// integer forms that decide exactly as the literal floating-point steps.
// - Magnitude: Round(sqrt(q) + 0.5) is floor(sqrt(q)) + 1, except for an even square root k
//   of a perfect square q, where the tie goes to k. A float square root decides it exactly
//   for q < 2^17.
// - Non-maximum suppression: m >= Q + (a/b)(P - Q) is decided in integers,
//   b (m - Q) - a (P - Q) >= 0. When that is not 0 it is at least 1/b away from the rounded
//   80-bit evaluation's error, so both agree; exact ties are settled where the 80-bit sum is
//   provably exact and otherwise go to the 80-bit evaluation.
#include "filters/PenInkRidges.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define BRIMLET_PENINK_X86 1
#endif

namespace brimlet::detail {

namespace {

inline std::uint8_t MagnitudeOf(int gx, int gy) {
    const int q = gx * gx + gy * gy;
    const int k = int(std::sqrt(float(q)));
    const int m = (k * k == q && (k & 1) == 0) ? k : k + 1;
    return std::uint8_t(m > 255 ? 255 : m);
}

#ifdef BRIMLET_PENINK_X86
__attribute__((target("avx2"))) inline __m256i Bytes8(const std::uint8_t* p) {
    return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}

// Magnitudes of columns [1, x) of one interior row, 8 at a time; returns where it stopped.
__attribute__((target("avx2"))) int MagnitudeRowAvx2(SmoothedRows3 s, int width, std::uint8_t* out) {
    const __m256i one = _mm256_set1_epi32(1), cap = _mm256_set1_epi32(255);
    int x = 1;
    for (; x + 8 <= width - 1; x += 8) {
        const __m256i gx = _mm256_sub_epi32(Bytes8(s.mid + x + 1), Bytes8(s.mid + x - 1));
        const __m256i gy = _mm256_sub_epi32(Bytes8(s.down + x), Bytes8(s.up + x));
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


// The literal test of one interior pixel, for row tails and exact ties.
inline bool RidgeAt(MagnitudeRows3 mag, SmoothedRows3 s, int x) {
    const std::uint8_t* rows[3] = {mag.up, mag.mid, mag.down};
    int around[9];
    for (int dy = 0; dy < 3; ++dy)
        for (int dx = -1; dx <= 1; ++dx) around[dy * 3 + (dx + 1)] = rows[dy][x + dx];
    return IsRidge(mag.mid[x], s.mid[x + 1] - s.mid[x - 1], s.down[x] - s.up[x], around);
}

#ifdef BRIMLET_PENINK_X86
// Ridge marks of columns [1, x) of one interior row, 8 at a time; returns where it stopped.
// A ridge pixel's mark is its magnitude (at least 1), any other pixel's 0.
__attribute__((target("avx2"))) int RidgeRowAvx2(MagnitudeRows3 rows, SmoothedRows3 s, int width,
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
        const __m256i gx = _mm256_sub_epi32(Bytes8(s.mid + x + 1), Bytes8(s.mid + x - 1));
        const __m256i gy = _mm256_sub_epi32(Bytes8(s.down + x), Bytes8(s.up + x));
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
            if (!RidgeAt(rows, s, x + lane)) candidates &= ~(1u << lane);
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

}  // namespace

bool RidgeSimdAvailable() {
#ifdef BRIMLET_PENINK_X86
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
#else
    return false;
#endif
}

void MagnitudeRow(SmoothedRows3 s, int width, std::uint8_t* out, bool simd) {
    if (width < 3) {
        std::memset(out, 0, std::size_t(std::max(width, 0)));
        return;
    }
    out[0] = out[width - 1] = 0;
    int x = 1;
#ifdef BRIMLET_PENINK_X86
    if (simd) x = MagnitudeRowAvx2(s, width, out);
#else
    (void)simd;
#endif
    for (; x < width - 1; ++x) out[x] = MagnitudeOf(s.mid[x + 1] - s.mid[x - 1], s.down[x] - s.up[x]);
}

void RidgeRow(MagnitudeRows3 mag, SmoothedRows3 s, int width, std::uint8_t* out, long long* histogram, bool simd) {
    if (width < 3) {
        std::memset(out, 0, std::size_t(std::max(width, 0)));
        return;
    }
    out[0] = out[width - 1] = 0;
    int x = 1;
#ifdef BRIMLET_PENINK_X86
    if (simd) x = RidgeRowAvx2(mag, s, width, out, histogram);
#else
    (void)simd;
#endif
    for (; x < width - 1; ++x) {
        const int m = mag.mid[x];
        const bool ridge = m != 0 && RidgeAt(mag, s, x);
        out[x] = ridge ? std::uint8_t(m) : 0;
        if (ridge) ++histogram[m];
    }
}

}  // namespace brimlet::detail
