// What a small file may cost: whatever its headers declare, a file of a few kilobytes opens
// as a picture its data can fill or is refused before the memory is taken, while large real
// pictures (whole or truncated) open as before.
#include "tests/codecs/CodecTestSupport.h"
#include "tests/codecs/MetafileTestSupport.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <gif_lib.h>
#include <jpeglib.h>

#include <cstring>
#include <random>

namespace brimlet::test {
namespace {

constexpr std::size_t kMiB = std::size_t(1) << 20;

// A picture no larger than 100 MB, or a refusal naming the shortage of data.
void ExpectRefusedForItsData(const std::string& key, const std::vector<std::uint8_t>& bytes,
                             const std::string& size) {
    SCOPED_TRACE(key + " of " + std::to_string(bytes.size()) + " bytes declaring " + size);
    const Outcome o = DecodeOutcome(key, bytes);
    EXPECT_LE(o.picture.ByteCount(), 100 * kMiB);
    EXPECT_NE(o.error.find("too little data for a picture of " + size + " pixels"), std::string::npos)
        << o.error;
}

TBitmap32 ExpectOpens(const std::string& key, const std::vector<std::uint8_t>& bytes, int width, int height) {
    const Outcome o = DecodeOutcome(key, bytes);
    EXPECT_EQ(o.error, "");
    EXPECT_EQ(o.picture.Width(), width);
    EXPECT_EQ(o.picture.Height(), height);
    return o.picture;
}

// --- JPEG ---

struct JpegOptions {
    bool grey = false, progressive = false, optimised = false;
};

// Encodes with libjpeg directly, for the variants the program's writer never makes.
std::vector<std::uint8_t> EncodeJpegWith(const TBitmap32& picture, JpegOptions options) {
    jpeg_compress_struct c{};
    jpeg_error_mgr errors{};
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = JDIMENSION(picture.Width());
    c.image_height = JDIMENSION(picture.Height());
    c.input_components = options.grey ? 1 : 4;
    c.in_color_space = options.grey ? JCS_GRAYSCALE : JCS_EXT_BGRX;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    if (options.progressive) jpeg_simple_progression(&c);
    c.optimize_coding = options.optimised;
    jpeg_start_compress(&c, TRUE);
    std::vector<std::uint8_t> grey(std::size_t(picture.Width()));
    for (int y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* row = picture.ScanLine(y);
        if (options.grey)
            for (int x = 0; x < picture.Width(); ++x) grey[std::size_t(x)] = row[4 * x + 1];
        JSAMPROW rows[1] = {options.grey ? grey.data() : const_cast<std::uint8_t*>(row)};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<std::uint8_t> bytes(out, out + size);
    std::free(out);
    jpeg_destroy_compress(&c);
    return bytes;
}

void SetFrameSize(std::vector<std::uint8_t>& jpeg, int width, int height) {
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = std::uint8_t(height >> 8), jpeg[i + 6] = std::uint8_t(height);
            jpeg[i + 7] = std::uint8_t(width >> 8), jpeg[i + 8] = std::uint8_t(width);
            return;
        }
    ADD_FAILURE() << "no frame header";
}

// The last scan (from its SOS marker to the end marker) repeated `extra` more times.
std::vector<std::uint8_t> WithLastScanRepeated(const std::vector<std::uint8_t>& jpeg, int extra) {
    std::size_t last = 0;
    for (std::size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) last = i;
    std::vector<std::uint8_t> out(jpeg.begin(), jpeg.end() - 2);
    for (int k = 0; k < extra; ++k) out.insert(out.end(), jpeg.begin() + std::ptrdiff_t(last), jpeg.end() - 2);
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

TBitmap32 White(int width, int height) { return TBitmap32(width, height); }

// The file with an Exif segment after SOI whose only tag is the orientation (big-endian).
std::vector<std::uint8_t> WithOrientation(const std::vector<std::uint8_t>& jpeg, std::uint8_t orientation) {
    const std::vector<std::uint8_t> app1 = {0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42,
                                            0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1,
                                            0, orientation, 0, 0, 0, 0, 0, 0};
    std::vector<std::uint8_t> out = jpeg;
    out.insert(out.begin() + 2, app1.begin(), app1.end());
    return out;
}

TEST(SmallFileBounds, JpegFrameLargerThanItsDataIsRefusedBeforeDecoding) {
    // An ordinary small photo's data under a 16000 x 16000 frame header, whole and cut to 6 KB.
    std::vector<std::uint8_t> jpeg = ReadBytes(Sample("sample-362x272.jpg"));
    SetFrameSize(jpeg, 16000, 16000);
    ExpectRefusedForItsData(".JPG", jpeg, "16000 x 16000");
    jpeg.resize(6000);
    ExpectRefusedForItsData("JPEG", jpeg, "16000 x 16000");
    // Up to 4 Mi pixels a picture opens whatever its data; what is missing is white.
    SetFrameSize(jpeg, 2048, 2048);
    const TBitmap32 small = ExpectOpens(".JPG", jpeg, 2048, 2048);
    EXPECT_TRUE(IsWhite(small.ScanLine(2047)));
    // A progressive file's bound is tighter: it keeps every coefficient besides the picture.
    std::vector<std::uint8_t> progressive = EncodeJpegWith(TestPattern(362, 272), {.progressive = true});
    SetFrameSize(progressive, 4000, 4000);
    ExpectRefusedForItsData(".JPG", progressive, "4000 x 4000");
}

TEST(SmallFileBounds, LargeJpegsOfEveryKindStillOpen) {
    // 4.5 Mpx, over the area any file may declare.
    const int w = 2500, h = 1800;
    const TBitmap32 photo = TestPattern(w, h);
    ExpectOpens(".JPG", EncodeJpeg(photo), w, h);
    ExpectOpens(".JPG", EncodeJpegWith(photo, {.progressive = true}), w, h);
    // All white: the most compressible files there are, a baseline greyscale one with
    // optimised tables close to the two bits a block that Huffman coding needs at least.
    for (JpegOptions o : {JpegOptions{}, JpegOptions{.grey = true}, JpegOptions{.grey = true, .optimised = true},
                          JpegOptions{.optimised = true}, JpegOptions{.progressive = true}}) {
        const std::vector<std::uint8_t> bytes = EncodeJpegWith(White(w, h), o);
        SCOPED_TRACE(std::to_string(bytes.size()) + " bytes, grey " + std::to_string(o.grey) +
                     ", progressive " + std::to_string(o.progressive));
        const TBitmap32 b = ExpectOpens(".JPG", bytes, w, h);
        if (!b.Empty()) {
            EXPECT_TRUE(IsWhite(b.ScanLine(h - 1) + 4 * (w - 1)));
        }
    }
}

TEST(SmallFileBounds, JpegTurnedUprightPaysForItsSecondCopy) {
    const int w = 2500, h = 1800;
    // Close to 256 pixels a byte: it opens as it is, but not when it must also be turned.
    const std::vector<std::uint8_t> flat = EncodeJpegWith(White(w, h), {.grey = true, .optimised = true});
    ExpectOpens(".JPG", WithOrientation(flat, 1), w, h);
    ExpectRefusedForItsData(".JPG", WithOrientation(flat, 6), "2500 x 1800");
    // A photo has bytes to spare and comes out turned.
    ExpectOpens(".JPG", WithOrientation(EncodeJpeg(TestPattern(w, h)), 6), h, w);
}

TEST(SmallFileBounds, TruncatedLargeJpegKeepsItsRowsUntilTooLittleIsLeft) {
    const int w = 2500, h = 1800;
    const std::vector<std::uint8_t> whole = EncodeJpeg(TestPattern(w, h));
    const TBitmap32 full = DecodePicture(".JPG", whole);
    const TBitmap32 half = ExpectOpens(".JPG", {whole.begin(), whole.begin() + std::ptrdiff_t(whole.size() / 2)}, w, h);
    ASSERT_EQ(half.Height(), h);
    EXPECT_EQ(std::memcmp(half.ScanLine(100), full.ScanLine(100), full.Stride()), 0);
    EXPECT_TRUE(IsWhite(half.ScanLine(h - 1)));
    // Less than a byte for every 256 pixels of the declared size.
    const std::size_t little = std::size_t(w) * h / 256 - 100;
    ExpectRefusedForItsData(".JPG", {whole.begin(), whole.begin() + std::ptrdiff_t(little)}, "2500 x 1800");
}

TEST(SmallFileBounds, ProgressiveScansAreCappedInNumberAndWork) {
    // All white, so that every repeated scan takes only a few bytes.
    const std::vector<std::uint8_t> jpeg = EncodeJpegWith(White(2048, 2048), {.progressive = true});
    // A real progressive file has ten scans; ten more are still decoded.
    ExpectOpens(".JPG", WithLastScanRepeated(jpeg, 10), 2048, 2048);
    // Under the count cap, but hundreds of passes over four million pixels.
    Outcome o = DecodeOutcome(".JPG", WithLastScanRepeated(jpeg, 250));
    EXPECT_EQ(o.error, "The JPEG file has too many scans for the data it holds");
    // Over the count cap even on a picture so small that the passes cost nothing.
    const std::vector<std::uint8_t> tiny = EncodeJpegWith(TestPattern(16, 16), {.progressive = true});
    ExpectOpens(".JPG", WithLastScanRepeated(tiny, 250), 16, 16);
    o = DecodeOutcome(".JPG", WithLastScanRepeated(tiny, 400));
    EXPECT_EQ(o.error, "The JPEG file has too many scans to be a picture");
}

// --- GIF ---

int AppendToVector(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

// One frame of four colours; `noisy` picks every pixel at random, else all are colour 0.
std::vector<std::uint8_t> MakeGif(int screenW, int screenH, int frameW, int frameH, bool noisy) {
    std::vector<std::uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendToVector, &error);
    const GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifPutScreenDesc(gif, screenW, screenH, 2, 0, map);
    EGifPutImageDesc(gif, 0, 0, frameW, frameH, false, nullptr);
    std::mt19937 random(7);
    std::vector<GifPixelType> line(std::size_t(frameW), 0);
    for (int y = 0; y < frameH; ++y) {
        if (noisy)
            for (GifPixelType& p : line) p = GifPixelType(random() % 4);
        EGifPutLine(gif, line.data(), frameW);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

TEST(SmallFileBounds, GifScreenNeedsAFrameAndDataThatCanFillIt) {
    // 35 bytes: a 16384 x 16384 logical screen with one 1 x 1 frame.
    const std::vector<std::uint8_t> tiny = {'G', 'I', 'F', '8', '9', 'a', 0, 0x40, 0, 0x40, 0x80, 0, 0,
                                            0, 0, 0, 255, 255, 255, 0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0,
                                            2, 2, 0x44, 0x01, 0, 0x3B};
    ExpectRefusedForItsData(".GIF", tiny, "16384 x 16384");
    // A real frame, but covering less than a quarter of a large screen.
    ExpectRefusedForItsData(".GIF", MakeGif(3000, 2000, 1000, 1000, true), "3000 x 2000");
    // A flat frame over the whole large screen: LZW carries it in too few bytes.
    ExpectRefusedForItsData(".GIF", MakeGif(3000, 2000, 3000, 2000, false), "3000 x 2000");
    // A picture's worth of data, over the whole screen or a good part of it.
    ExpectOpens(".GIF", MakeGif(2100, 2100, 2100, 2100, true), 2100, 2100);
    const TBitmap32 part = ExpectOpens(".GIF", MakeGif(2100, 2100, 1100, 1100, true), 2100, 2100);
    if (!part.Empty()) {
        EXPECT_TRUE(IsWhite(part.ScanLine(2099)));
    }
    // Small screens open whatever their frames hold.
    ExpectOpens(".GIF", MakeGif(2000, 2000, 10, 10, false), 2000, 2000);
}

// --- ICO ---

std::vector<std::uint8_t> IcoHoldingPng(const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    std::vector<std::uint8_t> ico = {0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 32, 0};
    for (std::uint32_t v : {std::uint32_t(png.size()), 22u})
        for (int i = 0; i < 4; ++i) ico.push_back(std::uint8_t(v >> (8 * i)));
    ico.insert(ico.end(), png.begin(), png.end());
    return ico;
}

TEST(SmallFileBounds, IconImagesNeedDataInProportion) {
    // Deflate carries a flat 4000 x 4000 image (64 MB of pixels) in a few dozen kilobytes.
    QImage flat(4000, 4000, QImage::Format_ARGB32);
    flat.fill(Qt::white);
    const std::vector<std::uint8_t> ico = IcoHoldingPng(flat);
    ASSERT_LT(ico.size(), 100000u);
    const Outcome o = DecodeOutcome(".ICO", ico);
    EXPECT_TRUE(o.picture.Empty());
    EXPECT_NE(o.error, "");
    // The largest real icon size opens, flat or not.
    QImage icon(256, 256, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    ExpectOpens(".ICO", IcoHoldingPng(icon), 256, 256);
}

TEST(SmallFileBounds, AnIconsBoundDoesNotOutliveIt) {
    // Qt's allocation limit is one for the process; an icon's tight bound used to stay set
    // and refuse large pictures read by Qt afterwards, whatever their file.
    const int before = QImageReader::allocationLimit();
    ExpectOpens(".ICO", ReadBytes(Sample("input.ico")), 32, 32);
    EXPECT_EQ(QImageReader::allocationLimit(), before);
    // A refused icon too.
    EXPECT_NE(DecodeOutcome(".ICO", std::vector<std::uint8_t>{0, 0, 1, 0, 1, 0}).error, "");
    EXPECT_EQ(QImageReader::allocationLimit(), before);
}

int gQtMessages = 0;

// Qt reports every directory entry it cannot reach; the count shows how many it tried.
TEST(SmallFileBounds, IconImageCountIsBoundedByItsDirectory) {
    std::vector<std::uint8_t> ico = ReadBytes(Sample("input.ico"));
    const TBitmap32 original = DecodePicture(".ICO", ico);
    ico[4] = ico[5] = 0xFF;  // 65535 images declared in a file of a few hundred bytes
    gQtMessages = 0;
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) { ++gQtMessages; });
    const Outcome o = DecodeOutcome(".ICO", ico);
    qInstallMessageHandler(previous);
    EXPECT_LT(gQtMessages, 1000);
    EXPECT_EQ(o.picture.Width(), original.Width()) << o.error;
}

// --- WMF and EMF ---

TEST(SmallFileBounds, MetafileCanvasNeedsRecordsInProportion) {
    using metafiletest::EmfBuilder;
    using metafiletest::WmfBuilder;
    // 16384 x 16384 pixels at 96 dpi, in 0.01 mm.
    const int side = int(16384 * 2540 / 96);
    ExpectRefusedForItsData(".EMF", EmfBuilder(side, side).Record(14, {0, 0, 20}).Bytes(), "16384 x 16384");
    ExpectRefusedForItsData(".WMF", WmfBuilder(4000, 3000, 96).Bytes(), "4000 x 3000");
    // A large page drawn by a few records is a real kind of file: up to 8 Mi pixels open.
    const TBitmap32 page = ExpectOpens(".WMF", WmfBuilder(2800, 2800, 96).Bytes(), 2800, 2800);
    EXPECT_LE(page.ByteCount(), 100 * kMiB);
}

}  // namespace
}  // namespace brimlet::test
