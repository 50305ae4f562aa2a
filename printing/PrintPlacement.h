// Placement arithmetic of the print set-up window, free of widgets so it can be checked
// with tables of telling cases. Everything is in whole millimetres on an upright A4 page;
// the page rectangle comes out in units of 1/14.4 mm, which the printing code then maps to
// the real printer's device pixels.
#pragma once

#include "core/Image32.h"

#include <cstdint>
#include <string_view>

namespace brimlet::placement {

// Picture pixels per millimetre at natural size, and printer units per millimetre.
inline constexpr long double kPixelsPerMm = 14.4L;
inline constexpr int kPageWidthMm = 210;
inline constexpr int kPageHeightMm = 297;
// The area inside 5 mm margins that "Fit the page" fills.
inline constexpr int kFitMarginMm = 5;
inline constexpr int kFitWidthMm = 200;
inline constexpr int kFitHeightMm = 287;

// Nearest whole number, halves to even, on the extended value. Values beyond the 32-bit
// range saturate and NaN gives 0, so absurd inputs never reach undefined conversions.
int Round(long double value);

// Saturates a wide whole number into 32 bits.
int Clamp32(std::int64_t value);

// True when the text is not empty and holds only '-' and the digits 0-9. It checks neither
// the place nor the count of minus signs: "-", "--" and "5-" pass, and fail later on conversion.
bool IsIntegerText(std::string_view text);

// The four values the window opens with for a W x H pixel picture: centred from the
// unrounded natural size, so the picture may sit a millimetre off the middle.
struct Placement {
    int top = 0, left = 0, width = 0, height = 0;
};
Placement StartPlacement(int w, int h);

// The other side that keeps the picture's proportions: Round(PW * H / W), Round(PH * W / H).
// The product is a whole number; only the quotient is formed in floating point.
int HeightForWidth(int widthMm, int w, int h);
int WidthForHeight(int heightMm, int w, int h);

// How far enlarging moves the top up (and shrinking moves it down): Round(H / W) millimetres,
// from the picture's proportions rather than the actual change of height.
int EnlargeTopShift(int w, int h);

// Centring: (297 - PH) div 2 and (210 - PW) div 2, truncated toward zero.
int CentredTop(int heightMm);
int CentredLeft(int widthMm);

// The largest placement inside the 5 mm margins, centred, keeping the proportions.
Placement FitPlacement(int w, int h);

// Millimetres to printer units: Round(mm * 14.4).
int MmToUnits(int mm);

// The page rectangle in printer units. Outside fit mode the size comes from the rounded
// width and height (right = left + Round(PW * 14.4)); in fit mode every side of the fitted
// preview is converted the same way.
Rect PageRectFromValues(int topMm, int leftMm, int widthMm, int heightMm);

// A rectangle in device pixels of a real printer, the origin at the paper's top-left corner.
struct DeviceRect {
    double left = 0, top = 0, width = 0, height = 0;
};
// Maps printer units (1/14.4 mm) to device pixels at the given resolution, so the paper
// shows the millimetres the window shows whatever the printer's resolution.
DeviceRect UnitsToDevice(const Rect& units, double dotsPerInchX, double dotsPerInchY);

}  // namespace brimlet::placement
