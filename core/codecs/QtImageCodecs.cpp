// BMP and ICO through QtGui's image readers, read from memory. Each reader is asked for its
// own format only, so a PNG renamed to .bmp is refused rather than opened behind the user's
// back. Transparency (32-bit BMPs with alpha, icons) is flattened onto white.
#include "core/codecs/Decoders.h"
#include "core/codecs/PictureFiles.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <cstring>
#include <cstdlib>

namespace brimlet {

namespace {

// Enough for the largest picture we accept (kMaxPixelCount at 4 bytes) and a little more;
// Qt's default of 256 MB would refuse pictures the rest of the program handles.
constexpr int kAllocationLimitMb = 1100;

std::int64_t ReadLittle(std::span<const std::uint8_t> b, std::size_t at, int size) {
    std::uint64_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = v << 8 | b[at + std::size_t(i)];
    // Sign-extend: BMP widths and heights are signed.
    const int shift = 64 - 8 * size;
    return std::int64_t(v << shift) >> shift;
}

// The size a BMP header declares, checked before Qt allocates anything for it.
void CheckBmpHeaderSize(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M') return;  // Qt reports it
    const std::int64_t headerSize = ReadLittle(bytes, 14, 4);
    std::int64_t width, height;
    if (headerSize == 12) {
        width = ReadLittle(bytes, 18, 2);
        height = ReadLittle(bytes, 20, 2);
    } else {
        width = ReadLittle(bytes, 18, 4);
        height = ReadLittle(bytes, 22, 4);
    }
    CheckDecodedSize(std::abs(width), std::abs(height));
}

// B, G, R with alpha 0; any transparency composed onto white with rounding.
TBitmap32 FromQImage(const QImage& image) {
    CheckDecodedSize(image.width(), image.height());
    TBitmap32 picture(image.width(), image.height());
    const bool alpha = image.hasAlphaChannel();
    const QImage pixels = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* in = pixels.constScanLine(y);
        std::uint8_t* out = picture.ScanLine(y);
        std::memcpy(out, in, picture.Stride());
        for (int x = 0; x < picture.Width(); ++x, out += 4) {
            if (alpha) {
                const unsigned a = out[3], white = 255 * (255 - a);
                out[0] = std::uint8_t((out[0] * a + white + 127) / 255);
                out[1] = std::uint8_t((out[1] * a + white + 127) / 255);
                out[2] = std::uint8_t((out[2] * a + white + 127) / 255);
            }
            out[3] = 0;
        }
    }
    return picture;
}

struct MemoryReader {
    QByteArray data;
    QBuffer buffer;
    QImageReader reader;

    MemoryReader(std::span<const std::uint8_t> bytes, const char* format)
        : data(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                       qsizetype(bytes.size()))),
          buffer(&data) {
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
        reader.setFormat(format);
        reader.setAutoDetectImageFormat(false);
        reader.setAllocationLimit(kAllocationLimitMb);
    }
};

[[noreturn]] void Fail(const char* what, const QImageReader& reader) {
    // Qt's text is "Unknown error" where its handler simply refused the data.
    std::string reason = reader.error() == QImageReader::UnknownError
                             ? std::string("the data is damaged or not in this format")
                             : reader.errorString().toStdString();
    throw PictureError(std::string("The ") + what + " file cannot be read: " + reason);
}

}  // namespace

TBitmap32 DecodeBmp(std::span<const std::uint8_t> bytes) {
    CheckBmpHeaderSize(bytes);
    MemoryReader m(bytes, "bmp");
    QImage image = m.reader.read();
    if (image.isNull()) Fail("BMP", m.reader);
    return FromQImage(image);
}

TBitmap32 DecodeIco(std::span<const std::uint8_t> bytes) {
    MemoryReader m(bytes, "ico");
    if (!m.reader.canRead()) Fail("ICO", m.reader);
    // The largest image of the file; of equal sizes, the first.
    QImage best;
    const int count = std::max(1, m.reader.imageCount());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !m.reader.jumpToImage(i)) break;
        const QSize declared = m.reader.size();
        if (declared.isValid()) CheckDecodedSize(declared.width(), declared.height());
        QImage image = m.reader.read();
        if (image.isNull()) continue;
        if (best.isNull() || std::int64_t(image.width()) * image.height() >
                                 std::int64_t(best.width()) * best.height())
            best = std::move(image);
    }
    if (best.isNull()) Fail("ICO", m.reader);
    return FromQImage(best);
}

}  // namespace brimlet
