#include "filters/GrayValue.h"

#include "core/Image32.h"

#include <array>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define BRIMLET_GRAY_X86 1
#endif

namespace brimlet {

namespace reference {

std::uint8_t GrayValue(int r, int g, int b) {
    const long double v = (0.3L * r + 0.59L * g) + 0.11L * b;
    long double rounded = std::nearbyintl(v);  // the default mode rounds halves to even
    if (rounded < 0) rounded = 0;
    if (rounded > 255) rounded = 255;
    return std::uint8_t(rounded);
}

}  // namespace reference

namespace {

std::array<std::uint8_t, 65536> BuildTieTable() {
    std::array<std::uint8_t, 65536> table{};
    for (int r = 0; r < 256; ++r) {
        for (int g = 0; g < 256; ++g) {
            std::uint8_t bits = 0;
            // 11 * 91 = 1001, so B = 91 * (50 - 30 R - 59 G) modulo 100 is the first tie.
            const int b0 = ((91 * (50 - 30 * r - 59 * g)) % 100 + 100) % 100;
            for (int b = b0; b < 256; b += 100) {
                const int n = 30 * r + 59 * g + 11 * b;
                if (reference::GrayValue(r, g, b) == n / 100 + 1) bits |= std::uint8_t(1u << (b / 100));
            }
            table[(r << 8) | g] = bits;
        }
    }
    return table;
}

}  // namespace

const std::uint8_t* GrayTieTable() {
    static const std::array<std::uint8_t, 65536> table = BuildTieTable();
    return table.data();
}

std::uint8_t GrayValue(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return GrayValueFromTable(GrayTieTable(), r, g, b);
}

namespace {

bool gAllowSimd = true;

#ifdef BRIMLET_GRAY_X86
bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// 16 pixels a step in 16-bit lanes: n = 11 B + 59 G + 30 R <= 25500 from byte products
// (maddubs), q = (n + 49) / 100 as (n + 49) * 5243 >> 19 (exact below 43699), and a
// remainder of 99 flags a tie, settled from the table. Returns where it stopped.
__attribute__((target("avx2"))) int GrayValuesAvx2(const std::uint8_t* ties, const std::uint8_t* pixels, int width,
                                                 std::uint8_t* gray) {
    const __m256i weights = _mm256_set1_epi32(0x001E3B0B);  // B 11, G 59, R 30, A 0
    const __m256i ones = _mm256_set1_epi16(1);
    const __m256i bias = _mm256_set1_epi16(49), magic = _mm256_set1_epi16(5243), hundred = _mm256_set1_epi16(100);
    const __m256i ninetyNine = _mm256_set1_epi16(99);
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + 4 * std::size_t(x)));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + 4 * std::size_t(x) + 32));
        const __m256i na = _mm256_madd_epi16(_mm256_maddubs_epi16(a, weights), ones);
        const __m256i nb = _mm256_madd_epi16(_mm256_maddubs_epi16(b, weights), ones);
        // packs works within 128-bit halves; the permute puts the 16 values back in order.
        const __m256i n = _mm256_add_epi16(_mm256_permute4x64_epi64(_mm256_packs_epi32(na, nb), 0xD8), bias);
        const __m256i q = _mm256_srli_epi16(_mm256_mulhi_epu16(n, magic), 3);
        const __m256i tie = _mm256_cmpeq_epi16(_mm256_sub_epi16(n, _mm256_mullo_epi16(q, hundred)), ninetyNine);
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(q, q), 0xD8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(gray + x), _mm256_castsi256_si128(bytes));
        for (unsigned m = unsigned(_mm256_movemask_epi8(tie)); m; m &= m - 1) {
            const int i = x + int(__builtin_ctz(m)) / 2;
            const std::uint8_t* p = pixels + 4 * std::size_t(i);
            gray[i] = GrayValueFromTable(ties, p[kR], p[kG], p[kB]);
            m &= m - 1;  // each lane sets two bits
        }
    }
    return x;
}
#endif

}  // namespace

void GrayValuesRow(const std::uint8_t* pixels, int width, std::uint8_t* gray) {
    const std::uint8_t* ties = GrayTieTable();
    int x = 0;
#ifdef BRIMLET_GRAY_X86
    if (gAllowSimd && HasAvx2()) x = GrayValuesAvx2(ties, pixels, width, gray);
#endif
    for (; x < width; ++x) {
        const std::uint8_t* p = pixels + 4 * std::size_t(x);
        gray[x] = GrayValueFromTable(ties, p[kR], p[kG], p[kB]);
    }
}

namespace detail {
void SetGrayValuesSimd(bool allowed) { gAllowSimd = allowed; }
}  // namespace detail

}  // namespace brimlet
