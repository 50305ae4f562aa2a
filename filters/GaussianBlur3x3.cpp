// The blur with a 3 x 3 kernel (radius 1, the "Sleek:" slider's lowest setting) straight
// from three rows of bytes: corner, side and centre weights each multiply the sum of their
// four (or one) taps, so an interior channel is a * corners + b * sides + c * centre, the
// same integer sum as the literal loop. The general plan's box rows, groups and 16-bit row
// copies cost more than the sum itself at this size.
//
// Division by the total t uses a float: q = trunc((s + 0.5) / t) with the reciprocal and the
// product each rounded once is within 255 * 2^-23 of the exact quotient, and (s + 0.5) / t
// lies at least 0.5 / t from an integer, so for t <= 4096 the truncation is exact (also
// checked for every sum of every such total).
#include "filters/GaussianBlur.h"

#include "filters/InPlaceRowPass.h"

#include <cstring>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define BRIMLET_BLUR3_X86 1
#endif

namespace brimlet::detail {

namespace {

struct Weights3 {
    std::int32_t corner, side, centre, total;
};

inline std::uint8_t Divide(std::int64_t sum, std::int64_t divisor) {
    const std::int64_t v = divisor >= 2 ? sum / divisor : sum;
    return std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// A pixel whose window leaves the picture: only the taps inside count, in sum and divisor.
// up or down is null where that row lies outside.
void EdgePixel(const Weights3& k, const std::uint8_t* up, const std::uint8_t* mid,
               const std::uint8_t* down, int x, int width, std::uint8_t* out) {
    const std::uint8_t* rows[3] = {up, mid, down};
    std::int64_t sum[3] = {0, 0, 0}, divisor = 0;
    for (int dy = -1; dy <= 1; ++dy) {
        const std::uint8_t* row = rows[dy + 1];
        if (!row) continue;
        for (int dx = -1; dx <= 1; ++dx) {
            if (x + dx < 0 || x + dx >= width) continue;
            const std::int32_t w = dx == 0 && dy == 0 ? k.centre : (dx == 0 || dy == 0 ? k.side : k.corner);
            const std::uint8_t* p = row + 4 * (x + dx);
            for (int c = 0; c < 3; ++c) sum[c] += std::int64_t(w) * p[c];
            divisor += w;
        }
    }
    for (int c = 0; c < 3; ++c) out[4 * x + c] = Divide(sum[c], divisor);
    out[4 * x + 3] = mid[4 * x + 3];
}

// Interior pixels [from, width - 1) of a row.
__attribute__((target_clones("avx2", "default")))
void InteriorPortable(const Weights3& k, const std::uint8_t* up, const std::uint8_t* mid,
                      const std::uint8_t* down, int from, int width, std::uint8_t* out) {
    for (std::size_t i = 4 * std::size_t(from); i < 4 * std::size_t(width - 1); i += 4) {
        for (std::size_t c = i; c < i + 3; ++c) {
            const int corners = up[c - 4] + up[c + 4] + down[c - 4] + down[c + 4];
            const int sides = up[c] + down[c] + mid[c - 4] + mid[c + 4];
            const std::int32_t s = k.corner * corners + k.side * sides + k.centre * mid[c];
            out[c] = std::uint8_t(s / k.total);
        }
        out[i + 3] = mid[i + 3];
    }
}

#ifdef BRIMLET_BLUR3_X86
__attribute__((target("avx2"))) inline __m256i Widen(const std::uint8_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

__attribute__((target("avx2"))) inline __m256i Quotient(__m256i s, __m256 reciprocal) {
    const __m256 v = _mm256_add_ps(_mm256_cvtepi32_ps(s), _mm256_set1_ps(0.5f));
    return _mm256_cvttps_epi32(_mm256_mul_ps(v, reciprocal));
}

// Interior pixels from x = 1, four at a time (16 bytes); returns the first pixel not done.
__attribute__((target("avx2"))) int InteriorAvx2(const Weights3& k, const std::uint8_t* up,
                                                 const std::uint8_t* mid, const std::uint8_t* down,
                                                 int width, std::uint8_t* out) {
    const __m256i cornerSide = _mm256_set1_epi32(int(std::uint32_t(std::uint16_t(k.corner)) |
                                                     std::uint32_t(std::uint16_t(k.side)) << 16));
    const __m256i centre = _mm256_set1_epi32(k.centre);  // (centre, 0) pairs
    const __m256 reciprocal = _mm256_set1_ps(1.0f / float(k.total));
    const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
    const __m256i zero = _mm256_setzero_si256();
    const std::size_t end = 4 * std::size_t(width - 1);
    std::size_t e = 4;
    for (; e + 16 <= end; e += 16) {
        const __m256i corners = _mm256_add_epi16(_mm256_add_epi16(Widen(up + e - 4), Widen(up + e + 4)),
                                                 _mm256_add_epi16(Widen(down + e - 4), Widen(down + e + 4)));
        const __m256i sides = _mm256_add_epi16(_mm256_add_epi16(Widen(up + e), Widen(down + e)),
                                               _mm256_add_epi16(Widen(mid + e - 4), Widen(mid + e + 4)));
        const __m256i middle = Widen(mid + e);
        const __m256i lo = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(corners, sides), cornerSide),
                                            _mm256_madd_epi16(_mm256_unpacklo_epi16(middle, zero), centre));
        const __m256i hi = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(corners, sides), cornerSide),
                                            _mm256_madd_epi16(_mm256_unpackhi_epi16(middle, zero), centre));
        // unpack works within 128-bit halves and packs undoes it: the bytes are in order again.
        const __m256i q16 = _mm256_packs_epi32(Quotient(lo, reciprocal), Quotient(hi, reciprocal));
        const __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(q16), _mm256_extracti128_si256(q16, 1));
        const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mid + e));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + e), _mm_blendv_epi8(bytes, keep, alpha));
    }
    return int(e / 4);
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

}  // namespace

bool Blur3x3(TBitmap32& buffer, const std::vector<std::int32_t>& kernel, std::int64_t total, bool simd) {
    if (kernel.size() != 9) return false;
    const Weights3 k{kernel[0], kernel[1], kernel[4], std::int32_t(total)};
    const bool symmetric = kernel[2] == k.corner && kernel[6] == k.corner && kernel[8] == k.corner &&
                           kernel[3] == k.side && kernel[5] == k.side && kernel[7] == k.side;
    auto fits16 = [](std::int32_t w) { return w >= 0 && w <= 32767; };
    if (!symmetric || !fits16(k.corner) || !fits16(k.side) || !fits16(k.centre) || total < 2 ||
        total > 4096 || total != 4 * std::int64_t(k.corner) + 4 * std::int64_t(k.side) + k.centre)
        return false;
    const int width = buffer.Width(), height = buffer.Height();
    if (width < 3 || height < 3) return false;
#ifdef BRIMLET_BLUR3_X86
    simd = simd && HasAvx2();
#else
    simd = false;
#endif

    // The first and last row need the originals of their neighbours, which the pass overwrites.
    const std::size_t stride = buffer.Stride();
    std::vector<std::uint8_t> top(buffer.ScanLine(0), buffer.ScanLine(0) + 2 * stride);
    std::vector<std::uint8_t> bottom(buffer.ScanLine(height - 2), buffer.ScanLine(height - 2) + 2 * stride);

    InPlaceRowPass<1>(buffer, 1, height - 1, [&](const std::uint8_t* const* rows, std::uint8_t* out) {
        int x = 1;
#ifdef BRIMLET_BLUR3_X86
        if (simd) x = InteriorAvx2(k, rows[0], rows[1], rows[2], width, out);
#endif
        InteriorPortable(k, rows[0], rows[1], rows[2], x, width, out);
        EdgePixel(k, rows[0], rows[1], rows[2], 0, width, out);
        EdgePixel(k, rows[0], rows[1], rows[2], width - 1, width, out);
    });

    std::vector<std::uint8_t> row(stride);
    auto edgeRow = [&](const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down, int y) {
        for (int x = 0; x < width; ++x) EdgePixel(k, up, mid, down, x, width, row.data());
        std::memcpy(buffer.ScanLine(y), row.data(), stride);
    };
    edgeRow(nullptr, top.data(), top.data() + stride, 0);
    edgeRow(bottom.data(), bottom.data() + stride, nullptr, height - 1);
    return true;
}

}  // namespace brimlet::detail
