// GIF through giflib: the first frame, composed on a white canvas of the logical screen size.
// The frame's offset and interlacing are honoured, its transparent pixels and whatever lies
// outside it stay white, and a frame that reaches past the screen is clipped to it.
#include "core/codecs/Decoders.h"
#include "core/codecs/PictureFiles.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include <gif_lib.h>

namespace brimlet {

namespace {

constexpr std::int64_t kGifPixelsPerByte = 256;

struct MemoryReader {
    std::span<const std::uint8_t> bytes;
    std::size_t position = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int length) {
    auto* reader = static_cast<MemoryReader*>(gif->UserData);
    std::size_t n = std::min<std::size_t>(std::size_t(std::max(length, 0)),
                                          reader->bytes.size() - reader->position);
    // An empty span may have no storage at all, and memcpy must not see a null pointer.
    if (n == 0) return 0;
    std::memcpy(buffer, reader->bytes.data() + reader->position, n);
    reader->position += n;
    return int(n);
}

[[noreturn]] void Fail(int code) {
    const char* reason = GifErrorString(code);
    throw PictureError(std::string("The GIF file cannot be read: ") +
                       (reason ? reason : "unknown error"));
}

struct GifFile {
    GifFileType* gif = nullptr;
    ~GifFile() {
        int ignored = 0;
        if (gif) DGifCloseFile(gif, &ignored);
    }
};

// Reads extension blocks up to the first image; returns the transparent index of the last
// graphic control block seen (NO_TRANSPARENT_COLOR when none).
int SkipToFirstImage(GifFileType* gif) {
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) != GIF_OK) Fail(gif->Error);
        if (type == IMAGE_DESC_RECORD_TYPE) return transparent;
        if (type == TERMINATE_RECORD_TYPE) throw PictureError("The GIF file holds no picture");
        if (type != EXTENSION_RECORD_TYPE) continue;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) != GIF_OK) Fail(gif->Error);
        if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
            GraphicsControlBlock gcb;
            if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
                transparent = gcb.TransparentColor;
        }
        while (block)
            if (DGifGetExtensionNext(gif, &block) != GIF_OK) Fail(gif->Error);
    }
}

// The most pixels that this many bytes of GIF LZW data can expand to, so that a frame that
// cannot possibly be complete is refused before its canvas is allocated. Generous on every
// count: no clear codes, the shortest possible codes, and every code the longest string the
// table can hold at that point (code j after a clear yields at most j + 1 pixels; a full
// table of 4096 entries takes 12-bit codes and strings of at most 4096 pixels).
std::int64_t MaxLzwPixels(std::int64_t bytes) {
    std::int64_t bits = bytes * 8, pixels = 0;
    for (std::int64_t j = 0; j < 4096; ++j) {
        int width = 1;
        while ((std::int64_t(1) << width) < 2 + j && width < 12) ++width;
        if (bits < width) return pixels;
        bits -= width;
        pixels += j + 1;
    }
    return pixels + bits / 12 * 4096;
}

}  // namespace

TBitmap32 DecodeGif(std::span<const std::uint8_t> bytes) {
    MemoryReader reader{bytes};
    GifFile file;
    int error = 0;
    file.gif = DGifOpen(&reader, ReadFromMemory, &error);
    if (!file.gif) Fail(error);
    GifFileType* gif = file.gif;
    // Refuse an absurd screen before reading further.
    CheckDecodedSize(gif->SWidth, gif->SHeight);

    const int transparent = SkipToFirstImage(gif);
    if (DGifGetImageDesc(gif) != GIF_OK) Fail(gif->Error);
    const GifImageDesc& frame = gif->Image;
    if (frame.Width <= 0 || frame.Height <= 0) throw PictureError("The GIF file's first frame is empty");
    CheckDecodedSize(frame.Width, frame.Height);
    if (std::int64_t(frame.Width) * frame.Height > MaxLzwPixels(std::int64_t(bytes.size() - reader.position)))
        throw PictureError("The GIF file is damaged: its first frame (" + std::to_string(frame.Width) +
                           " x " + std::to_string(frame.Height) +
                           " pixels) needs more data than the file holds");
    // Some writers leave the screen size 0; the frame's extent stands in for it then.
    const int screenWidth = gif->SWidth > 0 ? gif->SWidth : frame.Left + frame.Width;
    const int screenHeight = gif->SHeight > 0 ? gif->SHeight : frame.Top + frame.Height;
    CheckDecodedSize(screenWidth, screenHeight);
    // Only the first frame is drawn, so a large screen needs a frame that covers a good part
    // of it (a quarter, as a BMP needs a quarter of its rows), and the file needs a byte for
    // every 256 pixels. Real pictures spend far more; only a picture of one flat colour
    // compresses further (LZW strings can carry thousands of pixels a byte), and a few
    // kilobytes of that must not cost a gigabyte.
    const std::int64_t onScreen =
        std::int64_t(std::max(0, std::min(frame.Left + frame.Width, screenWidth) - frame.Left)) *
        std::max(0, std::min(frame.Top + frame.Height, screenHeight) - frame.Top);
    CheckDataCanFill("GIF", screenWidth, screenHeight,
                     std::min(onScreen * 4, std::int64_t(bytes.size()) * kGifPixelsPerByte));
    const ColorMapObject* colours = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!colours) throw PictureError("The GIF file has no colour table");

    // B, G, R, 0 for every index; indices past the table and the transparent one are white.
    std::array<std::uint8_t, 256 * 4> palette;
    palette.fill(255);
    for (int i = 0; i < 256; ++i) {
        palette[std::size_t(i) * 4 + 3] = 0;
        if (i < colours->ColorCount && i != transparent) {
            palette[std::size_t(i) * 4 + 0] = colours->Colors[i].Blue;
            palette[std::size_t(i) * 4 + 1] = colours->Colors[i].Green;
            palette[std::size_t(i) * 4 + 2] = colours->Colors[i].Red;
        }
    }

    TBitmap32 picture(screenWidth, screenHeight);

    // The part of each frame row that lies on the screen.
    const int firstColumn = std::min(frame.Left, screenWidth);
    const int lastColumn = std::min(frame.Left + frame.Width, screenWidth);
    std::vector<GifPixelType> line(std::size_t(frame.Width));
    auto storeRow = [&](int frameRow) {
        const int y = frame.Top + frameRow;
        if (y >= screenHeight) return;
        std::uint8_t* out = picture.ScanLine(y);
        for (int x = firstColumn; x < lastColumn; ++x)
            std::memcpy(out + 4 * std::size_t(x), &palette[std::size_t(line[std::size_t(x - frame.Left)]) * 4], 4);
    };
    auto readRow = [&](int frameRow) {
        if (DGifGetLine(gif, line.data(), frame.Width) != GIF_OK) Fail(gif->Error);
        storeRow(frameRow);
    };
    if (frame.Interlace) {
        static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int row = kStart[pass]; row < frame.Height; row += kStep[pass]) readRow(row);
    } else {
        for (int row = 0; row < frame.Height; ++row) readRow(row);
    }
    return picture;
}

}  // namespace brimlet
