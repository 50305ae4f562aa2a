// The placeable-WMF writer: a 22-byte placeable header, the metafile header, the window
// set to the picture's size, one STRETCHDIB record of the whole picture as a 24-bit
// bottom-up DIB (SRCCOPY) and the end record.
#include "core/codecs/PictureFiles.h"
#include "core/metafile/Metafile.h"
#include "core/metafile/WmfRecords.h"

#include <string>

namespace brimlet {
namespace {

class WordWriter {
public:
    void U16(std::uint32_t v) {
        out.push_back(std::uint8_t(v));
        out.push_back(std::uint8_t(v >> 8));
    }
    void U32(std::uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    std::vector<std::uint8_t> out;
};

}  // namespace

std::vector<std::uint8_t> EncodePlaceableWmf(const TBitmap32& picture) {
    const int w = picture.Width(), h = picture.Height();
    if (picture.Empty()) throw PictureError("An empty picture cannot be saved as a metafile");
    // The placeable header and the bitmap record hold sizes as signed 16-bit numbers.
    if (w > 32767 || h > 32767)
        throw PictureError("The picture is too large for a Windows metafile (" +
                           std::to_string(w) + " x " + std::to_string(h) +
                           " pixels; at most 32767 on a side)");

    const std::uint64_t rowBytes = (std::uint64_t(w) * 3 + 3) & ~std::uint64_t(3);
    const std::uint64_t dibBytes = 40 + rowBytes * std::uint64_t(h);
    // Record size in 16-bit words: size, function, ROP (2), usage, 8 coordinates, the DIB.
    const std::uint64_t stretchWords = 3 + 2 + 1 + 8 + dibBytes / 2;
    const std::uint64_t headerWords = 9, windowWords = 5 * 2, eofWords = 3;
    const std::uint64_t totalWords = headerWords + windowWords + stretchWords + eofWords;
    if (totalWords > 0xFFFFFFFFu)
        throw PictureError("The picture is too large for a Windows metafile");

    WordWriter f;
    f.out.reserve(std::size_t(22 + totalWords * 2));
    // Placeable header: key, handle, bounding box, units per inch, reserved, checksum.
    const std::uint16_t words[10] = {0xCDD7, 0x9AC6, 0, 0, 0, std::uint16_t(w), std::uint16_t(h),
                                     96, 0, 0};
    std::uint16_t checksum = 0;
    for (std::uint16_t word : words) {
        f.U16(word);
        checksum ^= word;
    }
    f.U16(checksum);

    // Metafile header: on-disk type, 9-word header, version 3.0.
    f.U16(2);
    f.U16(9);
    f.U16(0x0300);
    f.U32(std::uint32_t(totalWords));
    f.U16(0);  // no objects
    f.U32(std::uint32_t(stretchWords));
    f.U16(0);

    f.U32(5);
    f.U16(wmf::kSetWindowOrg);
    f.U16(0);  // y
    f.U16(0);  // x
    f.U32(5);
    f.U16(wmf::kSetWindowExt);
    f.U16(std::uint16_t(h));
    f.U16(std::uint16_t(w));

    f.U32(std::uint32_t(stretchWords));
    f.U16(wmf::kStretchDib);
    f.U32(wmf::kSrcCopy);
    f.U16(0);  // DIB_RGB_COLORS
    f.U16(std::uint16_t(h));  // source height, width, y, x
    f.U16(std::uint16_t(w));
    f.U16(0);
    f.U16(0);
    f.U16(std::uint16_t(h));  // destination height, width, y, x
    f.U16(std::uint16_t(w));
    f.U16(0);
    f.U16(0);
    // BITMAPINFOHEADER: 24 bits, uncompressed, bottom-up; 96 dpi is 3780 pixels per metre.
    f.U32(40);
    f.U32(std::uint32_t(w));
    f.U32(std::uint32_t(h));
    f.U16(1);
    f.U16(24);
    f.U32(0);
    f.U32(std::uint32_t(rowBytes * std::uint64_t(h)));
    f.U32(3780);
    f.U32(3780);
    f.U32(0);
    f.U32(0);
    for (int y = h - 1; y >= 0; --y) {
        const std::uint8_t* p = picture.ScanLine(y);
        for (int x = 0; x < w; ++x, p += 4) {
            f.out.push_back(p[kB]);
            f.out.push_back(p[kG]);
            f.out.push_back(p[kR]);
        }
        for (std::uint64_t pad = std::uint64_t(w) * 3; pad < rowBytes; ++pad) f.out.push_back(0);
    }

    f.U32(3);
    f.U16(wmf::kEof);
    return std::move(f.out);
}

}  // namespace brimlet
