// Literal forms of the tone and colour filters. Values the algorithm stores as double are
// rounded to double where it stores them; everything else stays in 80-bit long double.
#include "filters/ToneFilters.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace brimlet::reference {

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;
constexpr long double kHueStep = 4.25L;  // 255 / 60

int Round(long double v) { return int(std::nearbyintl(v)); }

}  // namespace

void HslExtended(int R, int G, int B, long double& hue, long double& saturation, long double& lightness) {
    const double r = R / 255.0L, g = G / 255.0L, b = B / 255.0L;
    const double mx = std::max({r, g, b});
    const double mn = std::min({r, g, b});
    const double l = ((long double)mx + mn) / 2;
    long double h = 0, s = 0;
    if (mx != mn) {
        s = l < 0.5 ? ((long double)mx - mn) / ((long double)mx + mn)
                    : ((long double)mx - mn) / (2 - (long double)mx - mn);
        const long double d = (long double)mx - mn;
        if (r == mx)
            h = ((long double)g - b) / d;
        else if (g == mx)
            h = 2 + ((long double)b - r) / d;
        else
            h = 4 + ((long double)r - g) / d;
        h = h / 6;
        if (h < 0) h = h + 1;
    }
    hue = h * 360;
    saturation = s * 100;
    lightness = (long double)l * 100;
}

void RGBToHSL(int R, int G, int B, int& H, int& S, int& L) {
    long double hue, saturation, lightness;
    HslExtended(R, G, B, hue, saturation, lightness);
    H = Round(hue);
    S = Round(saturation);
    L = Round(lightness);
}

void PureHue(int hue, int& R, int& G, int& B) {
    R = G = B = 0;
    if (hue <= 60) {
        R = 255;
        G = Round(hue * kHueStep);
    } else if (hue <= 120) {
        R = Round(255 - (hue - 60) * kHueStep);
        G = 255;
    } else if (hue <= 180) {
        G = 255;
        B = Round((hue - 120) * kHueStep);
    } else if (hue <= 240) {
        G = Round(255 - (hue - 180) * kHueStep);
        B = 255;
    } else if (hue <= 300) {
        R = Round((hue - 240) * kHueStep);
        B = 255;
    } else {
        R = 255;
        B = Round(255 - (hue - 300) * kHueStep);
    }
}

int Saturate(int channel, int saturation) {
    const double f = std::abs(saturation - 100) / 100.0L;
    return Round(channel - (channel - 128) * (long double)f);
}

int Lighten(int channel, int lightness) {
    const double e = (lightness - 50) / 50.0L;
    if (e > 0) return Round(channel + (255 - channel) * (long double)e);
    if (e < 0) return Round(channel + channel * (long double)e);
    return channel;
}

void HSLToRGB(int H, int S, int L, int& R, int& G, int& B) {
    R = G = B = 0;
    if (H < 0 || H > 359 || S < 0 || S > 100 || L < 0 || L > 100) return;
    PureHue(H, R, G, B);
    R = Lighten(Saturate(R, S), L);
    G = Lighten(Saturate(G, S), L);
    B = Lighten(Saturate(B, S), L);
}

int ToneLightness(int pressure, int lightness) {
    const long double t = std::tan(pressure * kPi / 180);
    long double l;
    if (pressure < 45)
        l = std::nearbyintl(t * (lightness - 55)) + (100 - (long double)pressure);
    else
        l = std::nearbyintl(t * ((long double)lightness - pressure - 5)) + 50;
    // Limited before the conversion to int, so that a slope near 90 degrees cannot overflow.
    return int(std::clamp(l, 0.0L, 100.0L));
}

void convertimg1(int pressure, const TBitmap32& input, TBitmap32& output, Progress& progress) {
    TBitmap32 temp;
    temp.Assign(input);
    for (int y = 0; y < temp.Height(); ++y) {
        std::uint8_t* row = temp.ScanLine(y);
        for (int x = 0; x < temp.Width(); ++x) {
            std::uint8_t* p = row + 4 * x;
            int hue, saturation, lightness;
            RGBToHSL(p[kR], p[kG], p[kB], hue, saturation, lightness);
            if (hue == 360) hue = 0;  // the same red; HSLToRGB would give black for 360
            int r, g, b;
            HSLToRGB(hue, saturation, ToneLightness(pressure, lightness), r, g, b);
            p[kB] = std::uint8_t(b);
            p[kG] = std::uint8_t(g);
            p[kR] = std::uint8_t(r);
            p[kA] = std::uint8_t(255 - b);
        }
        progress.Advance(1);
    }
    output.Assign(temp);
    progress.SetPosition(0);
}

void twovaluetopen(int threshold, const TBitmap32& input, TBitmap32& output) {
    TBitmap32 temp;
    temp.Assign(input);
    for (int y = 0; y < temp.Height(); ++y) {
        std::uint8_t* row = temp.ScanLine(y);
        for (int x = 0; x < temp.Width(); ++x) {
            std::uint8_t* p = row + 4 * x;
            const std::uint8_t v = p[kR] > threshold ? 255 : 0;
            p[kB] = p[kG] = p[kR] = v;
            p[kA] = std::uint8_t(255 - v);
        }
    }
    output.Assign(temp);
}

}  // namespace brimlet::reference
