#include "core/codecs/ExifOrientation.h"

#include <algorithm>
#include <cstring>

namespace brimlet {

namespace {

// Reads 16- and 32-bit TIFF numbers in the file's byte order, refusing to leave the payload.
struct TiffReader {
    std::span<const std::uint8_t> tiff;
    bool bigEndian = false;

    bool Has(std::size_t offset, std::size_t size) const {
        return offset <= tiff.size() && size <= tiff.size() - offset;
    }
    std::uint32_t U16(std::size_t at) const {
        return bigEndian ? std::uint32_t(tiff[at]) << 8 | tiff[at + 1]
                         : std::uint32_t(tiff[at + 1]) << 8 | tiff[at];
    }
    std::uint32_t U32(std::size_t at) const {
        return bigEndian ? U16(at) << 16 | U16(at + 2) : U16(at + 2) << 16 | U16(at);
    }
};

constexpr std::uint32_t kOrientationTag = 0x0112;
constexpr std::uint32_t kTypeShort = 3;

}  // namespace

int ExifOrientation(std::span<const std::uint8_t> app1) {
    static const std::uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (app1.size() < 6 || std::memcmp(app1.data(), kExif, 6) != 0) return 1;
    TiffReader r{app1.subspan(6)};
    if (!r.Has(0, 8)) return 1;
    if (r.tiff[0] == 'M' && r.tiff[1] == 'M')
        r.bigEndian = true;
    else if (!(r.tiff[0] == 'I' && r.tiff[1] == 'I'))
        return 1;
    if (r.U16(2) != 42) return 1;
    std::size_t ifd = r.U32(4);
    if (!r.Has(ifd, 2)) return 1;
    std::size_t count = r.U16(ifd);
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t entry = ifd + 2 + 12 * i;
        if (!r.Has(entry, 12)) return 1;
        if (r.U16(entry) != kOrientationTag) continue;
        if (r.U16(entry + 2) != kTypeShort || r.U32(entry + 4) != 1) return 1;
        std::uint32_t value = r.U16(entry + 8);
        return value >= 1 && value <= 8 ? int(value) : 1;
    }
    return 1;
}

TBitmap32 ApplyOrientation(TBitmap32 picture, int orientation) {
    if (orientation < 2 || orientation > 8 || picture.Empty()) return picture;
    const int w = picture.Width(), h = picture.Height();
    const bool swapsSides = orientation >= 5;
    const int ow = swapsSides ? h : w, oh = swapsSides ? w : h;
    // Source of output pixel (ox, oy) is (x0 + ox * dxx + oy * dxy, y0 + ox * dyx + oy * dyy).
    int x0 = 0, y0 = 0, dxx = 0, dxy = 0, dyx = 0, dyy = 0;
    switch (orientation) {
        case 2: x0 = w - 1; dxx = -1; dyy = 1; break;
        case 3: x0 = w - 1; y0 = h - 1; dxx = -1; dyy = -1; break;
        case 4: y0 = h - 1; dxx = 1; dyy = -1; break;
        case 5: dxy = 1; dyx = 1; break;
        case 6: y0 = h - 1; dxy = 1; dyx = -1; break;
        case 7: x0 = w - 1; y0 = h - 1; dxy = -1; dyx = -1; break;
        case 8: x0 = w - 1; dxy = -1; dyx = 1; break;
    }
    TBitmap32 out(ow, oh);
    const std::uint8_t* src = picture.Bits();
    // Tiles keep the column-wise reads of the quarter turns inside the cache.
    constexpr int kTile = 64;
    for (int ty = 0; ty < oh; ty += kTile) {
        for (int tx = 0; tx < ow; tx += kTile) {
            const int ey = std::min(oh, ty + kTile), ex = std::min(ow, tx + kTile);
            for (int oy = ty; oy < ey; ++oy) {
                std::uint8_t* dst = out.ScanLine(oy);
                for (int ox = tx; ox < ex; ++ox) {
                    const int sx = x0 + ox * dxx + oy * dxy, sy = y0 + ox * dyx + oy * dyy;
                    std::memcpy(dst + 4 * std::size_t(ox),
                                src + 4 * (std::size_t(sy) * std::size_t(w) + std::size_t(sx)), 4);
                }
            }
        }
    }
    return out;
}

}  // namespace brimlet
