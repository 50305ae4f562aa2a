// WMF regions (created from scans, filled, framed, inverted, clipping) and viewport records,
// built byte by byte; a placeable box of 100 x 100 units at 96 per inch maps a unit a pixel.
#include "MetafileTestSupport.h"
#include "core/codecs/PictureFiles.h"
#include "core/metafile/Metafile.h"

#include <gtest/gtest.h>

#include <utility>

namespace brimlet {
namespace {

using namespace metafiletest;

constexpr std::uint16_t kCreateBrush = 0x02FC, kCreatePen = 0x02FA, kSelectObject = 0x012D,
                        kRectangle = 0x041B, kCreateRegion = 0x06FF, kSelectClipRegion = 0x012C,
                        kFillRegion = 0x0228, kFrameRegion = 0x0429, kInvertRegion = 0x012A,
                        kPaintRegion = 0x012B, kOffsetClipRgn = 0x0220, kSetViewportOrg = 0x020D,
                        kSetViewportExt = 0x020E, kOffsetViewportOrg = 0x0211,
                        kScaleViewportExt = 0x0412, kSetWindowExt = 0x020C;

std::uint16_t U(int v) { return std::uint16_t(v); }

struct Scan {
    int top, bottom;
    std::vector<std::pair<int, int>> spans;  // left, right
};

// CREATEREGION's parameters: header, bounding box (left, top, right, bottom), the scans.
std::vector<std::uint16_t> RegionParams(const std::vector<Scan>& scans) {
    std::vector<std::uint16_t> p = {0, 6, 0, 0, 0, U(int(scans.size())), 0, 0, 0, 100, 100};
    for (const Scan& s : scans) {
        p.push_back(U(2 * int(s.spans.size())));
        p.push_back(U(s.top));
        p.push_back(U(s.bottom));
        for (auto [l, r] : s.spans) p.push_back(U(l)), p.push_back(U(r));
        p.push_back(U(2 * int(s.spans.size())));
    }
    return p;
}

// Objects take the lowest free slot: a null pen in 0 (selected), a brush in 1.
WmfBuilder Start() {
    WmfBuilder b(100, 100, 96);
    b.Record(kCreatePen, {5, 0, 0, 0, 0});
    b.Record(kSelectObject, {0});
    b.Record(kCreateBrush, {0, 0x00FF, 0, 0});  // solid red, slot 1
    return b;
}

// An L: rows 10..19 from 10 to 29, rows 20..39 from 10 to 19 and from 25 to 34.
const std::vector<Scan> kL = {{10, 20, {{10, 30}}}, {20, 40, {{10, 20}, {25, 35}}}};

TEST(WmfRegions, FillAndPaintCoverExactlyTheScans) {
    for (bool paint : {false, true}) {
        SCOPED_TRACE(paint ? "PAINTREGION" : "FILLREGION");
        WmfBuilder b = Start();
        b.Record(kCreateRegion, RegionParams(kL));  // slot 2
        if (paint) {
            b.Record(kSelectObject, {1});
            b.Record(kPaintRegion, {2});
        } else {
            b.Record(kFillRegion, {2, 1});
        }
        const TBitmap32 p = DecodeWmf(b.Bytes());
        for (auto [x, y] : {std::pair{10, 10}, {29, 19}, {19, 39}, {25, 20}, {34, 39}})
            EXPECT_EQ(p.PixelColor(x, y), 0xFF0000u) << x << ", " << y;
        for (auto [x, y] : {std::pair{9, 10}, {30, 15}, {10, 9}, {20, 30}, {24, 30}, {35, 30}, {15, 40}})
            EXPECT_EQ(p.PixelColor(x, y), 0xFFFFFFu) << x << ", " << y;
    }
}

TEST(WmfRegions, FrameDrawsItsBorderInsideAndInvertFlipsEveryBit) {
    WmfBuilder b = Start();
    b.Record(kCreateBrush, {0, 0x3412, 0x56, 0});   // slot 2: 0x123456
    b.Record(kSelectObject, {2});
    b.Record(kRectangle, {100, 100, 0, 0});
    b.Record(kCreateRegion, RegionParams({{10, 40, {{10, 50}}}}));  // slot 3
    b.Record(kFrameRegion, {3, 1, 2, 3});  // height 2 for the top and bottom, width 3 for the sides
    b.Record(kCreateRegion, RegionParams({{60, 70, {{60, 90}}}}));  // slot 4
    b.Record(kInvertRegion, {4});
    const TBitmap32 p = DecodeWmf(b.Bytes());
    for (auto [x, y] : {std::pair{10, 20}, {12, 20}, {49, 20}, {47, 20}, {30, 10}, {30, 11}, {30, 39}, {30, 38}})
        EXPECT_EQ(p.PixelColor(x, y), 0xFF0000u) << x << ", " << y;
    for (auto [x, y] : {std::pair{13, 20}, {46, 20}, {30, 12}, {30, 37}, {9, 20}, {50, 20}})
        EXPECT_EQ(p.PixelColor(x, y), 0x123456u) << x << ", " << y;
    EXPECT_EQ(p.PixelColor(60, 60), 0xEDCBA9u);
    EXPECT_EQ(p.PixelColor(89, 69), 0xEDCBA9u);
    EXPECT_EQ(p.PixelColor(90, 65), 0x123456u);
}

// A selected region clips drawing, OFFSETCLIPRGN moves it, and selecting something that is
// not a region lifts it; SELECTOBJECT of a region clips as well.
TEST(WmfRegions, ClipRegionLimitsDrawingUntilLifted) {
    WmfBuilder b = Start();
    b.Record(kSelectObject, {1});
    b.Record(kCreateRegion, RegionParams({{0, 10, {{0, 10}}}}));  // slot 2
    b.Record(kSelectClipRegion, {2});
    b.Record(kRectangle, {100, 100, 0, 0});
    b.Record(kOffsetClipRgn, {20, 30});  // y, x
    b.Record(kCreateBrush, {0, 0xFF00, 0, 0});  // slot 3: green
    b.Record(kSelectObject, {3});
    b.Record(kRectangle, {100, 100, 0, 0});
    b.Record(kSelectClipRegion, {3});  // a brush: no clipping
    b.Record(kCreateBrush, {0, 0, 0x00FF, 0});  // slot 4: blue
    b.Record(kSelectObject, {4});
    b.Record(kRectangle, {100, 50, 90, 0});  // the bottom rows only
    b.Record(kSelectObject, {2});            // the region again, as an object
    b.Record(kSelectObject, {1});
    b.Record(kRectangle, {100, 100, 0, 0});
    const TBitmap32 p = DecodeWmf(b.Bytes());
    EXPECT_EQ(p.PixelColor(5, 5), 0xFF0000u);
    EXPECT_EQ(p.PixelColor(35, 25), 0x00FF00u);
    EXPECT_EQ(p.PixelColor(29, 25), 0xFFFFFFu);
    EXPECT_EQ(p.PixelColor(15, 5), 0xFFFFFFu);
    EXPECT_EQ(p.PixelColor(40, 95), 0x0000FFu);
    EXPECT_EQ(p.PixelColor(5, 95), 0x0000FFu);  // the red fill through the region stays out
}

// A region whose scans cannot be read takes its slot but neither clips nor paints, and
// region records naming a missing region or brush are skipped: the rest of the picture plays.
TEST(WmfRegions, DamagedAndDanglingRegionsLeaveTheRestOfThePicture) {
    auto odd = RegionParams({{0, 10, {{0, 10}}}});
    odd[11] = 3;  // an odd number of edges
    auto cut = RegionParams({{0, 10, {{0, 10}}}});
    cut.resize(cut.size() - 3);
    for (const auto& params : {odd, cut}) {
        WmfBuilder b = Start();
        b.Record(kSelectObject, {1});
        b.Record(kCreateRegion, params);  // slot 2
        b.Record(kCreateBrush, {0, 0xFF00, 0, 0});  // slot 3: green
        b.Record(kFillRegion, {2, 3});
        b.Record(kSelectClipRegion, {2});
        b.Record(kSelectObject, {2});
        b.Record(kFillRegion, {40, 1});
        b.Record(kFillRegion, {3, 1});
        b.Record(kRectangle, {60, 60, 0, 0});
        const TBitmap32 p = DecodeWmf(b.Bytes());
        EXPECT_EQ(p.PixelColor(5, 5), 0xFF0000u);
        EXPECT_EQ(p.PixelColor(50, 50), 0xFF0000u);
        EXPECT_EQ(p.PixelColor(70, 70), 0xFFFFFFu);
    }
}

// A red 10 x 10 square at (10, 10) under the given viewport records.
TBitmap32 SquareUnder(const std::vector<std::pair<std::uint16_t, std::vector<std::uint16_t>>>& records,
                      int inch = 96) {
    WmfBuilder b(100, 100, inch);
    if (!inch) b.Record(kSetWindowExt, {100, 100});
    for (const auto& [function, params] : records) b.Record(function, params);
    b.Record(kCreatePen, {5, 0, 0, 0, 0});
    b.Record(kSelectObject, {0});
    b.Record(kCreateBrush, {0, 0x00FF, 0, 0});
    b.Record(kSelectObject, {1});
    b.Record(kRectangle, {20, 20, 10, 10});
    return DecodeWmf(b.Bytes());
}

QRect Red(const TBitmap32& p) {
    QRect r;
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x)
            if (p.PixelColor(x, y) == 0xFF0000u) r |= QRect(x, y, 1, 1);
    return r;
}

TEST(WmfViewport, ViewportRecordsMoveAndScaleTheDrawingWithinTheFrame) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::uint16_t, std::vector<std::uint16_t>>> records;
        QRect square;
    };
    const Case cases[] = {
        {"none", {}, {10, 10, 10, 10}},
        {"equal to the frame", {{kSetViewportOrg, {0, 0}}, {kSetViewportExt, {100, 100}}}, {10, 10, 10, 10}},
        {"origin", {{kSetViewportOrg, {40, 30}}}, {40, 50, 10, 10}},
        {"origin offset twice", {{kOffsetViewportOrg, {5, 20}}, {kOffsetViewportOrg, {5, 10}}}, {40, 20, 10, 10}},
        {"extent halved", {{kSetViewportExt, {50, 50}}}, {5, 5, 5, 5}},
        {"extent scaled", {{kScaleViewportExt, {2, 1, 1, 3}}}, {30, 5, 30, 5}},  // y / 2, x * 3
        {"y turned", {{kSetViewportExt, {U(-100), 100}}, {kSetViewportOrg, {100, 0}}}, {10, 80, 10, 10}},
        {"zero extent ignored", {{kSetViewportExt, {0, 50}}}, {10, 10, 10, 10}},
    };
    for (int inch : {96, 0}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.what << (inch ? ", placeable" : ", plain"));
            EXPECT_EQ(Red(SquareUnder(c.records, inch)), c.square);
        }
    }
}

}  // namespace
}  // namespace brimlet
