// Tone and colour filters that finish the sketch styles, and the colour conversions behind
// the tone curve. Hue in degrees, saturation and lightness in percent, all integers.
//
// RGBToHSL: R, G, B in 0..255 give hue 0..360, saturation 0..100, lightness 0..100.
//   Colours just short of the wrap to red give 360.
// HSLToRGB: hue 0..359, saturation and lightness 0..100 give R, G, B; anything outside
//   those ranges (hue 360 included) gives black.
// convertimg1: bends the lightness of every pixel by a straight line whose slope is
//   tan(pressure degrees) and writes B, G, R with A = 255 - B. A hue of 360 is passed on as
//   0 (the same red), so reds just short of the wrap keep their colour instead of turning
//   black. Advanced by every row as the rows are done (on the calling thread), then
//   SetPosition(0).
// twovaluetopen: B = G = R = 255 where the red byte is greater than the threshold, else 0;
//   A = 255 - that value.
//
// Input and output may be the same bitmap; the output takes the input's size. A picture of
// a single row is filtered like any other row; an empty picture gives an empty output.
#pragma once

#include "core/Image32.h"
#include "core/Progress.h"

namespace brimlet {

void RGBToHSL(int R, int G, int B, int& H, int& S, int& L);
void HSLToRGB(int H, int S, int L, int& R, int& G, int& B);
void convertimg1(int pressure, const TBitmap32& input, TBitmap32& output, Progress& progress);
void twovaluetopen(int threshold, const TBitmap32& input, TBitmap32& output);

namespace detail {
// In place: every pixel to its gray value g (B = G = R = g, A = 255 - g), then convertimg1 at
// the pressure, in one pass, with convertimg1's progress.
void GrayThenConvertimg1(int pressure, TBitmap32& picture, Progress& progress);
}  // namespace detail

namespace reference {
void RGBToHSL(int R, int G, int B, int& H, int& S, int& L);
void HSLToRGB(int H, int S, int L, int& R, int& G, int& B);
void convertimg1(int pressure, const TBitmap32& input, TBitmap32& output, Progress& progress);
void twovaluetopen(int threshold, const TBitmap32& input, TBitmap32& output);

// The extended values that RGBToHSL rounds: H x 360, S x 100 and L x 100.
void HslExtended(int R, int G, int B, long double& hue, long double& saturation, long double& lightness);

// The tone curve of convertimg1: the new lightness (0..100) for a lightness at a pressure.
int ToneLightness(int pressure, int lightness);

// The three steps of HSLToRGB, for hue 0..359, saturation and lightness 0..100.
void PureHue(int hue, int& R, int& G, int& B);
int Saturate(int channel, int saturation);
int Lighten(int channel, int lightness);
}  // namespace reference

}  // namespace brimlet
