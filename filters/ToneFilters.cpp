// Fast tone and colour filters. RGBToHSL works on exact integer ratios and falls back to
// the extended evaluation only where a ratio lies exactly on a half, which is the only place
// that evaluation's rounding can decide; HSLToRGB looks its three steps up in tables built
// once from the literal steps. convertimg1 serves gray pixels (all the Pencil Sketch style
// gives it) from a 256-entry table per call.
#include "filters/ToneFilters.h"

#include "core/Parallel.h"
#include "core/ProgressRelay.h"
#include "filters/GrayValue.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace brimlet {

namespace {

#define BRIMLET_CLONES __attribute__((target_clones("avx2", "default")))

// floor(n / d) as (n * kReciprocal[d]) >> 32 with kReciprocal[d] = ceil(2^32 / d); exact
// while n * d < 2^32, which holds here (n < 2^18, d <= 1020).
struct Reciprocals {
    std::array<std::uint64_t, 1021> value{};
    Reciprocals() {
        for (std::uint64_t d = 1; d < value.size(); ++d) value[d] = ((std::uint64_t(1) << 32) + d - 1) / d;
    }
};
const Reciprocals kReciprocals;

// Round(num / den) for num >= 0, den > 0; false when num / den is exactly a half, where
// result is the upper neighbour.
inline bool RoundRatio(unsigned num, unsigned den, int& result) {
    const unsigned n = 2 * num + den, d = 2 * den;
    const unsigned q = unsigned((std::uint64_t(n) * kReciprocals.value[d]) >> 32);
    result = int(q);
    return n != q * d;
}

// The extended value of an exact half between upper - 1 and upper lies within a tiny error
// of upper - 0.5; the side it falls on, or the even neighbour when it is exact, is what
// rounding it gives.
inline int ResolveHalf(long double extended, int upper) {
    const long double half = upper - 0.5L;
    if (extended > half) return upper;
    if (extended < half) return upper - 1;
    return upper % 2 == 0 ? upper : upper - 1;
}

struct HslTables {
    std::array<std::uint32_t, 360> pure{};  // R | G << 8 | B << 16
    std::uint8_t saturate[101][256]{};
    std::uint8_t lighten[101][256]{};
    HslTables() {
        for (int h = 0; h < 360; ++h) {
            int r, g, b;
            reference::PureHue(h, r, g, b);
            pure[h] = std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16;
        }
        for (int v = 0; v <= 100; ++v) {
            for (int c = 0; c < 256; ++c) {
                saturate[v][c] = std::uint8_t(reference::Saturate(c, v));
                lighten[v][c] = std::uint8_t(reference::Lighten(c, v));
            }
        }
    }
};

const HslTables& Tables() {
    static const HslTables tables;
    return tables;
}

// Output pixel (B, G, R, A = 255 - B) for an in-range hue, saturation and lightness.
inline std::uint32_t HslPixel(const HslTables& t, int h, int s, int l) {
    const std::uint32_t pure = t.pure[h];
    const std::uint32_t r = t.lighten[l][t.saturate[s][pure & 0xFF]];
    const std::uint32_t g = t.lighten[l][t.saturate[s][(pure >> 8) & 0xFF]];
    const std::uint32_t b = t.lighten[l][t.saturate[s][pure >> 16]];
    return b | g << 8 | r << 16 | (255 - b) << 24;
}

// Gives output the input's size without copying pixels that are about to be overwritten.
void PrepareOutput(const TBitmap32& input, TBitmap32& output) {
    if (&input == &output) return;
    if (output.Width() != input.Width() || output.Height() != input.Height()) {
        if (output.ByteCount() == input.ByteCount())
            output.Assign(input);  // same memory reused
        else
            output = TBitmap32(input.Width(), input.Height());
    }
}

// RGBToHSL for bytes from the exact ratios: lightness 100 (M + m) / 510, saturation
// 100 (M - m) / (M + m) or / (510 - M - m), hue 60 x (difference) / (M - m) plus the sector.
inline void ExactHsl(int R, int G, int B, int& H, int& S, int& L) {
    const int mx = std::max({R, G, B}), mn = std::min({R, G, B});
    const int sum = mx + mn, diff = mx - mn;
    // 100 * sum / 510 is never exactly a half (20 * sum is even, 51 odd).
    L = (20 * sum + 51) / 102;
    if (diff == 0) {
        H = S = 0;
        return;
    }
    // Both forms of the saturation agree exactly at sum = 255.
    const int den = sum < 255 ? sum : 510 - sum;
    int base, delta;
    if (R == mx) {
        base = G < B ? 360 : 0;
        delta = G - B;
    } else if (G == mx) {
        base = 120;
        delta = B - R;
    } else {
        base = 240;
        delta = R - G;
    }
    const bool exactS = RoundRatio(unsigned(100 * diff), unsigned(den), S);
    const bool exactH = RoundRatio(unsigned(base * diff + 60 * delta), unsigned(diff), H);
    if (!exactS || !exactH) {
        long double hue, saturation, lightness;
        reference::HslExtended(R, G, B, hue, saturation, lightness);
        if (!exactS) S = ResolveHalf(saturation, S);
        if (!exactH) H = ResolveHalf(hue, H);
    }
}

BRIMLET_CLONES
void TwoValueRow(const std::uint8_t* in, std::uint8_t* out, std::size_t pixels, int threshold) {
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint32_t v = in[4 * i + kR] > threshold ? 0x00FFFFFFu : 0xFF000000u;
        std::memcpy(out + 4 * i, &v, 4);
    }
}

// The tone curve at a pressure, for lightness 0..100.
std::array<std::uint8_t, 101> ToneCurve(int pressure) {
    std::array<std::uint8_t, 101> curve;
    for (int l = 0; l <= 100; ++l) curve[l] = std::uint8_t(reference::ToneLightness(pressure, l));
    return curve;
}

// convertimg1's output for each gray pixel B = G = R = v.
std::array<std::uint32_t, 256> GrayPixels(const HslTables& tables, const std::array<std::uint8_t, 101>& curve) {
    std::array<std::uint32_t, 256> gray;
    for (int v = 0; v < 256; ++v) {
        int h, s, l;
        ExactHsl(v, v, v, h, s, l);
        gray[v] = HslPixel(tables, h, s, curve[l]);
    }
    return gray;
}

}  // namespace

void RGBToHSL(int R, int G, int B, int& H, int& S, int& L) {
    // The integer form relies on bytes; anything else takes the literal evaluation.
    if ((unsigned(R) | unsigned(G) | unsigned(B)) > 255u) {
        reference::RGBToHSL(R, G, B, H, S, L);
        return;
    }
    ExactHsl(R, G, B, H, S, L);
}

void HSLToRGB(int H, int S, int L, int& R, int& G, int& B) {
    if (H < 0 || H > 359 || S < 0 || S > 100 || L < 0 || L > 100) {
        R = G = B = 0;
        return;
    }
    const std::uint32_t p = HslPixel(Tables(), H, S, L);
    B = int(p & 0xFF);
    G = int((p >> 8) & 0xFF);
    R = int((p >> 16) & 0xFF);
}

void convertimg1(int pressure, const TBitmap32& input, TBitmap32& output, Progress& progress) {
    const HslTables& tables = Tables();
    const std::array<std::uint8_t, 101> curve = ToneCurve(pressure);
    const std::array<std::uint32_t, 256> gray = GrayPixels(tables, curve);

    PrepareOutput(input, output);
    const int w = input.Width(), h = input.Height();
    const std::size_t stride = input.Stride();
    const std::uint8_t* src = input.Bits();
    std::uint8_t* dst = output.Bits();
    ProgressRelay relay(progress);
    ParallelRows(h, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const std::uint8_t* in = src + std::size_t(y) * stride;
            std::uint8_t* out = dst + std::size_t(y) * stride;
            for (int x = 0; x < w; ++x) {
                const int b = in[4 * x + kB], g = in[4 * x + kG], r = in[4 * x + kR];
                std::uint32_t pixel;
                if (r == g && g == b) {
                    pixel = gray[r];
                } else {
                    // A per-colour memo was tried: on photos it hits too rarely to pay.
                    int hue, sat, light;
                    ExactHsl(r, g, b, hue, sat, light);
                    if (hue == 360) hue = 0;  // the same red; HSLToRGB would give black for 360
                    pixel = HslPixel(tables, hue, sat, curve[light]);
                }
                StorePixel(out + 4 * x, pixel);
            }
            relay.RowsDone(1);
        }
    });
    relay.Finish();
    progress.SetPosition(0);
}

namespace detail {
void GrayThenConvertimg1(int pressure, TBitmap32& picture, Progress& progress) {
    // A gray pixel's tone is convertimg1's table entry for its value, so the gray picture
    // itself is never written.
    const std::array<std::uint32_t, 256> gray = GrayPixels(Tables(), ToneCurve(pressure));
    const int w = picture.Width();
    const std::size_t stride = picture.Stride();
    std::uint8_t* bits = picture.Bits();
    ProgressRelay relay(progress);
    ParallelRows(picture.Height(), [&](int begin, int end) {
        std::vector<std::uint8_t> values(static_cast<std::size_t>(w));
        for (int y = begin; y < end; ++y) {
            std::uint8_t* row = bits + std::size_t(y) * stride;
            GrayValuesRow(row, w, values.data());
            for (int x = 0; x < w; ++x) StorePixel(row + 4 * x, gray[values[std::size_t(x)]]);
            relay.RowsDone(1);
        }
    });
    relay.Finish();
    progress.SetPosition(0);
}
}  // namespace detail

void twovaluetopen(int threshold, const TBitmap32& input, TBitmap32& output) {
    PrepareOutput(input, output);
    const int t = std::clamp(threshold, -1, 255);
    const std::size_t stride = input.Stride();
    const std::uint8_t* src = input.Bits();
    std::uint8_t* dst = output.Bits();
    ParallelRows(input.Height(), [&](int begin, int end) {
        TwoValueRow(src + std::size_t(begin) * stride, dst + std::size_t(begin) * stride,
                    std::size_t(end - begin) * input.Width(), t);
    }, 64);
}

}  // namespace brimlet
