// Widget-free arithmetic of the crop selection on the source picture: the rectangle's
// corners, the marching-ants dash walk along its outline, and the cut itself.
// Coordinates of the corners are those of the panel that hosts the source image.
#pragma once

#include "core/Image32.h"

#include <cstdint>
#include <vector>

namespace brimlet {

// Anchor corner (X1, Y1) where the button went down and moving corner (X2, Y2);
// not kept ordered.
struct TCutRect {
    std::int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    bool operator==(const TCutRect&) const = default;
};

// Ordered corners; all four inclusive.
struct TCorners {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const TCorners&) const = default;
};

TCorners NormalizeRect(int x1, int y1, int x2, int y2);
inline TCorners NormalizeRect(const TCutRect& r) { return NormalizeRect(r.X1, r.Y1, r.X2, r.Y2); }

// Strictly inside: on the outline itself is outside, so a rectangle without area
// never contains a point.
bool StrictlyInside(const TCutRect& rect, int px, int py);

// The phase of the dash pattern after one timer tick: 128, 32, 8, 2, 128, ...
std::uint8_t NextDashPhase(std::uint8_t phase);

// One step of the running dash bit: shifted left within 8 bits, 0 wraps to 1.
// The pixel it lands on is white for 32, 64 and 128, black otherwise.
std::uint8_t NextDashMask(std::uint8_t mask);
inline bool DashIsWhite(std::uint8_t mask) { return mask == 32 || mask == 64 || mask == 128; }

// Visits the pixels of the straight line from (x1, y1) towards (x2, y2), the start
// included and the end excluded, each once, in order (a digital differential analyser).
template <class Visit>
void WalkLine(int x1, int y1, int x2, int y2, Visit&& visit) {
    const long long dx = (long long)x2 - x1, dy = (long long)y2 - y1;
    const long long ax = dx < 0 ? -dx : dx, ay = dy < 0 ? -dy : dy;
    const long long n = ax > ay ? ax : ay;
    // floor((2 * d * i + n) / (2 * n)): the nearest pixel, halves rounded up; exact along
    // the major axis, so horizontal and vertical segments step one pixel at a time.
    auto offset = [n](long long d, long long i) {
        long long num = 2 * d * i + n, den = 2 * n;
        long long q = num / den;
        return (num % den != 0 && num < 0) ? q - 1 : q;
    };
    for (long long i = 0; i < n; ++i) visit(int(x1 + offset(dx, i)), int(y1 + offset(dy, i)));
}

struct TDashPixel {
    int x = 0, y = 0;
    bool white = false;
    bool operator==(const TDashPixel&) const = default;
};

// The outline of the rectangle as drawn with the given phase: the closed path
// (X1,Y1) -> (X2,Y1) -> (X2,Y2) -> (X1,Y2) -> (X1,Y1), each pixel with its dash colour.
// Later pixels win where the path crosses itself (a rectangle one pixel high or wide).
std::vector<TDashPixel> DashOutline(const TCutRect& rect, std::uint8_t phase);

// Where the cut lies in the picture: the rounded corner positions, before the one-pixel
// offset and the clamping that CopyRectPixels applies.
struct TCutBounds {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
    bool operator==(const TCutBounds&) const = default;
};

// ratio = picture width / image control width, in extended precision, for both axes;
// imageLeft/imageTop are the control's position inside the host panel.
// Returns false when the control has no width (nothing can be cut then).
bool CutBoundsFor(const TCutRect& rect, int imageLeft, int imageTop, int pictureWidth,
                  int imageWidth, TCutBounds& bounds);

// Bounds count from 1: copies the B, G and R bytes of source pixels (c - 1, r - 1) for
// c = max(1, left) .. min(width, right), r = max(1, top) .. min(height, bottom) into
// dest pixel (c - left', r - top') with the clamped left' and top'; dest alpha is not
// written. Dest must be at least (right - left + 1) x (bottom - top + 1).
// Column indices above 32767 stop the copy: returns false, dest keeps what it reached.
bool CopyRectPixels(int left, int top, int right, int bottom, const TBitmap32& source,
                    TBitmap32& dest);

// The whole cut of the picture: a copy of it resized (top-left kept) to the bounds,
// filled by CopyRectPixels.
TBitmap32 CutPicture(const TBitmap32& picture, const TCutBounds& bounds);

namespace reference {
bool CopyRectPixels(int left, int top, int right, int bottom, const TBitmap32& source,
                    TBitmap32& dest);
}  // namespace reference

}  // namespace brimlet
