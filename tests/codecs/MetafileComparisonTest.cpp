// Every metafile sample drawn by us and by an independent renderer from Debian (libwmf's
// wmf2gd for WMF, emf2svg-conv then rsvg-convert for EMF) at the same size, looked at side by
// side. The table keeps, per file, where and why the two differ; the test checks the parts
// that must agree: the picture size, and the colours of the large flat regions.
// With BRIMLET_METAFILE_COMPARISON_DIR set, both pictures of each file are written there
// next to each other as <file>.png, for looking at them again.
#include "MetafileTestSupport.h"
#include "core/metafile/Metafile.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <unordered_map>

namespace brimlet {
namespace {

using namespace metafiletest;

// What of a sample must agree between the two renderings, besides the picture's size.
enum class Agreement {
    kFlatColours,  // every colour covering 2 % of ours covers half to twice that of theirs
    kBackground,   // only the white around the drawing: the reference leaves parts out
    kCellCentres,  // a stretched bitmap's cells, at their centres: the reference blends edges
    kSizeOnly,     // the reference draws almost nothing of it
};

struct Comparison {
    const char* file;
    // Where and why ours differs from the reference rendering.
    const char* note;
    Agreement agreement;
    int cells = 0;  // kCellCentres: the bitmap's cells across and down
};

const Comparison kComparisons[] = {
    {"clock.wmf",
     "Same drawing, colours and framing; the digits are polygons and match. The hands differ: "
     "the file draws them as looped outlines filled under the alternate rule, which we show as "
     "thin black rings as the records give them, while libwmf shows them solid black.",
     Agreement::kFlatColours},
    {"fulltest.wmf",
     "libwmf frames the letter page differently: its drawing is larger and cut at the top and "
     "bottom, where we show the placeable header's box. Fonts are substitutes on both sides "
     "(Arial, Times New Roman and Courier New are not installed); libwmf's run wider, so "
     "'Times New Roman' runs into 'Italic' and 'Courier New' into 'Underline'. The hatches, "
     "bitmap patterns, the yellow background under the hatch and the rotated text agree.",
     Agreement::kFlatColours},
    {"TestBigPPI.wmf",
     "Same icon, mask and caption. libwmf resamples the icon smoothly, blurring its thin red "
     "outline, and sets it a pixel lower; its caption font is a serif substitute for the file's "
     "sans-serif face.",
     Agreement::kFlatColours},
    {"tdf88163-non-placeable.wmf",
     "libwmf draws the text about 1.6 times as large as its cell height says, and sizes the "
     "drawing from its own scan of the records, so its lines come out about 6 % smaller and "
     "higher than ours, which map the window extent onto the picture. Lines are one pixel wide "
     "(cosmetic) on both sides.",
     Agreement::kFlatColours},
    {"TestStretchDIB.wmf",
     "The 10 x 10 bitmap stretched over 456 x 456 pixels: libwmf's gd smooths across the cells, "
     "we repeat the nearest pixel as the system's default stretching does, so only the cells' "
     "centres agree (to about 20 levels).",
     Agreement::kCellCentres, 10},
    {"computer_mail.emf",
     "emf2svg shows black where the file draws its shaded bitmaps through clipping paths (the "
     "server's case and the person), so they are black silhouettes there while we show their "
     "colours; the white background and the outlines agree.",
     Agreement::kBackground},
    {"JPGinside.emf",
     "emf2svg does not decode the JPEG inside the STRETCHDIBITS record and shows only the "
     "diagonal line drawn before it; we draw the photo over the line, which then shows only at "
     "two corners.",
     Agreement::kSizeOnly},
};

// Share of the picture's pixels within tolerance of the colour (0x00RRGGBB).
double ShareOf(const TBitmap32& picture, std::uint32_t colour, int tolerance) {
    std::int64_t count = 0;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const std::uint32_t c = picture.PixelColor(x, y);
            bool close = true;
            for (int shift : {0, 8, 16})
                close &= std::abs(int((c >> shift) & 255) - int((colour >> shift) & 255)) <= tolerance;
            count += close;
        }
    return double(count) / (double(picture.Width()) * picture.Height());
}

// The exact colours that each cover at least `share` of the picture.
std::vector<std::pair<std::uint32_t, double>> FlatColours(const TBitmap32& picture, double share) {
    std::unordered_map<std::uint32_t, std::int64_t> counts;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) ++counts[picture.PixelColor(x, y)];
    const double n = double(picture.Width()) * picture.Height();
    std::vector<std::pair<std::uint32_t, double>> flat;
    for (const auto& [colour, count] : counts)
        if (count >= share * n) flat.emplace_back(colour, count / n);
    return flat;
}

void WriteSideBySide(const std::string& dir, const std::string& name, const TBitmap32& ours,
                     const TBitmap32& theirs) {
    QImage both(ours.Width() + theirs.Width() + 4, std::max(ours.Height(), theirs.Height()),
                QImage::Format_RGB32);
    both.fill(Qt::red);
    QPainter painter(&both);
    painter.drawImage(0, 0, ToQImage(ours));
    painter.drawImage(ours.Width() + 4, 0, ToQImage(theirs));
    painter.end();
    both.save(QString::fromStdString(dir + "/" + name + ".png"));
}

TEST(MetafileComparison, EachSampleAgreesWithAnIndependentRendererWhereTheNotesSaySo) {
    const char* dumpDir = std::getenv("BRIMLET_METAFILE_COMPARISON_DIR");
    for (const Comparison& c : kComparisons) {
        SCOPED_TRACE(c.file);
        const std::string path = TestData(c.file);
        const auto bytes = ReadFile(path);
        const TBitmap32 ours = std::string(c.file).ends_with(".emf") ? DecodeEmf(bytes) : DecodeWmf(bytes);
        const auto theirs = ReferenceRendering(path, ours.Width(), ours.Height());
        if (!theirs) {
            std::cout << "skipped " << c.file << ": the reference renderer is not installed\n";
            continue;
        }
        if (dumpDir) WriteSideBySide(dumpDir, c.file, ours, *theirs);
        ASSERT_EQ(theirs->Width(), ours.Width());
        ASSERT_EQ(theirs->Height(), ours.Height());
        EXPECT_GT(std::string(c.note).size(), 60u);  // a real note, not a placeholder

        switch (c.agreement) {
        case Agreement::kFlatColours:
        case Agreement::kBackground: {
            const auto flat = FlatColours(ours, 0.02);
            ASSERT_FALSE(flat.empty());
            for (const auto& [colour, share] : flat) {
                if (c.agreement == Agreement::kBackground && colour != 0xFFFFFF) continue;
                const double theirShare = ShareOf(*theirs, colour, 6);
                EXPECT_GT(theirShare, share / 2) << std::hex << colour;
                EXPECT_LT(theirShare, share * 2) << std::hex << colour;
            }
            break;
        }
        case Agreement::kCellCentres: {
            int worst = 0;
            for (int i = 0; i < c.cells * c.cells; ++i) {
                const int x = int((i % c.cells + 0.5) * ours.Width() / c.cells);
                const int y = int((i / c.cells + 0.5) * ours.Height() / c.cells);
                const std::uint32_t a = ours.PixelColor(x, y), b = theirs->PixelColor(x, y);
                for (int shift : {0, 8, 16})
                    worst = std::max(worst, std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)));
            }
            std::cout << c.file << ": cell centres differ by up to " << worst << "\n";
            EXPECT_LE(worst, 32);
            break;
        }
        case Agreement::kSizeOnly: break;
        }
    }
}

}  // namespace
}  // namespace brimlet
