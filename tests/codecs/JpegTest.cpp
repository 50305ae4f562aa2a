// JPEG decoding of the real variants, EXIF orientation, and the writer's settings.
#include "core/codecs/ExifOrientation.h"
#include "tests/codecs/CodecTestSupport.h"

#include <QImage>
#include <QImageReader>

namespace brimlet::test {
namespace {

// Qt's JPEG reader (without EXIF turning) as an independent reference.
TBitmap32 QtJpeg(const std::string& name) {
    QImageReader reader(QString::fromStdString(Sample(name)));
    reader.setAutoTransform(false);
    const QImage image = reader.read().convertToFormat(QImage::Format_RGB32);
    TBitmap32 b(image.width(), image.height());
    for (int y = 0; y < b.Height(); ++y) std::memcpy(b.ScanLine(y), image.constScanLine(y), b.Stride());
    return b;
}

TEST(Jpeg, RealVariantsDecodeLikeAnIndependentReader) {
    // baseline 4:2:0, progressive with APP13 first, greyscale, 4:4:4 with restart markers
    // and APP14, arithmetic coding.
    for (const char* name : {"pool.jpg", "app13-multiple.jpg", "hopper_gray.jpg", "sunrise.jpg",
                             "pil_sample_rgb.jpg", "testimgari.jpg", "sample-362x272.jpg"}) {
        SCOPED_TRACE(name);
        const TBitmap32 ours = LoadSample(name), reference = QtJpeg(name);
        ASSERT_EQ(ours.Width(), reference.Width());
        ASSERT_EQ(ours.Height(), reference.Height());
        EXPECT_LT(MeanColourDifference(ours, reference), 1.0);
    }
}

TEST(Jpeg, AdobeYcckFileLooksLikeItsRgbTwin) {
    const TBitmap32 cmyk = LoadSample("pil_sample_cmyk.jpg"), rgb = LoadSample("pil_sample_rgb.jpg");
    ASSERT_EQ(cmyk.Width(), rgb.Width());
    EXPECT_LT(MeanColourDifference(cmyk, rgb), 8.0);  // inverted inks would give about 200
}

TEST(Jpeg, WriterMakesBaselineColourAtQuality90) {
    const TBitmap32 pattern = TestPattern(67, 45);
    const std::vector<std::uint8_t> file = EncodeJpeg(pattern);
    bool baseline = false, progressive = false;
    int components = 0, firstLumaStep = 0;
    for (std::size_t i = 2; i + 10 < file.size() && file[i] == 0xFF;) {
        const std::uint8_t marker = file[i + 1];
        const std::size_t length = std::size_t(file[i + 2]) << 8 | file[i + 3];
        if (marker == 0xC0) baseline = true, components = file[i + 9];
        if (marker == 0xC2) progressive = true;
        if (marker == 0xDB && firstLumaStep == 0) firstLumaStep = file[i + 5];
        if (marker == 0xDA) break;
        i += 2 + length;
    }
    EXPECT_TRUE(baseline);
    EXPECT_FALSE(progressive);
    EXPECT_EQ(components, 3);
    // libjpeg scales the standard luminance table (DC step 16) to 16 * 20 / 100 at quality 90.
    EXPECT_EQ(firstLumaStep, 3);

    const TBitmap32 back = DecodePicture(".JPG", file);
    ASSERT_EQ(back.Width(), 67);
    ASSERT_EQ(back.Height(), 45);
    EXPECT_LT(MeanColourDifference(back, pattern), 3.0);
    EXPECT_TRUE(AllAlphaZero(back));
}

TEST(Jpeg, DamagedFilesGiveLibjpegsMessage) {
    const std::vector<std::uint8_t> png = ReadBytes(Sample("chelsea.png"));
    try {
        DecodePicture(".JPG", png);
        FAIL() << "a PNG decoded as JPEG";
    } catch (const PictureError& e) {
        EXPECT_NE(std::string(e.what()).find("Not a JPEG file"), std::string::npos) << e.what();
    }
    EXPECT_THROW(DecodePicture("JPEG", {}), PictureError);
}

TEST(Jpeg, TruncatedBaselineFileKeepsItsReadablePart) {
    const std::vector<std::uint8_t> whole = ReadBytes(Sample("pool.jpg"));
    const TBitmap32 full = DecodePicture(".JPG", whole);
    // Without its end marker (a common damage) the picture is whole.
    EXPECT_EQ(DecodePicture(".JPG", std::span(whole).first(whole.size() - 2)), full);
    const TBitmap32 cut = DecodePicture(".JPG", std::span(whole).first(whole.size() / 2));
    ASSERT_EQ(cut.Width(), full.Width());
    ASSERT_EQ(cut.Height(), full.Height());
    // The upper part as in the whole file, the bottom rows (beyond the data) white.
    for (int y = 0; y < full.Height() / 4; ++y)
        ASSERT_EQ(std::memcmp(cut.ScanLine(y), full.ScanLine(y), full.Stride()), 0) << y;
    const std::uint8_t* last = cut.ScanLine(cut.Height() - 1);
    for (int x = 0; x < cut.Width(); ++x) ASSERT_EQ(LoadPixel(last + 4 * x), 0x00FFFFFFu) << x;
}

// --- EXIF orientation ---

// An APP1 Exif payload holding only an orientation tag, in either byte order.
std::vector<std::uint8_t> ExifPayload(int orientation, bool bigEndian) {
    std::vector<std::uint8_t> p = {'E', 'x', 'i', 'f', 0, 0};
    auto put16 = [&](unsigned v) {
        if (bigEndian) p.insert(p.end(), {std::uint8_t(v >> 8), std::uint8_t(v)});
        else p.insert(p.end(), {std::uint8_t(v), std::uint8_t(v >> 8)});
    };
    auto put32 = [&](unsigned v) {
        if (bigEndian) put16(v >> 16), put16(v & 0xFFFF);
        else put16(v & 0xFFFF), put16(v >> 16);
    };
    p.push_back(bigEndian ? 'M' : 'I');
    p.push_back(bigEndian ? 'M' : 'I');
    put16(42);
    put32(8);  // IFD0 right after the header
    put16(2);  // two entries: an unrelated one first
    put16(0x010F), put16(2), put32(4), put32(0);
    put16(0x0112), put16(3), put32(1), put16(unsigned(orientation)), put16(0);
    put32(0);  // no next IFD
    return p;
}

// A JPEG with the payload as an APP1 segment right after SOI.
std::vector<std::uint8_t> WithApp1(const std::vector<std::uint8_t>& jpeg, const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    const std::size_t length = payload.size() + 2;
    out.insert(out.end(), {0xFF, 0xE1, std::uint8_t(length >> 8), std::uint8_t(length)});
    out.insert(out.end(), payload.begin(), payload.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

enum Corner { kTopLeft, kTopRight, kBottomLeft, kBottomRight };

// Four flat quadrants of clearly different colours, 32 x 16.
TBitmap32 Quadrants() {
    static const std::uint8_t rgb[4][3] = {{230, 20, 20}, {20, 230, 20}, {20, 20, 230}, {230, 230, 20}};
    TBitmap32 b(32, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x) {
            const int q = (y >= 8) * 2 + (x >= 16);
            b.SetPixelColor(x, y, rgb[q][0], rgb[q][1], rgb[q][2]);
        }
    return b;
}

// Which original quadrant shows at pixel (x, y) of the decoded picture.
int QuadrantAt(const TBitmap32& b, int x, int y) {
    const TBitmap32 original = Quadrants();
    const std::uint32_t c = b.PixelColor(x, y);
    static const int kCentres[4][2] = {{8, 4}, {24, 4}, {8, 12}, {24, 12}};
    int best = -1, bestDistance = 1 << 30;
    for (int q = 0; q < 4; ++q) {
        const std::uint32_t o = original.PixelColor(kCentres[q][0], kCentres[q][1]);
        int d = 0;
        for (int s = 0; s < 24; s += 8) d += std::abs(int(c >> s & 0xFF) - int(o >> s & 0xFF));
        if (d < bestDistance) best = q, bestDistance = d;
    }
    return best;
}

TEST(Jpeg, ExifOrientationTurnsThePictureUpright) {
    // For each orientation: the original corner shown at the top left and at the top right,
    // as the EXIF standard defines them.
    struct Case {
        int orientation;
        Corner topLeft, topRight;
    } const cases[] = {
        {1, kTopLeft, kTopRight},     {2, kTopRight, kTopLeft},     {3, kBottomRight, kBottomLeft},
        {4, kBottomLeft, kBottomRight}, {5, kTopLeft, kBottomLeft},  {6, kBottomLeft, kTopLeft},
        {7, kBottomRight, kTopRight}, {8, kTopRight, kBottomRight},
    };
    const std::vector<std::uint8_t> plain = EncodeJpeg(Quadrants());
    for (bool bigEndian : {false, true})
        for (const Case& c : cases) {
            SCOPED_TRACE("orientation " + std::to_string(c.orientation) + (bigEndian ? " MM" : " II"));
            const TBitmap32 b = DecodePicture(".JPG", WithApp1(plain, ExifPayload(c.orientation, bigEndian)));
            const bool turned = c.orientation >= 5;
            ASSERT_EQ(b.Width(), turned ? 16 : 32);
            ASSERT_EQ(b.Height(), turned ? 32 : 16);
            EXPECT_EQ(QuadrantAt(b, 2, 2), c.topLeft);
            EXPECT_EQ(QuadrantAt(b, b.Width() - 3, 2), c.topRight);
            EXPECT_TRUE(AllAlphaZero(b));
        }
}

TEST(Jpeg, MalformedExifIsIgnoredNotTrusted) {
    const std::vector<std::uint8_t> good = ExifPayload(6, false);
    ASSERT_EQ(ExifOrientation(good), 6);
    // Every truncation: no read past the end, and no orientation from a partial entry.
    for (std::size_t n = 0; n < good.size() - 4; ++n)
        EXPECT_EQ(ExifOrientation(std::span(good).first(n)), 1) << n;
    std::vector<std::uint8_t> bad = good;
    bad[10] = 0xF0;  // IFD offset far beyond the payload
    EXPECT_EQ(ExifOrientation(bad), 1);
    bad = good;
    bad[14] = 0xFF, bad[15] = 0xFF;  // 65535 entries claimed: the two present still count
    EXPECT_EQ(ExifOrientation(bad), 6);
    bad = good;
    bad[30] = 4;  // orientation stored as a LONG, which the standard does not allow
    EXPECT_EQ(ExifOrientation(bad), 1);
    bad = good;
    bad[36] = 9;  // not an orientation value
    EXPECT_EQ(ExifOrientation(bad), 1);
}

}  // namespace
}  // namespace brimlet::test
