#include "MetafileTestSupport.h"
#include "core/codecs/PictureFiles.h"
#include "core/metafile/Metafile.h"

#include <QImage>
#include <gtest/gtest.h>

namespace brimlet {
namespace {

using namespace metafiletest;

std::uint16_t Word(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint16_t(b[at] | b[at + 1] << 8);
}
std::uint32_t DWord(const std::vector<std::uint8_t>& b, std::size_t at) {
    return Word(b, at) | std::uint32_t(Word(b, at + 2)) << 16;
}

TEST(MetafileWriter, PlaceableHeaderAndRecordSizesAreConsistent) {
    const TBitmap32 picture = TestPicture(37, 21);
    const std::vector<std::uint8_t> wmf = EncodePlaceableWmf(picture);
    ASSERT_GT(wmf.size(), 22u + 18u);
    EXPECT_EQ(DWord(wmf, 0), 0x9AC6CDD7u);
    EXPECT_EQ(Word(wmf, 4), 0);  // handle
    EXPECT_EQ(std::int16_t(Word(wmf, 6)), 0);
    EXPECT_EQ(std::int16_t(Word(wmf, 8)), 0);
    EXPECT_EQ(Word(wmf, 10), 37);
    EXPECT_EQ(Word(wmf, 12), 21);
    EXPECT_EQ(Word(wmf, 14), 96);
    std::uint16_t checksum = 0;
    for (int i = 0; i < 10; ++i) checksum ^= Word(wmf, 2 * i);
    EXPECT_EQ(Word(wmf, 20), checksum);

    // The metafile header's size counts every 16-bit word after the placeable header, and
    // the records, walked by their own sizes, end exactly at the end record.
    EXPECT_EQ(std::size_t(DWord(wmf, 22 + 6)) * 2, wmf.size() - 22);
    std::size_t at = 22 + 18, maxRecord = 0;
    bool sawEof = false, sawBitmap = false;
    while (at + 6 <= wmf.size()) {
        const std::size_t words = DWord(wmf, at);
        const std::uint16_t function = Word(wmf, at + 4);
        ASSERT_GE(words, 3u);
        maxRecord = std::max(maxRecord, words);
        if (function == 0x0F43) {
            sawBitmap = true;
            EXPECT_EQ(DWord(wmf, at + 6), 0x00CC0020u);  // SRCCOPY
            EXPECT_EQ(Word(wmf, at + 28 + 14), 24);       // DIB bits per pixel
        }
        at += words * 2;
        if (function == 0) {
            sawEof = true;
            break;
        }
    }
    EXPECT_TRUE(sawBitmap);
    EXPECT_TRUE(sawEof);
    EXPECT_EQ(at, wmf.size());
    EXPECT_EQ(DWord(wmf, 22 + 12), maxRecord);
}

TEST(MetafileWriter, RefusesPicturesItCannotDescribe) {
    EXPECT_THROW(EncodePlaceableWmf(TBitmap32()), PictureError);
    // Sides beyond a signed 16-bit number cannot be written into the header.
    TBitmap32 wide(32768, 1);
    EXPECT_THROW(EncodePlaceableWmf(wide), PictureError);
}

// libwmf is an independent reader: it must accept our file and draw the same picture.
TEST(MetafileWriter, IndependentReaderRendersTheSamePicture) {
    if (!HaveTool("wmf2gd")) GTEST_SKIP() << "wmf2gd (libwmf-bin) is not installed";
    for (auto [w, h] : {std::pair{160, 90}, std::pair{61, 47}}) {
        const TBitmap32 picture = TestPicture(w, h);
        const std::string dir = TempDir();
        WriteFile(dir + "/out.wmf", EncodePlaceableWmf(picture));
        const std::string command = "wmf2gd -t png --maxwidth=" + std::to_string(w) +
                                    " --maxheight=" + std::to_string(h) + " --maxsize -o " + dir +
                                    "/out.png " + dir + "/out.wmf >/dev/null 2>&1";
        ASSERT_EQ(RunShell(command), 0) << command;
        QImage rendered;
        ASSERT_TRUE(rendered.load(QString::fromStdString(dir + "/out.png")));
        const TBitmap32 theirs = FromQImage(rendered);
        ASSERT_EQ(theirs.Width(), w);
        ASSERT_EQ(theirs.Height(), h);
        EXPECT_GT(GreyCorrelation(picture, theirs), 0.9) << w << " x " << h;
        RunShell("rm -rf " + dir);
    }
}

}  // namespace
}  // namespace brimlet
