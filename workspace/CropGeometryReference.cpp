// The cut's pixel copy written out step by step, for the differential tests.
#include "workspace/CropGeometry.h"

#include <algorithm>

namespace brimlet::reference {

bool CopyRectPixels(int left, int top, int right, int bottom, const TBitmap32& source,
                    TBitmap32& dest) {
    left = std::max(1, left);
    top = std::max(1, top);
    right = std::min(source.Width(), right);
    bottom = std::min(source.Height(), bottom);
    for (int r = top; r <= bottom; ++r) {
        for (int c = left; c <= right; ++c) {
            if (c - 1 > 32767) return false;
            const std::uint8_t* s = source.ScanLine(r - 1) + 4 * (c - 1);
            std::uint8_t* d = dest.ScanLine(r - top) + 4 * (c - left);
            d[kB] = s[kB];
            d[kG] = s[kG];
            d[kR] = s[kR];
        }
    }
    return true;
}

}  // namespace brimlet::reference
