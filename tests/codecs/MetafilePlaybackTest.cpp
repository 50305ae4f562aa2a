// Records played onto the canvas: mapping, fills, raster operations, and our own writer's
// files read back.
#include "MetafileTestSupport.h"
#include "core/codecs/PictureFiles.h"
#include "core/metafile/Metafile.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace brimlet {
namespace {

using namespace metafiletest;

constexpr std::uint16_t kSetWindowOrg = 0x020B, kSetWindowExt = 0x020C, kRectangle = 0x041B,
                        kCreateBrush = 0x02FC, kCreatePen = 0x02FA, kSelectObject = 0x012D,
                        kPatBlt = 0x061D, kStretchDib = 0x0F43;

std::uint16_t Lo(std::uint32_t v) { return std::uint16_t(v & 0xFFFF); }
std::uint16_t Hi(std::uint32_t v) { return std::uint16_t(v >> 16); }

// A solid brush of the COLORREF and no outline.
void SolidFillNoPen(WmfBuilder& b, std::uint32_t colorref) {
    b.Record(kCreateBrush, {0, Lo(colorref), Hi(colorref), 0});
    b.Record(kSelectObject, {0});
    b.Record(kCreatePen, {5, 0, 0, 0, 0});
    b.Record(kSelectObject, {1});
}

TEST(MetafilePlayback, OwnWriterReadsBackToIdenticalPixels) {
    for (auto [w, h] : {std::pair{1, 1}, std::pair{3, 2}, std::pair{37, 21}, std::pair{160, 90}}) {
        const TBitmap32 picture = TestPicture(w, h);
        EXPECT_TRUE(DecodeWmf(EncodePlaceableWmf(picture)) == picture) << w << " x " << h;
    }
}

TEST(MetafilePlayback, SaveMetafileForcesTheExtensionAndLoadsBack) {
    const std::string dir = TempDir();
    const TBitmap32 picture = TestPicture(45, 31);
    EXPECT_EQ(SaveMetafile(picture, dir + "/pic"), dir + "/pic.wmf");
    EXPECT_EQ(SaveMetafile(picture, dir + "/result.bmp"), dir + "/result.wmf");
    const auto loaded = LoadPicture(dir + "/pic.wmf");
    ASSERT_TRUE(loaded.has_value());
    EXPECT_TRUE(*loaded == picture);
    std::filesystem::remove_all(dir);
}

// The placeable box is 200 x 100 units at 192 per inch: 100 x 50 pixels, half a unit each.
TEST(MetafilePlayback, WindowIsStretchedOverThePicture) {
    WmfBuilder b(200, 100, 192);
    SolidFillNoPen(b, 0x0000FF);
    b.Record(kRectangle, {80, 120, 20, 40});  // bottom, right, top, left
    const TBitmap32 p = DecodeWmf(b.Bytes());
    ASSERT_EQ(p.Width(), 100);
    ASSERT_EQ(p.Height(), 50);
    EXPECT_EQ(p.PixelColor(20, 10), 0xFF0000u);
    EXPECT_EQ(p.PixelColor(59, 39), 0xFF0000u);
    EXPECT_EQ(p.PixelColor(19, 10), 0xFFFFFFu);
    EXPECT_EQ(p.PixelColor(60, 39), 0xFFFFFFu);
    EXPECT_EQ(p.PixelColor(30, 40), 0xFFFFFFu);
}

// A plain WMF with a negative vertical extent: logical y grows upwards.
TEST(MetafilePlayback, NegativeExtentTurnsTheYAxisUp) {
    WmfBuilder b(0, 0, 0);
    b.Record(kSetWindowExt, {std::uint16_t(-50), 100});  // y, x
    b.Record(kSetWindowOrg, {50, 0});
    SolidFillNoPen(b, 0x00FF00);
    b.Record(kRectangle, {40, 100, 50, 0});  // logical y 40..50: the top ten rows
    const TBitmap32 p = DecodeWmf(b.Bytes());
    ASSERT_EQ(p.Width(), 100);
    ASSERT_EQ(p.Height(), 50);
    EXPECT_EQ(p.PixelColor(50, 2), 0x00FF00u);
    EXPECT_EQ(p.PixelColor(50, 9), 0x00FF00u);
    EXPECT_EQ(p.PixelColor(50, 10), 0xFFFFFFu);
    EXPECT_EQ(p.PixelColor(50, 45), 0xFFFFFFu);
}

// Unknown records are skipped without changing the picture.
TEST(MetafilePlayback, UnknownRecordsAreSkipped) {
    auto build = [](bool withUnknown) {
        WmfBuilder b(50, 50, 96);
        if (withUnknown) b.Record(0x0999, {1, 2, 3, 4, 5});
        SolidFillNoPen(b, 0x123456);
        if (withUnknown) b.Record(0x7777, {});
        b.Record(kRectangle, {40, 40, 10, 10});
        return DecodeWmf(b.Bytes());
    };
    const TBitmap32 plain = build(false);
    EXPECT_EQ(plain.PixelColor(20, 20), 0x563412u);
    EXPECT_TRUE(build(true) == plain);
}

// A 2 x 1 24-bit DIB blitted over a patterned area with each common raster operation.
TEST(MetafilePlayback, RasterOperationsCombineSourceAndDestinationExactly) {
    const std::uint32_t brush = 0x00336699;  // COLORREF: R 0x99, G 0x66, B 0x33
    const std::uint32_t a = 0x00F0A050, c = 0x0099C0E0;  // the DIB's pixels as 0x00RRGGBB
    struct Rop {
        std::uint32_t code;
        std::uint32_t (*expect)(std::uint32_t dest, std::uint32_t src);
    };
    const Rop rops[] = {
        {0x00CC0020, [](std::uint32_t, std::uint32_t s) { return s; }},                  // SRCCOPY
        {0x008800C6, [](std::uint32_t d, std::uint32_t s) { return d & s; }},            // SRCAND
        {0x00EE0086, [](std::uint32_t d, std::uint32_t s) { return d | s; }},            // SRCPAINT
        {0x00660046, [](std::uint32_t d, std::uint32_t s) { return d ^ s; }},            // SRCINVERT
        {0x00440328, [](std::uint32_t d, std::uint32_t s) { return s & ~d & 0xFFFFFF; }},  // SRCERASE
        {0x00330008, [](std::uint32_t, std::uint32_t s) { return ~s & 0xFFFFFF; }},      // NOTSRCCOPY
    };
    for (const Rop& rop : rops) {
        WmfBuilder b(20, 10, 96);
        b.Record(kCreateBrush, {0, Lo(brush), Hi(brush), 0});
        b.Record(kSelectObject, {0});
        b.Record(kPatBlt, {Lo(0x00F00021), Hi(0x00F00021), 10, 20, 0, 0});  // PATCOPY
        // STRETCHDIB: ROP, usage, source h, w, y, x, destination h, w, y, x, then the DIB.
        std::vector<std::uint16_t> params = {Lo(rop.code), Hi(rop.code), 0, 1, 2, 0, 0, 10, 20, 0, 0};
        const std::uint16_t header[20] = {40, 0, 2, 0, 1, 0, 1, 24, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        params.insert(params.end(), header, header + 20);
        // B, G, R of a then of c, padded to 8 bytes.
        params.push_back(std::uint16_t((a & 0xFF) | ((a >> 8) & 0xFF) << 8));
        params.push_back(std::uint16_t(((a >> 16) & 0xFF) | (c & 0xFF) << 8));
        params.push_back(std::uint16_t(((c >> 8) & 0xFF) | ((c >> 16) & 0xFF) << 8));
        params.push_back(0);
        b.Record(kStretchDib, params);
        const TBitmap32 p = DecodeWmf(b.Bytes());
        const std::uint32_t dest = 0x996633;
        SCOPED_TRACE(rop.code);
        EXPECT_EQ(p.PixelColor(3, 5), rop.expect(dest, a));
        EXPECT_EQ(p.PixelColor(16, 5), rop.expect(dest, c));
    }
}

// An EMF frame of 25.4 x 12.7 mm on a 96 dpi reference device is 96 x 48 pixels and maps
// reference pixels one to one; the anisotropic mode then halves the logical units.
TEST(MetafilePlayback, EmfFrameAndAnisotropicMapping) {
    for (bool anisotropic : {false, true}) {
        EmfBuilder b(2540, 1270);
        b.Record(39, {1, 0, 0xFF0000, 0});     // CREATEBRUSHINDIRECT 1: solid blue
        b.Record(37, {1});                     // SELECTOBJECT
        b.Record(37, {0x80000008});            // SELECTOBJECT NULL_PEN
        if (anisotropic) {
            b.Record(17, {8});                 // SETMAPMODE MM_ANISOTROPIC
            b.Record(9, {200, 100});           // SETWINDOWEXTEX
            b.Record(11, {100, 50});           // SETVIEWPORTEXTEX
            b.Record(43, {20, 20, 100, 60});   // RECTANGLE
        } else {
            b.Record(43, {10, 10, 50, 30});
        }
        const TBitmap32 p = DecodeEmf(b.Bytes());
        SCOPED_TRACE(anisotropic);
        ASSERT_EQ(p.Width(), 96);
        ASSERT_EQ(p.Height(), 48);
        EXPECT_EQ(p.PixelColor(10, 10), 0x0000FFu);
        EXPECT_EQ(p.PixelColor(49, 29), 0x0000FFu);
        EXPECT_EQ(p.PixelColor(50, 20), 0xFFFFFFu);
        EXPECT_EQ(p.PixelColor(9, 20), 0xFFFFFFu);
        EXPECT_EQ(p.PixelColor(20, 30), 0xFFFFFFu);
    }
}

// Clipping limits both vector fills and bitmap blits; restoring the saved state lifts it.
TEST(MetafilePlayback, ClipRectanglesLimitFillsAndBlitsUntilRestored) {
    EmfBuilder b(2540, 2540);                    // 96 x 96 pixels, one per unit
    b.Record(39, {1, 0, 0x0000FF, 0});           // CREATEBRUSHINDIRECT 1: solid red
    b.Record(37, {1});
    b.Record(37, {0x80000008});                  // NULL_PEN
    b.Record(33, {});                            // SAVEDC
    b.Record(30, {20, 20, 40, 40});              // INTERSECTCLIPRECT
    b.Record(29, {30, 30, 40, 40});              // EXCLUDECLIPRECT
    b.Record(43, {0, 0, 60, 60});                // RECTANGLE over the clip
    // BITBLT without a bitmap, BLACKNESS, over the same clip: bounds, x, y, cx, cy, ROP,
    // source x, y, transform (6 floats), background, usage, four offsets.
    b.Record(76, {0, 0, 0, 0, 0, 20, 60, 4, 0x00000042, 0, 0,
                  0x3F800000, 0, 0, 0x3F800000, 0, 0, 0, 0, 0, 0, 0, 0});
    b.Record(34, {0xFFFFFFFF});                  // RESTOREDC -1
    b.Record(43, {70, 70, 80, 80});              // unclipped again
    const TBitmap32 p = DecodeEmf(b.Bytes());
    ASSERT_EQ(p.Width(), 96);
    EXPECT_EQ(p.PixelColor(25, 25), 0xFF0000u);  // inside the clip
    EXPECT_EQ(p.PixelColor(35, 35), 0xFFFFFFu);  // excluded
    EXPECT_EQ(p.PixelColor(10, 10), 0xFFFFFFu);  // outside
    EXPECT_EQ(p.PixelColor(50, 50), 0xFFFFFFu);
    EXPECT_EQ(p.PixelColor(25, 22), 0x000000u);  // the blit, clipped
    EXPECT_EQ(p.PixelColor(45, 22), 0xFFFFFFu);
    EXPECT_EQ(p.PixelColor(10, 22), 0xFFFFFFu);
    EXPECT_EQ(p.PixelColor(75, 75), 0xFF0000u);
}

}  // namespace
}  // namespace brimlet
