// The GIF frame copy on files built with giflib's encoder, where every pixel is known.
#include "tests/codecs/CodecTestSupport.h"

#include <gif_lib.h>

#include <functional>

namespace brimlet::test {
namespace {

int AppendToVector(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

struct Frame {
    int left, top, width, height;
    bool interlaced;
    int transparent;                      // NO_TRANSPARENT_COLOR for none
    std::function<int(int, int)> index;  // palette index at frame pixel (x, y)
};

const GifColorType kColours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};

std::vector<std::uint8_t> MakeGif(int screenWidth, int screenHeight, const std::vector<Frame>& frames) {
    std::vector<std::uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendToVector, &error);
    EXPECT_NE(gif, nullptr);
    EGifSetGifVersion(gif, true);
    ColorMapObject* map = GifMakeMapObject(4, kColours);
    EXPECT_EQ(EGifPutScreenDesc(gif, screenWidth, screenHeight, 2, 0, map), GIF_OK);
    for (const Frame& f : frames) {
        GraphicsControlBlock gcb{};
        gcb.TransparentColor = f.transparent;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&gcb, extension);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension);
        EXPECT_EQ(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, nullptr), GIF_OK);
        // The file stores interlaced rows pass by pass.
        std::vector<int> order;
        if (f.interlaced) {
            for (int start : {0, 4, 2, 1})
                for (int y = start; y < f.height; y += start == 0 || start == 4 ? 8 : start == 2 ? 4 : 2)
                    order.push_back(y);
        } else {
            for (int y = 0; y < f.height; ++y) order.push_back(y);
        }
        std::vector<GifPixelType> line(std::size_t(f.width));
        for (int y : order) {
            for (int x = 0; x < f.width; ++x) line[std::size_t(x)] = GifPixelType(f.index(x, y));
            EXPECT_EQ(EGifPutLine(gif, line.data(), f.width), GIF_OK);
        }
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

std::uint32_t Rgb(int index) {
    return std::uint32_t(kColours[index].Red) << 16 | kColours[index].Green << 8 | kColours[index].Blue;
}

// Every canvas pixel: the frame's colour where the frame covers it and is opaque, else white.
void ExpectCanvas(const TBitmap32& b, int width, int height, const Frame& f) {
    ASSERT_EQ(b.Width(), width);
    ASSERT_EQ(b.Height(), height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int fx = x - f.left, fy = y - f.top;
            const bool inside = fx >= 0 && fy >= 0 && fx < f.width && fy < f.height;
            const int index = inside ? f.index(fx, fy) : -1;
            const std::uint32_t expected = index < 0 || index == f.transparent ? 0xFFFFFF : Rgb(index);
            EXPECT_EQ(b.PixelColor(x, y), expected) << x << "," << y;
        }
    EXPECT_TRUE(AllAlphaZero(b));
}

int Pattern(int x, int y) { return (x == 1 && y == 0) ? 0 : 1 + (x + 2 * y) % 3; }

TEST(Gif, InterlacedFrameOffsetClippedAndTransparent) {
    // An interlaced 5 x 11 frame at (5, 2) on an 8 x 10 screen: it runs off the right and
    // bottom edges; index 0 is transparent.
    const Frame f{5, 2, 5, 11, true, 0, Pattern};
    ExpectCanvas(DecodePicture(".GIF", MakeGif(8, 10, {f})), 8, 10, f);
}

TEST(Gif, OnlyTheFirstFrameIsShown) {
    const Frame first{0, 0, 6, 4, false, NO_TRANSPARENT_COLOR, Pattern};
    const Frame second{0, 0, 6, 4, false, NO_TRANSPARENT_COLOR, [](int, int) { return 3; }};
    ExpectCanvas(DecodePicture(".GIF", MakeGif(6, 4, {first, second})), 6, 4, first);
}

TEST(Gif, ScreenOfSizeZeroTakesTheFrameExtent) {
    const Frame f{2, 1, 4, 3, false, NO_TRANSPARENT_COLOR, Pattern};
    ExpectCanvas(DecodePicture(".GIF", MakeGif(0, 0, {f})), 6, 4, f);
}

TEST(Gif, BrokenFilesAreRefusedWithAReason) {
    const Frame f{0, 0, 6, 4, false, NO_TRANSPARENT_COLOR, Pattern};
    std::vector<std::uint8_t> gif = MakeGif(6, 4, {f});
    // A screen of 65535 x 65535 would need 16 GiB: refused before anything is allocated.
    gif[6] = gif[7] = gif[8] = gif[9] = 0xFF;
    try {
        DecodePicture(".GIF", gif);
        FAIL();
    } catch (const PictureError& e) {
        EXPECT_NE(std::string(e.what()).find("65535 x 65535"), std::string::npos) << e.what();
    }
    // A frame far larger than its data could ever fill is refused before the canvas exists
    // (the fuzzer's find: 9547 x 16989 from 1224 bytes); a truncated real one is refused too.
    try {
        DecodePicture(".GIF", ReadBytes(Sample("fuzz/gif/screen-9547x0-frame-5424x16989.gif")));
        FAIL();
    } catch (const PictureError& e) {
        EXPECT_NE(std::string(e.what()).find("needs more data"), std::string::npos) << e.what();
    }
    const Frame large{0, 0, 600, 400, false, NO_TRANSPARENT_COLOR, Pattern};
    const std::vector<std::uint8_t> whole = MakeGif(600, 400, {large});
    EXPECT_NO_THROW(DecodePicture(".GIF", whole));
    EXPECT_THROW(DecodePicture(".GIF", std::span(whole).first(whole.size() / 2)), PictureError);
    // No image at all: header, screen, colour table, trailer.
    std::vector<std::uint8_t> empty = MakeGif(6, 4, {});
    EXPECT_THROW(DecodePicture(".GIF", empty), PictureError);
    EXPECT_THROW(DecodePicture(".GIF", std::vector<std::uint8_t>{'G', 'I', 'F'}), PictureError);
}

}  // namespace
}  // namespace brimlet::test
