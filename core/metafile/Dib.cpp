#include "core/metafile/Dib.h"

#include "core/Image32.h"
#include "core/codecs/Decoders.h"
#include "core/codecs/PictureFiles.h"
#include "core/metafile/ByteReader.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <algorithm>
#include <optional>
#include <utility>
#include <stdexcept>
#include <string>

namespace brimlet::metafile {
namespace {

// Compression codes; 0 (BI_RGB, plain pixels) needs no check of its own.
constexpr std::uint32_t kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiJpeg = 4, kBiPng = 5,
                        kBiAlphaBitfields = 6;

[[noreturn]] void Damaged(const std::string& why) {
    throw PictureError("A bitmap inside the metafile is damaged: " + why);
}

// A bitmap is decoded whole into 4 bytes a pixel before it is drawn (and copied once more
// for a pattern or from JPEG), and a record of a few bytes can declare 16384 x 16384 pixels
// with an RLE stream, a few scan lines or a tiny PNG. Up to kDibAreaAnyData pixels (16 MiB)
// decode whatever the bits; a larger bitmap needs a byte of bits for every
// kDibPixelsPerByte pixels, so that a file under 64 KB holds no bitmap larger than that
// either: with its copy and the largest canvas such a file may have, under 100 MB. RLE
// spends two bytes on a run of at most 255 pixels, uncompressed bits at least one on 8
// pixels, JPEG and PNG data of real pictures far more.
constexpr std::int64_t kDibAreaAnyData = std::int64_t(1) << 22;
constexpr std::int64_t kDibPixelsPerByte = 64;

void CheckBitsCanFill(std::int64_t width, std::int64_t height, std::size_t bits) {
    const std::int64_t fillable = std::max(kDibAreaAnyData, std::int64_t(std::min<std::size_t>(bits, std::size_t(1) << 40)) * kDibPixelsPerByte);
    if (width * height > fillable)
        Damaged("it declares " + std::to_string(width) + " x " + std::to_string(height) + " pixels but holds only " +
                std::to_string(bits) + " bytes of them");
}

// The frame size of a JPEG stream (its first SOFn segment), read before decoding it.
std::optional<std::pair<int, int>> JpegFrameSize(std::span<const std::uint8_t> b) {
    std::size_t i = 2;
    while (i + 4 <= b.size() && b[i] == 0xFF) {
        const std::uint8_t marker = b[i + 1];
        if (marker == 0xFF) {  // fill byte
            ++i;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // no length follows
            i += 2;
            continue;
        }
        const std::size_t length = std::size_t(b[i + 2]) << 8 | b[i + 3];
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && i + 9 <= b.size()) return std::pair(b[i + 7] << 8 | b[i + 8], b[i + 5] << 8 | b[i + 6]);
        i += 2 + length;
    }
    return std::nullopt;
}

struct Header {
    DibInfo info;
    std::uint32_t masks[3] = {0, 0, 0};
    QVector<QRgb> colours;
};

Header ReadHeader(std::span<const std::uint8_t> bytes, ColourUsage usage,
                  const QVector<QRgb>& palette) {
    ByteReader r(bytes, "bitmap inside the metafile");
    Header h;
    const std::uint32_t size = r.U32();
    std::uint32_t clrUsed = 0;
    bool core = false;
    if (size == 12) {
        core = true;
        h.info.width = r.U16();
        h.info.height = r.S16();
        r.U16();  // planes
        h.info.bitCount = r.U16();
    } else if (size >= 40 && size <= 1024) {
        const std::int32_t width = r.S32(), height = r.S32();
        r.U16();
        h.info.bitCount = r.U16();
        h.info.compression = r.U32();
        r.Skip(12);  // image size, resolution
        clrUsed = r.U32();
        r.U32();  // important colours
        if (width < 0) Damaged("negative width");
        if (height == INT32_MIN) Damaged("impossible height");
        h.info.width = width;
        h.info.height = height;
        const bool fields =
            h.info.compression == kBiBitfields || h.info.compression == kBiAlphaBitfields;
        if (fields || size >= 52) {
            // Masks follow a 40-byte header, or sit inside the larger ones.
            r.Seek(40);
            for (auto& m : h.masks) m = r.U32();
        }
        if (size == 40 && fields) {
            if (h.info.compression == kBiAlphaBitfields) r.Skip(4);
        } else {
            r.Seek(size);
        }
    } else {
        Damaged("unknown header size " + std::to_string(size));
    }
    if (h.info.height < 0) {
        h.info.topDown = true;
        h.info.height = -h.info.height;
    }
    const int bpp = h.info.bitCount;
    const std::uint32_t c = h.info.compression;
    if (c == kBiJpeg || c == kBiPng) {
        // The bits are a complete JPEG or PNG file; the header only tells the size.
    } else if (!(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32)) {
        Damaged("unsupported depth of " + std::to_string(bpp) + " bits");
    } else if (c == kBiRle8 && bpp != 8) {
        Damaged("RLE8 compression needs 8 bits per pixel");
    } else if (c == kBiRle4 && bpp != 4) {
        Damaged("RLE4 compression needs 4 bits per pixel");
    } else if ((c == kBiBitfields || c == kBiAlphaBitfields) && bpp != 16 && bpp != 32) {
        Damaged("bit fields need 16 or 32 bits per pixel");
    } else if (c > kBiAlphaBitfields) {
        Damaged("unknown compression " + std::to_string(c));
    }
    if (h.info.topDown && (c == kBiRle4 || c == kBiRle8)) Damaged("a top-down RLE bitmap");
    CheckMetafileSize(h.info.width, h.info.height, "bitmap");

    std::uint32_t entries = 0;
    if (bpp <= 8 && c != kBiJpeg && c != kBiPng) {
        entries = clrUsed ? clrUsed : (1u << bpp);
        if (entries > 256) Damaged("more than 256 colours");
    } else if (clrUsed) {
        if (clrUsed > 65536) Damaged("an oversized colour table");
        entries = clrUsed;  // skipped: true-colour pixels do not use it
    }
    if (usage == ColourUsage::kPalette) {
        for (std::uint32_t i = 0; i < entries; ++i) {
            const std::uint16_t index = r.U16();
            QRgb colour = index < palette.size() ? palette[index]
                          : index == 0         ? qRgb(0, 0, 0)
                                               : qRgb(255, 255, 255);
            h.colours.push_back(colour);
        }
    } else {
        for (std::uint32_t i = 0; i < entries; ++i) {
            const std::uint8_t b = r.U8(), g = r.U8(), rr = r.U8();
            if (!core) r.U8();
            h.colours.push_back(qRgb(rr, g, b));
        }
    }
    if (bpp > 8) h.colours.clear();
    h.info.headerAndColourBytes = r.Position();
    return h;
}

// Converts one mask-selected field to 0..255.
struct Field {
    explicit Field(std::uint32_t mask) : mask(mask) {
        if (!mask) return;
        while (!((mask >> shift) & 1)) ++shift;
        while (shift + bits < 32 && ((mask >> (shift + bits)) & 1)) ++bits;
    }
    int Get(std::uint32_t v) const {
        if (!mask) return 0;
        std::uint32_t f = (v & mask) >> shift;
        std::uint32_t max = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
        return int((std::uint64_t(f) * 255 + max / 2) / max);
    }
    std::uint32_t mask;
    int shift = 0, bits = 0;
};

QRgb Colour(const QVector<QRgb>& colours, std::uint32_t index) {
    // An index beyond the table reads as black, as the platform does.
    return index < std::uint32_t(colours.size()) ? (colours[index] | 0xFF000000u) : 0xFF000000u;
}

void DecodeRle(const Header& h, std::span<const std::uint8_t> bits, QImage& image) {
    const bool four = h.info.compression == kBiRle4;
    const int w = h.info.width, height = h.info.height;
    int x = 0, y = 0;  // y counts from the bottom
    std::size_t i = 0;
    auto put = [&](std::uint32_t index) {
        if (x < w && y < height)
            reinterpret_cast<QRgb*>(image.scanLine(height - 1 - y))[x] = Colour(h.colours, index);
        ++x;
    };
    while (i + 1 < bits.size() && y < height) {
        const std::uint8_t count = bits[i], value = bits[i + 1];
        i += 2;
        if (count > 0) {
            for (int k = 0; k < count && x < w; ++k)
                put(four ? ((k & 1) ? value & 15 : value >> 4) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            break;
        } else if (value == 2) {  // delta
            if (i + 1 >= bits.size()) break;
            x += bits[i];
            y += bits[i + 1];
            i += 2;
        } else {  // absolute run, padded to 16 bits
            const int n = value;
            const std::size_t bytes = four ? std::size_t((n + 1) / 2) : std::size_t(n);
            if (bytes > bits.size() - i) break;
            for (int k = 0; k < n && x < w; ++k)
                put(four ? ((k & 1) ? bits[i + k / 2] & 15 : bits[i + k / 2] >> 4) : bits[i + k]);
            i += (bytes + 1) & ~std::size_t(1);
        }
    }
}

}  // namespace

std::int64_t MaxMetafilePixels() {
#ifdef BRIMLET_FUZZ_MAX_PIXELS
    // Fuzzing builds only (a CMake option): keeps the memory and time per input small.
    return BRIMLET_FUZZ_MAX_PIXELS;
#else
    return TBitmap32::kMaxPixelCount;
#endif
}

void CheckMetafileSize(std::int64_t width, std::int64_t height, const char* what) {
    try {
        CheckPictureSize(width, height);
    } catch (const std::length_error& e) {
        throw PictureError(std::string("The metafile's ") + what + " cannot be opened: " +
                           e.what());
    }
    if (width * height > MaxMetafilePixels())
        throw PictureError(std::string("The metafile's ") + what + " is too large (" +
                           std::to_string(width) + " x " + std::to_string(height) + " pixels)");
}

DibInfo ReadDibInfo(std::span<const std::uint8_t> header, ColourUsage usage) {
    return ReadHeader(header, usage, {}).info;
}

QImage DecodeDib(std::span<const std::uint8_t> headerBytes, std::span<const std::uint8_t> bits,
                 ColourUsage usage, const QVector<QRgb>& palette, int firstScan, int scanCount) {
    const Header h = ReadHeader(headerBytes, usage, palette);
    const int w = h.info.width, height = h.info.height, bpp = h.info.bitCount;
    const std::uint32_t c = h.info.compression;
    if (c == kBiJpeg || c == kBiPng) {
        if (c == kBiJpeg) {
            // The decoder's own bound allows 16 Mi pixels for these bytes, and the picture is
            // copied once more here: the bitmap's tighter bound is checked first.
            if (const auto size = JpegFrameSize(bits)) CheckBitsCanFill(size->first, size->second, bits.size());
            // The program's own JPEG decoder, hardened against damaged data.
            const TBitmap32 jpeg = DecodeJpeg(bits);
            QImage image(jpeg.Width(), jpeg.Height(), QImage::Format_ARGB32);
            for (int y = 0; y < jpeg.Height(); ++y) {
                const std::uint8_t* in = jpeg.ScanLine(y);
                auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < jpeg.Width(); ++x, in += 4) out[x] = qRgb(in[kR], in[kG], in[kB]);
            }
            return image;
        }
        if (bits.size() > std::size_t(INT32_MAX)) Damaged("its PNG data cannot be read");
        // Qt allocates the declared size whole before reading the data: check it first.
        QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bits.data()), qsizetype(bits.size()));
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "PNG");
        const QSize declared = reader.size();
        if (declared.isValid()) {
            CheckMetafileSize(declared.width(), declared.height(), "bitmap");
            CheckBitsCanFill(declared.width(), declared.height(), bits.size());
        }
        QImage embedded;
        if (!reader.read(&embedded)) Damaged("its PNG data cannot be read");
        CheckMetafileSize(embedded.width(), embedded.height(), "bitmap");
        QImage opaque = embedded.convertToFormat(QImage::Format_RGB32);
        return opaque.convertToFormat(QImage::Format_ARGB32);
    }
    if (w == 0 || height == 0) return {};
    CheckBitsCanFill(w, height, bits.size());
    QImage image(w, height, QImage::Format_ARGB32);
    if (image.isNull()) Damaged("not enough memory for it");
    image.fill(0);
    if (c == kBiRle4 || c == kBiRle8) {
        DecodeRle(h, bits, image);
        return image;
    }
    const std::size_t rowBytes = ((std::size_t(w) * bpp + 31) / 32) * 4;
    if (scanCount < 0) {
        firstScan = 0;
        scanCount = height;
    }
    firstScan = std::clamp(firstScan, 0, height);
    scanCount = std::clamp(scanCount, 0, height - firstScan);
    if (rowBytes * std::size_t(scanCount) > bits.size())
        Damaged("its pixel data is shorter than its size needs");

    Field red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
    const bool fields = c == kBiBitfields || c == kBiAlphaBitfields;
    if (!fields && bpp == 16) red = Field(0x7C00), green = Field(0x03E0), blue = Field(0x001F);
    for (int s = 0; s < scanCount; ++s) {
        const int fromBottom = firstScan + s;
        const int row = h.info.topDown ? fromBottom : height - 1 - fromBottom;
        const std::uint8_t* p = bits.data() + std::size_t(s) * rowBytes;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(row));
        for (int x = 0; x < w; ++x) {
            switch (bpp) {
            case 1: out[x] = Colour(h.colours, (p[x >> 3] >> (7 - (x & 7))) & 1); break;
            case 4: out[x] = Colour(h.colours, (x & 1) ? p[x >> 1] & 15 : p[x >> 1] >> 4); break;
            case 8: out[x] = Colour(h.colours, p[x]); break;
            case 16: {
                std::uint32_t v = p[2 * x] | p[2 * x + 1] << 8;
                out[x] = qRgb(red.Get(v), green.Get(v), blue.Get(v));
                break;
            }
            case 24: out[x] = qRgb(p[3 * x + 2], p[3 * x + 1], p[3 * x]); break;
            case 32: {
                const std::uint8_t* q = p + 4 * x;
                if (fields) {
                    std::uint32_t v = q[0] | q[1] << 8 | q[2] << 16 | std::uint32_t(q[3]) << 24;
                    out[x] = qRgb(red.Get(v), green.Get(v), blue.Get(v));
                } else {
                    out[x] = qRgb(q[2], q[1], q[0]);
                }
                break;
            }
            }
        }
    }
    return image;
}

QImage DecodePackedDib(std::span<const std::uint8_t> dib, ColourUsage usage,
                       const QVector<QRgb>& palette) {
    const std::size_t start = ReadHeader(dib, usage, palette).info.headerAndColourBytes;
    return DecodeDib(dib, dib.subspan(start), usage, palette);
}

QImage DecodeBitmap16(std::span<const std::uint8_t> bytes, QRgb zero, QRgb one) {
    ByteReader r(bytes, "bitmap inside the metafile");
    r.U16();  // type
    const int w = r.S16(), h = r.S16(), widthBytes = r.S16();
    r.U8();  // planes
    const int bpp = r.U8();
    if (w < 0 || h < 0 || widthBytes < 0) Damaged("negative size");
    CheckMetafileSize(w, h, "bitmap");
    if (bpp != 1 && bpp != 24 && bpp != 32) Damaged("unsupported depth of " + std::to_string(bpp) + " bits");
    if (std::int64_t(widthBytes) * 8 < std::int64_t(w) * bpp) Damaged("rows shorter than its width");
    if (w == 0 || h == 0) return {};
    auto data = r.Bytes(std::size_t(widthBytes) * std::size_t(h));
    QImage image(w, h, QImage::Format_ARGB32);
    if (image.isNull()) Damaged("not enough memory for it");
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* p = data.data() + std::size_t(y) * widthBytes;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            if (bpp == 1)
                out[x] = ((p[x >> 3] >> (7 - (x & 7))) & 1) ? one : zero;
            else
                out[x] = qRgb(p[x * (bpp / 8) + 2], p[x * (bpp / 8) + 1], p[x * (bpp / 8)]);
            out[x] |= 0xFF000000u;
        }
    }
    return image;
}

}  // namespace brimlet::metafile
