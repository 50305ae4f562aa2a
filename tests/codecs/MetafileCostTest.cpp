// What playing a metafile may cost: small files that ask for hours of drawing (thousands
// of full-page fills, huge pens, zigzag polygons, giant text, growing clip regions) open or
// are refused within their budget of work, and the fast loops for common bitmap records
// give the same pixels as the general one.
#include "MetafileTestSupport.h"
#include "tests/codecs/CodecTestSupport.h"
#include "core/codecs/PictureFiles.h"
#include "core/metafile/DrawingCost.h"
#include "core/metafile/Metafile.h"
#include "core/metafile/MetafileCanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <functional>
#include <iostream>

namespace brimlet {
namespace {

using namespace metafiletest;
using test::DecodeOutcome;
using test::Outcome;

constexpr std::size_t kMiB = std::size_t(1) << 20;
constexpr int kPage = 2800;  // pixels: the largest square page any file may declare
constexpr int kEmfPage = kPage * 2540 / 96;  // the same in 0.01 mm

double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec * 1e-9;
}

// Repeats `make` (records appended to the builder) while the file stays under 64 KB.
template <typename Builder>
std::vector<std::uint8_t> Filled(Builder builder, const std::function<void(Builder&)>& make) {
    for (;;) {
        Builder next = builder;
        make(next);
        if (next.Bytes().size() >= 65000) return builder.Bytes();
        builder = next;
    }
}

std::vector<std::uint16_t> Words(std::initializer_list<std::uint32_t> values) {
    std::vector<std::uint16_t> w;
    for (std::uint32_t v : values) w.push_back(std::uint16_t(v)), w.push_back(std::uint16_t(v >> 16));
    return w;
}

// A 24-bit bottom-up DIB of w x h pixels, colour(x, y) as 0xRRGGBB, as 16-bit words.
std::vector<std::uint16_t> Dib(int w, int h, const std::function<std::uint32_t(int, int)>& colour) {
    std::vector<std::uint8_t> b;
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
    };
    put32(40), put32(std::uint32_t(w)), put32(std::uint32_t(h)), put32(1 | 24 << 16);
    for (int i = 0; i < 6; ++i) put32(0);
    const std::size_t row = (std::size_t(w) * 3 + 3) & ~std::size_t(3);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = colour(x, y);
            b.insert(b.end(), {std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16)});
        }
        b.resize(b.size() + row - std::size_t(w) * 3, 0);
    }
    b.resize((b.size() + 1) & ~std::size_t(1), 0);
    std::vector<std::uint16_t> words;
    for (std::size_t i = 0; i < b.size(); i += 2) words.push_back(std::uint16_t(b[i] | b[i + 1] << 8));
    return words;
}

std::vector<std::uint16_t> Dib(int w, int h, std::uint32_t colour) {
    return Dib(w, h, [=](int, int) { return colour; });
}

// An 8-bit RLE DIB of w x h pixels whose stream ends at once: a few bytes for any size.
std::vector<std::uint16_t> EmptyRleDib(int w, int h) {
    std::vector<std::uint16_t> words = {40, 0, std::uint16_t(w), std::uint16_t(w >> 16), std::uint16_t(h),
                                        std::uint16_t(h >> 16), 1, 8, 1, 0};
    words.resize(20, 0);
    words.insert(words.end(), 512, 0);   // 256 colours, black
    words.insert(words.end(), {0x0100});  // end of bitmap
    return words;
}

std::vector<std::uint16_t> Concat(std::vector<std::uint16_t> a, const std::vector<std::uint16_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

WmfBuilder Page() { return WmfBuilder(kPage, kPage, 96); }

WmfBuilder& PatBlt(WmfBuilder& b, std::uint32_t rop, int x = 0, int y = 0, int w = kPage, int h = kPage) {
    return b.Record(0x061D, Concat(Words({rop}), {std::uint16_t(h), std::uint16_t(w), std::uint16_t(y), std::uint16_t(x)}));
}

// StretchDIB of a whole DIB onto the destination rectangle.
WmfBuilder& StretchDib(WmfBuilder& b, std::uint32_t rop, const std::vector<std::uint16_t>& dib, int dibW, int dibH,
                       int x, int y, int w, int h) {
    std::vector<std::uint16_t> p = Words({rop});
    p.insert(p.end(), {0, std::uint16_t(dibH), std::uint16_t(dibW), 0, 0, std::uint16_t(h), std::uint16_t(w),
                       std::uint16_t(y), std::uint16_t(x)});
    return b.Record(0x0F43, Concat(p, dib));
}

struct Costly {
    const char* what;
    std::string key;
    std::vector<std::uint8_t> bytes;
};

std::vector<Costly> CheapFilesAskingForCostlyDrawing() {
    std::vector<Costly> files;
    auto wmf = [&](const char* what, const std::function<void(WmfBuilder&)>& setup,
                   const std::function<void(WmfBuilder&)>& repeat) {
        WmfBuilder b = Page();
        setup(b);
        files.push_back({what, ".WMF", Filled<WmfBuilder>(b, repeat)});
    };
    auto none = [](WmfBuilder&) {};
    wmf("full-page PatBlts", none, [](WmfBuilder& b) { PatBlt(b, 0x00F00021); });
    wmf("full-page DSTINVERT", none, [](WmfBuilder& b) { PatBlt(b, 0x00550009); });
    wmf("full-page PatBlts of an unusual raster operation", none, [](WmfBuilder& b) { PatBlt(b, 0x00A000C9); });
    wmf("full-page PatBlts of a pattern brush",
        [](WmfBuilder& b) { b.Record(0x0142, Concat({0, 0}, Dib(8, 8, 0x336699))).Record(0x012D, {0}); },
        [](WmfBuilder& b) { PatBlt(b, 0x005A0049); });
    const std::vector<std::uint16_t> dot = Dib(1, 1, 0x204080), square = Dib(2, 2, 0x804020);
    wmf("a one-pixel DIB stretched over the page", none,
        [&](WmfBuilder& b) { StretchDib(b, 0x00CC0020, dot, 1, 1, 0, 0, kPage, kPage); });
    wmf("a DIB ANDed over the page, mirrored", none,
        [&](WmfBuilder& b) { StretchDib(b, 0x008800C6, square, 2, 2, kPage, 0, -kPage, kPage); });
    wmf("full-page rectangles", none, [](WmfBuilder& b) { b.Record(0x041B, {kPage, kPage, 0, 0}); });
    wmf("full-page hatched ellipses drawn with XOR",
        [](WmfBuilder& b) { b.Record(0x02FC, {2, 0xFF, 0, 3}).Record(0x012D, {0}).Record(0x0104, {7}); },
        [](WmfBuilder& b) { b.Record(0x0418, {kPage, kPage, 0, 0}); });
    wmf("diagonals with a pen as wide as the page",
        [](WmfBuilder& b) { b.Record(0x02FA, {0, kPage, 0, 0, 0}).Record(0x012D, {0}); },
        [](WmfBuilder& b) { b.Record(0x0214, {0, 0}).Record(0x0213, {kPage, kPage}); });
    wmf("dashed diagonals", [](WmfBuilder& b) { b.Record(0x02FA, {1, 1, 0, 0, 0}).Record(0x012D, {0}); },
        [](WmfBuilder& b) { b.Record(0x0214, {0, 0}).Record(0x0213, {kPage, kPage}); });
    {
        // One polygon of 16,000 points, each edge crossing the whole page.
        std::vector<std::uint16_t> zigzag = {16000};
        for (int i = 0; i < 16000; ++i) zigzag.push_back(std::uint16_t(i % kPage)), zigzag.push_back(i % 2 ? kPage : 0);
        WmfBuilder b = Page();
        files.push_back({"a zigzag polygon", ".WMF", b.Record(0x0324, zigzag).Bytes()});
    }
    wmf("page-high text",
        [](WmfBuilder& b) {
            b.Record(0x02FB, {std::uint16_t(-kPage), 0, 0, 0, 400, 0, 0, 0, 'A' | 'r' << 8, 'i' | 'a' << 8, 'l'})
                .Record(0x012D, {0});
        },
        [](WmfBuilder& b) { b.Record(0x0521, {4, 'W' | 'M' << 8, 'W' | 'M' << 8, 0, 0}); });
    wmf("holes cut into the clip, each drawing through it", none, [](WmfBuilder& b) {
        static int i = 0;
        i = (i + 37) % (kPage - 10);
        b.Record(0x0415, {std::uint16_t(i + 5), std::uint16_t(i + 5), std::uint16_t(i), std::uint16_t(i)});
        b.Record(0x041B, {kPage, kPage, 0, 0});
    });
    wmf("saved states, each restored and drawn", [](WmfBuilder& b) {
        for (int i = 0; i < 2000; ++i) b.Record(0x001E, {});
    }, [](WmfBuilder& b) { b.Record(0x0127, {0xFFFF}).Record(0x0418, {kPage, kPage, 0, 0}); });

    wmf("tiny rectangles filled with a megapixel pattern",
        [](WmfBuilder& b) { b.Record(0x0142, Concat({0, 0}, EmptyRleDib(1024, 1024))).Record(0x012D, {0}); },
        [](WmfBuilder& b) { b.Record(0x041B, {2, 2, 1, 1}); });
    wmf("a 4-megapixel RLE bitmap stretched onto one pixel", none, [](WmfBuilder& b) {
        StretchDib(b, 0x00CC0020, EmptyRleDib(2048, 2048), 2048, 2048, 0, 0, 1, 1);
    });
    {
        // ExtTextOut of 20,000 characters, each placed by its own advance.
        std::vector<std::uint16_t> text = {100, 10, 20000, 0};
        text.insert(text.end(), 10000, 'A' | 'W' << 8);
        text.insert(text.end(), 20000, 3);
        files.push_back({"a long text spaced character by character", ".WMF", Page().Record(0x0A32, text).Bytes()});
    }
    wmf("dashed lines reaching a thousand pages beyond the page",
        [](WmfBuilder& b) {
            // 28 units a page: one unit is a hundred pixels.
            b.Record(0x020C, {28, 28}).Record(0x02FA, {2, 1, 0, 0, 0}).Record(0x012D, {0});
        },
        [](WmfBuilder& b) { b.Record(0x0214, {std::uint16_t(-30000), std::uint16_t(-29000)}).Record(0x0213, {30000, 29000}); });
    auto emf = [&](const char* what, const std::function<void(EmfBuilder&)>& setup,
                   const std::function<void(EmfBuilder&)>& repeat) {
        EmfBuilder b(kEmfPage, kEmfPage);
        setup(b);
        files.push_back({what, ".EMF", Filled<EmfBuilder>(b, repeat)});
    };
    auto rotated = [](EmfBuilder& b) {
        // SetWorldTransform: a tenth of a degree.
        const float c = 0.9999985f, s = 0.0017453f;
        std::uint32_t v[4];
        for (int i = 0; i < 4; ++i) {
            const float f = i == 0 || i == 3 ? c : i == 1 ? s : -s;
            std::memcpy(&v[i], &f, 4);
        }
        b.Record(35, {v[0], v[1], v[2], v[3], 0, 0});
    };
    emf("full-page PatBlts turned by a world transform", rotated,
        [](EmfBuilder& b) { b.Record(76, {0, 0, 0, 0, 0, 0, kPage, kPage, 0x00F00021, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}); });
    emf("clip paths of a thousand curves, each drawn through", [](EmfBuilder&) {}, [](EmfBuilder& b) {
        // BeginPath, MoveToEx, PolyBezierTo16 of 999 points, EndPath, SelectClipPath (RGN_XOR),
        // then a full-page rectangle.
        std::vector<std::uint32_t> curve = {0, 0, 0, 0, 999};
        for (std::uint32_t i = 0; i < 999; ++i) curve.push_back((i * 37 % kPage) | ((i * 91 % kPage) << 16));
        b.Record(59, {}).Record(27, {0, 0}).Record(88, curve).Record(60, {}).Record(67, {3});
        b.Record(43, {0, 0, kPage, kPage});
    });
    emf("clip regions of hundreds of rectangles, joined", [](EmfBuilder&) {}, [](EmfBuilder& b) {
        // ExtSelectClipRgn, RGN_OR: region size and mode, then the region's header and rectangles.
        static std::uint32_t shift = 0;
        const std::uint32_t count = 400;
        std::vector<std::uint32_t> region = {32 + 16 * count, 2, 32, 1, count, 16 * count, 0, 0, kPage, kPage};
        for (std::uint32_t i = 0; i < count; ++i)
            region.insert(region.end(), {i * 7 + shift, i * 3, i * 7 + shift + 40, i * 3 + 900});
        shift = (shift + 1) % 50;
        b.Record(75, region);
    });
    return files;
}

TEST(MetafileCost, CheapFilesAskingForCostlyDrawingOpenOrAreRefusedWithinTheirBudget) {
    for (const Costly& c : CheapFilesAskingForCostlyDrawing()) {
        SCOPED_TRACE(std::string(c.what) + ", " + std::to_string(c.bytes.size()) + " bytes");
        ASSERT_LT(c.bytes.size(), 65536u);
        const double start = ThreadSeconds();
        std::string error;
        TBitmap32 picture;
        try {
            picture = DecodePicture(c.key, c.bytes);
        } catch (const PictureError& e) {
            error = e.what();
        }
        const double seconds = ThreadSeconds() - start;
        std::cout << c.what << " (" << c.bytes.size() << " bytes): " << seconds * 1000 << " ms, "
                  << (error.empty() ? "opened" : error) << "\n";
        EXPECT_LE(picture.ByteCount(), 100 * kMiB);
        if (!error.empty()) {
            EXPECT_NE(error.find("file cannot be read: its records ask for more drawing than a file of"), std::string::npos)
                << error;
        }
        // Far above the 0.3 s that the budget aims at, so that it holds under the sanitizers.
        EXPECT_LT(seconds, 10.0);
    }
}

TEST(MetafileCost, BitmapsLargerThanTheirBitsCanFillAreRefused) {
    // 16384 x 16384 pixels (a gigabyte decoded) from an RLE stream of two bytes.
    WmfBuilder huge = Page();
    Outcome o = DecodeOutcome(".WMF", StretchDib(huge, 0x00CC0020, EmptyRleDib(16384, 16384), 16384, 16384, 0, 0, kPage, kPage).Bytes());
    EXPECT_NE(o.error.find("declares 16384 x 16384 pixels but holds only 2 bytes"), std::string::npos) << o.error;
    // Up to 4 Mi pixels decode whatever their bits (the rest is left alone).
    WmfBuilder fine = Page();
    o = DecodeOutcome(".WMF", StretchDib(fine, 0x00CC0020, EmptyRleDib(2048, 2048), 2048, 2048, 0, 0, kPage, kPage).Bytes());
    EXPECT_EQ(o.error, "");
    EXPECT_EQ(o.picture.Width(), kPage);
}

TEST(MetafileCost, PatternBrushesHoldABoundedNumberOfPixels) {
    // A megapixel pattern, created, selected and deleted again and again: the decoded
    // patterns would live on in the saved states.
    WmfBuilder b = Page();
    for (int i = 0; i < 4; ++i)
        b.Record(0x0142, Concat({0, 0}, EmptyRleDib(1024, 1024))).Record(0x012D, {0}).Record(0x001E, {}).Record(0x01F0, {0});
    const Outcome o = DecodeOutcome(".WMF", b.Bytes());
    EXPECT_NE(o.error.find("pattern brushes hold more than 1048576 pixels in all"), std::string::npos) << o.error;
    // Thousands of small patterns, as real drawings use them, are fine.
    WmfBuilder small = Page();
    for (int i = 0; i < 300; ++i) {
        small.Record(0x0142, Concat({0, 0}, Dib(8, 8, std::uint32_t(i) * 0x010203))).Record(0x012D, {0});
        PatBlt(small, 0x00F00021, i, i, 100, 100).Record(0x01F0, {0});
    }
    EXPECT_EQ(DecodeOutcome(".WMF", small.Bytes()).error, "");
}

// The same drawing through a clip of the whole page takes the general blit loop: the fast
// loops must give the same bytes.
TEST(MetafileCost, FastBlitsGiveThePixelsOfTheGeneralLoop) {
    // 5 x 3 pixels of distinct colours.
    const std::vector<std::uint16_t> gradient =
        Dib(5, 3, [](int x, int y) { return std::uint32_t((200 - 13 * x * y) << 16 | (80 * y) << 8 | 40 * x); });
    const std::uint32_t patternRops[] = {0x00F00021, 0x00550009, 0x005A0049, 0x00000042, 0x00FF0062, 0x00A000C9, 0x000F0001};
    auto draw = [&](bool clipped) {
        WmfBuilder b(300, 200, 96);
        if (clipped) b.Record(0x0416, {200, 300, 0, 0});  // IntersectClipRect of the whole page
        b.Record(0x02FC, {0, 0x3399, 0x66, 0}).Record(0x012D, {0});  // a solid brush
        int i = 0;
        for (std::uint32_t rop : patternRops) PatBlt(b, rop, 7 + 29 * i, 11 + 13 * i, 150, -90), ++i;
        // Stretched, shrunk and mirrored copies of the DIB.
        StretchDib(b, 0x00CC0020, gradient, 5, 3, 10, 120, 97, 61);
        StretchDib(b, 0x00CC0020, gradient, 5, 3, 290, 199, -133, -45);
        StretchDib(b, 0x00CC0020, gradient, 5, 3, 250, 10, 3, 2);
        return DecodeOutcome(".WMF", b.Bytes());
    };
    const Outcome fast = draw(false), general = draw(true);
    ASSERT_EQ(fast.error, "");
    ASSERT_EQ(general.error, "");
    ASSERT_EQ(fast.picture.ByteCount(), general.picture.ByteCount());
    EXPECT_EQ(std::memcmp(fast.picture.Bits(), general.picture.Bits(), fast.picture.ByteCount()), 0);
    // Something was drawn, and loaded pictures carry alpha 0.
    int drawn = 0, alpha = 0;
    for (std::size_t i = 0; i < fast.picture.ByteCount(); i += 4) {
        drawn += fast.picture.Bits()[i] != 255 || fast.picture.Bits()[i + 1] != 255;
        alpha += fast.picture.Bits()[i + 3] != 0;
    }
    EXPECT_GT(drawn, 20000);
    EXPECT_EQ(alpha, 0);
}

TEST(MetafileCost, PathWorkCountsWhatTheCanvasSees) {
    const QRectF canvas(0, 0, 1000, 1000);
    QPainterPath box;
    box.addRect(100, 100, 300, 200);
    metafile::PathWork w = metafile::MeasurePath(box, canvas);
    EXPECT_EQ(w.elements, 5);
    EXPECT_DOUBLE_EQ(w.length, 1000);           // the perimeter
    EXPECT_NEAR(w.rows, 2 * 201 + 3, 1e-9);     // two sides, the others one row each
    // A line from a million pixels away crosses the canvas once: its rows and length are
    // the canvas's, not its own.
    QPainterPath far(QPointF(-1e6, -1e6));
    far.lineTo(1e6, 1e6);
    w = metafile::MeasurePath(far, canvas);
    EXPECT_LE(w.rows, 2 * 1001);
    EXPECT_LE(w.length, 2 * 1000 * std::sqrt(2.0) + 1);
    // A zigzag over the whole height: every edge crosses every row.
    QPainterPath zigzag(QPointF(0, 0));
    for (int i = 1; i <= 100; ++i) zigzag.lineTo(i * 10, i % 2 ? 1000 : 0);
    w = metafile::MeasurePath(zigzag, canvas);
    EXPECT_GE(w.rows, 100 * 1000);
    // Curves count their control points.
    QPainterPath curve(QPointF(0, 0));
    curve.cubicTo(1000, 0, 0, 1000, 1000, 1000);
    EXPECT_EQ(metafile::MeasurePath(curve, canvas).elements, 4);
}

TEST(MetafileCost, ClipCombinationsCostTheirCrossings) {
    // Zigzags of 200 edges: across each other they cross 40,000 times, side by side never.
    auto zigzag = [](bool across, double shift) {
        QPainterPath p(across ? QPointF(0, shift) : QPointF(shift, 0));
        for (int i = 1; i <= 200; ++i) {
            const double along = i * 5, aside = shift + (i % 2 ? 1000 : 0);
            p.lineTo(across ? QPointF(along, aside) : QPointF(aside, along));
        }
        return p;
    };
    const double inf = 1e300;
    const double tangled = metafile::ClipCombineCost(zigzag(true, 0), zigzag(false, 0), inf);
    const double apart = metafile::ClipCombineCost(zigzag(false, 0), zigzag(false, 5000), inf);
    EXPECT_GT(tangled, 100 * apart);
    // A rectangle is clipped against in one pass, however tangled the other path.
    QPainterPath box;
    box.addRect(0, 0, 1000, 1000);
    QPainterPath tangle = zigzag(true, 0);
    tangle.addPath(zigzag(false, 0));
    EXPECT_LT(metafile::ClipCombineCost(tangle, box, inf), tangled / 100);
    // Counting stops soon after the limit.
    const double limited = metafile::ClipCombineCost(zigzag(true, 0), zigzag(false, 0), tangled / 10);
    EXPECT_GT(limited, tangled / 10);
    EXPECT_LT(limited, tangled / 5);
}

TEST(MetafileCost, TheCanvasRefusesACallBeforeItDraws) {
    // A file of no bytes may spend what any file may: a dozen full-page fills of 2800 x 2800.
    metafile::MetafileCanvas canvas(kPage, kPage, metafile::MetafileCanvas::Mapping::kWindowToOutput, "WMF", 0);
    canvas.Dc().windowExt = {kPage, kPage};
    canvas.Dc().brush.colour = qRgb(10, 20, 30);
    int fills = 0;
    std::string error;
    try {
        for (; fills < 100; ++fills) {
            // Alternating colours, so that the refused call would show.
            canvas.Dc().brush.colour = fills % 2 ? qRgb(10, 20, 30) : qRgb(200, 100, 50);
            canvas.Blit(QRectF(0, 0, kPage, kPage), QImage(), QRectF(), 0x00F00021);
        }
    } catch (const PictureError& e) {
        error = e.what();
    }
    EXPECT_GE(fills, 10);
    EXPECT_LE(fills, 14);
    EXPECT_EQ(error, "The WMF file cannot be read: its records ask for more drawing than a file of 0 bytes may "
                     "(over 100 million pixels' worth)");
    const TBitmap32 picture = canvas.TakePicture();
    const std::uint8_t* last = picture.ScanLine(kPage - 1) + 4 * (kPage - 1);
    const int colour = (fills - 1) % 2 ? 10 : 200;
    EXPECT_EQ(last[kR], colour);
    EXPECT_EQ(last[kA], 0);
}

// The blends, masked and turned blits and region calls pay for their pixels as Blit does: a
// file of no bytes is refused after a bounded number of full-page calls of each.
TEST(MetafileCost, EveryKindOfDrawingCallIsCharged) {
    const QImage dot = [] {
        QImage i(1, 1, QImage::Format_ARGB32);
        i.fill(qRgb(40, 80, 120));
        return i;
    }();
    // Half the page each way: a whole page of per-pixel mapping is more than any file may spend.
    const QRectF page(0, 0, kPage / 2, kPage / 2);
    const std::vector<QRectF> halves = {QRectF(0, 0, kPage, kPage / 2), QRectF(0, kPage / 2, kPage, kPage / 2)};
    metafile::Brush brush;
    brush.colour = qRgb(1, 2, 3);
    const std::vector<std::pair<const char*, std::function<void(metafile::MetafileCanvas&)>>> calls = {
        {"AlphaBlend", [&](auto& c) { c.AlphaBlend(page, dot, QRectF(0, 0, 1, 1), 128, false); }},
        {"TransparentBlit", [&](auto& c) { c.TransparentBlit(page, dot, QRectF(0, 0, 1, 1), qRgb(0, 0, 0)); }},
        {"MaskBlit", [&](auto& c) { c.MaskBlit(page, dot, QRectF(0, 0, 1, 1), QImage(), QPoint(), 0xCCCC0020u); }},
        {"ParallelogramBlit",
         [&](auto& c) {
             c.ParallelogramBlit({QPointF(0, 0), QPointF(kPage / 2, 0), QPointF(0, kPage / 2)}, dot, QRectF(0, 0, 1, 1),
                                 QImage(), QPoint());
         }},
        {"FillRegion", [&](auto& c) { c.FillRegion(halves, brush); }},
        {"FrameRegion", [&](auto& c) { c.FrameRegion(halves, brush, QSizeF(kPage / 4, kPage / 4)); }},
        {"InvertRegion", [&](auto& c) { c.InvertRegion(halves); }},
    };
    for (const auto& [name, call] : calls) {
        SCOPED_TRACE(name);
        metafile::MetafileCanvas canvas(kPage, kPage, metafile::MetafileCanvas::Mapping::kWindowToOutput, "WMF", 0);
        canvas.Dc().windowExt = {kPage, kPage};
        int done = 0;
        try {
            for (; done < 1000; ++done) call(canvas);
        } catch (const PictureError&) {
        }
        EXPECT_GE(done, 1);
        EXPECT_LT(done, 1000);
    }
}

}  // namespace
}  // namespace brimlet
