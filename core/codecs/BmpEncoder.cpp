// The platform's standard bitmap file: 24 bits per pixel, bottom-up, uncompressed,
// a 14-byte file header and a 40-byte information header, rows padded to 4 bytes.
#include "core/codecs/PictureFiles.h"

namespace brimlet {

namespace {

void PutLittle(std::uint8_t* at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) at[i] = std::uint8_t(value >> (8 * i));
}

constexpr std::uint32_t kHeaderBytes = 14 + 40;
constexpr std::uint32_t kPixelsPerMetre = 3780;  // 96 dots per inch

}  // namespace

std::vector<std::uint8_t> EncodeBmp24(const TBitmap32& picture) {
    if (picture.Empty()) throw PictureError("An empty picture cannot be saved as BMP");
    const std::size_t width = std::size_t(picture.Width()), height = std::size_t(picture.Height());
    const std::size_t rowBytes = (width * 3 + 3) / 4 * 4;
    const std::size_t imageBytes = rowBytes * height;
    std::vector<std::uint8_t> out(kHeaderBytes + imageBytes, 0);
    std::uint8_t* h = out.data();
    h[0] = 'B';
    h[1] = 'M';
    PutLittle(h + 2, std::uint32_t(out.size()), 4);
    PutLittle(h + 10, kHeaderBytes, 4);
    PutLittle(h + 14, 40, 4);
    PutLittle(h + 18, std::uint32_t(width), 4);
    PutLittle(h + 22, std::uint32_t(height), 4);  // positive: bottom-up
    PutLittle(h + 26, 1, 2);                      // planes
    PutLittle(h + 28, 24, 2);                     // bits per pixel
    PutLittle(h + 30, 0, 4);                      // BI_RGB
    PutLittle(h + 34, std::uint32_t(imageBytes), 4);
    PutLittle(h + 38, kPixelsPerMetre, 4);
    PutLittle(h + 42, kPixelsPerMetre, 4);
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* in = picture.ScanLine(int(y));
        std::uint8_t* row = out.data() + kHeaderBytes + (height - 1 - y) * rowBytes;
        for (std::size_t x = 0; x < width; ++x, in += 4, row += 3) {
            row[0] = in[0];
            row[1] = in[1];
            row[2] = in[2];
        }
    }
    return out;
}

}  // namespace brimlet
