// ICO through QtGui's image reader, and what the BMP decoder shares with it: reading from
// memory and turning Qt's pictures into ours. Each reader is asked for its own format only,
// so a PNG renamed to .ico is refused rather than opened behind the user's back.
// Transparency (32-bit BMPs with alpha, icons) is flattened onto white.
#include "core/codecs/QtReading.h"
#include "core/codecs/Decoders.h"
#include "core/codecs/PictureFiles.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace brimlet {

namespace {

// Enough for the largest picture we accept (kMaxPixelCount at 4 bytes) and a little more;
// Qt's default of 256 MB would refuse pictures the rest of the program handles.
constexpr int kAllocationLimitMb = 1100;

// An icon larger than kAreaAnyFileMayDeclare needs a byte of file for every 16 pixels:
// photographs in PNG take a byte for every one or two.
constexpr std::int64_t kIcoPixelsPerByte = 16;

// Qt's allocation limit, in MB, for a picture of this many pixels at 4 bytes each.
int AllocationLimitMb(std::int64_t pixels) {
#ifdef BRIMLET_FUZZ_MAX_PIXELS
    pixels = std::min<std::int64_t>(pixels, BRIMLET_FUZZ_MAX_PIXELS);
#endif
    return int(std::min<std::int64_t>(kAllocationLimitMb, (pixels * 4 >> 20) + 1));
}

}  // namespace

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

MemoryReader::MemoryReader(std::span<const std::uint8_t> bytes, const char* format)
        : data(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                       qsizetype(bytes.size()))),
          buffer(&data) {
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
        reader.setFormat(format);
        reader.setAutoDetectImageFormat(false);
#ifdef BRIMLET_FUZZ_MAX_PIXELS
        reader.setAllocationLimit(AllocationLimitMb(BRIMLET_FUZZ_MAX_PIXELS));
#else
        reader.setAllocationLimit(kAllocationLimitMb);
#endif
}

void FailQtRead(const char* what, const QImageReader& reader) {
    // Qt's text is "Unknown error" where its handler simply refused the data.
    std::string reason = reader.error() == QImageReader::UnknownError
                             ? std::string("the data is damaged or not in this format")
                             : reader.errorString().toStdString();
    throw PictureError(std::string("The ") + what + " file cannot be read: " + reason);
}

TBitmap32 DecodeIco(std::span<const std::uint8_t> bytes) {
    MemoryReader m(bytes, "ico");
    // An icon may hold a PNG of any size, which Qt allocates whole before its data is read,
    // and deflate carries a thousand pixels a byte: a few kilobytes would take a gigabyte.
    // Real icons are at most 256 x 256, so a large image must come with bytes in proportion.
    const std::int64_t fillable =
        std::max(kAreaAnyFileMayDeclare, std::int64_t(bytes.size()) * kIcoPixelsPerByte);
    m.reader.setAllocationLimit(AllocationLimitMb(fillable));
    if (!m.reader.canRead()) FailQtRead("ICO", m.reader);
    // The largest image of the file; of equal sizes, the first.
    QImage best;
    // The header's count is taken at its word by Qt, which then seeks to each directory
    // entry; a few bytes declaring 65535 images took half a second. Each entry takes 16
    // bytes after the 6-byte header, so the file itself says how many there can be.
    const int entries = int(std::min<std::size_t>(65535, bytes.size() < 6 ? 0 : (bytes.size() - 6) / 16));
    const int count = std::max(1, std::min(m.reader.imageCount(), entries));
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
    if (best.isNull()) FailQtRead("ICO", m.reader);
    return FromQImage(best);
}

}  // namespace brimlet
