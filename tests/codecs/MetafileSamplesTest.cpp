// The real metafiles in tests/data: their sizes, their bitmaps, and how they compare with
// independent renderers from Debian.
#include "MetafileTestSupport.h"
#include "core/codecs/PictureFiles.h"
#include "core/metafile/Metafile.h"

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>

namespace brimlet {
namespace {

using namespace metafiletest;

bool IsEmf(const std::string& name) { return name.ends_with(".emf"); }

TBitmap32 Decode(const std::string& name) {
    const auto bytes = ReadFile(TestData(name));
    return IsEmf(name) ? DecodeEmf(bytes) : DecodeWmf(bytes);
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

// A DIB (header, colours, bits) read by QtGui's BMP reader, independent of ours.
QImage ReadDibWithQt(const std::vector<std::uint8_t>& dib) {
    const std::uint32_t headerSize = U32(dib, 0), bits = dib[14] | dib[15] << 8,
                        used = U32(dib, 32);
    const std::uint32_t colours = used ? used : bits <= 8 ? (1u << bits) : 0;
    const std::uint32_t offset = 14 + headerSize + 4 * colours;
    std::vector<std::uint8_t> bmp = {'B', 'M'};
    for (std::uint32_t v : {std::uint32_t(14 + dib.size()), 0u, offset})
        for (int i = 0; i < 4; ++i) bmp.push_back(std::uint8_t(v >> (8 * i)));
    bmp.insert(bmp.end(), dib.begin(), dib.end());
    QImage image;
    image.loadFromData(bmp.data(), int(bmp.size()), "BMP");
    return image.convertToFormat(QImage::Format_RGB32);
}

struct Sample {
    const char* name;
    int width, height;
};

// Sizes as the headers give them: a placeable WMF's box at 96 dpi, a plain WMF's window
// extent (or its bitmap's area), an EMF's frame at 96 dpi.
const Sample kSamples[] = {
    {"clock.wmf", 490, 495},                  // 3096 x 3124 units at 606 per inch
    {"fulltest.wmf", 1056, 816},              // 27940 x 21590 at 2540 per inch (letter)
    {"TestBigPPI.wmf", 96, 81},               // 2540 x 2143 at 2540 per inch
    {"tdf88163-non-placeable.wmf", 2600, 1900},  // window extent 2600 x -1900
    {"TestStretchDIB.wmf", 456, 456},         // no window: the bitmap's 456 x 456 area
    {"computer_mail.emf", 107, 112},          // frame 28.44 x 29.68 mm
    {"JPGinside.emf", 378, 378},              // frame 100 x 100 mm
};

TEST(MetafileSamples, OpenAtTheSizeTheirHeadersGive) {
    for (const Sample& s : kSamples) {
        SCOPED_TRACE(s.name);
        const TBitmap32 picture = Decode(s.name);
        EXPECT_EQ(picture.Width(), s.width);
        EXPECT_EQ(picture.Height(), s.height);
        // Something was drawn, and loaded pictures carry alpha 0.
        bool drawn = false, alphaZero = true;
        for (int y = 0; y < picture.Height(); ++y)
            for (int x = 0; x < picture.Width(); ++x) {
                const std::uint8_t* p = picture.ScanLine(y) + 4 * x;
                drawn |= p[0] != 255 || p[1] != 255 || p[2] != 255;
                alphaZero &= p[3] == 0;
            }
        EXPECT_TRUE(drawn);
        EXPECT_TRUE(alphaZero);
    }
}

TEST(MetafileSamples, LoadPictureUsesThePlayerForBothKeys) {
    const auto wmf = LoadPicture(TestData("clock.wmf"));
    ASSERT_TRUE(wmf.has_value());
    EXPECT_EQ(wmf->Width(), 490);
    const auto emf = DecodePicture(".EMF", ReadFile(TestData("JPGinside.emf")));
    EXPECT_EQ(emf.Width(), 378);
}

// The 10 x 10 bitmap stretched over the whole picture, nearest pixel, exactly.
TEST(MetafileSamples, StretchedBitmapReproducesItsPixelsExactly) {
    const auto bytes = ReadFile(TestData("TestStretchDIB.wmf"));
    const std::size_t dibAt = 18 + 6 + 22;  // header, record head, STRETCHDIB parameters
    const std::size_t words = U32(bytes, 18);
    const QImage source = ReadDibWithQt({bytes.begin() + dibAt, bytes.begin() + 18 + 2 * words});
    ASSERT_EQ(source.width(), 10);
    const TBitmap32 picture = Decode("TestStretchDIB.wmf");
    for (int y = 0; y < 456; ++y)
        for (int x = 0; x < 456; ++x) {
            const QRgb want = source.pixel((2 * x + 1) * 10 / 912, (2 * y + 1) * 10 / 912);
            ASSERT_EQ(picture.PixelColor(x, y), want & 0xFFFFFF) << x << ", " << y;
        }
}

// The JPEG inside the EMF lands at its place, scaled from the reference device.
TEST(MetafileSamples, JpegInsideEmfIsDecodedAndPlaced) {
    const auto bytes = ReadFile(TestData("JPGinside.emf"));
    std::size_t at = U32(bytes, 4);
    while (U32(bytes, at) != 81) at += U32(bytes, at + 4);  // the STRETCHDIBITS record
    const std::size_t bits = at + U32(bytes, at + 8 + 16 + 32), count = U32(bytes, at + 8 + 16 + 36);
    QImage jpeg;
    ASSERT_TRUE(jpeg.loadFromData(bytes.data() + bits, int(count), "JPEG"));
    ASSERT_EQ(jpeg.size(), QSize(75, 56));
    const TBitmap32 picture = Decode("JPGinside.emf");
    // 1920 reference pixels span 677.333 mm; the 100 mm frame is 283.46 of them and 378
    // output pixels: the 75 x 56 bitmap stretched to (28, 28) + (226 x 226) covers output
    // (37.3, 37.3) + (301.4 x 301.4).
    const double scale = 378 / (100 * 1920 / 677.333);
    int compared = 0, close = 0;
    for (int y = 0; y < 378; ++y)
        for (int x = 0; x < 378; ++x) {
            const double u = ((x + 0.5) / scale - 28) / 226, v = ((y + 0.5) / scale - 28) / 226;
            if (u < 0.03 || u > 0.97 || v < 0.03 || v > 0.97) continue;
            const QRgb want = jpeg.pixel(int(u * 75), int(v * 56));
            const std::uint32_t got = picture.PixelColor(x, y);
            ++compared;
            close += std::abs(int(qRed(want)) - int((got >> 16) & 255)) <= 8 &&
                     std::abs(int(qGreen(want)) - int((got >> 8) & 255)) <= 8 &&
                     std::abs(int(qBlue(want)) - int(got & 255)) <= 8;
        }
    EXPECT_GT(compared, 80000);
    EXPECT_GT(close, compared * 97 / 100);
}

// Vector drawings against libwmf and emf2svg: their fonts, line widths and framing differ
// from ours, so the drawn areas are compared after resampling.
TEST(MetafileSamples, VectorDrawingsResembleIndependentRenderers) {
    struct Case {
        const char* name;
        double minCorrelation;
    };
    // libwmf draws the text of tdf88163 about 1.6 times as large as its cell height says.
    const Case cases[] = {{"clock.wmf", 0.9},
                          {"fulltest.wmf", 0.5},
                          {"tdf88163-non-placeable.wmf", 0.2},
                          {"computer_mail.emf", 0.45}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string tool = IsEmf(c.name) ? "emf2svg-conv" : "wmf2gd";
        if (!HaveTool(tool) || (IsEmf(c.name) && !HaveTool("rsvg-convert"))) {
            std::cout << "skipped: " << tool << " is not installed\n";
            continue;
        }
        const TBitmap32 ours = Decode(c.name);
        const std::string dir = TempDir(), png = dir + "/theirs.png";
        const std::string size = std::to_string(ours.Width()) + " " + std::to_string(ours.Height());
        std::string command;
        if (IsEmf(c.name))
            command = "emf2svg-conv -i " + TestData(c.name) + " -o " + dir + "/t.svg && rsvg-convert -b white -w " +
                      std::to_string(ours.Width()) + " -h " + std::to_string(ours.Height()) + " " + dir +
                      "/t.svg -o " + png;
        else
            command = "wmf2gd -t png --maxwidth=" + std::to_string(ours.Width()) +
                      " --maxheight=" + std::to_string(ours.Height()) + " --maxsize -o " + png + " " +
                      TestData(c.name);
        ASSERT_EQ(RunShell(command + " >/dev/null 2>&1"), 0) << command;
        QImage rendered;
        ASSERT_TRUE(rendered.load(QString::fromStdString(png)));
        const TBitmap32 theirs = FromQImage(rendered);
        const TBitmap32 reference = InkBoxResampled(theirs, 64);
        const double r = GreyCorrelation(InkBoxResampled(ours, 64), reference);
        // The measure must tell a mirrored drawing apart.
        TBitmap32 mirrored(ours.Width(), ours.Height());
        for (int y = 0; y < ours.Height(); ++y)
            std::copy_n(ours.ScanLine(ours.Height() - 1 - y), ours.Stride(), mirrored.ScanLine(y));
        const double rMirrored = GreyCorrelation(InkBoxResampled(mirrored, 64), reference);
        std::cout << c.name << ": correlation of the drawn areas " << r << " (mirrored "
                  << rMirrored << ")\n";
        EXPECT_GT(r, c.minCorrelation);
        EXPECT_GT(r, rMirrored + 0.1);
        RunShell("rm -rf " + dir);
    }
}

// Cut anywhere, a sample gives a clear error or the picture at its full size.
TEST(MetafileSamples, TruncatedFilesFailCleanly) {
    for (const Sample& s : kSamples) {
        SCOPED_TRACE(s.name);
        const auto whole = ReadFile(TestData(s.name));
        const std::size_t n = whole.size();
        int refused = 0;
        for (std::size_t length : {std::size_t(0), std::size_t(5), std::size_t(17), std::size_t(21),
                                   std::size_t(22), std::size_t(39), std::size_t(87), std::size_t(100),
                                   n / 4, n / 2, 3 * n / 4, n - 7, n - 1}) {
            const std::vector<std::uint8_t> part(whole.begin(), whole.begin() + std::min(length, n));
            try {
                const TBitmap32 p = IsEmf(s.name) ? DecodeEmf(part) : DecodeWmf(part);
                EXPECT_EQ(p.Width(), s.width) << length;
                EXPECT_EQ(p.Height(), s.height) << length;
            } catch (const PictureError& e) {
                ++refused;
                EXPECT_GT(std::string(e.what()).size(), 20u) << length;
            }
        }
        EXPECT_GE(refused, 5);
    }
}

}  // namespace
}  // namespace brimlet
