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
// 16 bytes from p, widened to 16-bit lanes.
__attribute__((target("avx2"))) inline __m256i Bytes16(const std::uint8_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// 16 lanes of 0..255 back to 16 bytes in order at out.
__attribute__((target("avx2"))) inline void Store16(std::uint8_t* out, __m256i v) {
    const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(v, v), 0xD8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(bytes));
}

// Products a0 b0 + a1 b1 of 16-bit lanes as 32-bit values: lo holds lanes 0-3 and 8-11, hi
// lanes 4-7 and 12-15, so that packing lo with hi restores the lane order.
struct Wide {
    __m256i lo, hi;
};
__attribute__((target("avx2"))) inline Wide DotPairs(__m256i a0, __m256i a1, __m256i b0, __m256i b1) {
    return {_mm256_madd_epi16(_mm256_unpacklo_epi16(a0, a1), _mm256_unpacklo_epi16(b0, b1)),
            _mm256_madd_epi16(_mm256_unpackhi_epi16(a0, a1), _mm256_unpackhi_epi16(b0, b1))};
}

// 16-bit masks, in lane order, of the lanes whose 32-bit d is below 0, or is 0.
__attribute__((target("avx2"))) inline __m256i Below(const Wide& d) {
    const __m256i zero = _mm256_setzero_si256();
    return _mm256_packs_epi32(_mm256_cmpgt_epi32(zero, d.lo), _mm256_cmpgt_epi32(zero, d.hi));
}
__attribute__((target("avx2"))) inline __m256i Level(const Wide& d) {
    const __m256i zero = _mm256_setzero_si256();
    return _mm256_packs_epi32(_mm256_cmpeq_epi32(d.lo, zero), _mm256_cmpeq_epi32(d.hi, zero));
}

// Magnitudes of 8 lanes from q = gx^2 + gy^2.
__attribute__((target("avx2"))) inline __m256i MagnitudeOf8(__m256i q) {
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i k = _mm256_cvttps_epi32(_mm256_sqrt_ps(_mm256_cvtepi32_ps(q)));
    const __m256i square = _mm256_cmpeq_epi32(_mm256_mullo_epi32(k, k), q);
    const __m256i even = _mm256_cmpeq_epi32(_mm256_and_si256(k, one), _mm256_setzero_si256());
    return _mm256_add_epi32(k, _mm256_andnot_si256(_mm256_and_si256(square, even), one));
}

// Magnitudes of columns [1, x) of one interior row, 16 at a time; returns where it stopped.
__attribute__((target("avx2"))) int MagnitudeRowAvx2(SmoothedRows3 s, int width, std::uint8_t* out) {
    int x = 1;
    for (; x + 16 <= width - 1; x += 16) {
        const __m256i gx = _mm256_sub_epi16(Bytes16(s.mid + x + 1), Bytes16(s.mid + x - 1));
        const __m256i gy = _mm256_sub_epi16(Bytes16(s.down + x), Bytes16(s.up + x));
        const Wide q = DotPairs(gx, gy, gx, gy);
        // Saturating packs: magnitudes above 255 (up to 361) become 255.
        Store16(out + x, _mm256_packs_epi32(MagnitudeOf8(q.lo), MagnitudeOf8(q.hi)));
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
// Ridge marks of columns [1, x) of one interior row, 16 at a time in 16-bit lanes; returns
// where it stopped. The products b (m - Q) and a (P - Q) reach 65025, so each difference
// b (m - Q) - a (P - Q) is formed in 32 bits by a multiply-add of lane pairs.
__attribute__((target("avx2"))) int RidgeRowAvx2(MagnitudeRows3 rows, SmoothedRows3 s, int width,
                                                 std::uint8_t* marks, RidgeHistogram& histogram) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i laneBits = _mm256_setr_epi16(1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096, 8192,
                                               16384, -32768);
    const std::uint8_t* up = rows.up;
    const std::uint8_t* mag = rows.mid;
    const std::uint8_t* down = rows.down;
    int x = 1;
    for (; x + 16 <= width - 1; x += 16) {
        const __m256i m = Bytes16(mag + x);
        const __m256i nw = Bytes16(up + x - 1), n = Bytes16(up + x), ne = Bytes16(up + x + 1);
        const __m256i w = Bytes16(mag + x - 1), e = Bytes16(mag + x + 1);
        const __m256i sw = Bytes16(down + x - 1), so = Bytes16(down + x), se = Bytes16(down + x + 1);
        const __m256i gx = _mm256_sub_epi16(Bytes16(s.mid + x + 1), Bytes16(s.mid + x - 1));
        const __m256i gy = _mm256_sub_epi16(Bytes16(s.down + x), Bytes16(s.up + x));
        const __m256i ax = _mm256_abs_epi16(gx), ay = _mm256_abs_epi16(gy);
        const __m256i bothPos = _mm256_and_si256(_mm256_cmpgt_epi16(gx, zero), _mm256_cmpgt_epi16(gy, zero));
        const __m256i bothNeg = _mm256_and_si256(_mm256_cmpgt_epi16(zero, gx), _mm256_cmpgt_epi16(zero, gy));
        const __m256i same = _mm256_or_si256(bothPos, bothNeg);
        const __m256i steep = _mm256_cmpgt_epi16(ay, ax);
        const __m256i num = _mm256_blendv_epi8(ay, ax, steep);
        const __m256i den = _mm256_blendv_epi8(ax, ay, steep);
        const __m256i p1 = _mm256_blendv_epi8(_mm256_blendv_epi8(ne, se, same), _mm256_blendv_epi8(ne, nw, same), steep);
        const __m256i q1 = _mm256_blendv_epi8(e, n, steep);
        const __m256i p2 = _mm256_blendv_epi8(_mm256_blendv_epi8(sw, nw, same), _mm256_blendv_epi8(sw, se, same), steep);
        const __m256i q2 = _mm256_blendv_epi8(w, so, steep);
        // d = den (m - Q) + num (Q - P), as 32-bit halves; then back to 16-bit masks in order.
        const Wide d1 = DotPairs(den, num, _mm256_sub_epi16(m, q1), _mm256_sub_epi16(q1, p1));
        const Wide d2 = DotPairs(den, num, _mm256_sub_epi16(m, q2), _mm256_sub_epi16(q2, p2));
        const __m256i negative = _mm256_or_si256(Below(d1), Below(d2));
        // An exact tie is decided here when the 80-bit sum is exact too: w = 0 (side = Q),
        // w = 1 (side = P), or P = Q = m (w m is exact, and the rounding of (1 - w) m stays
        // within half a unit of m, so the sum rounds to m). Only the rest need the 80-bit path.
        const __m256i exactW = _mm256_or_si256(_mm256_cmpeq_epi16(num, zero), _mm256_cmpeq_epi16(num, den));
        const __m256i open1 = _mm256_andnot_si256(_mm256_or_si256(exactW, _mm256_cmpeq_epi16(p1, q1)), Level(d1));
        const __m256i open2 = _mm256_andnot_si256(_mm256_or_si256(exactW, _mm256_cmpeq_epi16(p2, q2)), Level(d2));
        const __m256i tied = _mm256_or_si256(open1, open2);
        const __m256i keep = _mm256_andnot_si256(_mm256_or_si256(negative, _mm256_cmpeq_epi16(m, zero)),
                                                 _mm256_cmpeq_epi16(zero, zero));
        __m256i kept = _mm256_and_si256(m, keep);
        const __m256i tiedKept = _mm256_and_si256(tied, keep);
        if (!_mm256_testz_si256(tiedKept, tiedKept)) {
            // One bit per lane: the byte packing puts lanes 0-7 in bits 0-7, 8-15 in 16-23.
            const unsigned packed = unsigned(_mm256_movemask_epi8(_mm256_packs_epi16(tiedKept, zero)));
            unsigned candidates = 0xFFFF;
            for (unsigned t = (packed & 0xFF) | ((packed >> 8) & 0xFF00); t; t &= t - 1) {
                const int lane = __builtin_ctz(t);
                if (!RidgeAt(rows, s, x + lane)) candidates &= ~(1u << lane);
            }
            const __m256i bit = _mm256_and_si256(_mm256_set1_epi16(short(candidates)), laneBits);
            kept = _mm256_and_si256(kept, _mm256_cmpeq_epi16(bit, laneBits));
        }
        const __m128i bytes = _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packus_epi16(kept, kept), 0xD8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(marks + x), bytes);
        // Counted one table per lane, from registers: loading the bytes just stored back
        // would wait on the store. Bin 0 takes the non-ridges (skipping them by branch
        // costs more in mispredictions than it saves).
        std::uint64_t low = std::uint64_t(_mm_cvtsi128_si64(bytes)), high = std::uint64_t(_mm_extract_epi64(bytes, 1));
        for (int lane = 0; lane < 8; ++lane, low >>= 8, high >>= 8) {
            ++histogram.lanes[lane][low & 255];
            ++histogram.lanes[lane + 8][high & 255];
        }
    }
    return x;
}
#endif

// Zeroes the first and last columns of a row (all of it when it has no interior column);
// false when there is no interior to work on.
bool FrameColumns(int width, std::uint8_t* out) {
    if (width < 3) {
        std::memset(out, 0, std::size_t(std::max(width, 0)));
        return false;
    }
    out[0] = out[width - 1] = 0;
    return true;
}

}  // namespace

void MagnitudeRow(SmoothedRows3 s, int width, std::uint8_t* out, bool simd) {
    if (!FrameColumns(width, out)) return;
    int x = 1;
#ifdef BRIMLET_PENINK_X86
    if (simd) x = MagnitudeRowAvx2(s, width, out);
#else
    (void)simd;
#endif
    for (; x < width - 1; ++x) out[x] = MagnitudeOf(s.mid[x + 1] - s.mid[x - 1], s.down[x] - s.up[x]);
}

void RidgeHistogram::AddTo(long long (&total)[256]) const {
    for (const auto& lane : lanes)
        for (int i = 1; i < 256; ++i) total[i] += lane[i];
}

void RidgeRow(MagnitudeRows3 mag, SmoothedRows3 s, int width, std::uint8_t* out, RidgeHistogram& histogram,
              bool simd) {
    if (!FrameColumns(width, out)) return;
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
        if (ridge) ++histogram.lanes[0][m];
    }
}

}  // namespace brimlet::detail
