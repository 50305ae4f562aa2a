#include "workspace/CropGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace brimlet {

TCorners NormalizeRect(int x1, int y1, int x2, int y2) {
    return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

bool StrictlyInside(const TCutRect& rect, int px, int py) {
    const TCorners c = NormalizeRect(rect);
    return c.left < px && px < c.right && c.top < py && py < c.bottom;
}

std::uint8_t NextDashPhase(std::uint8_t phase) {
    phase = std::uint8_t(phase >> 2);
    return phase == 0 ? std::uint8_t(128) : phase;
}

std::uint8_t NextDashMask(std::uint8_t mask) {
    mask = std::uint8_t(mask << 1);
    return mask == 0 ? std::uint8_t(1) : mask;
}

std::vector<TDashPixel> DashOutline(const TCutRect& r, std::uint8_t phase) {
    std::vector<TDashPixel> pixels;
    const long long w = std::llabs((long long)r.X2 - r.X1), h = std::llabs((long long)r.Y2 - r.Y1);
    pixels.reserve(std::size_t(2 * (w + h)));
    std::uint8_t mask = phase;
    auto paint = [&](int x, int y) {
        mask = NextDashMask(mask);
        pixels.push_back({x, y, DashIsWhite(mask)});
    };
    WalkLine(r.X1, r.Y1, r.X2, r.Y1, paint);
    WalkLine(r.X2, r.Y1, r.X2, r.Y2, paint);
    WalkLine(r.X2, r.Y2, r.X1, r.Y2, paint);
    WalkLine(r.X1, r.Y2, r.X1, r.Y1, paint);
    return pixels;
}

namespace {

// Round to nearest, halves to even, on the extended-precision value.
int RoundHalfEven(long double v) { return int(std::nearbyintl(v)); }

}  // namespace

bool CutBoundsFor(const TCutRect& rect, int imageLeft, int imageTop, int pictureWidth,
                  int imageWidth, TCutBounds& bounds) {
    if (imageWidth <= 0) return false;
    const long double ratio = (long double)pictureWidth / (long double)imageWidth;
    const TCorners c = NormalizeRect(rect);
    bounds.left = RoundHalfEven((long double)(c.left - imageLeft) * ratio);
    bounds.top = RoundHalfEven((long double)(c.top - imageTop) * ratio);
    bounds.right = RoundHalfEven((long double)(c.right - imageLeft) * ratio);
    bounds.bottom = RoundHalfEven((long double)(c.bottom - imageTop) * ratio);
    return true;
}

namespace {

// Rows of the bitmaps store pixels as 32-bit words, B in the low byte.
constexpr std::uint32_t kColourBits = 0x00FFFFFFu;
constexpr int kLastColumnIndex = 32767;

}  // namespace

bool CopyRectPixels(int left, int top, int right, int bottom, const TBitmap32& source,
                    TBitmap32& dest) {
    left = std::max(1, left);
    top = std::max(1, top);
    right = std::min(source.Width(), right);
    bottom = std::min(source.Height(), bottom);
    if (left > right || top > bottom) return true;
    // A column index beyond the limit ends the copy inside the first row.
    const bool stops = right - 1 > kLastColumnIndex;
    const int lastColumn = stops ? kLastColumnIndex + 1 : right;
    const int count = lastColumn - left + 1;
    for (int r = top; r <= bottom; ++r) {
        const std::uint8_t* s = source.ScanLine(r - 1) + std::size_t(left - 1) * 4;
        std::uint8_t* d = dest.ScanLine(r - top);
        for (int i = 0; i < count; ++i) {
            std::uint32_t sv, dv;
            std::memcpy(&sv, s + 4 * i, 4);
            std::memcpy(&dv, d + 4 * i, 4);
            dv = (dv & ~kColourBits) | (sv & kColourBits);
            std::memcpy(d + 4 * i, &dv, 4);
        }
        if (stops) return false;
    }
    return true;
}

TBitmap32 CutPicture(const TBitmap32& picture, const TCutBounds& bounds) {
    TBitmap32 cut = picture;
    cut.SetSize(bounds.Width(), bounds.Height());
    CopyRectPixels(bounds.left, bounds.top, bounds.right, bounds.bottom, picture, cut);
    return cut;
}

}  // namespace brimlet
