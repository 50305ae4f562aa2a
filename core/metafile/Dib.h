// Device-independent bitmaps as they appear inside metafile records, and the old
// device-dependent Bitmap16 of WMF blits. Both decode to a top-down RGB32 QImage.
#pragma once

#include <QImage>
#include <QVector>

#include <cstdint>
#include <span>

namespace brimlet::metafile {

// Colours of DIB_PAL_COLORS bitmaps are indices into the selected logical palette.
enum class ColourUsage { kRgb = 0, kPalette = 1 };

struct DibInfo {
    int width = 0;
    int height = 0;  // always positive
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = 0;
    std::size_t headerAndColourBytes = 0;  // where the bits start when they follow the header
};

// Reads the header only (bounds-checked); throws PictureError when it is damaged.
DibInfo ReadDibInfo(std::span<const std::uint8_t> header, ColourUsage usage);

// Decodes a DIB whose header and colour table are in `header` and whose bits are `bits`.
// firstScan and scanCount restrict which rows (counted from the bottom of a bottom-up DIB)
// the bits hold, as SetDIBitsToDevice records do; rows outside stay unset (transparent).
// The result is ARGB32 with opaque pixels where the DIB has data.
QImage DecodeDib(std::span<const std::uint8_t> header, std::span<const std::uint8_t> bits,
                 ColourUsage usage, const QVector<QRgb>& palette, int firstScan = 0,
                 int scanCount = -1);

// A DIB whose bits follow its header and colour table directly (WMF records).
QImage DecodePackedDib(std::span<const std::uint8_t> dib, ColourUsage usage,
                       const QVector<QRgb>& palette);

// A Bitmap16 (type, width, height, bytes per row, planes, bits per pixel, bits).
// Monochrome ones take `zero` for 0 bits and `one` for 1 bits.
QImage DecodeBitmap16(std::span<const std::uint8_t> bytes, QRgb zero, QRgb one);

// The largest picture a metafile may declare or contain.
std::int64_t MaxMetafilePixels();
// Throws PictureError when a declared size cannot be held.
void CheckMetafileSize(std::int64_t width, std::int64_t height, const char* what);

}  // namespace brimlet::metafile
