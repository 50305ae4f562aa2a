// Every real sample file loads at its expected size with alpha 0, and the samples that show
// the same picture in different encodings decode to the same pixels.
#include "tests/codecs/CodecTestSupport.h"

#include <QImage>
#include <QImageReader>

#include <map>
#include <set>

namespace brimlet::test {
namespace {

struct Size {
    int width, height;
};

const std::map<std::string, Size>& ExpectedSizes() {
    static const std::map<std::string, Size> sizes = {
        {"pool.jpg", {640, 480}},          {"sunrise.jpg", {300, 200}},
        {"app13-multiple.jpg", {256, 160}}, {"hopper_gray.jpg", {128, 128}},
        {"pil_sample_cmyk.jpg", {100, 100}}, {"pil_sample_rgb.jpg", {100, 100}},
        {"testimgari.jpg", {227, 149}},     {"sample-362x272.jpg", {362, 272}},
        {"fire.gif", {30, 60}},             {"first_frame_transparency.gif", {75, 50}},
        {"dispose_bgnd_transparency.gif", {38, 32}},
        {"pal1.bmp", {127, 64}},            {"pal4rle.bmp", {127, 64}},
        {"pal8rle.bmp", {127, 64}},         {"pal8topdown.bmp", {127, 64}},
        {"rgb16.bmp", {127, 64}},           {"rgb16-565.bmp", {127, 64}},
        {"rgb24.bmp", {127, 64}},           {"rgb32bf.bmp", {127, 64}},
        {"hopper.bmp", {128, 128}},         {"pillow.ico", {256, 256}},
        {"input.ico", {32, 32}},
    };
    return sizes;
}

TEST(SampleFiles, EveryPictureLoadsAtItsSizeWithAlphaZero) {
    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(BRIMLET_TEST_DATA)) {
        if (!entry.is_regular_file()) continue;  // fuzz/: regression inputs of the fuzzer
        const std::string name = entry.path().filename().string();
        const std::string key = DecoderKey(name);
        // The metafile player has tests of its own.
        if (key == ".WMF" || key == ".EMF") continue;
        SCOPED_TRACE(name);
        std::optional<TBitmap32> picture;
        ASSERT_NO_THROW(picture = LoadPicture(entry.path().string()));
        ASSERT_TRUE(picture.has_value());
        auto expected = ExpectedSizes().find(name);
        if (!IsKnownDecoderKey(key)) {
            // MANIFEST.tsv, chelsea.png: not a format of the program, whatever Qt could read.
            EXPECT_TRUE(picture->Empty());
            continue;
        }
        ASSERT_NE(expected, ExpectedSizes().end()) << "a sample without an expected size";
        EXPECT_EQ(picture->Width(), expected->second.width);
        EXPECT_EQ(picture->Height(), expected->second.height);
        EXPECT_TRUE(AllAlphaZero(*picture));
        ++checked;
    }
    EXPECT_EQ(checked, int(ExpectedSizes().size()));
}

TEST(SampleFiles, BmpEncodingsOfOnePictureAgree) {
    // RLE8 bottom-up and uncompressed top-down hold the same pixels, as do 24 bits and
    // 32 bits with unusual bit fields.
    EXPECT_TRUE(SameColours(LoadSample("pal8rle.bmp"), LoadSample("pal8topdown.bmp")));
    const TBitmap32 rgb24 = LoadSample("rgb24.bmp");
    EXPECT_TRUE(SameColours(rgb24, LoadSample("rgb32bf.bmp")));
    // 16-bit versions differ only by the lost low bits.
    EXPECT_LT(MeanColourDifference(rgb24, LoadSample("rgb16.bmp")), 5.0);
    EXPECT_LT(MeanColourDifference(rgb24, LoadSample("rgb16-565.bmp")), 5.0);
}

TEST(SampleFiles, OnePixelDeepBmpUsesItsPalette) {
    const TBitmap32 b = LoadSample("pal1.bmp");
    std::set<std::uint32_t> colours;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) colours.insert(b.PixelColor(x, y));
    EXPECT_EQ(colours.size(), 2u);
}

TEST(SampleFiles, GreyJpegMatchesTheColourBmpOfTheSamePortrait) {
    // hopper.bmp (V5 header, 24 bits) and hopper_gray.jpg are one photograph; agreement of
    // its grey values checks orientation, channel order and the grey JPEG path at once.
    const TBitmap32 colour = LoadSample("hopper.bmp"), grey = LoadSample("hopper_gray.jpg");
    ASSERT_EQ(colour.Width(), grey.Width());
    double sum = 0;
    for (int y = 0; y < grey.Height(); ++y)
        for (int x = 0; x < grey.Width(); ++x) {
            const std::uint32_t c = colour.PixelColor(x, y), g = grey.PixelColor(x, y);
            EXPECT_TRUE((g & 0xFF) == (g >> 8 & 0xFF) && (g & 0xFF) == (g >> 16 & 0xFF));
            sum += std::abs(0.299 * (c >> 16 & 0xFF) + 0.587 * (c >> 8 & 0xFF) +
                            0.114 * (c & 0xFF) - double(g & 0xFF));
        }
    EXPECT_LT(sum / (grey.Width() * grey.Height()), 2.0);
}

// Qt's own GIF reader as an independent reference for the first frame: opaque pixels must
// match, transparent ones must be white.
void ExpectFirstFrameLikeQt(const std::string& name, int expectedTransparent) {
    SCOPED_TRACE(name);
    QImageReader reader(QString::fromStdString(Sample(name)));
    const QImage reference = reader.read().convertToFormat(QImage::Format_ARGB32);
    const TBitmap32 ours = LoadSample(name);
    ASSERT_EQ(ours.Width(), reference.width());
    ASSERT_EQ(ours.Height(), reference.height());
    int transparent = 0, wrong = 0;
    for (int y = 0; y < ours.Height(); ++y)
        for (int x = 0; x < ours.Width(); ++x) {
            const QRgb p = reference.pixel(x, y);
            transparent += qAlpha(p) == 0;
            const std::uint32_t expected = qAlpha(p) == 0 ? 0xFFFFFF : p & 0xFFFFFF;
            wrong += ours.PixelColor(x, y) != expected;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(transparent > 0, expectedTransparent > 0);
}

TEST(SampleFiles, GifFirstFrameOnTheLogicalScreen) {
    ExpectFirstFrameLikeQt("fire.gif", 0);  // 33 interlaced frames
    ExpectFirstFrameLikeQt("dispose_bgnd_transparency.gif", 1);
    // Screen 75 x 50, a 50 x 50 frame at (25, 0), wholly transparent: the canvas stays white.
    ExpectFirstFrameLikeQt("first_frame_transparency.gif", 1);
    const TBitmap32 b = LoadSample("first_frame_transparency.gif");
    for (int y = 0; y < b.Height(); ++y) EXPECT_EQ(b.PixelColor(0, y), 0xFFFFFFu);
}

TEST(SampleFiles, IconsTakeTheLargestImageAndTurnTransparencyWhite) {
    // pillow.ico: a 256 x 256 PNG entry besides 48, 32, 24 and 16 pixel ones.
    const TBitmap32 big = LoadSample("pillow.ico");
    EXPECT_EQ(big.Width(), 256);
    // input.ico: 4-bit colours with an AND mask; masked pixels come out white, the rest
    // exactly as Qt's own reading of the icon.
    QImageReader reader(QString::fromStdString(Sample("input.ico")));
    const QImage reference = reader.read().convertToFormat(QImage::Format_ARGB32);
    const TBitmap32 icon = LoadSample("input.ico");
    int masked = 0;
    for (int y = 0; y < icon.Height(); ++y)
        for (int x = 0; x < icon.Width(); ++x) {
            const QRgb p = reference.pixel(x, y);
            ASSERT_TRUE(qAlpha(p) == 0 || qAlpha(p) == 255);
            masked += qAlpha(p) == 0;
            EXPECT_EQ(icon.PixelColor(x, y), qAlpha(p) ? p & 0xFFFFFF : 0xFFFFFFu);
        }
    EXPECT_GT(masked, 0);
    EXPECT_LT(masked, 32 * 32);
}

// A 2 x 1 32-bit BMP with a V4 header whose bit fields include alpha.
std::vector<std::uint8_t> BmpWithAlpha(const std::uint8_t (&pixels)[2][4]) {
    std::vector<std::uint8_t> b(14 + 108 + 8, 0);
    auto put = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M';
    put(2, std::uint32_t(b.size()));
    put(10, 14 + 108);
    put(14, 108);
    put(18, 2);
    put(22, 1);
    b[26] = 1, b[28] = 32;
    put(30, 3);  // BI_BITFIELDS
    put(34, 8);
    put(54, 0x00FF0000), put(58, 0x0000FF00), put(62, 0x000000FF), put(66, 0xFF000000);
    put(70, 0x73524742);  // 'sRGB'
    for (int i = 0; i < 8; ++i) b[122 + std::size_t(i)] = pixels[i / 4][i % 4];
    return b;
}

TEST(SampleFiles, BmpAlphaIsComposedOntoWhite) {
    // B, G, R, A: black at half opacity, an opaque colour.
    const std::uint8_t pixels[2][4] = {{0, 0, 0, 128}, {200, 100, 50, 255}};
    const TBitmap32 b = DecodePicture(".BMP", BmpWithAlpha(pixels));
    ASSERT_EQ(b.Width(), 2);
    // 0 * 128/255 + 255 * 127/255, rounded.
    EXPECT_EQ(b.PixelColor(0, 0), 0x7F7F7Fu);
    EXPECT_EQ(b.PixelColor(1, 0), 0x3264C8u);
    EXPECT_TRUE(AllAlphaZero(b));
}

}  // namespace
}  // namespace brimlet::test
