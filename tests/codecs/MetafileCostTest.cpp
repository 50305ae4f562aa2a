// What playing a metafile may cost: small files that ask for hours of drawing (thousands
// of full-page fills, huge pens, zigzag polygons, giant text, growing clip regions) open or
// are refused within their budget of work, and the fast loops for common bitmap records
// give the same pixels as the general one.
#include "MetafileTestSupport.h"
#include "core/codecs/PictureFiles.h"
#include "core/metafile/Metafile.h"
#include "core/metafile/MetafileCanvas.h"

#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <iostream>

namespace brimlet {
namespace {

using namespace metafiletest;

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

// A 24-bit bottom-up DIB of w x h pixels of one colour, as 16-bit words.
std::vector<std::uint16_t> Dib(int w, int h, std::uint32_t bgr) {
    std::vector<std::uint8_t> b;
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
    };
    put32(40), put32(std::uint32_t(w)), put32(std::uint32_t(h)), put32(1 | 24 << 16);
    for (int i = 0; i < 6; ++i) put32(0);
    const std::size_t row = (std::size_t(w) * 3 + 3) & ~std::size_t(3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) b.push_back(std::uint8_t(bgr)), b.push_back(std::uint8_t(bgr >> 8)), b.push_back(std::uint8_t(bgr >> 16));
        b.resize(b.size() + row - std::size_t(w) * 3, 0);
    }
    std::vector<std::uint16_t> words;
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) words.push_back(std::uint16_t(b[i] | b[i + 1] << 8));
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

}  // namespace
}  // namespace brimlet
