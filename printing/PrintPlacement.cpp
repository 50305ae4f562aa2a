#include "printing/PrintPlacement.h"

#include <climits>
#include <cmath>

namespace brimlet::placement {

int Round(long double value) {
    if (std::isnan(value)) return 0;
    const long double rounded = std::nearbyint(value);
    if (rounded >= static_cast<long double>(INT_MAX)) return INT_MAX;
    if (rounded <= static_cast<long double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(rounded);
}

int Clamp32(std::int64_t value) {
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

bool IsIntegerText(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c != '-' && (c < '0' || c > '9')) return false;
    return true;
}

Placement StartPlacement(int w, int h) {
    Placement p;
    p.top = Round((kPageHeightMm - h / kPixelsPerMm) / 2);
    p.left = Round((kPageWidthMm - w / kPixelsPerMm) / 2);
    p.width = Round(w / kPixelsPerMm);
    p.height = Round(h / kPixelsPerMm);
    return p;
}

// The product is exact in 64 bits, so sizes whose product leaves 32 bits still scale
// sensibly instead of wrapping to a negative size.
static int ScaleSide(int side, int numerator, int denominator) {
    const std::int64_t product = std::int64_t(side) * numerator;
    return Round(static_cast<long double>(product) / static_cast<long double>(denominator));
}

int HeightForWidth(int widthMm, int w, int h) { return ScaleSide(widthMm, h, w); }

int WidthForHeight(int heightMm, int w, int h) { return ScaleSide(heightMm, w, h); }

int EnlargeTopShift(int w, int h) {
    return Round(static_cast<long double>(h) / static_cast<long double>(w));
}

int CentredTop(int heightMm) { return Clamp32((std::int64_t(kPageHeightMm) - heightMm) / 2); }

int CentredLeft(int widthMm) { return Clamp32((std::int64_t(kPageWidthMm) - widthMm) / 2); }

Placement FitPlacement(int w, int h) {
    Placement p;
    const long double ratio = static_cast<long double>(w) / static_cast<long double>(h);
    const long double fitRatio = static_cast<long double>(kFitWidthMm) / kFitHeightMm;
    if (ratio <= fitRatio) {
        p.top = kFitMarginMm;
        p.height = kFitHeightMm;
        p.width = ScaleSide(kFitHeightMm, w, h);
        p.left = Round(static_cast<long double>(std::int64_t(kPageWidthMm) - p.width) / 2);
    } else {
        p.width = kFitWidthMm;
        p.left = kFitMarginMm;
        p.height = ScaleSide(kFitWidthMm, h, w);
        p.top = Round(static_cast<long double>(std::int64_t(kPageHeightMm) - p.height) / 2);
    }
    return p;
}

int MmToUnits(int mm) { return Round(mm * kPixelsPerMm); }

Rect PageRectFromValues(int topMm, int leftMm, int widthMm, int heightMm) {
    Rect r;
    r.left = MmToUnits(leftMm);
    r.top = MmToUnits(topMm);
    r.right = Clamp32(std::int64_t(r.left) + MmToUnits(widthMm));
    r.bottom = Clamp32(std::int64_t(r.top) + MmToUnits(heightMm));
    return r;
}

DeviceRect UnitsToDevice(const Rect& units, double dotsPerInchX, double dotsPerInchY) {
    constexpr long double kMmPerInch = 25.4L;
    const long double perUnitX = dotsPerInchX / kMmPerInch / kPixelsPerMm;
    const long double perUnitY = dotsPerInchY / kMmPerInch / kPixelsPerMm;
    DeviceRect d;
    d.left = static_cast<double>(units.left * perUnitX);
    d.top = static_cast<double>(units.top * perUnitY);
    d.width = static_cast<double>((std::int64_t(units.right) - units.left) * perUnitX);
    d.height = static_cast<double>((std::int64_t(units.bottom) - units.top) * perUnitY);
    return d;
}

}  // namespace brimlet::placement
