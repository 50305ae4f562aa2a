// EMF records built byte by byte and the pixels they define: blends, colour keys, masks,
// parallelograms and rotated text.
#include "MetafileTestSupport.h"
#include "core/codecs/PictureFiles.h"
#include "core/metafile/Metafile.h"

#include <gtest/gtest.h>

#include <QRect>

#include <cmath>

namespace brimlet {
namespace {

using namespace metafiletest;
using Words = std::vector<std::uint32_t>;

constexpr std::uint32_t kBackground = 0x00C80000;  // COLORREF: blue 200
constexpr std::uint32_t kOne = 0x3F800000;         // 1.0f

Words Cat(std::initializer_list<Words> parts) {
    Words all;
    for (const Words& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// A 96 x 96 EMF (one logical unit a pixel) filled with kBackground.
EmfBuilder Canvas() {
    EmfBuilder b(2540, 2540);
    b.Record(39, {1, 0, kBackground, 0});  // CREATEBRUSHINDIRECT
    b.Record(37, {1});
    b.Record(37, {0x80000008});  // NULL_PEN
    b.Record(43, {0, 0, 96, 96});
    return b;
}

// The DIB's header (40 bytes, for 1 bit with two colours) and bits sizes, in bytes.
std::pair<std::uint32_t, std::uint32_t> DibSizes(const Words& dib, int bitCount) {
    const std::uint32_t header = bitCount == 1 ? 48 : 40;
    return {header, std::uint32_t(dib.size() * 4) - header};
}

// ALPHABLEND (114) and TRANSPARENTBLT (116): destination, rule, source rectangle, bitmap.
Words BlendParams(QRect d, std::uint32_t rule, QRect s, const Words& dib, int bitCount) {
    const auto [cbBmi, cbBits] = DibSizes(dib, bitCount);
    const std::uint32_t off = 8 + 25 * 4;
    return Cat({{0, 0, 0, 0, std::uint32_t(d.x()), std::uint32_t(d.y()), std::uint32_t(d.width()),
                 std::uint32_t(d.height()), rule, std::uint32_t(s.x()), std::uint32_t(s.y()), kOne, 0,
                 0, kOne, 0, 0, 0, 0, off, cbBmi, off + cbBmi, cbBits, std::uint32_t(s.width()),
                 std::uint32_t(s.height())},
                dib});
}

// The source and mask parts of MASKBLT and PLGBLT after the fields before the transform.
Words SourceAndMask(std::size_t fixedWords, const Words& source, const Words& mask, QPoint maskAt) {
    const auto [cbBmi, cbBits] = DibSizes(source, 24);
    const std::uint32_t off = std::uint32_t(8 + fixedWords * 4);
    const std::uint32_t maskOff = off + cbBmi + cbBits;
    const auto [cbMask, cbMaskBits] = mask.empty() ? std::pair{0u, 0u} : DibSizes(mask, 1);
    return Cat({{kOne, 0, 0, kOne, 0, 0, 0, 0, off, cbBmi, off + cbBmi, cbBits, std::uint32_t(maskAt.x()),
                 std::uint32_t(maskAt.y()), 0, mask.empty() ? 0 : maskOff, cbMask,
                 mask.empty() ? 0 : maskOff + cbMask, cbMaskBits},
                source, mask});
}

double Blend(int s, int d, double weight, double keep) { return s * weight + d * keep; }

void ExpectChannelsNear(std::uint32_t got, double r, double g, double b) {
    EXPECT_NEAR(double((got >> 16) & 255), r, 0.51) << std::hex << got;
    EXPECT_NEAR(double((got >> 8) & 255), g, 0.51) << std::hex << got;
    EXPECT_NEAR(double(got & 255), b, 0.51) << std::hex << got;
}

TEST(EmfBitmapRecords, AlphaBlendWeighsTheSourceByConstantAndOwnAlpha) {
    // Premultiplied 32-bit pixels, top row first: clear, opaque, half, half.
    const Words pixels = {0x00000000, 0xFFC86400, 0x80643200, 0x80000080};
    struct Case {
        int constant;
        bool sourceAlpha;
    };
    for (const Case c : {Case{128, false}, Case{0, false}, Case{255, false}, Case{255, true},
                         Case{128, true}}) {
        SCOPED_TRACE(testing::Message() << c.constant << (c.sourceAlpha ? " with alpha" : ""));
        EmfBuilder b = Canvas();
        const std::uint32_t rule = std::uint32_t(c.constant) << 16 | (c.sourceAlpha ? 1u << 24 : 0);
        b.Record(114, BlendParams({10, 10, 40, 40}, rule, {0, 0, 2, 2}, DibWords(2, 2, 32, pixels), 32));
        const TBitmap32 p = DecodeEmf(b.Bytes());
        const double weight = c.constant / 255.0;
        const QPoint at[] = {{20, 20}, {40, 20}, {20, 40}, {40, 40}};
        for (int i = 0; i < 4; ++i) {
            const std::uint32_t s = pixels[std::size_t(i)];
            const double keep = 1 - (c.sourceAlpha ? (s >> 24) / 255.0 : 1.0) * weight;
            ExpectChannelsNear(p.PixelColor(at[i].x(), at[i].y()), Blend((s >> 16) & 255, 0, weight, keep),
                               Blend((s >> 8) & 255, 0, weight, keep), Blend(s & 255, 200, weight, keep));
        }
        EXPECT_EQ(p.PixelColor(9, 20), 0x0000C8u);
        EXPECT_EQ(p.PixelColor(50, 20), 0x0000C8u);
    }
}

TEST(EmfBitmapRecords, TransparentBltLeavesOnlyTheKeyColourOut) {
    const std::uint32_t key = 0xFF00FF;
    const Words pixels = {key, 0xFF0000, 0xFE00FF, key};  // the third is one level off the key
    EmfBuilder b = Canvas();
    b.Record(116, BlendParams({10, 10, 40, 40}, 0x00FF00FF /* COLORREF */, {0, 0, 2, 2},
                              DibWords(2, 2, 24, pixels), 24));
    const TBitmap32 p = DecodeEmf(b.Bytes());
    EXPECT_EQ(p.PixelColor(20, 20), 0x0000C8u);
    EXPECT_EQ(p.PixelColor(40, 20), 0xFF0000u);
    EXPECT_EQ(p.PixelColor(20, 40), 0xFE00FFu);
    EXPECT_EQ(p.PixelColor(40, 40), 0x0000C8u);
}

// MASKBLT without stretching: each mask bit chooses the foreground (set) or background ROP.
TEST(EmfBitmapRecords, MaskBltPicksTheRasterOperationPerMaskBit) {
    const Words source = DibWords(2, 2, 24, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00});
    const Words mask = DibWords(3, 2, 1, {1, 0, 1, 0, 1, 0});
    struct Case {
        std::uint32_t rop4;
        QPoint maskAt;
        bool withMask;
        bool copied[4];  // top left, top right, bottom left, bottom right
    };
    const Case cases[] = {
        {0xAACC0020, {0, 0}, true, {true, false, false, true}},   // SRCCOPY where set
        {0xCCAA0029, {0, 0}, true, {false, true, true, false}},   // SRCCOPY where clear
        {0xAACC0020, {1, 0}, true, {false, true, true, false}},   // the mask read from column 1
        {0xAACC0020, {0, 0}, false, {true, true, true, true}},    // no mask: foreground only
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.rop4 << " mask at " << c.maskAt.x());
        EmfBuilder b = Canvas();
        b.Record(78, Cat({{0, 0, 0, 0, 30, 30, 2, 2, c.rop4, 0, 0},
                          SourceAndMask(30, source, c.withMask ? mask : Words{}, c.maskAt)}));
        const TBitmap32 p = DecodeEmf(b.Bytes());
        const std::uint32_t colours[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(p.PixelColor(30 + i % 2, 30 + i / 2), c.copied[i] ? colours[i] : 0x0000C8u) << i;
        EXPECT_EQ(p.PixelColor(32, 30), 0x0000C8u);
    }
}

// PLGBLT: the source's top edge runs from the first corner to the second, its left edge from
// the first to the third; a clear mask bit keeps the destination.
TEST(EmfBitmapRecords, PlgBltMapsTheSourceOntoTheParallelogram) {
    const Words source = DibWords(2, 1, 24, {0xFF0000, 0x00FF00});
    for (bool masked : {false, true}) {
        SCOPED_TRACE(masked);
        EmfBuilder b = Canvas();
        // Turned a quarter: the top edge runs upwards from (10, 50) to (10, 10).
        b.Record(79, Cat({{0, 0, 0, 0, 10, 50, 10, 10, 30, 50, 0, 0, 2, 1},
                          SourceAndMask(33, source, masked ? DibWords(2, 1, 1, {1, 0}) : Words{}, {})}));
        // Sheared: the rows slide right by 20 over 30 rows.
        b.Record(79, Cat({{0, 0, 0, 0, 50, 60, 70, 60, 70, 90, 0, 0, 2, 1},
                          SourceAndMask(33, source, {}, {})}));
        const TBitmap32 p = DecodeEmf(b.Bytes());
        EXPECT_EQ(p.PixelColor(20, 45), 0xFF0000u);
        EXPECT_EQ(p.PixelColor(20, 15), masked ? 0x0000C8u : 0x00FF00u);
        EXPECT_EQ(p.PixelColor(35, 30), 0x0000C8u);
        EXPECT_EQ(p.PixelColor(55, 62), 0xFF0000u);
        EXPECT_EQ(p.PixelColor(85, 88), 0x00FF00u);
        EXPECT_EQ(p.PixelColor(52, 88), 0x0000C8u);  // left of the sheared edge
    }
}

// EXTCREATEFONTINDIRECTW into slot 1 and its selection.
void SelectFont(EmfBuilder& b, int height, int escapement) {
    Words font = {1, std::uint32_t(height), 0, std::uint32_t(escapement), std::uint32_t(escapement), 400, 0, 0};
    Words face(16, 0);
    const char16_t name[] = u"DejaVu Sans";
    for (std::size_t i = 0; name[i]; ++i) face[i / 2] |= std::uint32_t(name[i]) << (16 * (i % 2));
    b.Record(82, Cat({font, face}));
    b.Record(37, {1});
}

// EXTTEXTOUTW of ASCII text with a dx array, clipped to the logical rectangle when given.
void TextOut(EmfBuilder& b, QPoint at, const std::string& text, const QRect* clip) {
    const std::uint32_t n = std::uint32_t(text.size()), offString = 8 + 17 * 4;
    Words chars((n + 1) / 2, 0);
    for (std::size_t i = 0; i < text.size(); ++i) chars[i / 2] |= std::uint32_t(text[i]) << (16 * (i % 2));
    const std::uint32_t offDx = offString + std::uint32_t(chars.size() * 4);
    const QRect r = clip ? *clip : QRect();
    b.Record(84, Cat({{0, 0, 0, 0, 1, kOne, kOne, std::uint32_t(at.x()), std::uint32_t(at.y()), n, offString,
                       clip ? 4u : 0u, std::uint32_t(r.left()), std::uint32_t(r.top()),
                       std::uint32_t(r.right() + 1), std::uint32_t(r.bottom() + 1), offDx},
                      chars, Words(n, 12)}));
}

QRect Ink(const TBitmap32& p) {
    QRect ink;
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x)
            if ((p.PixelColor(x, y) & 0xFF) < 128) ink |= QRect(x, y, 1, 1);
    return ink;
}

// A label turned a quarter, by the font's escapement or by the world transform, and clipped
// to its own turned box, is drawn whole: a vertical strip as tall as the level text is wide.
TEST(EmfText, RotatedLabelsAreDrawnWholeAlongTheirTurn) {
    auto draw = [](int escapement, bool world, bool clipped, QPoint at) {
        EmfBuilder b(5080, 5080);  // 192 x 192 pixels, white
        b.Record(18, {1});         // SETBKMODE TRANSPARENT
        if (world) b.Record(35, {0, 0xBF800000, kOne, 0, 0, 0x43400000});  // turn a quarter about y = 192
        SelectFont(b, -20, escapement);
        // The box a turned label needs, in logical units: along x for the world turn.
        const QRect box = world ? QRect(10, 98, 104, 28) : QRect(98, 80, 28, 104);
        TextOut(b, at, "Brimlets", clipped ? &box : nullptr);
        return Ink(DecodeEmf(b.Bytes()));
    };
    const QRect level = draw(0, false, false, {20, 20});
    ASSERT_GT(level.width(), 80);  // eight advances of 12 pixels, the last glyph narrower
    for (const auto& [world, clipped] : {std::pair{false, false}, std::pair{false, true},
                                         std::pair{true, false}, std::pair{true, true}}) {
        SCOPED_TRACE(testing::Message() << (world ? "world transform" : "escapement")
                                        << (clipped ? ", clipped" : ""));
        // Both put the reference point at (100, 180) on the picture.
        const QRect turned = draw(world ? 0 : 900, world, clipped, world ? QPoint(12, 100) : QPoint(100, 180));
        EXPECT_NEAR(turned.height(), level.width(), 2);
        EXPECT_NEAR(turned.width(), level.height(), 2);
        // The reference point is the cell's top left: the text rises from it, its cell to the right.
        EXPECT_NEAR(turned.bottom(), 180 - (level.left() - 20), 2);
        EXPECT_GE(turned.left(), 100);
    }
}

}  // namespace
}  // namespace brimlet
