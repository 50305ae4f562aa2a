// The result edits written out step by step, for the differential tests.
#include "cartoon/styles/ResultEdits.h"

#include <cmath>

namespace brimlet::reference {

void DyeColourLayer(TBitmap32& colour, const TBitmap32& palette, int x, int y) {
    const std::uint32_t to = palette.PixelColor(x, y);
    const std::uint32_t from = colour.PixelColor(x, y);
    const std::uint8_t fromR = std::uint8_t(from >> 16), fromG = std::uint8_t(from >> 8),
                       fromB = std::uint8_t(from);
    for (int r = 0; r < colour.Height(); ++r) {
        std::uint8_t* row = colour.ScanLine(r);
        for (int c = 0; c < colour.Width(); ++c) {
            std::uint8_t* p = row + 4 * c;
            if (p[kR] == fromR && p[kG] == fromG && p[kB] == fromB) {
                p[kR] = std::uint8_t(to >> 16);
                p[kG] = std::uint8_t(to >> 8);
                p[kB] = std::uint8_t(to);
            }
        }
    }
}

void ClearSpot(TBitmap32& line, int cx, int cy, int r) {
    TBitmap32 t = line;
    for (int c = cx - r; c <= cx + r; ++c) {
        const int h = int(std::nearbyintl(std::sqrt((long double)(r * r - (cx - c) * (cx - c)))));
        for (int y = cy - h; y <= cy + h; ++y) t.SetPixelColor(c, y, 255, 255, 255);
    }
    line = t;
}

TBitmap32 ComposeShown(const TBitmap32& colour, const TBitmap32& line, TShowRule rule) {
    if (!rule.dyeingAndSketch) return rule.resultKind == 1 ? colour : line;
    TBitmap32 shown = colour;
    SetAlphaChannel(shown, 255);
    for (int y = 0; y < std::min(shown.Height(), line.Height()); ++y)
        for (int x = 0; x < std::min(shown.Width(), line.Width()); ++x)
            BlendPixel(shown.ScanLine(y) + 4 * x, LoadPixel(line.ScanLine(y) + 4 * x));
    return shown;
}

}  // namespace brimlet::reference
