// BMP through QtGui's reader, with three things Qt leaves to us:
// - a damaged file must look the same every time: Qt leaves the rows after a short file's
//   end, and the pixels an RLE stream never reaches, as whatever its buffer held. We work
//   out which pixels the file provides and make the others white.
// - the cost must follow the data present: Qt allocates whatever size the header declares,
//   so a large declared picture is refused unless the file's pixel data can fill it.
// - 16-bit files: Qt shifts 5- and 6-bit channels up (white comes out 248), where the
//   format's own decoder, the Windows GDI, repeats the top bits into the low ones (white
//   stays 255, as ImageMagick also scales). We scale the way the GDI does.
#include "core/codecs/Decoders.h"
#include "core/codecs/PictureFiles.h"
#include "core/codecs/QtReading.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

namespace brimlet {

namespace {

constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;

std::int64_t ReadLittle(std::span<const std::uint8_t> b, std::size_t at, int size) {
    std::uint64_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = v << 8 | b[at + std::size_t(i)];
    // Sign-extend: BMP widths and heights are signed.
    const int shift = 64 - 8 * size;
    return std::int64_t(v << shift) >> shift;
}

// What the headers say, read the way Qt's reader reads them.
struct BmpLayout {
    std::int64_t width = 0, height = 0;  // height made positive
    bool topDown = false;
    int bitsPerPixel = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t masks[3] = {};  // red, green, blue, where the file gives them
    std::int64_t dataStart = 0;   // where Qt starts reading pixels
    std::int64_t rowBytes = 0;    // an uncompressed row in the file, padded to 4 bytes

    bool Rle() const { return compression == kRle8 || compression == kRle4; }
};

// nullopt when the headers are incomplete (Qt then refuses the file itself).
std::optional<BmpLayout> ReadLayout(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M') return std::nullopt;
    BmpLayout l;
    const std::int64_t headerSize = ReadLittle(bytes, 14, 4);
    const bool full = headerSize == 40 || headerSize == 64 || headerSize == 108 || headerSize == 124;
    std::int64_t colours = 0;
    if (full) {
        if (bytes.size() < 54) return std::nullopt;
        l.width = ReadLittle(bytes, 18, 4);
        l.height = ReadLittle(bytes, 22, 4);
        l.bitsPerPixel = int(ReadLittle(bytes, 28, 2));
        l.compression = std::uint32_t(ReadLittle(bytes, 30, 4));
        colours = std::uint32_t(ReadLittle(bytes, 46, 4));
    } else {
        l.width = ReadLittle(bytes, 18, 2);
        l.height = ReadLittle(bytes, 20, 2);
        l.bitsPerPixel = int(ReadLittle(bytes, 24, 2));
    }
    l.topDown = l.height < 0;
    l.height = std::abs(l.height);
    // Colour masks: inside a version 4 or 5 header, else after the header for bit fields.
    std::int64_t tableEnd = 14 + headerSize;
    const bool maskedDepth = l.bitsPerPixel == 16 || l.bitsPerPixel == 32;
    if (headerSize >= 108 || (l.compression == kBitFields && maskedDepth)) {
        if (bytes.size() < 66) return std::nullopt;
        for (int i = 0; i < 3; ++i) l.masks[i] = std::uint32_t(ReadLittle(bytes, 54 + 4 * std::size_t(i), 4));
        if (headerSize < 108) tableEnd += 12;
    }
    if (l.bitsPerPixel <= 8) {
        if (colours == 0) colours = std::int64_t(1) << std::clamp(l.bitsPerPixel, 0, 8);
        tableEnd += colours * (headerSize == 12 ? 3 : 4);
    }
    const std::int64_t offset = ReadLittle(bytes, 10, 4);
    l.dataStart = std::max(tableEnd, offset);
    l.rowBytes = (l.width * l.bitsPerPixel + 31) / 32 * 4;
    return l;
}

std::int64_t DataBytes(const BmpLayout& l, std::size_t fileSize) {
    return std::max<std::int64_t>(0, std::int64_t(fileSize) - l.dataStart);
}

// Uncompressed rows lie whole in the file, first the bottom one (or the top one, top-down).
std::int64_t RowsPresent(const BmpLayout& l, std::size_t fileSize) {
    if (l.rowBytes <= 0) return 0;
    return std::min(l.height, DataBytes(l, fileSize) / l.rowBytes);
}

// A truncated file keeps its rows as long as it holds a quarter of them; each two bytes of an
// RLE stream paint at most one run of up to 255 pixels.
std::int64_t FillablePixels(const BmpLayout& l, std::size_t fileSize) {
    if (l.Rle()) return DataBytes(l, fileSize) / 2 * std::min<std::int64_t>(255, l.width);
    return 4 * RowsPresent(l, fileSize) * l.width;
}

QImage::Format QtFormatOf(const BmpLayout& l) {
    if (l.bitsPerPixel == 1) return QImage::Format_Mono;
    if (l.bitsPerPixel <= 8) return QImage::Format_Indexed8;
    return QImage::Format_RGB32;
}

// Qt's reader, into an image that already holds `fill` everywhere where Qt takes the image
// as it is (same size and format), so that what it does not write is known.
QImage ReadInto(MemoryReader& m, const BmpLayout& l, int fill) {
    QImage image(int(l.width), int(l.height), QtFormatOf(l));
    if (!image.isNull()) {
        if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono)
            std::memset(image.bits(), fill, std::size_t(image.sizeInBytes()));
        else
            image.fill(fill ? 0xFFFFFFFFu : 0u);
    }
    if (!m.reader.read(&image)) FailQtRead("BMP", m.reader);
    return image;
}

QImage ReadInto(std::span<const std::uint8_t> bytes, const BmpLayout& l, int fill) {
    MemoryReader m(bytes, "bmp");
    return ReadInto(m, l, fill);
}

// Where the last whole item of an RLE stream ends: a run (count, colour), an escape (end of
// line, end of bitmap), a delta (0, 2, dx, dy) or an absolute run (0, n, n pixels padded
// to an even number of bytes).
std::size_t EndOfWholeItems(std::span<const std::uint8_t> bytes, const BmpLayout& l) {
    std::size_t at = std::size_t(std::min<std::int64_t>(l.dataStart, std::int64_t(bytes.size())));
    std::size_t end = at;
    while (at + 2 <= bytes.size()) {
        std::size_t size = 2;
        if (bytes[at] == 0 && bytes[at + 1] == 2) {
            size = 4;
        } else if (bytes[at] == 0 && bytes[at + 1] >= 3) {
            const std::size_t n = bytes[at + 1];
            const std::size_t data = l.compression == kRle8 ? n : (n + 1) / 2;
            size = 2 + (data + 1) / 2 * 2;
        }
        if (at + size > bytes.size()) break;
        at += size;
        end = at;
        if (bytes[at - size] == 0 && bytes[at - size + 1] == 1) break;  // end of bitmap
    }
    return end;
}

// An RLE stream cut short leaves Qt's reader in the middle of an item, which it finishes with
// bytes it never read. So it gets the stream up to its last whole item, followed by zeros,
// which it reads as ends of lines (no paint) or, where its reading of a damaged stream goes
// its own way, as colour 0: never memory it did not fill.
QImage ReadRle(std::span<const std::uint8_t> bytes, const BmpLayout& l, int fill) {
    if (DataBytes(l, bytes.size()) == 0) return ReadInto(bytes, l, fill);  // Qt refuses it
    std::vector<std::uint8_t> padded(bytes.begin(), bytes.begin() + std::ptrdiff_t(EndOfWholeItems(bytes, l)));
    padded.resize(padded.size() + 258, 0);  // an absolute run's worth
    MemoryReader m(padded, "bmp");
    return ReadInto(m, l, fill);
}

// For RLE files: the pixels where two reads from different fills differ were never painted. Both images are Indexed8, one byte per pixel.
std::vector<bool> UnwrittenPixels(const QImage& a, const QImage& b) {
    std::vector<bool> unwritten(std::size_t(a.width()) * std::size_t(a.height()), false);
    if (a.size() != b.size() || a.format() != QImage::Format_Indexed8 || b.format() != a.format()) {
        unwritten.assign(unwritten.size(), true);
        return unwritten;
    }
    for (int y = 0; y < a.height(); ++y) {
        const uchar* pa = a.constScanLine(y);
        const uchar* pb = b.constScanLine(y);
        for (int x = 0; x < a.width(); ++x)
            if (pa[x] != pb[x]) unwritten[std::size_t(y) * std::size_t(a.width()) + std::size_t(x)] = true;
    }
    return unwritten;
}

// The width in bits of a channel mask whose bits are contiguous; 0 otherwise.
int ChannelBits(std::uint32_t mask) {
    if (mask == 0) return 0;
    const std::uint32_t field = mask >> std::countr_zero(mask);
    return (field & (field + 1)) == 0 ? std::popcount(field) : 0;
}

// Qt gives an n-bit channel as value << (8 - n); the GDI repeats the value's top bits below.
void RepeatTopBits(QImage& image, const BmpLayout& l) {
    if (l.bitsPerPixel != 16) return;
    int bits[3] = {5, 5, 5};  // red, green, blue of the plain 16-bit layout
    if (l.compression == kBitFields)
        for (int i = 0; i < 3; ++i) bits[i] = ChannelBits(l.masks[i]);
    std::uint8_t table[3][256];
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v) {
            int out = v;
            if (bits[c] > 0 && bits[c] < 8)
                for (int s = bits[c]; s < 8; s += bits[c]) out |= v >> s;
            table[c][v] = std::uint8_t(out);
        }
    // Format_(A)RGB32 in memory: B, G, R, A.
    for (int y = 0; y < image.height(); ++y) {
        uchar* p = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, p += 4) {
            p[0] = table[2][p[0]];
            p[1] = table[1][p[1]];
            p[2] = table[0][p[2]];
        }
    }
}

void MakeWhite(std::uint8_t* pixel) {
    pixel[0] = pixel[1] = pixel[2] = 255;
    pixel[3] = 0;
}

}  // namespace

TBitmap32 DecodeBmp(std::span<const std::uint8_t> bytes) {
    const std::optional<BmpLayout> layout = ReadLayout(bytes);
    if (!layout) {
        MemoryReader m(bytes, "bmp");
        const QImage image = m.reader.read();
        if (image.isNull()) FailQtRead("BMP", m.reader);
        return FromQImage(image);
    }
    const BmpLayout& l = *layout;
    CheckDecodedSize(l.width, l.height);
    CheckDataCanFill("BMP", l.width, l.height, FillablePixels(l, bytes.size()));

    // RLE: read twice from different fills; what differs was never painted.
    QImage image = l.Rle() ? ReadRle(bytes, l, 0x00) : ReadInto(bytes, l, 0x00);
    std::vector<bool> unwritten;
    if (l.Rle()) unwritten = UnwrittenPixels(image, ReadRle(bytes, l, 0xFF));
    RepeatTopBits(image, l);
    TBitmap32 picture = FromQImage(image);

    if (l.Rle()) {
        for (int y = 0; y < picture.Height(); ++y)
            for (int x = 0; x < picture.Width(); ++x)
                if (unwritten[std::size_t(y) * std::size_t(picture.Width()) + std::size_t(x)])
                    MakeWhite(picture.ScanLine(y) + 4 * std::size_t(x));
        return picture;
    }
    // Rows past the end of a short file.
    const int present = int(RowsPresent(l, bytes.size()));
    const int firstMissing = l.topDown ? present : 0;
    const int lastMissing = l.topDown ? picture.Height() : picture.Height() - present;
    for (int y = firstMissing; y < lastMissing; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < picture.Width(); ++x) MakeWhite(row + 4 * std::size_t(x));
    }
    return picture;
}

}  // namespace brimlet
