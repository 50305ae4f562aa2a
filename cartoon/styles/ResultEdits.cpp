#include "cartoon/styles/ResultEdits.h"

#include "core/Parallel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace brimlet {

namespace {

int RoundHalfEven(long double v) { return int(std::nearbyintl(v)); }

constexpr std::uint32_t kColourBits = 0x00FFFFFFu;

inline std::uint32_t Load(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void Store(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

// Index of the first pixel of the row whose colour bits equal `colour`, or n.
// Blocks of 16 keep the inner test branch-free so it vectorises.
__attribute__((target_clones("avx2", "default")))
int FirstMatch(const std::uint8_t* row, int n, std::uint32_t colour) {
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        unsigned any = 0;
        for (int k = 0; k < 16; ++k)
            any |= ((Load(row + 4 * (i + k)) ^ colour) & kColourBits) == 0;
        if (any) break;
    }
    for (; i < n; ++i)
        if (((Load(row + 4 * i) ^ colour) & kColourBits) == 0) return i;
    return n;
}

// Index of the last matching pixel of row[0 .. n), or -1.
__attribute__((target_clones("avx2", "default")))
int LastMatch(const std::uint8_t* row, int n, std::uint32_t colour) {
    int i = n;
    for (; i - 16 >= 0; i -= 16) {
        unsigned any = 0;
        for (int k = 1; k <= 16; ++k)
            any |= ((Load(row + 4 * (i - k)) ^ colour) & kColourBits) == 0;
        if (any) break;
    }
    for (--i; i >= 0; --i)
        if (((Load(row + 4 * i) ^ colour) & kColourBits) == 0) return i;
    return -1;
}

__attribute__((target_clones("avx2", "default")))
void ReplaceColour(std::uint8_t* row, int n, std::uint32_t from, std::uint32_t to) {
    for (int i = 0; i < n; ++i) {
        std::uint32_t v = Load(row + 4 * i);
        bool hit = ((v ^ from) & kColourBits) == 0;
        Store(row + 4 * i, hit ? (v & ~kColourBits) | to : v);
    }
}

// trunc(v / 255) for |v| <= 255 * 255 without a division (exact on that range).
inline int DivideBy255TowardZero(int v) {
    int m = v < 0 ? -v : v;
    int q = (m * 32897) >> 23;
    return v < 0 ? -q : q;
}

// shown := colour with line drawn over it, as DrawOver leaves a pixel: opaque, and every
// channel c + trunc((s - c) * a / 255), which also covers alpha 0 and 255.
__attribute__((target_clones("avx2", "default")))
void ComposeRow(const std::uint8_t* colour, const std::uint8_t* line, std::uint8_t* shown,
                int n) {
    for (int i = 0; i < n; ++i) {
        const std::uint8_t* c = colour + 4 * i;
        const std::uint8_t* s = line + 4 * i;
        std::uint8_t* d = shown + 4 * i;
        const int a = s[3];
        for (int k = 0; k < 3; ++k)
            d[k] = std::uint8_t(c[k] + DivideBy255TowardZero((s[k] - c[k]) * a));
        d[3] = 255;
    }
}

bool SameSize(const TBitmap32& a, const TBitmap32& b) {
    return a.Width() == b.Width() && a.Height() == b.Height();
}

}  // namespace

bool ControlToPicture(int X, int Y, int pictureWidth, int pictureHeight, int controlWidth,
                      int controlHeight, int& x, int& y) {
    if (controlWidth <= 0 || controlHeight <= 0) return false;
    const long long px = (long long)X * pictureWidth, py = (long long)Y * pictureHeight;
    x = RoundHalfEven((long double)px / (long double)controlWidth);
    y = RoundHalfEven((long double)py / (long double)controlHeight);
    return true;
}

namespace {

// What a dyed pixel does to the shown picture.
enum class ShownFollow { None, Copy, Compose };

// The composite of one line pixel over one colour pixel, as ComposeRow makes it.
inline std::uint32_t ComposePixel(std::uint32_t colour, std::uint32_t line) {
    const int a = int(line >> 24);
    std::uint32_t out = 0xFF000000u;
    for (int k = 0; k < 3; ++k) {
        const int c = int(colour >> (8 * k) & 255), s = int(line >> (8 * k) & 255);
        out |= std::uint32_t(c + DivideBy255TowardZero((s - c) * a)) << (8 * k);
    }
    return out;
}

// Replaces the colour in row[first .. last] and updates the shown row at every hit.
void ReplaceAndFollow(std::uint8_t* row, const std::uint8_t* lineRow, std::uint8_t* shownRow,
                      int first, int last, std::uint32_t from, std::uint32_t to,
                      ShownFollow follow) {
    for (int i = first; i <= last; ++i) {
        const std::uint32_t v = Load(row + 4 * i);
        if (((v ^ from) & kColourBits) != 0) continue;
        const std::uint32_t dyed = (v & ~kColourBits) | to;
        Store(row + 4 * i, dyed);
        if (follow == ShownFollow::Copy) Store(shownRow + 4 * i, dyed);
        else if (follow == ShownFollow::Compose)
            Store(shownRow + 4 * i, ComposePixel(dyed, Load(lineRow + 4 * i)));
    }
}

Rect Dye(TBitmap32& colour, const TBitmap32& palette, int x, int y, const TBitmap32* line,
         TBitmap32* shown, ShownFollow follow) {
    const std::uint32_t to = palette.PixelColor(x, y) & kColourBits;
    const std::uint32_t from = colour.PixelColor(x, y) & kColourBits;
    if (to == from || colour.Empty()) return {};
    const int w = colour.Width();
    Rect changed{w, colour.Height(), 0, 0};
    std::mutex merge;
    ParallelRows(colour.Height(), [&](int begin, int end) {
        Rect part{w, end, 0, begin};
        for (int r = begin; r < end; ++r) {
            std::uint8_t* row = colour.ScanLine(r);
            int first = FirstMatch(row, w, from);
            if (first == w) continue;
            int last = LastMatch(row, w, from);
            if (follow == ShownFollow::None)
                ReplaceColour(row + 4 * std::size_t(first), last - first + 1, from, to);
            else
                ReplaceAndFollow(row, follow == ShownFollow::Compose ? line->ScanLine(r) : nullptr,
                                 shown->ScanLine(r), first, last, from, to, follow);
            part.left = std::min(part.left, first);
            part.right = std::max(part.right, last + 1);
            part.top = std::min(part.top, r);
            part.bottom = r + 1;
        }
        if (part.right == 0) return;
        std::lock_guard<std::mutex> lock(merge);
        changed.left = std::min(changed.left, part.left);
        changed.top = std::min(changed.top, part.top);
        changed.right = std::max(changed.right, part.right);
        changed.bottom = std::max(changed.bottom, part.bottom);
    }, 64);
    if (changed.right == 0) return {};
    return changed;
}

}  // namespace

Rect DyeColourLayer(TBitmap32& colour, const TBitmap32& palette, int x, int y) {
    return Dye(colour, palette, x, y, nullptr, nullptr, ShownFollow::None);
}

Rect DyeColourLayerShown(TBitmap32& colour, const TBitmap32& palette, int x, int y,
                         const TBitmap32& line, TShowRule rule, TBitmap32& shown,
                         bool& shownUpdated) {
    ShownFollow follow = ShownFollow::None;
    shownUpdated = true;
    if (rule.dyeingAndSketch) {
        follow = ShownFollow::Compose;
        shownUpdated = SameSize(colour, line) && SameSize(colour, shown);
    } else if (rule.resultKind == 1) {
        follow = ShownFollow::Copy;
        shownUpdated = SameSize(colour, shown);
    }
    if (!shownUpdated) follow = ShownFollow::None;
    return Dye(colour, palette, x, y, &line, &shown, follow);
}

TBrushDab BrushDabAt(int X, int Y, double displayScale) {
    const long double s = displayScale;
    return {RoundHalfEven((long double)X * s), RoundHalfEven((long double)Y * s),
            RoundHalfEven(10.0L * s)};
}

Rect ClearSpot(TBitmap32& line, int cx, int cy, int r) {
    if (r < 0) return {};
    const long long left = std::max<long long>(0, (long long)cx - r);
    const long long right = std::min<long long>(line.Width() - 1, (long long)cx + r);
    const long long top = std::max<long long>(0, (long long)cy - r);
    const long long bottom = std::min<long long>(line.Height() - 1, (long long)cy + r);
    if (left > right || top > bottom) return {};
    const long long rr = (long long)r * r;
    for (long long c = left; c <= right; ++c) {
        const long long d = cx - c;
        const int h = RoundHalfEven(std::sqrt((long double)(rr - d * d)));
        const long long from = std::max<long long>(top, (long long)cy - h);
        const long long to = std::min<long long>(bottom, (long long)cy + h);
        for (long long y = from; y <= to; ++y) Store(line.ScanLine(int(y)) + 4 * c, kColourBits);
    }
    return {int(left), int(top), int(right + 1), int(bottom + 1)};
}

TBitmap32 ComposeShown(const TBitmap32& colour, const TBitmap32& line, TShowRule rule) {
    if (!rule.dyeingAndSketch) return rule.resultKind == 1 ? colour : line;
    TBitmap32 shown = colour;
    line.DrawOver(0, 0, shown);
    return shown;
}

bool ComposeShownArea(const TBitmap32& colour, const TBitmap32& line, TShowRule rule,
                      TBitmap32& shown, const Rect& area) {
    const TBitmap32& single = rule.resultKind == 1 ? colour : line;
    if (rule.dyeingAndSketch ? !(SameSize(colour, line) && SameSize(colour, shown))
                             : !SameSize(single, shown))
        return false;
    const int left = std::max(0, area.left), top = std::max(0, area.top);
    const int right = std::min(shown.Width(), area.right);
    const int bottom = std::min(shown.Height(), area.bottom);
    if (left >= right || top >= bottom) return true;
    const std::size_t offset = std::size_t(left) * 4;
    const int n = right - left;
    ParallelRows(bottom - top, [&](int begin, int end) {
        for (int r = top + begin; r < top + end; ++r) {
            if (rule.dyeingAndSketch)
                ComposeRow(colour.ScanLine(r) + offset, line.ScanLine(r) + offset,
                           shown.ScanLine(r) + offset, n);
            else
                std::memcpy(shown.ScanLine(r) + offset, single.ScanLine(r) + offset,
                            std::size_t(n) * 4);
        }
    }, 128);
    return true;
}

}  // namespace brimlet
